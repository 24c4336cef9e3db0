// The application on a real X server: its shortcuts, and the program from start to end.
#include "support/WindowFixture.h"

#include <QDBusMessage>
#include <poll.h>

using namespace monctl;
using namespace monctl::test;
using namespace std::chrono_literals;

namespace {

// The tray's side of the protocol, as a desktop's panel offers it.
class StatusNotifierWatcher final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)

public:
    bool hostRegistered() const { return true; }

    QString sender; // the item's connection

public slots:
    void RegisterStatusNotifierItem(const QString&, const QDBusMessage& message) {
        sender = message.service();
    }
};

using AppShellTest = WindowFixture;

} // namespace

TEST_F(AppShellTest, ShortcutsFireOncePerPressInFrontAndInTheBackgroundWithTheModifiersHeld) {
    MonitorSimulator monitor({5, 2, 1}, nullptr);
    ASSERT_TRUE(preferences.save({.refreshKeyCode = VirtualKey::f5,
                                  .refreshFlags = ModifierFlag::control | ModifierFlag::option,
                                  .thresholdKeyCode = VirtualKey::upArrow,
                                  .thresholdFlags = ModifierFlag::control,
                                  .thresholdDownKeyCode = VirtualKey::f6}));
    openShell({monitor.devicePath()}).applicationDidFinishLaunching();
    ASSERT_TRUE(settled());
    // Every contrast sent, and the last one read back and shown: the next step counts from it.
    // A step too many shows in every later list.
    const auto sent = [&](std::vector<std::string> expected) {
        return processEventsUntil([&] {
            std::vector<std::string> set;
            for (const auto& frame : monitor.receivedFrames())
                if (frame.starts_with("5FF501"))
                    set.push_back(frame.substr(6, 2));
            return set == expected && !panel().isReadingBack() &&
                   panel().thresholdInfo()->currentText().toInt() == std::stoi(expected.back());
        });
    };
    // Alt+Tab's switcher, an open menu or a screen lock takes the keyboard meanwhile.
    const auto letGoUnderAGrab = [&](const char* modifier) {
        other.press(modifier, true);
        EXPECT_TRUE(other.grabKeyboard());
        other.press(modifier, false);
        other.ungrabKeyboard();
    };

    other.focusOwnWindow(); // another application in front
    ASSERT_TRUE(processEventsUntil([] { return QApplication::activeWindow() == nullptr; }));
    other.type({"Control_L", "Alt_L", "F5"});
    ASSERT_TRUE(processEventsUntil([&] { return monitor.fastRefreshCount() == 1; }));
    other.type({"Control_L", "Up"});
    ASSERT_TRUE(sent({"06"}));
    other.type({"F6"});
    ASSERT_TRUE(sent({"06", "05"}));

    other.type({"ISO_Level3_Shift", "Control_L", "Up"}); // AltGr makes another combination
    letGoUnderAGrab("Control_L");
    other.type({"Up"});
    letGoUnderAGrab("Alt_L");
    other.type({"Caps_Lock", "Num_Lock"});
    other.type({"Control_L", "Alt_L", "F5"});
    other.type({"Control_L", "Up"});
    ASSERT_TRUE(sent({"06", "05", "06"})) << "Caps Lock and Num Lock on";
    other.type({"Caps_Lock", "Num_Lock"});
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
        other.type({"Control_L", "Alt_L", "F5"});
    other.type({"Control_L", "Up"});
    ASSERT_TRUE(sent({"06", "05", "06", "07", "08"}));
    EXPECT_EQ(monitor.fastRefreshCount(), 5);
}

// A press that arrives while the monitor reads is not left where the descriptor cannot show it.
TEST_F(AppShellTest, TheDesktopKeyMonitorAnnouncesEveryPressOnItsDescriptor) {
    const auto keys = loadDesktopBackends().globalKeys;
    ASSERT_GE(keys->descriptor(), 0) << keys->whyNull();
    bool announced = false;
    const auto read = [&] {
        keys->dispatchPending([&](std::uint16_t key, std::uint64_t, std::uint64_t) {
            announced = announced || key == VirtualKey::u;
        });
    };
    other.focusOwnWindow();
    for (int round = 0; round < 20; ++round) {
        announced = false;
        other.press("Control_L", true);
        other.pressWithoutWaiting("u", true);
        read();
        pollfd readable{keys->descriptor(), POLLIN, 0};
        while (!announced && ::poll(&readable, 1, 5000) == 1)
            read();
        ASSERT_TRUE(announced) << "round " << round;
        other.press("u", false);
        other.press("Control_L", false);
        read();
    }
}

// The monitor's buttons type, move and click on the desktop; at 200 % the window works in half the
// pixels, the pointer in all of them. The tray item registers and shows the hidden window.
TEST_F(AppShellTest, TheProgramDrivesAScaledDesktopAnswersFromItsTrayAndEndsWithItsWindow) {
    PrivateSessionBus bus;
    auto connection = QDBusConnection::connectToBus(QString::fromStdString(bus.address()), "tray");
    StatusNotifierWatcher watcher;
    ASSERT_TRUE(connection.registerObject("/StatusNotifierWatcher", &watcher,
                                          QDBusConnection::ExportAllContents));
    ASSERT_TRUE(connection.registerService("org.kde.StatusNotifierWatcher"));
    MonitorSimulator monitor;
    other.setResources("Xft.dpi:\t192\n");
    environment.set("QT_SCALE_FACTOR", "2");
    ChildProcess program({MONCTL_PATH, "--port", monitor.devicePath(), "--hidden"});
    ASSERT_TRUE(processEventsUntil([&] { return !watcher.sender.isEmpty(); }, 10s))
        << program.errors();
    ASSERT_TRUE(monitor.waitForFrames(4, 10s)) << "probed and read back";
    other.focusOwnWindow(); // the application in front, with the pointer over its window
    other.warpPointer(750, 150);
    other.receivedInput();
    const auto receives = [&](std::vector<std::string> expected) {
        std::vector<std::string> events;
        return processEventsUntil([&] {
                   std::ranges::move(other.receivedInput(), std::back_inserter(events));
                   return events.size() >= expected.size();
               }) &&
               events == expected;
    };
    monitor.sendButton(3);
    EXPECT_TRUE(receives({"key down Down", "key up Down"}));
    monitor.sendButton(8); // beyond half the desktop's width
    EXPECT_TRUE(processEventsUntil([&] { return other.pointer() == std::pair(756, 150); }));
    monitor.sendButton(11);
    EXPECT_TRUE(receives({"button down 1", "button up 1"}));
    EXPECT_FALSE(other.anyKeyHeld()) << "every key press was released";
    other.setResources("");

    connection.call(QDBusMessage::createMethodCall(watcher.sender, "/StatusNotifierItem",
                                                   "org.kde.StatusNotifierItem", "Activate")
                    << 0 << 0);
    const auto run = [](const std::vector<std::string>& argv) {
        ChildProcess tool(argv);
        tool.wait();
        const auto output = tool.output();
        return output.substr(0, output.find('\n'));
    };
    std::string window;
    ASSERT_TRUE(processEventsUntil([&] {
        return !(window = run({"xdotool", "search", "--onlyvisible", "--name", "^monctl$"}))
                    .empty();
    }));
    EXPECT_TRUE(
        run({"xprop", "-id", window, "_NET_WM_ICON"}).starts_with("_NET_WM_ICON(CARDINAL)"));
    other.askToClose(std::stoul(window));
    EXPECT_EQ(program.wait(), 0) << program.errors();
}

#include "AppShellTest.moc"
