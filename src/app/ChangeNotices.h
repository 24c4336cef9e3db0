#pragma once

#include "app/DesktopNotifier.h"
#include "app/Preferences.h"
#include "monitor/MonitorSet.h"
#include "monitor/Setting.h"

#include <QDBusConnection>
#include <QObject>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace monctl {

class AppShell;
class MonitorController;

// A desktop notification, one per monitor and updated in place, when a monitor's contrast,
// mode or speed changes (by a shortcut, the tray, the session bus or the monitor's own report)
// and when a monitor goes away or comes back. A change the person makes in the window while it
// is in front shows there and is not told again. Off while the settings say so. Main thread
// only.
class ChangeNotices final : public QObject {
    Q_OBJECT

public:
    ChangeNotices(AppShell& shell, Preferences preferences, QDBusConnection bus,
                  QObject* parent = nullptr);

private:
    void heard(const MonitorSet::Monitor& monitor, Setting setting, int value, bool quiet);
    void written(const MonitorSet::Monitor& monitor, Setting setting, int value);
    void chosenInWindow(Setting setting);
    void joined(const MonitorSet::Monitor& monitor);
    void left(const MonitorSet::Monitor& monitor);
    void show(const MonitorSet::Monitor& monitor, DesktopNotifier::Notice notice);
    static QString stateOf(const MonitorController& monitor, const std::map<Setting, int>& known);

    AppShell& m_shell;
    Preferences m_preferences;
    DesktopNotifier m_notifier;
    bool m_enabled;
    std::map<std::string, std::map<Setting, int>> m_known;  // by path: the last value of each
    std::set<std::pair<std::string, Setting>> m_fromWindow; // written, not yet gone out
    std::set<std::string> m_gone;                           // paths of monitors that went
    std::vector<Connection> m_connections;
};

} // namespace monctl
