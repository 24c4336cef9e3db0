// The control panel as a user sees it, on a real X server, against simulated monitors.
#include "windows/ControlPanel.h"

#include "device/MonitorSimulator.h"
#include "serial/FixedPathRegistry.h"
#include "serial/SerialPortManager.h"
#include "shared/CurrentLanguage.h"
#include "shared/MonitorListModel.h"
#include "support/FakeInputSink.h"
#include "support/GuiTestMain.h"
#include "windows/PermissionNotice.h"

#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <filesystem>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace monctl;
using namespace monctl::test;
using namespace std::chrono_literals;

namespace {

const std::string contrastRequest = "5FF50A01000000000000A0FA";
const std::string modeRequest = "5FF50A02000000000000A0FA";
const std::string speedRequest = "5FF50A04000000000000A0FA";
const std::string timeSync = "5FF50500000000000000A0FA";

std::vector<QString> entries(const QComboBox* list) {
    std::vector<QString> texts;
    for (int i = 0; i < list->count(); ++i)
        texts.push_back(list->itemText(i));
    return texts;
}

void choose(QComboBox* list, int index) {
    list->setCurrentIndex(index);
    Q_EMIT list->activated(index);
}

QString text(const QWidget* panel, const char* name) {
    if (const auto* label = panel->findChild<QLabel*>(name))
        return label->text();
    return panel->findChild<QPushButton*>(name)->text();
}

// Each test opens a panel of its own on a fresh port manager.
class ControlPanelTest : public testing::Test {
protected:
    void open(const std::vector<std::string>& paths) {
        SerialPortManager::reset();
        SerialPortManager::useRegistry(std::make_unique<FixedPathRegistry>(paths));
        panel = std::make_unique<ControlPanel>(
            monitorList, Preferences(preferences.filePath("monctl.conf")), input,
            [this](const std::string& text) { input->showMessage(text); });
        panel->show();
        panel->load();
    }

    bool shows(const MonitorSimulator& simulator) const {
        return panel->displaySerialPort()->currentText().toStdString() ==
               std::filesystem::path(simulator.devicePath()).filename().string();
    }

    QTemporaryDir preferences;
    std::shared_ptr<FakeInputSink> input = std::make_shared<FakeInputSink>();
    MonitorSet monitors;
    MonitorListModel monitorList{monitors};
    std::unique_ptr<ControlPanel> panel;
};

} // namespace

TEST_F(ControlPanelTest, FirstRunShowsChineseCaptionsAndDisabledLists) {
    open({});
    EXPECT_EQ(CurrentLanguage(), 0);
    EXPECT_EQ(text(panel.get(), "portTitleInfo"), "有效端口");
    EXPECT_EQ(text(panel.get(), "clientSettingsButton"), "设置");
    EXPECT_EQ(entries(panel->displaySerialPort()), std::vector<QString>{"无匹配"});
    EXPECT_EQ(panel->thresholdInfo()->currentText(), "1");
    EXPECT_EQ(panel->modeInfo()->currentText(), "文本模式");
    EXPECT_EQ(panel->speedInfo()->currentText(), "Fast");
    EXPECT_EQ(entries(panel->speedInfo()).size(), 5u);
    for (const auto* list : {panel->thresholdInfo(), panel->modeInfo(), panel->speedInfo()})
        EXPECT_FALSE(list->isEnabled());

    // A language switch relabels at once, the no-device entry included.
    changeCurrentLanguage(1);
    EXPECT_EQ(text(panel.get(), "portTitleInfo"), "Valid Port");
    EXPECT_EQ(text(panel.get(), "paramButton"), "Get Parameters");
    EXPECT_EQ(entries(panel->displaySerialPort()), std::vector<QString>{"No Match"});
    EXPECT_EQ(entries(panel->modeInfo()),
              (std::vector<QString>{"Text Mode", "Graphic Mode", "Video Mode"}));
}

