#include "shared/MonitorMemory.h"

#include "monitor/MonitorController.h"
#include "serial/SerialPort.h"
#include "shared/PresetStore.h"

#include <QSettings>

namespace monctl {
namespace {

constexpr const char* monitorsGroup = "monitors";

} // namespace

std::string monitorKey(const MonitorController& monitor) {
    const auto& adapter = monitor.port()->ioKitDevice().adapter;
    return adapter && !adapter->serial.empty() ? adapter->serial : monitor.path();
}

MonitorMemory::MonitorMemory(MonitorSet& monitors, Preferences preferences)
    : m_preferences(std::move(preferences)) {
    m_connections.push_back(monitors.settingChanged.connect(
        [this](const auto& monitor, const SettingChange& change) { changed(monitor, change); }));
    m_connections.push_back(
        monitors.joined.connect([this](const auto& monitor) { restore(monitor); }));
}

std::optional<MonitorSettings> MonitorMemory::remembered(const std::string& key) const {
    QSettings file(m_preferences.path(), QSettings::IniFormat);
    file.beginGroup(monitorsGroup);
    return settingsFromFields(file.value(QString::fromStdString(key)).toStringList());
}

void MonitorMemory::changed(const MonitorSet::Monitor& monitor, const SettingChange& change) {
    const auto key = monitorKey(*monitor);
    const auto settings = monitor->settings();
    const bool oldNews = change.source == SettingSource::reported && m_restoring->count(key) > 0;
    if (!settings || oldNews || remembered(key) == settings)
        return;
    QSettings file(m_preferences.path(), QSettings::IniFormat);
    file.beginGroup(monitorsGroup);
    file.setValue(QString::fromStdString(key), settingsFields(*settings));
}

void MonitorMemory::restore(const MonitorSet::Monitor& monitor) {
    const auto key = monitorKey(*monitor);
    const auto settings = remembered(key);
    if (!settings || m_preferences.load().restoreOnPlug == 0)
        return;
    m_restoring->insert(key);
    monitor->apply(*settings, [restoring = std::weak_ptr(m_restoring), key](std::error_code) {
        if (const auto keys = restoring.lock())
            keys->erase(key);
    });
}

} // namespace monctl
