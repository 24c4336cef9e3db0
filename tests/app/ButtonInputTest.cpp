// The monitor's buttons driving a real X server: keys, pointer steps, clicks, long moves.
#include "device/MonitorSimulator.h"
#include "input/NullInputSink.h"
#include "platform/PlatformLoader.h"
#include "runtime/MainQueue.h"
#include "serial/FixedPathRegistry.h"
#include "serial/SerialPortManager.h"
#include "shared/CurrentLanguage.h"
#include "shared/MonitorListModel.h"
#include "support/ChildProcess.h"
#include "support/GuiTestMain.h"
#include "support/OtherXClient.h"
#include "windows/ControlPanel.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <csignal>
#include <gtest/gtest.h>

using namespace monctl;
using namespace monctl::test;
using namespace std::chrono_literals;
using Input = std::vector<std::string>;

namespace {

// A control panel whose one monitor is a simulator, its input going to the sink given.
struct PanelOnSimulator {
    explicit PanelOnSimulator(std::shared_ptr<InputSink> input)
        : panel(monitorList, Preferences(home.filePath("monctl.conf")), std::move(input)) {
        SerialPortManager::reset();
        // Not looked at again: once unplugged, the path may soon be another test process's.
        SerialPortManager::useRegistry(
            std::make_unique<FixedPathRegistry>(std::vector<std::string>{monitor.devicePath()}));
        panel.load();
    }

    MonitorSimulator monitor;
    QTemporaryDir home;
    MonitorSet monitors;
    MonitorListModel monitorList{monitors};
    ControlPanel panel;
};

} // namespace

TEST(ButtonInput, TheMonitorsButtonsTypeMoveAndClickOnTheDesktop) {
    PanelOnSimulator setup(loadDesktopBackends().input);
    auto& monitor = setup.monitor;
    auto& panel = setup.panel;
    ASSERT_TRUE(processEventsUntil([&] { return panel.speedInfo()->isEnabled(); }));

    OtherXClient other; // the application in front, with the pointer over its window
    other.focusOwnWindow();
    other.warpPointer(750, 150);
    other.receivedInput();

    monitor.sendButton(3);
    Input received;
    ASSERT_TRUE(processEventsUntil([&] {
        for (auto& event : other.receivedInput())
            received.push_back(event);
        return received.size() >= 2;
    }));
    EXPECT_EQ(received, (Input{"key down Down", "key up Down"}));

    monitor.sendButton(8);
    ASSERT_TRUE(processEventsUntil([&] { return other.pointer() == std::pair(756, 150); }));
    monitor.sendButton(11);
    received.clear();
    ASSERT_TRUE(processEventsUntil([&] {
        for (auto& event : other.receivedInput())
            received.push_back(event);
        return received.size() >= 2;
    }));
    EXPECT_EQ(received, (Input{"button down 1", "button up 1"}));

    monitor.sendButton(17);
    ASSERT_TRUE(processEventsUntil([&] { return other.pointer().second >= 150 + 2 * 70; }));
    monitor.sendButton(20);
    ASSERT_TRUE(processEventsUntil([&] { return !panel.isLongMoveRunning(); }));
    const auto [x, y] = other.pointer();
    EXPECT_EQ(x, 756);
    EXPECT_EQ((y - 150) % 70, 0);
    EXPECT_GE(y, 150 + 3 * 70) << "one last step after the stop";
    EXPECT_FALSE(other.anyKeyHeld()) << "every key press was released";

    // The monitor goes away while a direction button is held: the move ends with it.
    monitor.sendButton(19);
    ASSERT_TRUE(processEventsUntil([&] { return other.pointer().first <= 756 - 70; }));
    monitor.unplug();
    EXPECT_TRUE(processEventsUntil([&] { return !panel.isLongMoveRunning(); }));
}