TEST_F(ControlPanelTest, AMonitorThatAnswersIsListedAndReadBackInOrder) {
    MonitorSimulator monitor({7, 3, 4}, nullptr);
    open({monitor.devicePath()});
    ASSERT_TRUE(processEventsUntil([&] { return panel->speedInfo()->isEnabled(); }));
    EXPECT_TRUE(shows(monitor));
    EXPECT_EQ(panel->thresholdInfo()->currentText(), "7");
    EXPECT_EQ(panel->modeInfo()->currentText(), "图文模式");
    EXPECT_EQ(panel->speedInfo()->currentText(), "Fast+++");
    EXPECT_TRUE(panel->thresholdInfo()->isEnabled());
    EXPECT_TRUE(panel->modeInfo()->isEnabled());

    const auto frames = monitor.receivedFrames();
    ASSERT_EQ(frames.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(frames.begin() + 1, frames.end()),
              (std::vector<std::string>{contrastRequest, modeRequest, speedRequest}));
}

TEST_F(ControlPanelTest, ChoicesInTheListsAndButtonsSendTheirFrames) {
    MonitorSimulator monitor({9, 2, 1}, nullptr);
    open({monitor.devicePath()});
    ASSERT_TRUE(processEventsUntil([&] { return panel->speedInfo()->isEnabled(); }));
    ASSERT_TRUE(processEventsUntil([&] { return !panel->isReadingBack(); }));
    const auto before = monitor.receivedFrames().size();

    choose(panel->thresholdInfo(), 6);
    choose(panel->modeInfo(), 2);
    choose(panel->speedInfo(), 4);
    panel->thresholdInfo()->setCurrentIndex(-1); // no selection: contrast 0, sent as 1
    panel->thresholdCheckAction();
    panel->findChild<QPushButton*>("timeSyncButton")->click();
    panel->findChild<QPushButton*>("hardRefreshButton")->click();
    ASSERT_TRUE(processEventsUntil([&] { return monitor.receivedFrames().size() >= before + 6; }));
    const auto frames = monitor.receivedFrames();
    EXPECT_EQ(std::vector<std::string>(frames.begin() + static_cast<long>(before), frames.end()),
              (std::vector<std::string>{"5FF50107000000000000A0FA", "5FF50204000000000000A0FA",
                                        "5FF50405000000000000A0FA", "5FF50101000000000000A0FA",
                                        "5FF50500000000000000A0FA", "5FF50301000000000000A0FA"}));
}

TEST_F(ControlPanelTest, ContrastUpFromNineSendsOneThenReadsBack) {
    MonitorSimulator monitor({9, 2, 1}, nullptr);
    open({monitor.devicePath()});
    ASSERT_TRUE(processEventsUntil([&] { return panel->thresholdInfo()->isEnabled(); }));
    ASSERT_TRUE(processEventsUntil([&] { return !panel->isReadingBack(); }));
    EXPECT_EQ(panel->currentThresholdValue(), 8);
    const auto before = monitor.receivedFrames().size();
    panel->setFromThresholdShortCutValue();
    EXPECT_EQ(panel->currentThresholdValue(), 0) << "changed at once, before the answer";
    ASSERT_TRUE(processEventsUntil([&] { return monitor.receivedFrames().size() >= before + 2; }));
    ASSERT_TRUE(processEventsUntil([&] { return panel->thresholdInfo()->currentText() == "1"; }));
    const auto frames = monitor.receivedFrames();
    EXPECT_EQ(frames[before], "5FF50101000000000000A0FA");
    EXPECT_EQ(frames[before + 1], contrastRequest);

    panel->setFromThresholdDownShortCutValue(); // from 1 down wraps to 9
    ASSERT_TRUE(processEventsUntil([&] { return monitor.receivedFrames().size() >= before + 3; }));
    EXPECT_EQ(monitor.receivedFrames()[before + 2], "5FF50109000000000000A0FA");
}

