#pragma once

#include "monitor/MonitorSet.h"
#include "platform/PlatformLoader.h"
#include "shared/ChosenMonitor.h"
#include "shared/MonitorListModel.h"
#include "shared/Preferences.h"
#include "shortcut/HotkeyState.h"
#include "shortcut/KeyPressTally.h"

#include <QObject>
#include <functional>
#include <memory>
#include <vector>

class QAction;
class QApplication;
class QEvent;
class QMainWindow;
class QMenu;
class QWidget;
class QSocketNotifier;

namespace monctl {

class ControlPanel;

// The application: the monitors, its main window with the control panel and menu (relabelled
// when the interface language changes), the two key monitors that catch the three shortcuts (in
// front: an application-wide event filter that never takes an event; in the background: the
// desktop's global key events, or the shortcuts the desktop binds for it), and the end of the
// application when the main window closes.
class AppShell final : public QObject {
    Q_OBJECT

public:
    // The backends are the desktop's from now on: the keyboard layout and the check for
    // taken combinations are installed program-wide.
    AppShell(QApplication& application, Preferences preferences, DesktopBackends backends);
    ~AppShell() override;

    QMainWindow* mainWindow() const { return m_window.get(); }
    ControlPanel* controlPanel() const { return m_panel; }
    MonitorSet& monitors() { return m_monitors; }
    // What the window's monitor list and the tray show.
    MonitorListModel& monitorList() { return m_monitorList; }
    const DesktopBackends& backends() const { return m_backends; }
    // Makes a section of its own for each Settings window opened from now on.
    void addSettingsSection(std::function<QWidget*()> makeSection) {
        m_settingsSections.push_back(std::move(makeSection));
    }

    void applicationDidFinishLaunching();
    // Opens the settings, modal; returns when they are closed.
    void presentSettings();
    // Opens the About box, modal; returns when it is closed.
    void presentAbout();
    void registerABC();
    // Asked when the main window is closed: true hides it instead of ending the application.
    void setCloseHides(std::function<bool()> hides) { m_closeHides = std::move(hides); }

signals:
    void settingsClosed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenu();
    void retranslateMenu();
    void matchShortcut(std::uint16_t virtualKey, std::uint64_t flags, std::uint64_t time,
                       KeyPressTally::Monitor monitor);
    void readGlobalKeys();
    void queueAction(HotkeyState::Action action, const char* monitorName);
    // Asks the desktop for the stored shortcuts; nothing before Settings was first confirmed.
    void bindDesktopShortcuts();
    void activateDesktopShortcut(const std::string& id);

    QApplication& m_application;
    Preferences m_preferences;
    MonitorSet m_monitors; // before the window: its views go first
    MonitorListModel m_monitorList{m_monitors};
    ChosenMonitor m_chosenMonitor{m_monitors, m_preferences};
    std::unique_ptr<QMainWindow> m_window;
    ControlPanel* m_panel;
    QMenu* m_fileMenu = nullptr;
    QAction* m_settingsAction = nullptr;
    QAction* m_quitAction = nullptr;
    QMenu* m_helpMenu = nullptr;
    QAction* m_aboutAction = nullptr;
    DesktopBackends m_backends;
    DesktopBackends::ProgramWide m_programWide;
    QSocketNotifier* m_globalNotifier = nullptr;
    KeyPressTally m_pressTally;
    std::function<bool()> m_closeHides;
    std::vector<std::function<QWidget*()>> m_settingsSections;
    Connection m_desktopActivations;
};

} // namespace monctl
