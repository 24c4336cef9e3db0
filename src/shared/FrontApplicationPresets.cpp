#include "shared/FrontApplicationPresets.h"

#include "monitor/MonitorController.h"
#include "monitor/MonitorSet.h"
#include "shared/PresetStore.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPointer>
#include <spdlog/spdlog.h>

namespace monctl {

FrontApplicationPresets::FrontApplicationPresets(MonitorSet& monitors, QString path,
                                                 std::shared_ptr<FrontApplicationWatch> watch,
                                                 QObject* parent)
    : QObject(parent), m_monitors(monitors), m_path(std::move(path)), m_watch(std::move(watch)) {
    m_changes =
        m_watch->changed.connect([this](const FrontWindow& window) { windowInFront(window); });
    // The directory tells when the file is made or replaced; the file, when it is written in
    // place. A file replaced loses its watch, so it is watched again at each change.
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    m_fileWatcher.addPath(QFileInfo(m_path).absolutePath());
    connect(&m_fileWatcher, &QFileSystemWatcher::directoryChanged, this,
            &FrontApplicationPresets::reload);
    connect(&m_fileWatcher, &QFileSystemWatcher::fileChanged, this,
            &FrontApplicationPresets::reload);
    reload();
}

void FrontApplicationPresets::reload() {
    if (QFileInfo::exists(m_path) && !m_fileWatcher.files().contains(m_path))
        m_fileWatcher.addPath(m_path);
    m_rules = ApplicationRules(m_path).list();
    followWatch();
}

std::shared_ptr<void> FrontApplicationPresets::holdWatch() {
    auto hold = m_holds.lock();
    if (!hold) {
        hold = std::shared_ptr<void>(nullptr, [self = QPointer(this)](void*) {
            if (self)
                QMetaObject::invokeMethod(self, &FrontApplicationPresets::followWatch,
                                          Qt::QueuedConnection);
        });
        m_holds = hold;
    }
    followWatch();
    return hold;
}

void FrontApplicationPresets::followWatch() {
    const bool wanted = !m_rules.empty() || !m_holds.expired();
    if (wanted == m_watch->isWatching())
        return;
    if (wanted) {
        spdlog::info("Watching the application in front: {}", m_watch->backendName());
        m_watch->start();
        return;
    }
    spdlog::info("No rule names an application: the application in front is not watched");
    m_watch->stop();
    m_lastApplication.clear();
    if (!m_front.isEmpty()) {
        m_front.clear();
        emit frontChanged(m_front);
    }
}

bool FrontApplicationPresets::isOwnWindow(const FrontWindow& window) const {
    const auto application = QString::fromStdString(window.application);
    if (application.isEmpty())
        return false;
    return application.compare(QGuiApplication::desktopFileName(), Qt::CaseInsensitive) == 0 ||
           application.compare(QCoreApplication::applicationName(), Qt::CaseInsensitive) == 0;
}

void FrontApplicationPresets::windowInFront(const FrontWindow& window) {
    if (isOwnWindow(window))
        return;
    const auto application = QString::fromStdString(window.application);
    if (application != m_front) {
        m_front = application;
        emit frontChanged(m_front);
    }
    if (application.isEmpty() || application.compare(m_lastApplication, Qt::CaseInsensitive) == 0)
        return;
    m_lastApplication = application;
    if (!m_seen.contains(application, Qt::CaseInsensitive)) {
        m_seen.append(application);
        emit seenChanged();
    }
    if (const auto preset =
            ApplicationRules::presetFor(m_rules, {window.application, window.instance}))
        apply(*preset);
}

void FrontApplicationPresets::apply(const std::string& preset) {
    const auto settings = PresetStore(m_path).find(preset);
    const auto active = m_monitors.active();
    if (!settings) {
        spdlog::warn("The preset \"{}\" for {} does not exist", preset, m_front.toStdString());
        return;
    }
    if (!active || !active->answers()) {
        spdlog::info("No monitor for the preset \"{}\" of {}", preset, m_front.toStdString());
        return;
    }
    spdlog::info("{} is in front: the preset \"{}\" goes to {}", m_front.toStdString(), preset,
                 active->path());
    active->applyChanges(*settings);
}

} // namespace monctl
