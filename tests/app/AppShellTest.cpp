// The application as a user meets it on a real X server: its shortcuts in front and in the
// background, and its end when the main window closes.
#include "windows/AppShell.h"

#include "device/MonitorSimulator.h"
#include "platform/PlatformLoader.h"
#include "serial/FixedPathRegistry.h"
#include "serial/SerialPortManager.h"
#include "shortcut/HotkeyState.h"
#include "support/ChildProcess.h"
#include "support/GuiTestMain.h"
#include "support/OtherXClient.h"
#include "windows/ControlPanel.h"

#include <QApplication>
#include <QComboBox>
#include <QMainWindow>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>
#include <poll.h>

using namespace monctl;
using namespace monctl::test;
using namespace std::chrono_literals;

namespace {

// Presses the keys in order, then lets go of them in reverse.
void combination(OtherXClient& other, std::initializer_list<const char*> keys) {
    for (const char* key : keys)
        other.press(key, true);
    for (auto key = std::rbegin(keys); key != std::rend(keys); ++key)
        other.press(*key, false);
}

std::vector<std::string> contrastSettings(const MonitorSimulator& monitor) {
    std::vector<std::string> set;
    for (const auto& frame : monitor.receivedFrames()) {
        if (frame.starts_with("5FF501"))
            set.push_back(frame.substr(6, 2));
    }
    return set;
}

// The key presses the desktop's key monitor announces, read as the window reads them: when
// its descriptor is readable.
class DesktopKeyPresses {
public:
    bool available() const { return m_keys->descriptor() >= 0; }
    std::string whyNot() const { return m_keys->whyNull(); }
    void clear() { m_presses.clear(); }

    void read() {
        m_keys->dispatchPending([this](std::uint16_t key, std::uint64_t flags, std::uint64_t) {
            m_presses.emplace_back(key, flags);
        });
    }

    // Waits up to 2 s for the key's press; false when it was not announced by then.
    bool announced(std::uint16_t key) {
        const auto deadline = std::chrono::steady_clock::now() + 2s;
        while (std::ranges::find(m_presses, key, &Press::first) == m_presses.end()) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left <= 0ms)
                return false;
            pollfd readable{m_keys->descriptor(), POLLIN, 0};
            if (::poll(&readable, 1, static_cast<int>(left.count()) + 1) == 1)
                read();
        }
        return true;
    }

    // How many of the presses announced ask for the action under the default shortcuts.
    long firing(HotkeyState::Action action) const {
        return std::ranges::count_if(m_presses, [&](const Press& press) {
            return std::ranges::count(HotkeyState().matches(press.first, press.second), action) > 0;
        });
    }

private:
    using Press = std::pair<std::uint16_t, std::uint64_t>;
    std::shared_ptr<GlobalKeyMonitor> m_keys = loadDesktopBackends().globalKeys;
    std::vector<Press> m_presses;
};

// A modifier goes down, another client grabs the keyboard (as a window manager's switcher, an
// open menu or a screen lock does), the modifier comes up under the grab and the grab ends;
// then the keys are typed, the last of them U. How many of their presses the key monitor
// announces as Ctrl+U (contrast up by default); -1 when it cannot be watched.
long controlUAfterLettingGoUnderAGrab(const char* modifier,
                                      std::initializer_list<const char*> typed) {
    DesktopKeyPresses presses;
    if (!presses.available()) {
        ADD_FAILURE() << presses.whyNot();
        return -1;
    }
    OtherXClient other;
    other.focusOwnWindow();
    other.press(modifier, true);
    const bool grabbed = other.grabKeyboard();
    other.press(modifier, false);
    other.ungrabKeyboard();
    EXPECT_TRUE(grabbed);
    combination(other, typed);
    EXPECT_TRUE(presses.announced(VirtualKey::u));
    return presses.firing(HotkeyState::Action::contrastUp);
}

} // namespace

