#pragma once

#include <chrono>
#include <functional>
#include <memory>

namespace monctl {

class RepeatingTimer;

// A one-shot timer whose task runs on the main queue. Starting it again, cancelling it or
// destroying it drops the task set before, also one already on its way to the main queue.
// Main thread only.
class MainQueueTimer {
public:
    MainQueueTimer() = default;
    ~MainQueueTimer();
    MainQueueTimer(const MainQueueTimer&) = delete;
    MainQueueTimer& operator=(const MainQueueTimer&) = delete;

    void start(std::chrono::nanoseconds delay, std::function<void()> task);
    void cancel();
    bool isActive() const { return m_armed != nullptr; }

private:
    std::shared_ptr<RepeatingTimer> m_timer;
    std::shared_ptr<bool> m_armed; // lives as long as the task it guards may run
};

} // namespace monctl
