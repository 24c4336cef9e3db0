#include "device/CommandPacer.h"

namespace monctl {

void CommandPacer::queue(int command, int value, std::chrono::milliseconds pauseAfter) {
    m_waiting.push_back({command, value, pauseAfter});
    if (!m_pausing)
        sendWaiting();
}

void CommandPacer::sendWaiting() {
    while (!m_waiting.empty()) {
        const auto entry = m_waiting.front();
        m_waiting.pop_front();
        m_send(entry.command, entry.value);
        if (entry.pauseAfter.count() > 0) {
            m_pausing = true;
            m_later(entry.pauseAfter, [this] {
                m_pausing = false;
                sendWaiting();
            });
            return;
        }
    }
}

} // namespace monctl
