#include "runtime/ReadSource.h"

#include "runtime/MainQueue.h"

namespace monctl {

std::shared_ptr<ReadSource> ReadSource::start(int descriptor, ReadHandler onReadable,
                                              CancelHandler onCancel) {
    auto source =
        std::make_shared<ReadSource>(descriptor, std::move(onReadable), std::move(onCancel));
    // Queued even on the main thread, so that what the caller queued before (the delegate's
    // opening) comes before the first bytes.
    MainQueue::shared()->post([source] { source->watch(); });
    return source;
}

ReadSource::ReadSource(int descriptor, ReadHandler onReadable, CancelHandler onCancel)
    : m_descriptor(descriptor), m_onReadable(std::move(onReadable)),
      m_onCancel(std::move(onCancel)) {}

void ReadSource::cancel() {
    if (m_cancelRequested.exchange(true))
        return;
    const auto main = MainQueue::shared();
    if (main->isCurrentThread())
        finishWhenNotReading();
    else
        main->post([self = shared_from_this()] { self->finishWhenNotReading(); });
}

void ReadSource::finishWhenNotReading() {
    if (m_readingDepth > 0)
        m_finishPending = true;
    else
        finish();
}

void ReadSource::watch() {
    if (m_cancelRequested) {
        finish();
        return;
    }
    std::weak_ptr<ReadSource> weak = weak_from_this();
    m_watch = MainQueue::shared()->watchReadable(m_descriptor, [weak] {
        if (auto source = weak.lock())
            source->readable();
    });
}

void ReadSource::readable() {
    if (m_finished || m_cancelRequested)
        return;
    ++m_readingDepth;
    if (!m_onReadable())
        m_stopWatching = true;
    if (--m_readingDepth > 0)
        return;
    if (m_finishPending)
        finish();
    else if (m_stopWatching)
        m_watch.reset();
}

void ReadSource::finish() {
    if (m_finished)
        return;
    m_finished = true;
    m_watch.reset();
    m_onReadable = nullptr;
    if (auto onCancel = std::move(m_onCancel))
        onCancel();
}

} // namespace monctl
