#pragma once

#include "shared/MonitorMemory.h"
#include "shared/Preferences.h"
#include "shared/ScheduleRunner.h"

#include <QObject>

namespace monctl {

class AppShell;
class ChangeNotices;
class FrontApplicationPresets;
class MonitorBusService;
class ScheduledPresets;
class TimedRefresh;
class TrayIcon;

// What the running window offers beyond itself: its interface on the session bus (served, then
// the name taken, when `onBus`), the tray icon where the desktop has a tray (hidden at start when
// asked, kept when the window closes if the settings say so), the timed fast refresh, the
// schedule of presets (by `clock`), the presets that follow the application in front, desktop
// notifications of changes, and each monitor's settings remembered for its next plug. Main thread
// only.
class DesktopPresence final : public QObject {
    Q_OBJECT

public:
    DesktopPresence(AppShell& shell, Preferences preferences, bool hidden, bool onBus,
                    ScheduleRunner::Clock clock = &QDateTime::currentDateTime);

    // Brings the main window to the front.
    void raiseWindow();
    void toggleWindow();
    TrayIcon* tray() const { return m_tray; }
    ScheduledPresets* schedule() const { return m_schedule; }
    FrontApplicationPresets* frontApplicationPresets() const { return m_frontPresets; }

private:
    void applySettings();

    AppShell& m_shell;
    Preferences m_preferences;
    MonitorBusService* m_bus;
    TimedRefresh* m_timedRefresh;
    ScheduledPresets* m_schedule;
    FrontApplicationPresets* m_frontPresets;
    ChangeNotices* m_notices;
    MonitorMemory m_memory;
    TrayIcon* m_tray = nullptr;
};

} // namespace monctl
