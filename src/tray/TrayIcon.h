#pragma once

#include "monitor/Setting.h"
#include "shared/PresetStore.h"

#include <QObject>
#include <functional>
#include <memory>
#include <vector>

class QAction;
class QActionGroup;
class QMenu;
class QSystemTrayIcon;

namespace monctl {

class MonitorController;
class MonitorListModel;
class MonitorSet;

// monctl in the desktop's tray, a view of the monitors' list model: the active monitor and its
// contrast and mode in the tooltip (marked while it does not answer), a menu of quick changes in
// the current language (for the active monitor, or for each while "All Monitors" is ticked) with
// the active monitor's mode and speed ticked and the presets to apply, and a click that shows
// or hides the window. Main thread only.
class TrayIcon final : public QObject {
    Q_OBJECT

public:
    struct Window {
        std::function<void()> toggle;
        std::function<void()> show;
        std::function<void()> settings;
    };
    TrayIcon(MonitorListModel& monitors, const Window& window, PresetStore presets,
             QObject* parent = nullptr);
    ~TrayIcon() override;

    QSystemTrayIcon& icon() const { return *m_icon; }
    QMenu& menu() const { return *m_menu; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* addAction(QMenu* menu, std::function<void()> action);
    // An action that runs the command on the active monitor, or on each.
    QAction* addCommand(QMenu* menu, std::function<void(MonitorController&)> command);
    void runOnTargets(const std::function<void(MonitorController&)>& command);
    // A submenu of one setting's values, the active monitor's ticked.
    QMenu* addChoices(Setting setting, int lowest, int highest);
    void markCurrent();
    void fillPresets();
    void retranslate();
    void updateToolTip();

    MonitorListModel& m_list;
    MonitorSet& m_monitors;
    PresetStore m_presets;
    std::unique_ptr<QMenu> m_menu;
    QSystemTrayIcon* m_icon;
    QMenu* m_modeMenu;
    QMenu* m_speedMenu;
    QMenu* m_presetMenu;
    std::vector<std::pair<Setting, QActionGroup*>> m_choices;
    QAction* m_allMonitors;
    std::vector<QAction*> m_actions; // in the order retranslate() names them
};

} // namespace monctl
