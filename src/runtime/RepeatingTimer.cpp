#include "runtime/RepeatingTimer.h"

#include <algorithm>
#include <asio/post.hpp>

namespace monctl {

std::shared_ptr<RepeatingTimer> RepeatingTimer::start(std::chrono::nanoseconds firstDelay,
                                                      std::chrono::nanoseconds interval,
                                                      Handler handler) {
    auto timer = std::make_shared<RepeatingTimer>(interval, std::move(handler));
    const auto when = std::chrono::steady_clock::now() + firstDelay;
    asio::post(timer->m_queue.executor(), [timer, when] { timer->arm(when); });
    return timer;
}

RepeatingTimer::RepeatingTimer(std::chrono::nanoseconds interval, Handler handler)
    : m_timer(m_queue.executor()), m_interval(interval), m_handler(std::move(handler)) {}

void RepeatingTimer::cancel() {
    if (m_cancelled.exchange(true))
        return;
    asio::post(m_queue.executor(), [self = shared_from_this()] {
        self->m_timer.cancel();
        self->m_handler = nullptr;
    });
}

void RepeatingTimer::arm(std::chrono::steady_clock::time_point when) {
    if (m_cancelled)
        return;
    m_timer.expires_at(when);
    m_timer.async_wait([self = shared_from_this()](const asio::error_code& error) {
        if (!error)
            self->fire();
    });
}

void RepeatingTimer::fire() {
    if (m_cancelled || !m_handler)
        return;
    const auto scheduled = m_timer.expiry();
    m_handler();
    if (m_interval.count() <= 0)
        return;
    // Firings missed while the handler was blocked are coalesced into one, not replayed.
    const auto next =
        scheduled + std::chrono::duration_cast<std::chrono::steady_clock::duration>(m_interval);
    arm(std::max(next, std::chrono::steady_clock::now()));
}

} // namespace monctl
