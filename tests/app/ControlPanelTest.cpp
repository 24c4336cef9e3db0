// The control panel on a real X server against simulated monitors.
#include "input/NullInputSink.h"
#include "runtime/MainQueue.h"
#include "shared/MonitorListModel.h"
#include "support/FakeInputSink.h"
#include "support/WindowFixture.h"
#include "windows/PermissionNotice.h"

#include <grp.h>
#include <unistd.h>

using namespace monctl;
using namespace monctl::test;
using namespace std::chrono_literals;

namespace {

QStringList visibleMessages() {
    QStringList texts;
    for (auto* window : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(window); box && box->isVisible())
            texts << box->text();
    return texts;
}

// A panel of its own, not shown, its input going to the sink given; the starter message shown,
// or told to the fake sink.
class ControlPanelTest : public WindowFixture {
protected:
    ControlPanel& openPanel(const std::vector<std::string>& paths, std::shared_ptr<InputSink> sink,
                            bool showStarter = false) {
        usePorts(paths);
        own = std::make_unique<ControlPanel>(
            monitorList, preferences, std::move(sink),
            showStarter ? ControlPanel::ShowMessage()
                        : [this](const std::string& text) { input->showMessage(text); });
        own->load();
        return *own;
    }

    std::shared_ptr<FakeInputSink> input = std::make_shared<FakeInputSink>();
    MonitorSet monitors;
    MonitorListModel monitorList{monitors};
    std::unique_ptr<ControlPanel> own;
};

} // namespace

TEST_F(ControlPanelTest, AMonitorIsReadBackInOrderAndItsStepsListsAndButtonsSendTheirFrames) {
    MonitorSimulator monitor({9, 3, 4}, nullptr);
    auto& panel = openPanel({monitor.devicePath()}, input);
    ASSERT_TRUE(test::settled(panel));
    EXPECT_EQ(std::tuple(panel.thresholdInfo()->currentText(), panel.modeInfo()->currentIndex(),
                         panel.speedInfo()->currentIndex()),
              std::tuple("9", 1, 3));

    panel.setFromThresholdShortCutValue(); // up from 9 wraps to 1
    EXPECT_EQ(panel.currentThresholdValue(), 0) << "changed at once, before the answer";
    ASSERT_TRUE(showsContrast(panel, "1"));
    panel.setFromThresholdDownShortCutValue(); // and down from 1 to 9
    ASSERT_TRUE(showsContrast(panel, "9"));
    choose(panel.thresholdInfo(), 6);
    choose(panel.modeInfo(), 2);
    choose(panel.speedInfo(), 4);
    panel.thresholdInfo()->setCurrentIndex(-1); // no selection: contrast 0, sent as 1
    panel.thresholdCheckAction();
    panel.findChild<QPushButton*>("timeSyncButton")->click();
    panel.findChild<QPushButton*>("hardRefreshButton")->click();
    ASSERT_TRUE(processEventsUntil([&] { return monitor.receivedFrames().size() >= 14; }));
    EXPECT_EQ(commands(monitor),
              "0A10 0A01 0A02 0A04 0101 0A01 0109 0A01 0107 0204 0405 0101 0500 0301");
}

