#include "runtime/AsioDescriptorWatch.h"

namespace monctl {

// Outlives the watch until its last wait has come back. A wait left behind by a watch of
// its own direction that has gone comes back stopped, or aborted with the registration.
struct AsioDescriptorWatch::State : std::enable_shared_from_this<State> {
    State(const std::shared_ptr<Registration>& shared, Direction watched, Handler handler)
        : registration(shared), direction(watched), onReady(std::move(handler)) {}

    // The loop runs on one thread, so an edge that comes while the handler reads or writes
    // is taken from the kernel only after the next wait is registered: none is lost.
    void arm() {
        const auto registered = registration.lock();
        if (!registered)
            return;
        registered->descriptor.async_wait(
            direction, [self = shared_from_this()](const asio::error_code& error) {
                if (error || self->stopped)
                    return;
                self->onReady();
                if (!self->stopped)
                    self->arm();
            });
    }

    std::weak_ptr<Registration> registration; // the watch holds it while it lives
    Direction direction;
    Handler onReady;
    bool stopped = false;
};

AsioDescriptorWatch::AsioDescriptorWatch(std::shared_ptr<Registration> registration,
                                         Direction direction, Handler onReady)
    : m_registration(std::move(registration)),
      m_state(std::make_shared<State>(m_registration, direction, std::move(onReady))) {
    m_state->arm();
}

AsioDescriptorWatch::~AsioDescriptorWatch() {
    m_state->stopped = true;
}

} // namespace monctl
