#include "runtime/ReadSource.h"

#include <asio/post.hpp>

namespace monctl {

std::shared_ptr<ReadSource> ReadSource::start(int descriptor, ReadHandler onReadable,
                                              CancelHandler onCancel) {
    auto source =
        std::make_shared<ReadSource>(descriptor, std::move(onReadable), std::move(onCancel));
    asio::post(source->m_queue.executor(), [source] { source->watch(); });
    return source;
}

ReadSource::ReadSource(int descriptor, ReadHandler onReadable, CancelHandler onCancel)
    : m_descriptor(m_queue.executor(), descriptor), m_onReadable(std::move(onReadable)),
      m_onCancel(std::move(onCancel)) {}

ReadSource::~ReadSource() {
    m_descriptor.release();
}

void ReadSource::cancel() {
    if (m_cancelRequested.exchange(true))
        return;
    asio::post(m_queue.executor(), [self = shared_from_this()] {
        if (self->m_waiting)
            self->m_descriptor.cancel(); // the aborted wait finishes the source
        else
            self->finish();
    });
}

void ReadSource::watch() {
    if (m_cancelRequested) {
        finish();
        return;
    }
    m_waiting = true;
    m_descriptor.async_wait(asio::posix::stream_descriptor::wait_read,
                            [self = shared_from_this()](const asio::error_code& error) {
                                self->m_waiting = false;
                                if (error == asio::error::operation_aborted ||
                                    self->m_cancelRequested)
                                    self->finish();
                                else if (!error)
                                    self->readable();
                            });
}

void ReadSource::readable() {
    if (m_onReadable())
        watch();
    else if (m_cancelRequested)
        finish();
}

void ReadSource::finish() {
    if (m_finished)
        return;
    m_finished = true;
    // The descriptor belongs to the owner of this source, who closes it in the handler.
    m_descriptor.release();
    m_onReadable = nullptr;
    if (auto onCancel = std::move(m_onCancel))
        onCancel();
}

} // namespace monctl
