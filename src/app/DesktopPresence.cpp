#include "app/DesktopPresence.h"

#include "bus/MonitorBusService.h"
#include "bus/WindowInstance.h"
#include "shared/FrontApplicationPresets.h"
#include "shared/ScheduledPresets.h"
#include "shared/TimedRefresh.h"
#include "tray/ChangeNotices.h"
#include "tray/TrayIcon.h"
#include "windows/AppShell.h"
#include "windows/ApplicationsView.h"

#include <QDBusConnection>
#include <QMainWindow>
#include <QSystemTrayIcon>
#include <spdlog/spdlog.h>

namespace monctl {

DesktopPresence::DesktopPresence(AppShell& shell, Preferences preferences, bool hidden, bool onBus,
                                 ScheduleRunner::Clock clock)
    : m_shell(shell), m_preferences(std::move(preferences)),
      m_bus(new MonitorBusService(
          shell.monitors(), [this] { raiseWindow(); }, this)),
      m_timedRefresh(new TimedRefresh(shell.monitors(), this)),
      m_schedule(
          new ScheduledPresets(shell.monitors(), m_preferences.path(), std::move(clock), this)),
      m_frontPresets(new FrontApplicationPresets(shell.monitors(), m_preferences.path(),
                                                 shell.backends().frontApplication, this)),
      m_notices(new ChangeNotices(shell, m_preferences, QDBusConnection::sessionBus(), this)),
      m_memory(shell.monitors(), m_preferences) {
    connect(m_frontPresets, &FrontApplicationPresets::frontChanged, m_bus,
            &MonitorBusService::showFrontApplication);
    shell.addSettingsSection(
        [this] { return new ApplicationsView(m_preferences.path(), *m_frontPresets); });
    if (auto bus = QDBusConnection::sessionBus(); onBus) {
        if (m_bus->publish(bus))
            claimWindowName(bus);
        else
            spdlog::warn("The window cannot be reached on the session bus: {}",
                         bus.lastError().message().toStdString());
    }
    if (QSystemTrayIcon::isSystemTrayAvailable())
        m_tray = new TrayIcon(shell.monitorList(),
                              {[this] { toggleWindow(); }, [this] { raiseWindow(); },
                               [&shell] { shell.presentSettings(); }},
                              PresetStore(m_preferences.path()), this);
    else
        spdlog::info("The desktop has no tray");
    // Without a tray a hidden window could not be reached.
    if (!hidden || !m_tray)
        shell.mainWindow()->show();
    shell.setCloseHides([this] { return m_tray && m_preferences.load().keepInTray != 0; });
    connect(&shell, &AppShell::settingsClosed, this, &DesktopPresence::applySettings);
    applySettings();
}

void DesktopPresence::applySettings() {
    m_timedRefresh->setPeriod(std::chrono::seconds(m_preferences.load().fastRefreshSeconds));
    m_schedule->reload();
}

void DesktopPresence::raiseWindow() {
    auto* window = m_shell.mainWindow();
    window->showNormal();
    window->raise();
    window->activateWindow();
}

void DesktopPresence::toggleWindow() {
    if (m_shell.mainWindow()->isVisible())
        m_shell.mainWindow()->hide();
    else
        raiseWindow();
}

} // namespace monctl
