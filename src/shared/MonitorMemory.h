#pragma once

#include "monitor/MonitorSet.h"
#include "monitor/Setting.h"
#include "shared/Preferences.h"

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace monctl {

class MonitorController;

// What names a monitor between runs and replugs: its USB adapter's serial number where it has
// one, else its device path.
std::string monitorKey(const MonitorController& monitor);

// Each monitor's last settings, as its controller holds them (written or reported), in the
// preferences file (group [monitors], "A10KZP4M=7, text, 1"); with restore_on_plug set, a
// monitor that answers the probe gets them back. Main thread only.
class MonitorMemory {
public:
    MonitorMemory(MonitorSet& monitors, Preferences preferences);

    std::optional<MonitorSettings> remembered(const std::string& key) const;

private:
    void changed(const MonitorSet::Monitor& monitor, const SettingChange& change);
    void restore(const MonitorSet::Monitor& monitor);

    Preferences m_preferences;
    // Keys of the monitors being given their settings back: what they report meanwhile is
    // what they had before, not worth keeping.
    // Shared with the commands under way, which may end after this memory.
    std::shared_ptr<std::set<std::string>> m_restoring = std::make_shared<std::set<std::string>>();
    std::vector<Connection> m_connections;
};

} // namespace monctl
