#pragma once

#include <QObject>
#include <functional>

class QAction;
class QMenu;
class QSystemTrayIcon;

namespace monctl {

class ControlPanel;

// monctl in the desktop's tray: the active monitor and its contrast and mode in the tooltip,
// a menu of quick changes in the current language, and a click that shows or hides the
// window. Main thread only.
class TrayIcon final : public QObject {
    Q_OBJECT

public:
    struct Window {
        std::function<void()> toggle;
        std::function<void()> show;
        std::function<void()> settings;
    };
    TrayIcon(ControlPanel& panel, const Window& window, QObject* parent = nullptr);
    ~TrayIcon() override;

    QSystemTrayIcon& icon() const { return *m_icon; }
    QMenu& menu() const { return *m_menu; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* addAction(QMenu* menu, std::function<void()> action);
    void retranslate();
    void updateToolTip();

    ControlPanel& m_panel;
    std::unique_ptr<QMenu> m_menu;
    QSystemTrayIcon* m_icon;
    QMenu* m_modeMenu;
    QMenu* m_speedMenu;
    std::vector<QAction*> m_actions; // in the order retranslate() names them
};

} // namespace monctl
