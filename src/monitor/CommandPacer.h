#pragma once

#include "runtime/MainQueueTimer.h"

#include <chrono>
#include <deque>
#include <functional>
#include <system_error>

namespace monctl {

// Sends one monitor's commands one after another, keeping a pause after those that ask for
// one, without ever blocking the thread: a command queued during a pause waits its turn. A
// pause may end early (a read-back's, once its answer came). Main thread only.
class CommandPacer {
public:
    // How a command ended: no error once its frame was written.
    using Done = std::function<void(std::error_code)>;
    using Send = std::function<void(int command, int value, Done done)>;

    explicit CommandPacer(Send send) : m_send(std::move(send)) {}

    void queue(int command, int value, std::chrono::milliseconds pauseAfter = {}, Done done = {});
    // Ends the pause that follows this command, when that is the one running.
    void endPauseAfter(int command, int value);
    // Ends the pause and drops every command not sent yet, each told `why`.
    void dropAll(std::error_code why);
    bool isIdle() const { return !m_pause.isActive() && m_waiting.empty(); }

private:
    struct Entry {
        int command;
        int value;
        std::chrono::milliseconds pauseAfter;
        Done done;
    };
    void sendWaiting();

    Send m_send;
    std::deque<Entry> m_waiting;
    MainQueueTimer m_pause;
    int m_pausedCommand = 0; // the command the running pause follows
    int m_pausedValue = 0;
};

} // namespace monctl
