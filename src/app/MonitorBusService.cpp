#include "app/MonitorBusService.h"

#include "app/ControlPanel.h"
#include "device/Protocol.h"
#include "serial/SerialPort.h"

#include <QDBusConnection>
#include <QTimer>
#include <algorithm>

namespace monctl {
namespace {

constexpr int fastRefresh = 3;
constexpr int syncTime = 5;
constexpr uint longestWait = 60000;

} // namespace

MonitorBusService::MonitorBusService(ControlPanel& panel, std::function<void()> raise,
                                     QObject* parent)
    : QObject(parent), m_panel(panel), m_raise(std::move(raise)) {
    bus::registerTypes();
    connect(&panel, &ControlPanel::commandSent, this, &MonitorBusService::sent);
    connect(&panel, &ControlPanel::settingReported, this, &MonitorBusService::reported);
    connect(&panel, &ControlPanel::buttonEvent, this, &MonitorBusService::ButtonEvent);
    connect(&panel, &ControlPanel::monitorsChanged, this, &MonitorBusService::monitorsChanged);
}

bool MonitorBusService::publish(QDBusConnection bus) {
    return bus.registerObject(bus::objectPath, this,
                              QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals);
}

bus::MonitorEntries MonitorBusService::ListMonitors() {
    bus::MonitorEntries entries;
    const auto active = m_panel.activeMonitor();
    for (const auto& port : m_panel.monitors())
        entries.append({QString::fromStdString(port->name()), QString::fromStdString(port->path()),
                        port == active});
    return entries;
}

void MonitorBusService::ChooseMonitor(const QString& path) {
    if (!m_panel.chooseMonitor(path.toStdString()))
        sendErrorReply(bus::unknownMonitorError, path + ": not among the window's monitors");
}

int MonitorBusService::Get(const QString& setting, uint timeoutMs) {
    const int parameter = bus::settingParameter(setting);
    if (parameter == 0) {
        sendErrorReply(QDBusError::InvalidArgs, "no such setting: " + setting);
        return 0;
    }
    if (!hasMonitor())
        return 0;
    expect(Protocol::parameterRequest, parameter, std::clamp(timeoutMs, 1u, longestWait));
    m_panel.requestUpdateViewInfo(parameter);
    return 0;
}

void MonitorBusService::Set(const QString& setting, int value) {
    const int parameter = bus::settingParameter(setting);
    const auto [lowest, highest] = parameter == 2   ? std::pair(2, 4)
                                   : parameter == 4 ? std::pair(1, 5)
                                                    : std::pair(1, 9);
    if (parameter == 0 || value < lowest || value > highest) {
        sendErrorReply(QDBusError::InvalidArgs,
                       QStringLiteral("%1 cannot be %2").arg(setting).arg(value));
        return;
    }
    if (!hasMonitor())
        return;
    expect(parameter, value);
    if (parameter == 1)
        m_panel.updateViewThresholdInfo(value);
    else if (parameter == 2)
        m_panel.updateViewModeInfo(value);
    else
        m_panel.updateViewSpeedInfo(value);
}

void MonitorBusService::FastRefresh() {
    if (!hasMonitor())
        return;
    expect(fastRefresh, 1);
    m_panel.updateViewRefreshInfo(1);
}

void MonitorBusService::SyncTime() {
    if (!hasMonitor())
        return;
    expect(syncTime, 0);
    m_panel.updateRealTimeClockInfo();
}

void MonitorBusService::Raise() {
    m_raise();
}

bool MonitorBusService::hasMonitor() {
    if (m_panel.activeMonitor())
        return true;
    sendErrorReply(bus::noMonitorError, "no monitor found");
    return false;
}

// The reply waits for the frame: the window's pacer may hold it back for a while.
void MonitorBusService::expect(int command, int value, uint wait) {
    setDelayedReply(true);
    const auto active = m_panel.activeMonitor();
    m_unsent.push_back({command, value, message(), QString::fromStdString(active->path()), wait});
}

void MonitorBusService::sent(int command, int value, bool written) {
    const auto match = std::find_if(m_unsent.begin(), m_unsent.end(), [&](const Pending& entry) {
        return entry.command == command && entry.value == value;
    });
    if (match == m_unsent.end())
        return;
    auto pending = *match;
    m_unsent.erase(match);
    if (!written) {
        fail(pending.call, bus::notSentError, pending.path + ": the command could not be sent");
        return;
    }
    if (pending.wait == 0) {
        QDBusConnection::sessionBus().send(pending.call.createReply());
        return;
    }
    pending.id = m_nextId++;
    QTimer::singleShot(pending.wait, this, [this, id = pending.id] { giveUp(id); });
    m_readBacks.push_back(std::move(pending));
}

void MonitorBusService::reported(int parameter, int value) {
    emit SettingReported(bus::settingName(parameter), value);
    std::erase_if(m_readBacks, [&](const Pending& entry) {
        if (entry.value != parameter)
            return false;
        QDBusConnection::sessionBus().send(entry.call.createReply(value));
        return true;
    });
}

// A read-back from a monitor that went away gets no answer: it ends at once.
void MonitorBusService::monitorsChanged() {
    emit MonitorsChanged();
    const auto& listed = m_panel.monitors();
    std::erase_if(m_readBacks, [&](const Pending& entry) {
        const bool there = std::any_of(listed.begin(), listed.end(), [&](const auto& port) {
            return QString::fromStdString(port->path()) == entry.path;
        });
        if (!there)
            fail(entry.call, bus::notSentError, entry.path + ": the device went away");
        return !there;
    });
}

void MonitorBusService::giveUp(quint64 id) {
    std::erase_if(m_readBacks, [&](const Pending& entry) {
        if (entry.id != id)
            return false;
        fail(entry.call, bus::noAnswerError,
             "the monitor did not tell its " + bus::settingName(entry.value));
        return true;
    });
}

void MonitorBusService::fail(const QDBusMessage& call, const QString& name, const QString& text) {
    QDBusConnection::sessionBus().send(call.createErrorReply(name, text));
}

} // namespace monctl
