#pragma once

#include <cstdint>
#include <deque>

namespace monctl {

// Counts each physical key press once although two key monitors may see it: the one of the
// application's own windows and the desktop-wide one. A press is known by the window system's
// time and its key; a press of unknown time (0) always counts. Main thread only.
class KeyPressTally {
public:
    enum class Monitor { own, desktop };

    // True when the press is new; false when the other monitor has already counted it.
    bool counts(Monitor monitor, std::uint16_t virtualKey, std::uint64_t time);

private:
    struct Seen {
        std::uint64_t time;
        std::uint16_t virtualKey;
        int own;
        int desktop;
    };
    static constexpr std::size_t remembered = 64;

    std::deque<Seen> m_seen;
};

} // namespace monctl
