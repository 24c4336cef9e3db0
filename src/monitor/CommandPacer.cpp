#include "monitor/CommandPacer.h"

#include <utility>

namespace monctl {

void CommandPacer::queue(int command, int value, std::chrono::milliseconds pauseAfter, Done done) {
    m_waiting.push_back({command, value, pauseAfter, std::move(done)});
    if (!m_pause.isActive())
        sendWaiting();
}

void CommandPacer::endPauseAfter(int command, int value) {
    if (!m_pause.isActive() || command != m_pausedCommand || value != m_pausedValue)
        return;
    m_pause.cancel();
    sendWaiting();
}

void CommandPacer::dropAll(std::error_code why) {
    m_pause.cancel();
    auto dropped = std::exchange(m_waiting, {});
    for (auto& entry : dropped) {
        if (entry.done)
            entry.done(why);
    }
}

void CommandPacer::sendWaiting() {
    while (!m_waiting.empty() && !m_pause.isActive()) {
        auto entry = std::move(m_waiting.front());
        m_waiting.pop_front();
        if (entry.pauseAfter.count() > 0) {
            m_pausedCommand = entry.command;
            m_pausedValue = entry.value;
            m_pause.start(entry.pauseAfter, [this] { sendWaiting(); });
        }
        // Last: what it tells may queue more, or drop all.
        m_send(entry.command, entry.value, std::move(entry.done));
    }
}

} // namespace monctl
