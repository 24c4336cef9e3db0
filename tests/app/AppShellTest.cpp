// The application as a user meets it on a real X server: its shortcuts in front and in the
// background, and its end when the main window closes.
#include "app/AppShell.h"

#include "app/ControlPanel.h"
#include "device/MonitorSimulator.h"
#include "serial/FixedPathRegistry.h"
#include "serial/SerialPortManager.h"
#include "shortcut/HotkeyState.h"
#include "support/ChildProcess.h"
#include "support/GuiTestMain.h"
#include "support/OtherXClient.h"

#include <QApplication>
#include <QComboBox>
#include <QMainWindow>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace monctl;
using namespace monctl::test;
using namespace std::chrono_literals;

namespace {

std::vector<std::string> contrastSettings(const MonitorSimulator& monitor) {
    std::vector<std::string> set;
    for (const auto& frame : monitor.receivedFrames()) {
        if (frame.starts_with("5FF501"))
            set.push_back(frame.substr(6, 2));
    }
    return set;
}

} // namespace

TEST(AppShell, ShortcutsFireOnceInFrontAndInTheBackgroundButNotWithCapsLock) {
    MonitorSimulator monitor({5, 2, 1}, nullptr);
    QTemporaryDir home;
    Preferences preferences(home.filePath("monctl.conf"));
    StoredSettings stored;
    stored.thresholdKeyCode = 32; // U
    stored.thresholdFlags = ModifierFlag::control;
    ASSERT_TRUE(preferences.save(stored));
    SerialPortManager::reset();
    SerialPortManager::useRegistry(
        std::make_unique<FixedPathRegistry>(std::vector<std::string>{monitor.devicePath()}));
    AppShell shell(*qApp, preferences, loadDesktopBackends());
    shell.mainWindow()->show();
    shell.applicationDidFinishLaunching();
    ControlPanel* panel = shell.controlPanel();
    ASSERT_TRUE(processEventsUntil(
        [&] { return panel->speedInfo()->isEnabled() && !panel->isReadingBack(); }));

    OtherXClient other;
    other.focusOwnWindow();
    ASSERT_TRUE(processEventsUntil([] { return QApplication::activeWindow() == nullptr; }));
    other.controlTap(OtherXClient::Key::u); // into another application's window
    ASSERT_TRUE(processEventsUntil([&] { return contrastSettings(monitor).size() == 1; }));
    ASSERT_TRUE(processEventsUntil([&] { return !panel->isReadingBack(); }));

    other.focus(shell.mainWindow()->winId());
    ASSERT_TRUE(
        processEventsUntil([&] { return QApplication::activeWindow() == shell.mainWindow(); }));
    other.controlTap(OtherXClient::Key::u); // into monctl itself
    ASSERT_TRUE(processEventsUntil([&] { return contrastSettings(monitor).size() == 2; }));
    ASSERT_TRUE(processEventsUntil([&] { return !panel->isReadingBack(); }));

    other.focusOwnWindow();
    ASSERT_TRUE(processEventsUntil([] { return QApplication::activeWindow() == nullptr; }));
    other.tap(OtherXClient::Key::capsLock);
    other.controlTap(OtherXClient::Key::u); // Caps Lock on: no match
    other.tap(OtherXClient::Key::capsLock);
    other.controlTap(OtherXClient::Key::u);
    ASSERT_TRUE(processEventsUntil([&] { return contrastSettings(monitor).size() == 3; }));
    ASSERT_TRUE(processEventsUntil([&] { return !panel->isReadingBack(); }));
    EXPECT_EQ(contrastSettings(monitor), (std::vector<std::string>{"06", "07", "08"}));
}

TEST(AppShell, ClosingTheMainWindowEndsTheProgram) {
    MonitorSimulator monitor;
    QTemporaryDir home;
    ::setenv("XDG_CONFIG_HOME", home.path().toLocal8Bit().constData(), 1);
    ChildProcess program({MONCTL_PATH, "--port", monitor.devicePath()});
    ASSERT_TRUE(monitor.waitForFrames(4, 10s)) << "probed and read back";
    OtherXClient other;
    unsigned long window = 0;
    ASSERT_TRUE(processEventsUntil([&] { return (window = other.windowNamed("monctl")) != 0; }));
    other.askToClose(window);
    EXPECT_EQ(program.wait(), 0) << program.errors();
}
