#include "shortcut/KeyPressTally.h"

#include <algorithm>

namespace monctl {

// Two presses of one key within the same millisecond are told apart by how often each
// monitor saw that time: a monitor that is behind the other is seeing a press already counted.
bool KeyPressTally::counts(Monitor monitor, std::uint16_t virtualKey, std::uint64_t time) {
    if (time == 0)
        return true;
    const auto seen = std::find_if(m_seen.begin(), m_seen.end(), [&](const Seen& earlier) {
        return earlier.time == time && earlier.virtualKey == virtualKey;
    });
    if (seen == m_seen.end()) {
        m_seen.push_back({time, virtualKey, monitor == Monitor::own ? 1 : 0,
                          monitor == Monitor::desktop ? 1 : 0});
        if (m_seen.size() > remembered)
            m_seen.pop_front();
        return true;
    }
    int& mine = monitor == Monitor::own ? seen->own : seen->desktop;
    const int other = monitor == Monitor::own ? seen->desktop : seen->own;
    return ++mine > other;
}

} // namespace monctl
