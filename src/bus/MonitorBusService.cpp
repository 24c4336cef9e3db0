#include "bus/MonitorBusService.h"

#include "monitor/MonitorController.h"
#include "monitor/MonitorError.h"
#include "monitor/MonitorSet.h"
#include "serial/SerialPort.h"
#include "shared/ButtonEventText.h"
#include "shared/Preferences.h"
#include "shared/PresetStore.h"
#include "shared/SettingsReadBack.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <algorithm>

namespace monctl {
namespace {

constexpr uint longestReadBackWait = 60000;
// What SavePreset gives each read-back: as long as the command line waits by default.
constexpr std::chrono::milliseconds presetReadWait{1000};

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
    if (!bus.registerObject(bus::objectPath, this,
                            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals |
                                QDBusConnection::ExportAllProperties))
        return false;
    m_bus = bus;
    return true;
}

void MonitorBusService::showFrontApplication(const QString& application) {
    if (application == m_frontApplication)
        return;
    m_frontApplication = application;
    if (!m_bus)
        return;
    auto signal = QDBusMessage::createSignal(bus::objectPath,
                                             QStringLiteral("org.freedesktop.DBus.Properties"),
                                             QStringLiteral("PropertiesChanged"));
    signal << bus::interfaceName
           << QVariantMap{{QStringLiteral("FrontApplication"), m_frontApplication}}
           << QStringList();
    m_bus->send(signal);
}

bus::MonitorEntries MonitorBusService::ListMonitors() {
    bus::MonitorEntries entries;
    const auto active = m_monitors.active();
    for (const auto& monitor : m_monitors.monitors())
        entries.append({qt(monitor->name()), qt(monitor->path()), monitor == active});
    return entries;
}

bus::AdapterEntries MonitorBusService::ListAdapters() {
    bus::AdapterEntries entries;
    for (const auto& monitor : m_monitors.monitors()) {
        if (const auto& adapter = monitor->port()->ioKitDevice().adapter)
            entries.append({qt(monitor->path()), qt(adapter->vendor), qt(adapter->product),
                            qt(adapter->serial)});
    }
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
    monitor->readBack(*named,
                      std::chrono::milliseconds(std::clamp(timeoutMs, 1u, longestReadBackWait)),
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

void MonitorBusService::ChangeContrast(const QString& path, int by) {
    const auto monitor = target(path);
    if (!monitor)
        return;
    auto done = replyWhenWritten(monitor->path());
    if (monitor->setting(Setting::contrast)) {
        monitor->changeContrast(by, std::move(done));
        return;
    }
    monitor->readBack(Setting::contrast, presetReadWait,
                      [weak = std::weak_ptr(monitor), by, done](std::error_code error, int) {
                          const auto asked = weak.lock();
                          if (error || !asked)
                              done(error ? error : MonitorError::wentAway);
                          else
                              asked->changeContrast(by, done);
                      });
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

bus::PresetEntries MonitorBusService::ListPresets() {
    bus::PresetEntries entries;
    for (const auto& [name, settings] : PresetStore(Preferences::defaultPath()).list())
        entries.append({qt(name), settings.contrast, settings.mode, settings.speed});
    return entries;
}

void MonitorBusService::ApplyPreset(const QString& path, const QString& name) {
    const auto settings = knownPreset(name);
    if (!settings)
        return;
    if (const auto monitor = target(path))
        monitor->apply(*settings, replyWhenWritten(monitor->path()));
}

void MonitorBusService::SavePreset(const QString& path, const QString& name) {
    if (const auto problem = presetNameProblem(name.toStdString()); !problem.empty()) {
        sendErrorReply(QDBusError::InvalidArgs, qt(problem));
        return;
    }
    const auto monitor = target(path);
    if (!monitor)
        return;
    setDelayedReply(true);
    readAllSettings(*monitor, presetReadWait,
                    [call = message(), session = connection(), device = monitor->path(),
                     preset = name.toStdString()](std::error_code error,
                                                  const MonitorSettings& settings) mutable {
                        const auto file = Preferences::defaultPath();
                        if (error)
                            session.send(call.createErrorReply(
                                errorName(error), qt(settingsUnreadText(device, error))));
                        else if (!PresetStore(file).save({preset, settings}))
                            session.send(call.createErrorReply(QDBusError::Failed,
                                                               file + " cannot be written"));
                        else
                            session.send(call.createReply());
                    });
}

void MonitorBusService::DeletePreset(const QString& name) {
    if (knownPreset(name) && !PresetStore(Preferences::defaultPath()).remove(name.toStdString()))
        sendErrorReply(QDBusError::Failed, Preferences::defaultPath() + " cannot be written");
}

std::optional<MonitorSettings> MonitorBusService::knownPreset(const QString& name) {
    const auto settings = PresetStore(Preferences::defaultPath()).find(name.toStdString());
    if (!settings)
        sendErrorReply(bus::unknownPresetError, "no preset named " + name);
    return settings;
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
