#pragma once

#include "input/InputSink.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace monctl {

// A worker for long presses of the direction buttons: a pause for a worker thread
// (dormancy) with its release (wakeUp), and one pointer step followed by a short pause
// (longPressAction), so that a loop of steps moves the pointer at a steady rate.
// Any thread may call; dormancy and longPressAction block their thread.
class LongPressWorker {
public:
    static constexpr std::chrono::seconds dormancyLimit{4000};
    static constexpr double rightBound = 900.0;
    static constexpr double bottomBound = 1440.0;
    static constexpr std::chrono::milliseconds stepPause{100};

    static LongPressWorker& sharedWorker();

    // Where the steps go; until one is given, steps do nothing.
    void setSink(std::shared_ptr<InputSink> sink);

    // Sleeps until wakeUp or the limit; then the worker is dormant (isInterrupt false)
    // until the next wakeUp. Dormant already: returns at once.
    void dormancy();
    // Ends a running dormancy, or makes a dormant worker awake again.
    void wakeUp();
    void longPressAction(int dx, int dy);

    bool isInterrupt() const { return m_isWakeUp.load(); }
    void setIsWakeUp(bool awake) { m_isWakeUp = awake; }

private:
    LongPressWorker() = default;

    std::atomic<bool> m_isWakeUp{true};
    std::mutex m_mutex; // never held between calls
    std::condition_variable m_condition;
    bool m_sleeping = false;
    bool m_woken = false;
    std::shared_ptr<InputSink> m_sink;
};

} // namespace monctl
