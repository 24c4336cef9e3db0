#include "windows/AppShell.h"

#include "monitor/MonitorController.h"
#include "runtime/TraceLog.h"
#include "shared/AppIdentity.h"
#include "shortcut/HotkeyState.h"
#include "shortcut/NativeKeyPress.h"
#include "shortcut/ShortcutValidator.h"
#include "windows/AboutBox.h"
#include "windows/ControlPanel.h"
#include "windows/DesktopShortcutIds.h"
#include "windows/MenuModel.h"
#include "windows/SettingsWindow.h"
#include "windows/ShortcutReachNote.h"
#include "windows/ShortcutView.h"

#include <QAction>
#include <QApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenuBar>
#include <QSocketNotifier>
#include <spdlog/spdlog.h>

namespace monctl {
namespace {

struct ShortcutAction {
    const char* name;
    void (*action)(MonitorController& monitor);
};

const ShortcutAction& shortcutAction(HotkeyState::Action action) {
    static const ShortcutAction actions[] = {
        {"RefreshHotkey", [](MonitorController& monitor) { monitor.fastRefresh(); }},
        {"ThresholdInfoHotkey", [](MonitorController& monitor) { monitor.stepContrast(1); }},
        {"ThresholdDownInfoHotkey", [](MonitorController& monitor) { monitor.stepContrast(-1); }}};
    return actions[static_cast<int>(action)];
}

// The stored pair; none before Settings was first confirmed.
std::optional<Shortcut> storedShortcut(HotkeyState::Action action) {
    const auto& state = HotkeyState::shared();
    const std::pair<std::uint32_t, std::uint32_t> stored[] = {
        {state.RefreshHotkeyKeyCode, state.RefreshHotkeyModifierFlags},
        {state.ThresholdInfoHotkeyKeyCode, state.ThresholdInfoHotkeyModifierFlags},
        {state.ThresholdDownInfoHotkeyKeyCode, state.ThresholdDownInfoHotkeyModifierFlags}};
    const auto [keyCode, flags] = stored[static_cast<int>(action)];
    if (keyCode == 0 && flags == 0)
        return std::nullopt;
    return Shortcut::shortcutWithKeyCode(keyCode, flags);
}

} // namespace

AppShell::AppShell(QApplication& application, Preferences preferences, DesktopBackends backends)
    : m_application(application), m_preferences(preferences),
      m_window(std::make_unique<QMainWindow>()),
      m_panel(new ControlPanel(m_monitorList, std::move(preferences), backends.input)),
      m_backends(std::move(backends)), m_programWide(m_backends.installProgramWide()) {
    // Every window's icon; the desktop entry is found by the same name (the Wayland app id).
    QApplication::setWindowIcon(QIcon(applicationIconResource));
    m_window->setWindowTitle("monctl");
    m_window->setCentralWidget(m_panel);
    m_window->installEventFilter(this);
    // Only the main window's closing ends the application, not that of any other window.
    m_application.setQuitOnLastWindowClosed(false);
    connect(&m_application, &QCoreApplication::aboutToQuit,
            [] { traceLog().debug("applicationWillTerminate"); });
    buildMenu(); // first: loading the language relabels it
    m_panel->load();
    connect(m_panel, &ControlPanel::settingsRequested, this, &AppShell::presentSettings);
    connect(m_panel, &ControlPanel::monitorChosen, this, [this] { m_chosenMonitor.remember(); });
    ShortcutValidator::sharedValidator().setMainMenu(
        [window = m_window.get()] { return menuFromMenuBar(window->menuBar()); });
}

AppShell::~AppShell() {
    ShortcutValidator::sharedValidator().setMainMenu(nullptr);
}

void AppShell::buildMenu() {
    m_fileMenu = m_window->menuBar()->addMenu(QString());
    m_settingsAction = m_fileMenu->addAction(QString());
    m_settingsAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    m_settingsAction->setMenuRole(QAction::PreferencesRole);
    connect(m_settingsAction, &QAction::triggered, m_panel, &ControlPanel::settingsRequested);
    m_quitAction = m_fileMenu->addAction(QString());
    m_quitAction->setShortcut(QKeySequence::Quit);
    m_quitAction->setMenuRole(QAction::QuitRole);
    connect(m_quitAction, &QAction::triggered, m_window.get(), &QMainWindow::close);
    m_helpMenu = m_window->menuBar()->addMenu(QString());
    m_aboutAction = m_helpMenu->addAction(QString());
    m_aboutAction->setMenuRole(QAction::AboutRole);
    connect(m_aboutAction, &QAction::triggered, this, &AppShell::presentAbout);
    retranslateMenu();
}

void AppShell::retranslateMenu() {
    m_fileMenu->setTitle(tr("&File"));
    m_settingsAction->setText(tr("&Settings…"));
    m_quitAction->setText(tr("&Quit"));
    m_helpMenu->setTitle(tr("&Help"));
    m_aboutAction->setText(tr("&About monctl"));
}

void AppShell::presentSettings() {
    SettingsWindow settings(m_preferences, m_monitors, m_window.get());
    settings.addNote(new ShortcutReachNote(m_backends.desktopShortcuts,
                                           m_backends.globalKeys->descriptor() >= 0));
    for (const auto& makeSection : m_settingsSections)
        settings.addNote(makeSection());
    if (settings.exec() == QDialog::Accepted)
        bindDesktopShortcuts();
    emit settingsClosed();
}

void AppShell::presentAbout() {
    AboutBox about(m_backends, m_window.get());
    about.exec();
}

void AppShell::applicationDidFinishLaunching() {
    traceLog().debug("applicationDidFinishLaunching");
    registerABC();
}

void AppShell::registerABC() {
    m_application.installEventFilter(this);
    m_desktopActivations = m_backends.desktopShortcuts->activated.connect(
        [this](const std::string& id) { activateDesktopShortcut(id); });
    bindDesktopShortcuts();
    const auto& monitor = *m_backends.globalKeys;
    if (monitor.descriptor() < 0) {
        if (const auto desktop = m_backends.desktopShortcuts->whyNull(); !desktop.empty())
            spdlog::warn("Shortcuts work only while monctl is in front: {}; {}", monitor.whyNull(),
                         desktop);
        return;
    }
    m_globalNotifier = new QSocketNotifier(monitor.descriptor(), QSocketNotifier::Read, this);
    connect(m_globalNotifier, &QSocketNotifier::activated, this, &AppShell::readGlobalKeys);
    readGlobalKeys();
}

void AppShell::readGlobalKeys() {
    m_backends.globalKeys->dispatchPending(
        [this](std::uint16_t virtualKey, std::uint64_t flags, std::uint64_t time) {
            if (!ShortcutView::isAnyRecording())
                matchShortcut(virtualKey, flags, time, KeyPressTally::Monitor::desktop);
        });
}

bool AppShell::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_window.get() && event->type() == QEvent::Close) {
        if (m_closeHides && m_closeHides()) {
            m_window->hide();
            event->ignore();
            return true;
        }
        QMetaObject::invokeMethod(&m_application, &QCoreApplication::quit, Qt::QueuedConnection);
        return false;
    }
    if (watched == m_window.get() && event->type() == QEvent::LanguageChange) {
        retranslateMenu();
        return false;
    }
    // A key press reaches the window first, then travels through its widgets: counted once.
    if (event->type() != QEvent::KeyPress || !watched->isWindowType())
        return false;
    const auto* key = static_cast<const QKeyEvent*>(event);
    if (const auto press = keyPressFromNative(key->nativeScanCode(), key->nativeModifiers()))
        matchShortcut(press->virtualKey, press->flags, key->timestamp(),
                      KeyPressTally::Monitor::own);
    return false;
}

