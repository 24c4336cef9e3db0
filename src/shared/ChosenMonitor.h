#pragma once

#include "runtime/Signal.h"
#include "shared/Preferences.h"

namespace monctl {

class MonitorSet;

// The monitor last chosen in the window, kept in the preferences file (key chosen_monitor: its
// adapter's serial number, else its path), chosen again whenever it answers, in this run or a
// later one. Main thread only.
class ChosenMonitor {
public:
    ChosenMonitor(MonitorSet& monitors, Preferences preferences);

    // The active monitor is the one chosen.
    void remember();

private:
    MonitorSet& m_monitors;
    Preferences m_preferences;
    Connection m_joined;
};

} // namespace monctl
