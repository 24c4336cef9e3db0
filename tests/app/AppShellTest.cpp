// The application as a user meets it on a real X server: its shortcuts in front and in the
// background, and the program itself from start to end.
#include "device/MonitorSimulator.h"
#include "platform/PlatformLoader.h"
#include "shortcut/HotkeyState.h"
#include "support/ChildProcess.h"
#include "support/WindowFixture.h"
#include "windows/ControlPanel.h"

#include <QComboBox>
#include <QMainWindow>
#include <QSettings>
#include <algorithm>
#include <poll.h>

using namespace monctl;
using namespace monctl::test;
using namespace std::chrono_literals;

namespace {

// The key presses the desktop's key monitor announces, read as the window reads them: when
// its descriptor is readable.
class DesktopKeyPresses {
public:
    DesktopKeyPresses() { EXPECT_GE(m_keys->descriptor(), 0) << m_keys->whyNull(); }
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

    // How many of the presses announced ask for contrast up (Ctrl+U) by default.
    long contrastUps() const {
        return std::ranges::count_if(m_presses, [](const Press& press) {
            return std::ranges::count(HotkeyState().matches(press.first, press.second),
                                      HotkeyState::Action::contrastUp) > 0;
        });
    }

private:
    using Press = std::pair<std::uint16_t, std::uint64_t>;
    std::shared_ptr<GlobalKeyMonitor> m_keys = loadDesktopBackends().globalKeys;
    std::vector<Press> m_presses;
};

std::vector<std::string> contrastSettings(const MonitorSimulator& monitor) {
    std::vector<std::string> set;
    for (const auto& frame : monitor.receivedFrames()) {
        if (frame.starts_with("5FF501"))
            set.push_back(frame.substr(6, 2));
    }
    return set;
}

using AppShellTest = WindowFixture;

} // namespace

// Ctrl+F5 refreshes, Ctrl+Up raises the contrast, F6 alone lowers it.
TEST_F(AppShellTest, ShortcutsFireOncePerPressInFrontInTheBackgroundAndWithLockKeysOn) {
    MonitorSimulator monitor({5, 2, 1}, nullptr);
    StoredSettings stored;
    stored.refreshKeyCode = VirtualKey::f5;
    stored.refreshFlags = ModifierFlag::control;
    stored.thresholdKeyCode = VirtualKey::upArrow;
    stored.thresholdFlags = ModifierFlag::control;
    stored.thresholdDownKeyCode = VirtualKey::f6;
    ASSERT_TRUE(preferences.save(stored));
    openShell({monitor.devicePath()}).applicationDidFinishLaunching();
    ASSERT_TRUE(settled());
    // Every contrast sent, and the last one read back and shown: the next step counts from it.
    const auto sent = [&](std::vector<std::string> expected) {
        return processEventsUntil([&] {
            return contrastSettings(monitor) == expected && !panel().isReadingBack() &&
                   panel().thresholdInfo()->currentText().toInt() == std::stoi(expected.back());
        });
    };

    other.focusOwnWindow(); // another application in front
    ASSERT_TRUE(processEventsUntil([] { return QApplication::activeWindow() == nullptr; }));
    other.type({"Control_L", "F5"});
    ASSERT_TRUE(processEventsUntil([&] { return monitor.fastRefreshCount() == 1; }));
    other.type({"Control_L", "Up"});
    ASSERT_TRUE(sent({"06"}));
    other.type({"F6"});
    ASSERT_TRUE(sent({"06", "05"}));

    other.type({"Caps_Lock"});
    other.type({"Num_Lock"});
    other.type({"Control_L", "F5"});
    other.type({"Control_L", "Up"});
    ASSERT_TRUE(sent({"06", "05", "06"})) << "Caps Lock and Num Lock on";
    other.type({"Caps_Lock"});
    other.type({"Num_Lock"});
    ASSERT_TRUE(processEventsUntil([&] { return monitor.fastRefreshCount() == 2; }));

    ASSERT_TRUE(focusMainWindow());
    other.type({"Control_L", "Up"});
    ASSERT_TRUE(sent({"06", "05", "06", "07"}));

    // Without a window manager the window under the pointer gets the keys without being
    // active: both key monitors see each press.
    other.focusUnderPointer();
    const auto center = shell->mainWindow()->geometry().center();
    other.warpPointer(center.x(), center.y());
    ASSERT_TRUE(processEventsUntil([] { return QApplication::activeWindow() == nullptr; }));
    for (int press = 0; press < 3; ++press)
        other.type({"Control_L", "F5"});
    other.type({"Control_L", "Up"});
    ASSERT_TRUE(sent({"06", "05", "06", "07", "08"}));
    EXPECT_EQ(monitor.fastRefreshCount(), 5);
}

