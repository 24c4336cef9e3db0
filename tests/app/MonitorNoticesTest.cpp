// What the running window tells of its monitors beyond its own list: notices, the tray, and the
// settings a monitor gets back when plugged in again.
#include "monitor/MonitorController.h"
#include "shared/MonitorMemory.h"
#include "support/NotificationServerDouble.h"
#include "support/WindowFixture.h"
#include "tray/ChangeNotices.h"
#include "tray/TrayIcon.h"

#include <QSystemTrayIcon>
#include <filesystem>

using namespace monctl;
using namespace monctl::test;

namespace {

QAction* entry(const QMenu& menu, const QString& text) {
    for (auto* action : menu.actions())
        if (action->text() == text || (action->menu() && action->menu()->title() == text))
            return action;
    return nullptr;
}

QString ticked(const TrayIcon& tray, const QString& title) {
    for (auto* action : entry(tray.menu(), title)->menu()->actions())
        if (action->isChecked())
            return action->text();
    return {};
}

// The window, in English, on the monitors at these paths; notices on a bus of the test's own.
class MonitorNoticesTest : public WindowFixture {
protected:
    ~MonitorNoticesTest() override { QDBusConnection::disconnectFromBus("notices-test"); }
    void open(const std::vector<std::string>& paths, StoredSettings stored = {}) {
        stored.language = 1;
        ASSERT_TRUE(preferences.save(stored));
        openShell(paths);
    }
    bool told(const QString& summary) const {
        return processEventsUntil([&] {
            return std::ranges::any_of(
                server.received(), [&](const auto& notice) { return notice.summary == summary; });
        });
    }

    PrivateSessionBus bus;
    QDBusConnection connection =
        QDBusConnection::connectToBus(QString::fromStdString(bus.address()), "notices-test");
    NotificationServerDouble server;
};

} // namespace

TEST_F(MonitorNoticesTest, ChangesAreToldInOneBubbleSaveThoseMadeInTheWindowInFront) {
    MonitorSimulator monitor({5, 2, 1}, nullptr);
    open({monitor.devicePath()});
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
    EXPECT_EQ(told[0].body, portName(monitor) + ": contrast 6, Text Mode, Fast");
    monitor.sendSettingReport(1, 8); // its own buttons
    ASSERT_TRUE(toldTimes(2));
    EXPECT_EQ(told[1].summary, "Contrast 8");
    EXPECT_EQ(told[1].replacesId, told[0].id);

    ASSERT_TRUE(focusMainWindow()); // the window in front, as a person chooses
    choose(panel().thresholdInfo(), 2);
    ASSERT_TRUE(processEventsUntil([&] { return monitor.settings().contrast == 3; }));
    monitor.sendSettingReport(2, 3);
    ASSERT_TRUE(toldTimes(3));
    EXPECT_EQ(told[2].summary, "Graphic Mode") << "the window's own change untold";

    QSettings(preferences.path(), QSettings::IniFormat).setValue("notify", 0);
    emit shell->settingsClosed();
    monitor.sendSettingReport(4, 3);
    ASSERT_TRUE(processEventsUntil([&] { return panel().speedInfo()->currentIndex() == 2; }));
    QSettings(preferences.path(), QSettings::IniFormat).setValue("notify", 1);
    emit shell->settingsClosed();
    monitor.sendSettingReport(4, 4);
    ASSERT_TRUE(toldTimes(4));
    EXPECT_EQ(told[3].summary, "Speed Fast+++") << "none while off";
}

