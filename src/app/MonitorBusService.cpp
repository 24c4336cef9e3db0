#include "app/MonitorBusService.h"

#include "app/ButtonEventText.h"
#include "monitor/MonitorController.h"
#include "monitor/MonitorError.h"
#include "monitor/MonitorSet.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <algorithm>

namespace monctl {
namespace {

constexpr uint longestWait = 60000;

QString qt(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString errorName(std::error_code error) {
    if (error == MonitorError::noAnswer)
        return bus::noAnswerError;
    if (error == MonitorError::noMonitor)
        return bus::noMonitorError;
    return bus::notSentError;
}

} // namespace

MonitorBusService::MonitorBusService(MonitorSet& monitors, std::function<void()> raise,
                                     QObject* parent)
    : QObject(parent), m_monitors(monitors), m_raise(std::move(raise)) {
    bus::registerTypes();
    m_connections.push_back(
        monitors.settingReported.connect([this](const auto& monitor, Setting setting, int value) {
            emit SettingReported(qt(monitor->path()), qt(settingName(setting)), value);
        }));
    m_connections.push_back(monitors.buttonPressed.connect(
        [this](const auto& monitor, const monctl::ButtonEvent& event) {
            emit ButtonEvent(qt(monitor->path()), qt(buttonEventText(event)));
        }));
    m_connections.push_back(monitors.listChanged.connect([this] { emit MonitorsChanged(); }));
}

bool MonitorBusService::publish(QDBusConnection bus) {
    return bus.registerObject(bus::objectPath, this,
                              QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals);
}

bus::MonitorEntries MonitorBusService::ListMonitors() {
    bus::MonitorEntries entries;
    const auto active = m_monitors.active();
    for (const auto& monitor : m_monitors.monitors())
        entries.append({qt(monitor->name()), qt(monitor->path()), monitor == active});
    return entries;
}

void MonitorBusService::ChooseMonitor(const QString& path) {
    if (!m_monitors.choose(path.toStdString()))
        sendErrorReply(bus::unknownMonitorError, path + ": not among the window's monitors");
}

int MonitorBusService::Get(const QString& path, const QString& setting, uint timeoutMs) {
    const auto named = settingNamed(setting.toStdString());
    if (!named) {
        sendErrorReply(QDBusError::InvalidArgs, "no such setting: " + setting);
        return 0;
    }
    const auto monitor = target(path);
    if (!monitor)
        return 0;
    setDelayedReply(true);
    monitor->readBack(*named, std::chrono::milliseconds(std::clamp(timeoutMs, 1u, longestWait)),
                      [call = message(), session = connection(), device = monitor->path(),
                       setting](std::error_code error, int value) mutable {
                          if (!error)
                              session.send(call.createReply(value));
                          else if (error == MonitorError::noAnswer)
                              session.send(call.createErrorReply(
                                  bus::noAnswerError, "the monitor did not tell its " + setting));
                          else
                              session.send(call.createErrorReply(errorName(error),
                                                                 qt(failureText(device, error))));
                      });
    return 0;
}

void MonitorBusService::Set(const QString& path, const QString& setting, int value) {
    const auto named = settingNamed(setting.toStdString());
    const auto [lowest, highest] = named ? settingRange(*named) : std::pair(1, 0);
    if (value < lowest || value > highest) {
        sendErrorReply(QDBusError::InvalidArgs,
                       QStringLiteral("%1 cannot be %2").arg(setting).arg(value));
        return;
    }
    if (const auto monitor = target(path))
        monitor->set(*named, value, replyWhenWritten(monitor->path()));
}

void MonitorBusService::FastRefresh(const QString& path) {
    if (const auto monitor = target(path))
        monitor->fastRefresh(replyWhenWritten(monitor->path()));
}

void MonitorBusService::SyncTime(const QString& path) {
    if (const auto monitor = target(path))
        monitor->syncTime(replyWhenWritten(monitor->path()));
}

void MonitorBusService::Raise() {
    m_raise();
}

std::shared_ptr<MonitorController> MonitorBusService::target(const QString& path) {
    auto monitor = path.isEmpty() ? m_monitors.active() : m_monitors.find(path.toStdString());
    if (monitor && monitor->answers())
        return monitor;
    if (path.isEmpty())
        sendErrorReply(bus::noMonitorError, "no monitor found");
    else
        sendErrorReply(bus::unknownMonitorError, path + ": not among the window's monitors");
    return nullptr;
}

// The reply waits for the frame: the monitor's pacing may hold it back for a while.
std::function<void(std::error_code)> MonitorBusService::replyWhenWritten(const std::string& path) {
    setDelayedReply(true);
    return [call = message(), session = connection(), path](std::error_code error) mutable {
        session.send(error ? call.createErrorReply(errorName(error), qt(failureText(path, error)))
                           : call.createReply());
    };
}

} // namespace monctl
