#include "shared/ChosenMonitor.h"

#include "monitor/MonitorController.h"
#include "monitor/MonitorSet.h"
#include "shared/MonitorMemory.h"

#include <QSettings>

namespace monctl {
namespace {

constexpr const char* chosenKey = "chosen_monitor";

} // namespace

ChosenMonitor::ChosenMonitor(MonitorSet& monitors, Preferences preferences)
    : m_monitors(monitors), m_preferences(std::move(preferences)) {
    m_joined = monitors.joined.connect([this](const MonitorSet::Monitor& monitor) {
        const QSettings file(m_preferences.path(), QSettings::IniFormat);
        if (file.value(chosenKey).toString().toStdString() == monitorKey(*monitor))
            m_monitors.choose(monitor->path());
    });
}

void ChosenMonitor::remember() {
    if (const auto active = m_monitors.active()) {
        QSettings file(m_preferences.path(), QSettings::IniFormat);
        file.setValue(chosenKey, QString::fromStdString(monitorKey(*active)));
    }
}

} // namespace monctl