TEST_F(ControlPanelTest, TheChosenMonitorIsActiveUntilItGoesAndItsLongMovesEndWithIt) {
    MonitorSimulator first({7, 3, 4}, nullptr);
    MonitorSimulator second({4, 4, 2}, nullptr);
    second.setAnswerDelay(100ms);
    auto& panel = openPanel({first.devicePath(), second.devicePath()}, input);
    auto* ports = panel.displaySerialPort();
    auto* timeSync = panel.findChild<QPushButton*>("timeSyncButton");
    ASSERT_TRUE(processEventsUntil([&] { return ports->count() == 2; }));
    EXPECT_EQ(ports->currentText(), portName(first));
    ASSERT_TRUE(showsContrast(panel, "7"));

    // A long move of the active monitor ends when another one is chosen, which is then read
    // back and takes the commands.
    first.sendButton(17);
    ASSERT_TRUE(processEventsUntil([&] { return !input->posted().empty(); }));
    choose(ports, 1);
    ASSERT_TRUE(processEventsUntil([&] { return !panel.isLongMoveRunning(); }));
    ASSERT_TRUE(showsContrast(panel, "4"));
    EXPECT_EQ(panel.speedInfo()->currentIndex(), 1);
    timeSync->click();
    ASSERT_TRUE(processEventsUntil([&] { return received(second, "0500") == 1; }));
    EXPECT_EQ(received(first, "0500"), 0);

    // The other monitor's long move ends when it goes away; the choice outlives the rebuild.
    first.sendButton(18);
    ASSERT_TRUE(processEventsUntil([&] { return panel.isLongMoveRunning(); }));
    changeCurrentLanguage(1);
    first.unplug();
    ASSERT_TRUE(processEventsUntil([&] { return ports->count() == 1; }));
    EXPECT_EQ(ports->currentText(), portName(second));
    ASSERT_TRUE(
        processEventsUntil([&] { return !panel.isLongMoveRunning() && !panel.isReadingBack(); }));
    timeSync->click();
    ASSERT_TRUE(processEventsUntil([&] { return received(second, "0500") == 2; }));

    // The last one gone: the window looks as before any monitor answered, in today's language.
    second.sendButton(16);
    ASSERT_TRUE(processEventsUntil([&] { return panel.isLongMoveRunning(); }));
    second.unplug();
    ASSERT_TRUE(processEventsUntil([&] {
        return ports->count() == 1 && ports->currentText() == "No Match" &&
               !panel.isLongMoveRunning();
    }));
    EXPECT_EQ(std::tuple(panel.thresholdInfo()->currentText(), panel.modeInfo()->currentText(),
                         panel.speedInfo()->currentIndex()),
              std::tuple("1", "Text Mode", 0));
    for (const auto* list : {panel.thresholdInfo(), panel.modeInfo(), panel.speedInfo()})
        EXPECT_FALSE(list->isEnabled());
    changeCurrentLanguage(0); // relabelled with no monitor too
    EXPECT_EQ(std::tuple(ports->currentText(), panel.modeInfo()->currentText()),
              std::tuple("无匹配", "文本模式"));
}

TEST_F(ControlPanelTest, TheStarterMessageIsShownOnceAtATimeAndWaitsForReturn) {
    auto& panel = openPanel({}, input, true);
    bool stacked = false;
    QTimer watch; // closes any message shown on top of another, so that nothing hangs
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (visibleMessages().size() > 1) {
            stacked = true;
            QApplication::activeModalWidget()->close();
        }
    });
    watch.start(10);
    bool queuedWorkRan = false;
    bool secondReturned = false;
    QTimer::singleShot(0, [&] {
        ASSERT_TRUE(processEventsUntil([&] { return visibleMessages().size() == 1; }));
        MainQueue::shared()->post([&] { queuedWorkRan = true; });
        MainQueue::shared()->post([&] {
            panel.receiveKeyBoardClickWithCodeForStarter(); // pressed again while it is up
            secondReturned = true;
        });
        ASSERT_TRUE(processEventsUntil([&] { return secondReturned; }));
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        QCoreApplication::postEvent(
            box, new QKeyEvent(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier));
    });
    panel.receiveKeyBoardClickWithCodeForStarter(); // returns when the message is closed
    EXPECT_EQ(std::tuple(queuedWorkRan, stacked, visibleMessages().size()),
              std::tuple(true, false, 0));
}

// Where the desktop takes no input, the first press says why, once, without blocking; so does a
// device this user may not open (root opens every node: the refusal is handed to the notice as
// the panel hands it on).
TEST_F(ControlPanelTest, WhatAPressOrADeviceCannotDoIsSaidOnce) {
    MonitorSimulator monitor;
    auto& panel = openPanel({monitor.devicePath()},
                            std::make_shared<NullInputSink>("join the group monctl-input"));
    ASSERT_TRUE(processEventsUntil([&] { return panel.speedInfo()->isEnabled(); }));
    monitor.sendButton(3);
    ASSERT_TRUE(processEventsUntil([&] { return !visibleMessages().isEmpty(); }));
    monitor.sendButton(8);
    monitor.sendButton(3);
    monitor.sendSettingReport(1, 8); // shown once the presses before it were handled
    ASSERT_TRUE(processEventsUntil([&] { return panel.thresholdInfo()->currentText() == "8"; }));
    ASSERT_EQ(visibleMessages().size(), 1);
    EXPECT_TRUE(visibleMessages()[0].contains("join the group monctl-input"));
    const group* dialout = ::getgrnam("dialout");
    if (!dialout)
        GTEST_SKIP() << "no dialout group";
    ASSERT_EQ(::chown(monitor.devicePath().c_str(), 0, dialout->gr_gid), 0);
    PermissionNotice notice(&panel);
    notice.deviceRefused(monitor.devicePath());
    notice.deviceRefused(monitor.devicePath());
    ASSERT_EQ(visibleMessages().size(), 2);
    const auto said = visibleMessages().join('\n');
    EXPECT_TRUE(said.contains(QString::fromStdString(monitor.devicePath())) &&
                said.contains("sudo usermod -aG dialout $USER"))
        << said.toStdString();
}
