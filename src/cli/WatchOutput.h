#pragma once

#include "runtime/Signal.h"

#include <set>
#include <string>
#include <vector>

namespace monctl {

class MonitorSet;

// What "monctl watch" prints, a line each: the monitors' setting reports and button events,
// and a monitor going away and coming back. Once more than one monitor has been listed,
// every line starts with its monitor's device path. Main thread only.
class WatchOutput {
public:
    explicit WatchOutput(MonitorSet& monitors);

private:
    void print(const std::string& path, const std::string& text);

    MonitorSet& m_monitors;
    std::set<std::string> m_gone; // the paths of the monitors that went away
    bool m_several = false;
    std::vector<Connection> m_connections;
};

} // namespace monctl
