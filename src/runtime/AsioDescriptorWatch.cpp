#include "runtime/AsioDescriptorWatch.h"

#include <asio/posix/stream_descriptor.hpp>

namespace monctl {

// Outlives the watch until its last wait has come back aborted.
struct AsioDescriptorWatch::State : std::enable_shared_from_this<State> {
    State(asio::io_context& context, int fd, Handler handler)
        : descriptor(context, fd), onReadable(std::move(handler)) {}

    // The loop runs on one thread, so an edge that comes while the handler reads is taken
    // from the kernel only after the next wait is registered: none is lost.
    void arm() {
        descriptor.async_wait(asio::posix::stream_descriptor::wait_read,
                              [self = shared_from_this()](const asio::error_code& error) {
                                  if (error || self->stopped)
                                      return;
                                  self->onReadable();
                                  if (!self->stopped)
                                      self->arm();
                              });
    }

    asio::posix::stream_descriptor descriptor;
    Handler onReadable;
    bool stopped = false;
};

AsioDescriptorWatch::AsioDescriptorWatch(asio::io_context& context, int descriptor,
                                         Handler onReadable)
    : m_state(std::make_shared<State>(context, descriptor, std::move(onReadable))) {
    m_state->arm();
}

AsioDescriptorWatch::~AsioDescriptorWatch() {
    m_state->stopped = true;
    m_state->descriptor.release(); // aborts the wait; the descriptor stays open
}

} // namespace monctl
