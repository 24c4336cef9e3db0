// What the running window tells of its monitors beyond its own list: desktop notifications of
// changes, the tray's marks and presets, a monitor that does not answer, the settings a monitor
// gets back when plugged in again. Simulated monitors, a notification server double on a private
// bus, preferences of the test's own.
#include "device/MonitorSimulator.h"
#include "monitor/MonitorController.h"
#include "platform/PlatformLoader.h"
#include "serial/FixedPathRegistry.h"
#include "serial/SerialPortManager.h"
#include "shared/MonitorMemory.h"
#include "shared/PresetStore.h"
#include "support/GuiTestMain.h"
#include "support/NotificationServerDouble.h"
#include "support/OtherXClient.h"
#include "support/PrivateSessionBus.h"
#include "tray/ChangeNotices.h"
#include "tray/TrayIcon.h"
#include "windows/AppShell.h"
#include "windows/ControlPanel.h"

#include <QApplication>
#include <QComboBox>
#include <QDBusConnection>
#include <QMainWindow>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <filesystem>
#include <gtest/gtest.h>

using namespace monctl;
using namespace monctl::test;
using namespace std::chrono_literals;

namespace {

void choose(QComboBox* list, int index) {
    list->setCurrentIndex(index);
    Q_EMIT list->activated(index);
}

QMenu* submenu(const TrayIcon& tray, const QString& title) {
    for (auto* action : tray.menu().actions()) {
        if (action->menu() && action->menu()->title() == title)
            return action->menu();
    }
    return nullptr;
}

QAction* action(const TrayIcon& tray, const QString& text) {
    for (auto* action : tray.menu().actions()) {
        if (action->text() == text)
            return action;
    }
    return nullptr;
}

QString ticked(const TrayIcon& tray, const QString& title) {
    for (auto* action : submenu(tray, title)->actions()) {
        if (action->isChecked())
            return action->text();
    }
    return {};
}

QString name(const MonitorSimulator& monitor) {
    return QString::fromStdString(std::filesystem::path(monitor.devicePath()).filename().string());
}

long count(const MonitorSimulator& monitor, const char* command) {
    const auto frames = monitor.receivedFrames();
    return std::count(frames.begin(), frames.end(),
                      std::string("5FF5") + command + "000000000000A0FA");
}

bool holds(const MonitorSimulator& monitor, const MonitorSettings& settings) {
    const auto now = monitor.settings();
    return MonitorSettings{now.contrast, now.mode, now.speed} == settings;
}

// The window, in English, on the monitors at these paths.
class MonitorNoticesTest : public testing::Test {
protected:
    void open(const std::vector<std::string>& paths, StoredSettings stored = {}) {
        stored.language = 1;
        ASSERT_TRUE(preferences.save(stored));
        SerialPortManager::reset();
        SerialPortManager::useRegistry(std::make_unique<FixedPathRegistry>(paths));
        shell = std::make_unique<AppShell>(*qApp, preferences, loadDesktopBackends());
        shell->mainWindow()->show();
    }
    ControlPanel& panel() const { return *shell->controlPanel(); }
    // The active monitor's settings read back and shown.
    bool settled() const {
        return processEventsUntil(
            [&] { return panel().speedInfo()->isEnabled() && !panel().isReadingBack(); });
    }
    void setNotify(int notify) {
        auto stored = preferences.load();
        stored.notify = notify;
        ASSERT_TRUE(preferences.save(stored));
        emit shell->settingsClosed();
    }

    QTemporaryDir home;
    Preferences preferences{home.filePath("monctl.conf")};
    std::unique_ptr<AppShell> shell;
};

} // namespace