// A press that arrives while the monitor reads is not left where the descriptor cannot show it.
TEST_F(AppShellTest, TheDesktopKeyMonitorAnnouncesEveryPressOnItsDescriptor) {
    DesktopKeyPresses presses;
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

// A modifier goes down, another client grabs the keyboard (Alt+Tab's switcher, an open menu,
// a screen lock), the modifier comes up under the grab and the grab ends: it counts no more.
TEST_F(AppShellTest, AModifierLetGoUnderAnotherClientsGrabNoLongerCountsInTheBackground) {
    other.focusOwnWindow();
    struct Case {
        const char* modifier;
        std::vector<const char*> typed;
        long contrastUps;
    };
    for (const auto& [modifier, typed, contrastUps] :
         std::vector<Case>{{"Alt_L", {"Control_L", "u"}, 1}, {"Control_L", {"u"}, 0}}) {
        DesktopKeyPresses presses;
        other.press(modifier, true);
        EXPECT_TRUE(other.grabKeyboard());
        other.press(modifier, false);
        other.ungrabKeyboard();
        other.type(typed);
        EXPECT_TRUE(presses.announced(VirtualKey::u));
        EXPECT_EQ(presses.contrastUps(), contrastUps) << modifier << " let go";
    }
}

// AltGr (Mod5) held makes another combination, as any modifier but the lock keys does.
TEST_F(AppShellTest, AltGrControlUInTheBackgroundIsNotControlU) {
    DesktopKeyPresses presses;
    other.focusOwnWindow();
    other.type({"ISO_Level3_Shift", "Control_L", "u"});
    other.type({"Num_Lock"});
    other.type({"Control_L", "u"});
    other.type({"Num_Lock"});
    other.type({"Escape"}); // after every other press
    ASSERT_TRUE(presses.announced(VirtualKey::escape));
    EXPECT_EQ(presses.contrastUps(), 1);
}

// At 200 % the window works in half the pixels, the pointer in all of them.
TEST_F(AppShellTest, TheProgramStepsOverAScaledDesktopRefreshesOnTimeAndEndsWithItsWindow) {
    QSettings(preferences.path(), QSettings::IniFormat).setValue("fast_refresh_seconds", 1);
    MonitorSimulator monitor;
    other.setResources("Xft.dpi:\t192\n");
    environment.set("QT_SCALE_FACTOR", "2");
    ChildProcess program({MONCTL_PATH, "--port", monitor.devicePath()});
    ASSERT_TRUE(monitor.waitForFrames(4, 10s)) << "probed and read back";
    other.warpPointer(1000, 700);
    monitor.sendButton(8);
    EXPECT_TRUE(processEventsUntil([&] { return other.pointer() == std::pair(1006, 700); }));
    monitor.sendButton(9);
    EXPECT_TRUE(processEventsUntil([&] { return other.pointer() == std::pair(1006, 706); }));
    other.setResources("");

    ASSERT_TRUE(monitor.waitForFrames(6, 10s)) << "then two refreshes";
    const auto frames = monitor.receivedFrames();
    EXPECT_EQ(frames[4], "5FF50301000000000000A0FA");
    EXPECT_EQ(frames[5], "5FF50301000000000000A0FA");
    const auto run = [](const std::vector<std::string>& argv) {
        ChildProcess tool(argv);
        tool.wait();
        const auto output = tool.output();
        return output.substr(0, output.find('\n')); // the first line
    };
    std::string window;
    ASSERT_TRUE(processEventsUntil([&] {
        return !(window = run({"xdotool", "search", "--name", "^monctl$"})).empty();
    }));
    EXPECT_TRUE(
        run({"xprop", "-id", window, "_NET_WM_ICON"}).starts_with("_NET_WM_ICON(CARDINAL)"));
    other.askToClose(std::stoul(window));
    EXPECT_EQ(program.wait(), 0) << program.errors();
}
