#pragma once

#include "monitor/MonitorSet.h"
#include "monitor/Setting.h"
#include "shared/Preferences.h"
#include "tray/DesktopNotifier.h"

#include <QDBusConnection>
#include <QObject>
#include <set>
#include <string>
#include <vector>

namespace monctl {

class AppShell;

// A desktop notification, one per monitor and updated in place, when a monitor's contrast,
// mode or speed changes (by a shortcut, the tray, the session bus or the monitor's own report)
// and when a monitor goes away or comes back. A change the person makes in the window while it
// is in front shows there and is not told again. What changed is the controller's to tell. Off
// while the settings say so. Main thread only.
class ChangeNotices final : public QObject {
    Q_OBJECT

public:
    ChangeNotices(AppShell& shell, Preferences preferences, QDBusConnection bus,
                  QObject* parent = nullptr);

private:
    void changed(const MonitorSet::Monitor& monitor, const SettingChange& change);
    void joined(const MonitorSet::Monitor& monitor);
    void left(const MonitorSet::Monitor& monitor);
    void show(const MonitorSet::Monitor& monitor, DesktopNotifier::Notice notice);
    static QString stateOf(const MonitorController& monitor);

    AppShell& m_shell;
    Preferences m_preferences;
    DesktopNotifier m_notifier;
    bool m_enabled;
    std::set<std::string> m_gone; // paths of monitors that went
    std::vector<Connection> m_connections;
};

} // namespace monctl
