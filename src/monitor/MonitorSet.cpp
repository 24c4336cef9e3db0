#include "monitor/MonitorSet.h"

#include "device/ReportController.h"
#include "monitor/MonitorController.h"
#include "runtime/MainQueue.h"
#include "serial/SerialPort.h"
#include "serial/SerialPortManager.h"

#include <algorithm>

namespace monctl {

// The device link's report target: the list's changes and the ports' frames, which it hands
// to each port's own controller.
class MonitorSet::Reports final : public ReportController {
public:
    explicit Reports(MonitorSet& set) : m_set(set) {}

    ReportController* reportsFrom(const SerialPort& port) override {
        for (const auto& entry : m_set.m_listed) {
            if (entry.monitor->port().get() == &port)
                return &entry.monitor->reports();
        }
        return nullptr;
    }
    void updateMainViewContent() override { m_set.follow(); }
    void longMoveSourceRemoved() override { m_set.longMoveSourceGone.notify(); }

    // Frames go to the ports' controllers, never here.
    void updateViewThresholdDisplay(int) override {}
    void updateViewModeDisplay(int) override {}
    void updateViewSpeedDisplay(int) override {}
    void receiveKeyBoardClickWithCode(int) override {}
    void receiveKeyBoardClickWithCodeForStarter() override {}
    void receiveMouseMovePointX(int, int) override {}
    void receiveMouseClickEvent(int) override {}
    void receiveMouseLongMovePointX(int, int) override {}

private:
    MonitorSet& m_set;
};

MonitorSet::MonitorSet(std::shared_ptr<DeviceLinkState> state)
    : m_link(std::move(state)), m_reports(std::make_shared<Reports>(*this)) {}

MonitorSet::~MonitorSet() = default;

void MonitorSet::start() {
    assertMainThread();
    m_link.initSerialPorts();
    m_link.adoptValidPorts(m_ports, m_reports);
    m_link.startProbe();
}

std::vector<MonitorSet::Monitor> MonitorSet::monitors() const {
    std::vector<Monitor> monitors(m_listed.size());
    std::transform(m_listed.begin(), m_listed.end(), monitors.begin(),
                   [](const Listed& entry) { return entry.monitor; });
    return monitors;
}

MonitorSet::Monitor MonitorSet::find(const std::string& path) const {
    for (const auto& entry : m_listed) {
        if (entry.monitor->path() == path)
            return entry.monitor;
    }
    return nullptr;
}

bool MonitorSet::choose(const std::string& path) {
    auto chosen = find(path);
    if (!chosen)
        return false;
    if (chosen == m_active)
        return true;
    const bool readBack = m_readsBack && !isJoining(chosen);
    makeActive(std::move(chosen), readBack);
    activeChanged.notify();
    return true;
}

bool MonitorSet::everyOpenPortAnswered() const {
    const auto& available = SerialPortManager::sharedSerialPortManager().availablePorts();
    return std::all_of(available.begin(), available.end(), [&](const auto& port) {
        return !port->isOpen() ||
               std::find(m_ports->begin(), m_ports->end(), port) != m_ports->end();
    });
}

// The link's list changed: a monitor answered the probe or a port went away. The active
// monitor stays while it is listed; else the first one takes its place.
void MonitorSet::follow() {
    std::vector<Listed> now;
    std::vector<Monitor> newcomers;
    for (const auto& port : *m_ports) {
        const auto kept = std::find_if(m_listed.begin(), m_listed.end(), [&](const auto& entry) {
            return entry.monitor->port() == port;
        });
        if (kept != m_listed.end()) {
            now.push_back(std::move(*kept));
            m_listed.erase(kept);
            continue;
        }
        now.push_back(listed(port));
        newcomers.push_back(now.back().monitor);
    }
    auto gone = std::exchange(m_listed, std::move(now));
    for (auto& entry : gone)
        entry.monitor->goAway();
    if (m_readsBack) {
        for (const auto& monitor : newcomers)
            monitor->readBackAll();
    }
    const auto before = m_active;
    const bool activeStays = std::any_of(m_listed.begin(), m_listed.end(), [&](const auto& entry) {
        return entry.monitor == m_active;
    });
    if (!activeStays) {
        auto first = m_listed.empty() ? nullptr : m_listed.front().monitor;
        const bool justJoined =
            std::find(newcomers.begin(), newcomers.end(), first) != newcomers.end();
        makeActive(std::move(first), m_readsBack && !justJoined);
    }
    listChanged.notify();
    for (const auto& entry : gone)
        left.notify(entry.monitor);
    m_joining = newcomers;
    for (const auto& monitor : newcomers)
        joined.notify(monitor);
    m_joining.clear();
    if (m_active != before)
        activeChanged.notify();
}

MonitorSet::Listed MonitorSet::listed(const std::shared_ptr<SerialPort>& port) {
    auto monitor = std::make_shared<MonitorController>(port);
    std::weak_ptr weak = monitor;
    Listed entry{monitor, {}, {}, {}, {}};
    entry.reported = monitor->settingReported.connect([this, weak](Setting setting, int value) {
        if (const auto reporting = weak.lock())
            settingReported.notify(reporting, setting, value);
    });
    entry.changed = monitor->settingChanged.connect([this, weak](const SettingChange& change) {
        if (const auto changing = weak.lock())
            settingChanged.notify(changing, change);
    });
    entry.responding = monitor->respondingChanged.connect([this, weak](bool responding) {
        if (const auto changing = weak.lock())
            respondingChanged.notify(changing, responding);
    });
    entry.pressed = monitor->buttonPressed.connect([this, weak](const ButtonEvent& event) {
        if (const auto pressing = weak.lock())
            buttonPressed.notify(pressing, event);
    });
    return entry;
}

bool MonitorSet::isJoining(const Monitor& monitor) const {
    return std::find(m_joining.begin(), m_joining.end(), monitor) != m_joining.end();
}

void MonitorSet::makeActive(Monitor monitor, bool readBack) {
    m_active = std::move(monitor);
    const auto at = std::find_if(m_listed.begin(), m_listed.end(),
                                 [&](const auto& entry) { return entry.monitor == m_active; });
    if (at != m_listed.end())
        m_link.currentDisplayPort(static_cast<int>(at - m_listed.begin()));
    if (m_active && readBack)
        m_active->readBackAll();
}

} // namespace monctl