// Ctrl+F5 refreshes, Ctrl+Up raises the contrast, F6 alone lowers it.
TEST(AppShell, ShortcutsFireOncePerPressInFrontInTheBackgroundAndWithLockKeysOn) {
    MonitorSimulator monitor({5, 2, 1}, nullptr);
    QTemporaryDir home;
    Preferences preferences(home.filePath("monctl.conf"));
    StoredSettings stored;
    stored.refreshKeyCode = VirtualKey::f5;
    stored.refreshFlags = ModifierFlag::control;
    stored.thresholdKeyCode = VirtualKey::upArrow;
    stored.thresholdFlags = ModifierFlag::control;
    stored.thresholdDownKeyCode = VirtualKey::f6;
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
    std::vector<std::string> expected;
    // Every contrast sent, and the last one read back and shown: the next step counts from it.
    const auto settled = [&] {
        return processEventsUntil([&] {
            return contrastSettings(monitor) == expected && !panel->isReadingBack() &&
                   panel->thresholdInfo()->currentText() ==
                       QString::number(std::stoi(expected.back()));
        });
    };

    OtherXClient other;
    other.focusOwnWindow();
    ASSERT_TRUE(processEventsUntil([] { return QApplication::activeWindow() == nullptr; }));
    combination(other, {"Control_L", "F5"}); // into another application's window
    ASSERT_TRUE(processEventsUntil([&] { return monitor.fastRefreshCount() == 1; }));
    combination(other, {"Control_L", "Up"});
    expected = {"06"};
    ASSERT_TRUE(settled());
    combination(other, {"F6"});
    expected = {"06", "05"};
    ASSERT_TRUE(settled());

    combination(other, {"Caps_Lock"});
    combination(other, {"Num_Lock"});
    combination(other, {"Control_L", "F5"});
    combination(other, {"Control_L", "Up"});
    expected = {"06", "05", "06"};
    ASSERT_TRUE(settled()) << "Caps Lock and Num Lock on";
    combination(other, {"Caps_Lock"});
    combination(other, {"Num_Lock"});
    ASSERT_TRUE(processEventsUntil([&] { return monitor.fastRefreshCount() == 2; }));

    other.focus(shell.mainWindow()->winId());
    ASSERT_TRUE(
        processEventsUntil([&] { return QApplication::activeWindow() == shell.mainWindow(); }));
    combination(other, {"Control_L", "Up"}); // into monctl itself
    expected = {"06", "05", "06", "07"};
    ASSERT_TRUE(settled());

    // Without a window manager the window under the pointer gets the keys without being
    // active: both monitors see each press.
    other.focusUnderPointer();
    other.warpPointer(shell.mainWindow()->geometry().center().x(),
                      shell.mainWindow()->geometry().center().y());
    ASSERT_TRUE(processEventsUntil([] { return QApplication::activeWindow() == nullptr; }));
    for (int press = 0; press < 3; ++press)
        combination(other, {"Control_L", "F5"});
    combination(other, {"Control_L", "Up"});
    expected = {"06", "05", "06", "07", "08"};
    ASSERT_TRUE(settled());
    EXPECT_EQ(monitor.fastRefreshCount(), 5);
}

// A press that arrives while the monitor reads is not left where the descriptor cannot show it.
TEST(AppShell, TheDesktopKeyMonitorAnnouncesEveryPressOnItsDescriptor) {
    DesktopKeyPresses presses;
    ASSERT_TRUE(presses.available()) << presses.whyNot();
    OtherXClient other;
    other.focusOwnWindow();
    for (int round = 0; round < 20; ++round) {
        presses.clear();
        other.press("Control_L", true);
        other.pressWithoutWaiting("u", true);
        presses.read();
        ASSERT_TRUE(presses.announced(VirtualKey::u)) << "round " << round;
        other.press("u", false);
        other.press("Control_L", false);
        presses.read();
    }
}

// Alt+Tab: Alt goes down, the switcher grabs the keyboard, Alt comes up under its grab.
TEST(AppShell, AnAltLetGoUnderAnotherClientsGrabNoLongerCountsInTheBackground) {
    EXPECT_EQ(controlUAfterLettingGoUnderAGrab("Alt_L", {"Control_L", "u"}), 1);
}

// An open menu or a screen lock: Ctrl comes up under another client's grab.
TEST(AppShell, AControlLetGoUnderAnotherClientsGrabMakesNoBareKeyAShortcut) {
    EXPECT_EQ(controlUAfterLettingGoUnderAGrab("Control_L", {"u"}), 0) << "a bare U";
}

// AltGr (Mod5) held makes another combination, as any modifier but the lock keys does.
TEST(AppShell, AltGrControlUInTheBackgroundIsNotControlU) {
    DesktopKeyPresses presses;
    ASSERT_TRUE(presses.available()) << presses.whyNot();
    OtherXClient other;
    other.focusOwnWindow();
    combination(other, {"ISO_Level3_Shift", "Control_L", "u"});
    combination(other, {"Num_Lock"});
    combination(other, {"Control_L", "u"});
    combination(other, {"Num_Lock"});
    combination(other, {"Escape"}); // after every other press
    ASSERT_TRUE(presses.announced(VirtualKey::escape));
    EXPECT_EQ(presses.firing(HotkeyState::Action::contrastUp), 1);
}

TEST(AppShell, TheMainWindowCarriesTheIconAndClosingItEndsTheProgram) {
    MonitorSimulator monitor;
    QTemporaryDir home;
    ::setenv("XDG_CONFIG_HOME", home.path().toLocal8Bit().constData(), 1);
    ChildProcess program({MONCTL_PATH, "--port", monitor.devicePath()});
    ASSERT_TRUE(monitor.waitForFrames(4, 10s)) << "probed and read back";
    OtherXClient other;
    unsigned long window = 0;
    ASSERT_TRUE(processEventsUntil([&] { return (window = other.windowNamed("monctl")) != 0; }));
    EXPECT_TRUE(other.hasIcon(window));
    other.askToClose(window);
    EXPECT_EQ(program.wait(), 0) << program.errors();
}