// At 200 % the window works in half the pixels, the pointer in all of them.
TEST(ButtonInput, PointerStepsReachTheWholeOfAScaledDesktop) {
    MonitorSimulator monitor;
    QTemporaryDir home;
    OtherXClient other;
    other.setResources("Xft.dpi:\t192\n");
    ::setenv("XDG_CONFIG_HOME", home.path().toLocal8Bit().constData(), 1);
    ::setenv("QT_SCALE_FACTOR", "2", 1);
    ChildProcess program({MONCTL_PATH, "--port", monitor.devicePath()});
    ASSERT_TRUE(monitor.waitForFrames(4, 10s)) << "probed and read back";

    other.warpPointer(1000, 700);
    monitor.sendButton(8);
    EXPECT_TRUE(processEventsUntil([&] { return other.pointer() == std::pair(1006, 700); }));
    monitor.sendButton(9);
    EXPECT_TRUE(processEventsUntil([&] { return other.pointer() == std::pair(1006, 706); }));
    program.signal(SIGTERM);
    program.wait();
}

TEST(ButtonInput, TheStarterMessageIsShownOnceAtATimeAndWaitsForReturn) {
    QTemporaryDir home;
    SerialPortManager::reset();
    SerialPortManager::useRegistry(std::make_unique<FixedPathRegistry>(std::vector<std::string>{}));
    MonitorSet monitors;
    MonitorListModel monitorList(monitors);
    ControlPanel panel(monitorList, Preferences(home.filePath("monctl.conf")),
                       loadDesktopBackends().input);
    panel.load();
    changeCurrentLanguage(1);
    const auto visibleBoxes = [] {
        std::vector<QMessageBox*> boxes;
        for (auto* window : QApplication::topLevelWidgets()) {
            if (auto* box = qobject_cast<QMessageBox*>(window); box && box->isVisible())
                boxes.push_back(box);
        }
        return boxes;
    };
    bool stacked = false;
    QTimer watch; // closes any message shown on top of another, so that nothing hangs
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (const auto boxes = visibleBoxes(); boxes.size() > 1) {
            stacked = true;
            boxes.back()->reject();
        }
    });
    watch.start(10);
    bool queuedWorkRan = false;
    bool secondReturned = false;
    QString shown;
    QStringList buttons;
    QTimer::singleShot(0, [&] {
        ASSERT_TRUE(processEventsUntil([&] { return visibleBoxes().size() == 1; }));
        MainQueue::shared()->post([&] { queuedWorkRan = true; });
        MainQueue::shared()->post([&] {
            panel.receiveKeyBoardClickWithCodeForStarter(); // pressed again while it is up
            secondReturned = true;
        });
        ASSERT_TRUE(processEventsUntil([&] { return secondReturned; }));
        auto* box = visibleBoxes().front();
        shown = box->text();
        for (auto* button : box->buttons())
            buttons << button->text().remove('&');
        EXPECT_EQ(static_cast<QAbstractButton*>(box->defaultButton()),
                  box->button(QMessageBox::Ok));
        QCoreApplication::postEvent(
            box, new QKeyEvent(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier));
    });
    panel.receiveKeyBoardClickWithCodeForStarter(); // returns when the message is closed
    EXPECT_TRUE(queuedWorkRan);
    EXPECT_TRUE(secondReturned);
    EXPECT_FALSE(stacked);
    EXPECT_EQ(shown, "Currently there is no starter, and the stability is poor. Press Enter to "
                     "close the pop-up window.");
    EXPECT_EQ(buttons, QStringList{"OK"});
    EXPECT_TRUE(visibleBoxes().empty());
}

// Where the desktop takes no input, the first press says why, once, without blocking.
TEST(ButtonInput, APressThatGoesNowhereSaysWhyOnce) {
    PanelOnSimulator setup(std::make_shared<NullInputSink>("join the group monctl-input"));
    auto& monitor = setup.monitor;
    auto& panel = setup.panel;
    changeCurrentLanguage(1);
    ASSERT_TRUE(processEventsUntil([&] { return panel.speedInfo()->isEnabled(); }));
    const auto notes = [] {
        QStringList texts;
        for (auto* window : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(window); box && box->isVisible())
                texts << box->text();
        return texts;
    };
    monitor.sendButton(3);
    ASSERT_TRUE(processEventsUntil([&] { return !notes().isEmpty(); }));
    monitor.sendButton(8);
    monitor.sendButton(3);
    monitor.sendSettingReport(1, 8); // shown once the presses before it were handled
    ASSERT_TRUE(processEventsUntil([&] { return panel.thresholdInfo()->currentText() == "8"; }));
    EXPECT_EQ(notes().join('|').toStdString(),
              "The monitor's buttons cannot drive this desktop: join the group monctl-input.");
}
