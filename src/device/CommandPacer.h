#pragma once

#include <chrono>
#include <deque>
#include <functional>

namespace monctl {

// Sends device commands one after another, keeping a pause after those that ask for one,
// without ever blocking the thread: a command queued during a pause waits its turn.
// Main thread only.
class CommandPacer {
public:
    using Send = std::function<void(int command, int value)>;
    using Later = std::function<void(std::chrono::milliseconds, std::function<void()>)>;

    // `later` runs a task on this thread after a delay (a timer of the event loop).
    CommandPacer(Send send, Later later) : m_send(std::move(send)), m_later(std::move(later)) {}

    void queue(int command, int value, std::chrono::milliseconds pauseAfter = {});
    bool isIdle() const { return !m_pausing && m_waiting.empty(); }

private:
    struct Entry {
        int command;
        int value;
        std::chrono::milliseconds pauseAfter;
    };
    void sendWaiting();

    Send m_send;
    Later m_later;
    std::deque<Entry> m_waiting;
    bool m_pausing = false;
};

} // namespace monctl