TEST_F(MonitorNoticesTest, ChangesAreToldInOneBubbleSaveThoseMadeInTheWindowInFront) {
    PrivateSessionBus bus;
    const auto connection =
        QDBusConnection::connectToBus(QString::fromStdString(bus.address()), "monctl-notices-test");
    NotificationServerDouble server;
    MonitorSimulator monitor({5, 2, 1}, nullptr);
    open({monitor.devicePath()});
    {
        ChangeNotices notices(*shell, preferences, connection);
        ASSERT_TRUE(settled());
        const auto& told = server.received();
        const auto toldTimes = [&](std::size_t count) {
            return processEventsUntil([&] { return told.size() == count; });
        };

        shell->monitors().active()->stepContrast(1); // as the contrast-up shortcut does
        ASSERT_TRUE(toldTimes(1));
        ASSERT_TRUE(settled()) << "the step read back";
        EXPECT_EQ(told[0].summary, "Contrast 6");
        EXPECT_EQ(told[0].hints.value("value").toInt(), 62);
        EXPECT_EQ(told[0].replacesId, 0u);
        EXPECT_EQ(told[0].body, name(monitor) + ": contrast 6, Text Mode, Fast");
        monitor.sendSettingReport(1, 8); // its own buttons
        ASSERT_TRUE(toldTimes(2));
        EXPECT_EQ(told[1].summary, "Contrast 8");
        EXPECT_EQ(told[1].replacesId, told[0].id);

        OtherXClient other;
        other.focus(shell->mainWindow()->winId());
        ASSERT_TRUE(processEventsUntil(
            [&] { return QApplication::activeWindow() == shell->mainWindow(); }));
        choose(panel().thresholdInfo(), 2);
        ASSERT_TRUE(processEventsUntil([&] { return monitor.settings().contrast == 3; }));
        monitor.sendSettingReport(2, 3);
        ASSERT_TRUE(toldTimes(3));
        EXPECT_EQ(told[2].summary, "Graphic Mode") << "the window's own change untold";

        setNotify(0);
        monitor.sendSettingReport(4, 3);
        ASSERT_TRUE(processEventsUntil([&] { return panel().speedInfo()->currentIndex() == 2; }));
        setNotify(1);
        monitor.sendSettingReport(4, 4);
        ASSERT_TRUE(toldTimes(4));
        EXPECT_EQ(told[3].summary, "Speed Fast+++") << "none while off";
    }
    QDBusConnection::disconnectFromBus("monctl-notices-test");
}

TEST_F(MonitorNoticesTest, TheTrayTicksValuesAppliesPresetsAndMarksAMonitorThatDoesNotAnswer) {
    MonitorSimulator monitor({5, 3, 2}, nullptr);
    open({monitor.devicePath()});
    const PresetStore presets(preferences.path());
    TrayIcon tray(shell->monitorList(), {[] {}, [] {}, [] {}}, presets);
    ASSERT_TRUE(settled());
    EXPECT_EQ(ticked(tray, "Mode"), "Graphic Mode");
    EXPECT_EQ(ticked(tray, "Speed"), "Fast+");

    auto* presetMenu = submenu(tray, "Presets");
    ASSERT_TRUE(presets.save({"reading", {7, 4, 5}})); // read when the menu opens
    emit presetMenu->aboutToShow();
    ASSERT_EQ(presetMenu->actions().size(), 1);
    EXPECT_EQ(presetMenu->actions()[0]->text(), "reading");
    presetMenu->actions()[0]->trigger();
    ASSERT_TRUE(processEventsUntil([&] { return holds(monitor, {7, 4, 5}); }));
    // What was written shows everywhere at once, and the next step counts from it.
    ASSERT_TRUE(processEventsUntil([&] {
        return ticked(tray, "Mode") == "Video Mode" && ticked(tray, "Speed") == "Fast++++" &&
               panel().modeInfo()->currentText() == "Video Mode";
    }));
    action(tray, "Contrast Up")->trigger();
    ASSERT_TRUE(processEventsUntil([&] { return monitor.settings().contrast == 8; }));
    choose(panel().thresholdInfo(), 2);
    action(tray, "Contrast Down")->trigger();
    ASSERT_TRUE(processEventsUntil([&] { return monitor.settings().contrast == 2; }));
    EXPECT_TRUE(processEventsUntil([&] {
        return tray.icon().toolTip().contains("contrast 2, Video Mode") &&
               panel().thresholdInfo()->currentText() == "2";
    })) << tray.icon().toolTip().toStdString();

    const auto entry = [&] { return panel().displaySerialPort()->currentText(); };
    monitor.setSilent(true);
    shell->monitors().active()->readBackAll();
    ASSERT_TRUE(processEventsUntil([&] { return entry().endsWith(" (not responding)"); }));
    EXPECT_TRUE(tray.icon().toolTip().contains(entry())) << tray.icon().toolTip().toStdString();
    monitor.setSilent(false);
    shell->monitors().active()->readBackAll();
    ASSERT_TRUE(processEventsUntil([&] { return !entry().contains("not responding"); }));
    EXPECT_FALSE(tray.icon().toolTip().contains("not responding"));
}