// A press into one of monctl's windows reaches both monitors when the window gets keys without
// being the active one (the pointer over it, no window manager): it counts once.
void AppShell::matchShortcut(std::uint16_t virtualKey, std::uint64_t flags, std::uint64_t time,
                             KeyPressTally::Monitor monitor) {
    const auto actions = HotkeyState::shared().matches(virtualKey, flags);
    if (actions.empty() || !m_pressTally.counts(monitor, virtualKey, time))
        return;
    for (const auto action : actions)
        queueAction(action, monitor == KeyPressTally::Monitor::desktop ? "global" : "localEvent");
}

void AppShell::queueAction(HotkeyState::Action action, const char* monitorName) {
    const auto& shortcut = shortcutAction(action);
    traceLog().info("Press {} {}.\n", monitorName, shortcut.name);
    QMetaObject::invokeMethod(
        this,
        [this, action = shortcut.action] {
            if (const auto active = m_monitors.active(); active && active->answers())
                action(*active);
            else
                spdlog::info("No monitor takes the shortcut");
        },
        Qt::QueuedConnection);
}

void AppShell::bindDesktopShortcuts() {
    const QString descriptions[] = {tr("Fast refresh of the monitor"), tr("Monitor contrast up"),
                                    tr("Monitor contrast down")};
    std::vector<DesktopShortcuts::Wish> wishes;
    for (const auto& [id, action] : desktopShortcutIds) {
        auto preferred = storedShortcut(action);
        if (!preferred)
            return;
        wishes.push_back({id, descriptions[static_cast<int>(action)].toStdString(), preferred});
    }
    m_backends.desktopShortcuts->bind(std::move(wishes));
}

// A press the desktop reports while a recorder listens is the recorder's, not an action.
void AppShell::activateDesktopShortcut(const std::string& id) {
    if (ShortcutView::isAnyRecording())
        return;
    for (const auto& [name, action] : desktopShortcutIds) {
        if (id == name)
            queueAction(action, "global");
    }
}

} // namespace monctl
