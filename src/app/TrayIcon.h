#pragma once

#include "runtime/Signal.h"

#include <QObject>
#include <functional>
#include <memory>
#include <vector>

class QAction;
class QMenu;
class QSystemTrayIcon;

namespace monctl {

class MonitorController;
class MonitorSet;

// monctl in the desktop's tray, a view of the monitors: the active monitor and its contrast
// and mode in the tooltip, a menu of quick changes in the current language (for the active
// monitor, or for each while "All Monitors" is ticked), and a click that shows or hides the
// window. Main thread only.
class TrayIcon final : public QObject {
    Q_OBJECT

public:
    struct Window {
        std::function<void()> toggle;
        std::function<void()> show;
        std::function<void()> settings;
    };
    TrayIcon(MonitorSet& monitors, const Window& window, QObject* parent = nullptr);
    ~TrayIcon() override;

    QSystemTrayIcon& icon() const { return *m_icon; }
    QMenu& menu() const { return *m_menu; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* addAction(QMenu* menu, std::function<void()> action);
    // An action that runs the command on the active monitor, or on each.
    QAction* addCommand(QMenu* menu, std::function<void(MonitorController&)> command);
    void retranslate();
    void updateToolTip();

    MonitorSet& m_monitors;
    std::vector<Connection> m_connections;
    std::unique_ptr<QMenu> m_menu;
    QSystemTrayIcon* m_icon;
    QMenu* m_modeMenu;
    QMenu* m_speedMenu;
    QAction* m_allMonitors;
    std::vector<QAction*> m_actions; // in the order retranslate() names them
};

} // namespace monctl