// Keyed by the path: a pseudo-terminal has no adapter to tell its serial number.
TEST_F(MonitorNoticesTest, AMonitorPluggedInAgainGetsItsLastSettingsAndBothAreTold) {
    PrivateSessionBus bus;
    const auto connection =
        QDBusConnection::connectToBus(QString::fromStdString(bus.address()), "monctl-replug-test");
    NotificationServerDouble server;
    const auto link = std::filesystem::path(home.filePath("monitor").toStdString());
    MonitorSimulator first({5, 2, 1}, nullptr);
    std::filesystem::create_symlink(first.devicePath(), link);
    StoredSettings restoring;
    restoring.restoreOnPlug = 1;
    open({link.string()}, restoring);
    {
        const MonitorMemory memory(shell->monitors(), preferences);
        ChangeNotices notices(*shell, preferences, connection);
        ASSERT_TRUE(settled());
        // Remembered as written: the monitor tells nothing after a set.
        shell->monitors().active()->apply({8, 3, 4});
        ASSERT_TRUE(processEventsUntil([&] {
            return memory.remembered(link.string()) == MonitorSettings{8, 3, 4};
        }));

        first.unplug();
        std::filesystem::remove(link);
        ASSERT_TRUE(processEventsUntil([&] { return shell->monitors().monitors().empty(); }));
        MonitorSimulator second({5, 2, 1}, nullptr);
        std::filesystem::create_symlink(second.devicePath(), link);
        ASSERT_TRUE(processEventsUntil([&] { return holds(second, {8, 3, 4}); }));
        ASSERT_TRUE(processEventsUntil([&] {
            return panel().thresholdInfo()->currentText() == "8" &&
                   panel().modeInfo()->currentText() == "Graphic Mode";
        })) << "shown as given";
        EXPECT_EQ(count(second, "0A01"), 1) << "asked once as it joined, not again";
        const auto told = [&](const QString& summary) {
            const auto& received = server.received();
            return std::any_of(received.begin(), received.end(),
                               [&](const auto& notice) { return notice.summary == summary; });
        };
        ASSERT_TRUE(processEventsUntil([&] { return told("Monitor monitor is back"); }));
        EXPECT_TRUE(told("Monitor monitor went away"));

        // A mode chosen in the window in front, held back behind requests the monitor leaves
        // unanswered, then dropped as it goes: nothing of it keeps the next change untold.
        restoring.restoreOnPlug = 0;
        ASSERT_TRUE(preferences.save(restoring));
        OtherXClient other;
        other.focus(shell->mainWindow()->winId());
        ASSERT_TRUE(processEventsUntil(
            [&] { return QApplication::activeWindow() == shell->mainWindow(); }));
        second.setSilent(true);
        for (int request = 0; request < 10; ++request)
            shell->monitors().active()->readBack(Setting::speed);
        choose(panel().modeInfo(), 0);
        second.unplug();
        std::filesystem::remove(link);
        ASSERT_TRUE(processEventsUntil([&] { return shell->monitors().monitors().empty(); }));
        MonitorSimulator third({5, 3, 1}, nullptr);
        std::filesystem::create_symlink(third.devicePath(), link);
        ASSERT_TRUE(settled());
        shell->monitors().active()->set(Setting::mode, 2); // as the tray does
        EXPECT_TRUE(processEventsUntil([&] { return told("Text Mode"); }));
    }
    QDBusConnection::disconnectFromBus("monctl-replug-test");
}

TEST_F(MonitorNoticesTest, TheMonitorChosenInTheWindowIsChosenAgainAtTheNextStart) {
    MonitorSimulator first({5, 2, 1}, nullptr);
    MonitorSimulator second({7, 3, 2}, nullptr);
    const auto secondName = name(second);
    open({first.devicePath(), second.devicePath()});
    ASSERT_TRUE(processEventsUntil([&] { return panel().displaySerialPort()->count() == 2; }));
    choose(panel().displaySerialPort(), panel().displaySerialPort()->findText(secondName));
    ASSERT_TRUE(settled());

    shell.reset();
    open({first.devicePath(), second.devicePath()});
    ASSERT_TRUE(processEventsUntil([&] {
        return panel().displaySerialPort()->count() == 2 &&
               panel().displaySerialPort()->currentText() == secondName &&
               panel().thresholdInfo()->currentText() == "7";
    }));
}
