#include "shared/ScheduledPresets.h"

#include "monitor/MonitorController.h"
#include "monitor/MonitorSet.h"
#include "shared/PresetStore.h"

#include <QDir>
#include <QFileInfo>
#include <spdlog/spdlog.h>

namespace monctl {

ScheduledPresets::ScheduledPresets(MonitorSet& monitors, QString path, ScheduleRunner::Clock clock,
                                   QObject* parent)
    : QObject(parent), m_monitors(monitors), m_path(std::move(path)),
      m_runner([this](const std::string& preset) { apply(preset); }, std::move(clock)) {
    // The directory tells when the file is made or replaced; the file, when it is written in
    // place. A file replaced loses its watch, so it is watched again at each change.
    const auto directory = QFileInfo(m_path).absolutePath();
    QDir().mkpath(directory);
    m_watcher.addPath(directory);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &ScheduledPresets::reload);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &ScheduledPresets::reload);
    m_runner.follow(PresetSchedule::load(m_path));
    watch();
}

void ScheduledPresets::reload() {
    watch();
    m_runner.check();
    m_runner.follow(PresetSchedule::load(m_path));
}

void ScheduledPresets::watch() {
    if (QFileInfo::exists(m_path) && !m_watcher.files().contains(m_path))
        m_watcher.addPath(m_path);
}

void ScheduledPresets::apply(const std::string& preset) {
    const auto settings = PresetStore(m_path).find(preset);
    const auto active = m_monitors.active();
    if (!settings)
        spdlog::warn("The scheduled preset \"{}\" does not exist", preset);
    else if (!active)
        spdlog::info("No monitor for the scheduled preset \"{}\"", preset);
    else
        active->apply(*settings);
}

} // namespace monctl