TEST_F(MonitorNoticesTest,
       TheTrayActsOnTheActiveOrAllMarksASilentMonitorAndTheChoiceOutlivesARestart) {
    MonitorSimulator monitor({5, 3, 2}, nullptr);
    MonitorSimulator second({4, 1, 1}, nullptr);
    second.setAnswerDelay(std::chrono::milliseconds(100)); // the other one is the active one
    open({monitor.devicePath(), second.devicePath()});
    {
        const PresetStore presets(preferences.path());
        TrayIcon tray(shell->monitorList(), {[] {}, [] {}, [] {}}, presets);
        ASSERT_TRUE(processEventsUntil([&] { return panel().displaySerialPort()->count() == 2; }));
        ASSERT_TRUE(settled());
        EXPECT_EQ(
            std::tuple(tray.icon().contextMenu(), ticked(tray, "Mode"), ticked(tray, "Speed")),
            std::tuple(&tray.menu(), "Graphic Mode", "Fast+"));

        auto* presetMenu = entry(tray.menu(), "Presets")->menu();
        ASSERT_TRUE(presets.save({"reading", {7, 4, 5}})); // read when the menu opens
        emit presetMenu->aboutToShow();
        ASSERT_EQ(presetMenu->actions().size(), 1);
        presetMenu->actions()[0]->trigger();
        ASSERT_TRUE(processEventsUntil([&] { return holds(monitor, {7, 4, 5}); }));
        // What was written shows everywhere at once, and the next step counts from it.
        ASSERT_TRUE(processEventsUntil([&] {
            return ticked(tray, "Mode") == "Video Mode" && ticked(tray, "Speed") == "Fast++++" &&
                   panel().modeInfo()->currentText() == "Video Mode";
        }));
        entry(tray.menu(), "Contrast Up")->trigger();
        ASSERT_TRUE(processEventsUntil([&] { return monitor.settings().contrast == 8; }));
        choose(panel().thresholdInfo(), 2);
        entry(tray.menu(), "Contrast Down")->trigger();
        ASSERT_TRUE(processEventsUntil([&] { return monitor.settings().contrast == 2; }));
        EXPECT_TRUE(processEventsUntil([&] {
            return tray.icon().toolTip().contains("contrast 2, Video Mode") &&
                   panel().thresholdInfo()->currentText() == "2";
        })) << tray.icon().toolTip().toStdString();
        entry(tray.menu(), "All Monitors")->trigger();
        entry(tray.menu(), "Fast Refresh")->trigger();
        ASSERT_TRUE(processEventsUntil(
            [&] { return monitor.fastRefreshCount() == 1 && second.fastRefreshCount() == 1; }));
        EXPECT_TRUE(holds(second, {4, 1, 1}));

        const auto port = [&] { return panel().displaySerialPort()->currentText(); };
        monitor.setSilent(true);
        shell->monitors().active()->readBackAll();
        ASSERT_TRUE(processEventsUntil([&] { return port().endsWith(" (not responding)"); }));
        EXPECT_TRUE(tray.icon().toolTip().contains(port())) << tray.icon().toolTip().toStdString();
        monitor.setSilent(false);
        shell->monitors().active()->readBackAll();
        ASSERT_TRUE(processEventsUntil([&] { return !port().contains("not responding"); }));
        EXPECT_FALSE(tray.icon().toolTip().contains("not responding"));
        changeCurrentLanguage(0);
        EXPECT_TRUE(processEventsUntil([&] { return entry(tray.menu(), "快速刷新") != nullptr; }));
    }
    // The monitor chosen in the window (the other one's contrast is 2) is chosen again at the
    // next start.
    choose(panel().displaySerialPort(), panel().displaySerialPort()->findText(portName(second)));
    ASSERT_TRUE(showsContrast(panel(), "4"));
    shell.reset();
    open({monitor.devicePath(), second.devicePath()});
    EXPECT_TRUE(showsContrast(panel(), "4"));
    EXPECT_EQ(panel().displaySerialPort()->currentText(), portName(second));
}

// Keyed by the path: a pseudo-terminal has no adapter to tell its serial number.
TEST_F(MonitorNoticesTest, AMonitorPluggedInAgainGetsItsLastSettingsAndBothAreTold) {
    const auto link = std::filesystem::path(home.filePath("monitor").toStdString());
    const auto plugIn = [&](const MonitorSimulator& monitor) {
        std::filesystem::remove(link);
        std::filesystem::create_symlink(monitor.devicePath(), link);
    };
    const auto unplug = [&](MonitorSimulator& monitor) {
        monitor.unplug();
        std::filesystem::remove(link);
        return processEventsUntil([&] { return shell->monitors().monitors().empty(); });
    };
    MonitorSimulator first({5, 2, 1}, nullptr);
    plugIn(first);
    open({link.string()}, {.restoreOnPlug = 1});
    const MonitorMemory memory(shell->monitors(), preferences);
    ChangeNotices notices(*shell, preferences, connection);
    ASSERT_TRUE(settled());
    // Remembered as written: the monitor tells nothing after a set.
    shell->monitors().active()->apply({8, 3, 4});
    ASSERT_TRUE(processEventsUntil([&] {
        return memory.remembered(link.string()) == MonitorSettings{8, 3, 4};
    }));

    ASSERT_TRUE(unplug(first));
    // Told before it comes back: a notice waiting for the server's answer gives way to a newer one.
    EXPECT_TRUE(told("Monitor monitor went away"));
    MonitorSimulator second({5, 2, 1}, nullptr);
    plugIn(second);
    ASSERT_TRUE(processEventsUntil([&] { return holds(second, {8, 3, 4}); }));
    ASSERT_TRUE(processEventsUntil([&] {
        return panel().thresholdInfo()->currentText() == "8" &&
               panel().modeInfo()->currentText() == "Graphic Mode";
    })) << "shown as given";
    EXPECT_EQ(received(second, "0A01"), 1) << "asked once as it joined, not again";
    EXPECT_TRUE(told("Monitor monitor is back"));

    // A mode chosen in the window in front, held back behind requests the monitor leaves
    // unanswered, then dropped as it goes: nothing of it keeps the next change untold.
    ASSERT_TRUE(preferences.save({.language = 1}));
    second.setSilent(true);
    for (int request = 0; request < 10; ++request)
        shell->monitors().active()->readBack(Setting::speed);
    ASSERT_TRUE(focusMainWindow()); // the window in front, as a person chooses
    choose(panel().modeInfo(), 0);
    ASSERT_TRUE(unplug(second));
    MonitorSimulator third({5, 3, 1}, nullptr);
    plugIn(third);
    ASSERT_TRUE(settled());
    shell->monitors().active()->set(Setting::mode, 2); // as the tray does
    EXPECT_TRUE(told("Text Mode"));
}
