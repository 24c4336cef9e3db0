#pragma once

#include "runtime/SerialQueue.h"

#include <asio/steady_timer.hpp>
#include <chrono>
#include <functional>
#include <memory>

namespace monctl {

// A timer source on the event pool: fires first after `firstDelay`, then every `interval`
// (a zero interval fires once). The handler never runs twice at once. cancel() may be
// called from any thread, also from the handler; no firing starts after it returns
// except one that was already running.
class RepeatingTimer : public std::enable_shared_from_this<RepeatingTimer> {
public:
    using Handler = std::function<void()>;

    static std::shared_ptr<RepeatingTimer>
    start(std::chrono::nanoseconds firstDelay, std::chrono::nanoseconds interval, Handler handler);
    RepeatingTimer(std::chrono::nanoseconds interval, Handler handler);

    void cancel();
    bool isCancelled() const { return m_cancelled.load(); }

private:
    void arm(std::chrono::steady_clock::time_point when);
    void fire();

    SerialQueue m_queue;
    asio::steady_timer m_timer;
    std::chrono::nanoseconds m_interval;
    Handler m_handler;
    std::atomic<bool> m_cancelled{false};
};

} // namespace monctl
