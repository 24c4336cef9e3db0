#include "cli/WatchOutput.h"

#include "cli/ReadBackOutput.h"
#include "monitor/MonitorController.h"
#include "monitor/MonitorSet.h"
#include "monitor/Setting.h"
#include "shared/ButtonEventText.h"

namespace monctl {

WatchOutput::WatchOutput(MonitorSet& monitors) : m_monitors(monitors) {
    using Monitor = MonitorSet::Monitor;
    m_connections.push_back(monitors.settingReported.connect(
        [this](const Monitor& monitor, Setting setting, int value) {
            print(monitor->path(), settingText(setting, value));
        }));
    m_connections.push_back(
        monitors.buttonPressed.connect([this](const Monitor& monitor, const ButtonEvent& event) {
            print(monitor->path(), buttonEventText(event));
        }));
    // A monitor leaves the list once however many ways its going is noticed.
    m_connections.push_back(monitors.left.connect([this](const Monitor& monitor) {
        m_gone.insert(monitor->path());
        print(monitor->path(), "went away");
    }));
    m_connections.push_back(monitors.joined.connect([this](const Monitor& monitor) {
        if (m_gone.erase(monitor->path()) > 0)
            print(monitor->path(), "came back");
    }));
}

void WatchOutput::print(const std::string& path, const std::string& text) {
    m_several = m_several || m_monitors.monitors().size() + m_gone.size() > 1;
    printLine(m_several ? path + " " + text : text);
}

} // namespace monctl