TEST_F(ControlPanelTest, TheChosenMonitorIsActiveUntilItGoesAndItsLongMovesEndWithIt) {
    MonitorSimulator first({7, 3, 4}, nullptr);
    MonitorSimulator second({4, 4, 2}, nullptr);
    second.setAnswerDelay(100ms);
    open({first.devicePath(), second.devicePath()});
    ASSERT_TRUE(processEventsUntil([&] { return panel->displaySerialPort()->count() == 2; }));
    EXPECT_TRUE(shows(first));
    ASSERT_TRUE(processEventsUntil(
        [&] { return panel->thresholdInfo()->currentText() == "7" && !panel->isReadingBack(); }));

    // A long move of the active monitor ends when another one is chosen, which is then read
    // back and takes the commands.
    first.sendButton(17);
    ASSERT_TRUE(processEventsUntil([&] { return !input->posted().empty(); }));
    choose(panel->displaySerialPort(), 1);
    EXPECT_TRUE(shows(second));
    ASSERT_TRUE(processEventsUntil([&] { return !panel->isLongMoveRunning(); }));
    ASSERT_TRUE(processEventsUntil(
        [&] { return panel->thresholdInfo()->currentText() == "4" && !panel->isReadingBack(); }));
    EXPECT_EQ(panel->speedInfo()->currentText(), "Fast+");
    panel->findChild<QPushButton*>("timeSyncButton")->click();
    ASSERT_TRUE(processEventsUntil([&] { return second.receivedFrames().back() == timeSync; }));
    const auto toFirst = first.receivedFrames();
    EXPECT_EQ(std::count(toFirst.begin(), toFirst.end(), timeSync), 0);

    // The other monitor's long move ends when it goes away; the choice outlives the rebuild.
    first.sendButton(18);
    ASSERT_TRUE(processEventsUntil([&] { return panel->isLongMoveRunning(); }));
    changeCurrentLanguage(1);
    first.unplug();
    ASSERT_TRUE(processEventsUntil([&] { return panel->displaySerialPort()->count() == 1; }));
    EXPECT_TRUE(shows(second));
    ASSERT_TRUE(processEventsUntil([&] { return !panel->isLongMoveRunning(); }));
    ASSERT_TRUE(processEventsUntil([&] { return !panel->isReadingBack(); }));
    panel->findChild<QPushButton*>("timeSyncButton")->click();
    ASSERT_TRUE(processEventsUntil([&] {
        const auto frames = second.receivedFrames();
        return std::count(frames.begin(), frames.end(), timeSync) == 2;
    }));

    // The last one gone: the window looks as before any monitor answered, in today's language.
    second.sendButton(16);
    ASSERT_TRUE(processEventsUntil([&] { return panel->isLongMoveRunning(); }));
    second.unplug();
    ASSERT_TRUE(processEventsUntil(
        [&] { return entries(panel->displaySerialPort()) == std::vector<QString>{"No Match"}; }));
    ASSERT_TRUE(processEventsUntil([&] { return !panel->isLongMoveRunning(); }));
    EXPECT_EQ(panel->thresholdInfo()->currentText(), "1");
    EXPECT_EQ(panel->modeInfo()->currentText(), "Text Mode");
    EXPECT_EQ(panel->speedInfo()->currentText(), "Fast");
    for (const auto* list : {panel->thresholdInfo(), panel->modeInfo(), panel->speedInfo()})
        EXPECT_FALSE(list->isEnabled());
}

// Root opens every node, so the refusal is handed to the notice as the panel hands it on.
TEST_F(ControlPanelTest, ADeviceThisUserMayNotOpenIsExplainedOncePerRun) {
    const group* dialout = ::getgrnam("dialout");
    if (!dialout)
        GTEST_SKIP() << "no dialout group";
    open({});
    MonitorSimulator monitor;
    const auto path = QString::fromStdString(monitor.devicePath());
    ASSERT_EQ(::chown(monitor.devicePath().c_str(), 0, dialout->gr_gid), 0);
    PermissionNotice notice(panel.get());
    notice.deviceRefused(monitor.devicePath());
    notice.deviceRefused(monitor.devicePath());
    const auto boxes = panel->findChildren<QMessageBox*>();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes[0]->isVisible());
    const auto text = boxes[0]->text();
    EXPECT_TRUE(text.contains(path) && text.contains("sudo usermod -aG dialout $USER"))
        << text.toStdString();
}
