#pragma once

#include "device/DeviceLink.h"
#include "monitor/ButtonEvent.h"
#include "monitor/MonitorController.h"
#include "monitor/Setting.h"
#include "runtime/Signal.h"

#include <memory>
#include <string>
#include <vector>

namespace monctl {

// The monitors found, in the order they answered, each with its controller, and the active
// one: the first to answer until another is chosen or it goes. The device link reports to
// it, and each port's frames reach that port's controller alone. Main thread only.
class MonitorSet {
public:
    using Monitor = std::shared_ptr<MonitorController>;

    explicit MonitorSet(
        std::shared_ptr<DeviceLinkState> state = std::make_shared<DeviceLinkState>());
    ~MonitorSet();
    MonitorSet(const MonitorSet&) = delete;
    MonitorSet& operator=(const MonitorSet&) = delete;

    DeviceLink& link() { return m_link; }
    // Probes every port now, and each port that appears from now on.
    void start();
    // Read each monitor's settings back as it joins, and again as it becomes the active one
    // (the window shows them); off, only what is asked for is sent (the command line).
    void setReadsBack(bool readsBack) { m_readsBack = readsBack; }

    std::vector<Monitor> monitors() const;
    Monitor active() const { return m_active; }
    // The listed monitor at this device path; none when it is not listed.
    Monitor find(const std::string& path) const;
    // Makes the monitor at this path the active one; false when none is listed there.
    bool choose(const std::string& path);
    // Each port still open answered the probe: every monitor there is, is listed.
    bool everyOpenPortAnswered() const;

    Signal<> listChanged;   // a monitor joined or went
    Signal<> activeChanged; // another monitor is the active one, or none is left
    Signal<Monitor> joined; // each monitor that answered, after listChanged
    Signal<Monitor> left;   // each monitor that went, after listChanged
    // Each report as it comes (the command line's watch); views follow settingChanged.
    Signal<Monitor, Setting, int> settingReported;
    Signal<Monitor, SettingChange> settingChanged;
    Signal<Monitor, bool> respondingChanged;
    Signal<Monitor, ButtonEvent> buttonPressed;
    // The monitor that started the running long move went before releasing its button.
    Signal<> longMoveSourceGone;

private:
    class Reports;
    struct Listed {
        Monitor monitor;
        Connection reported;
        Connection changed;
        Connection responding;
        Connection pressed;
    };
    void follow();
    Listed listed(const std::shared_ptr<SerialPort>& port);
    void makeActive(Monitor monitor, bool readBack);

    bool isJoining(const Monitor& monitor) const;

    DeviceLink m_link;
    std::shared_ptr<PortList> m_ports = std::make_shared<PortList>();
    std::shared_ptr<Reports> m_reports;
    std::vector<Listed> m_listed;
    Monitor m_active;
    // Those whose joining is being told: already asked for their settings.
    std::vector<Monitor> m_joining;
    bool m_readsBack = false;
};

} // namespace monctl
