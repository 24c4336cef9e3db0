// Presets and their schedule in the Settings window and in the running window, against the
// monitor simulator, with a temporary preferences file.
#include "app/DesktopPresence.h"
#include "device/MonitorSimulator.h"
#include "monitor/MonitorSet.h"
#include "serial/FixedPathRegistry.h"
#include "serial/SerialPortManager.h"
#include "shared/CurrentLanguage.h"
#include "shared/PresetSchedule.h"
#include "shared/PresetStore.h"
#include "shared/ScheduledPresets.h"
#include "support/ChildProcess.h"
#include "support/GuiTestMain.h"
#include "support/PrivateSessionBus.h"
#include "support/ScopedEnvironment.h"
#include "windows/AppShell.h"
#include "windows/PresetsView.h"
#include "windows/ScheduleView.h"
#include "windows/SettingsWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimeEdit>
#include <QTreeWidget>
#include <gtest/gtest.h>

using namespace monctl;
using namespace monctl::test;

namespace {

// A preferences file of the test's own, the simulated monitor the only port.
class PresetsWindowTest : public testing::Test {
protected:
    void SetUp() override {
        SerialPortManager::reset();
        SerialPortManager::useRegistry(
            std::make_unique<FixedPathRegistry>(std::vector<std::string>{monitor.devicePath()}));
        ASSERT_TRUE(PresetStore(path()).save({"video", {3, 4, 5}}));
    }

    QString path() const { return home.filePath("monctl/monctl.conf"); }
    bool monitorHolds(const MonitorSettings& settings) const {
        const auto held = monitor.settings();
        return MonitorSettings{held.contrast, held.mode, held.speed} == settings;
    }

    MonitorSimulator monitor{{7, 3, 4}, nullptr};
    QTemporaryDir home;
};

void choose(QListWidget* list, const char* name) {
    list->setCurrentItem(list->findItems(name, Qt::MatchExactly).value(0));
}

} // namespace

TEST_F(PresetsWindowTest, SettingsTakeAPresetFromTheMonitorApplyAnotherAndScheduleThem) {
    changeCurrentLanguage(1);
    MonitorSet monitors;
    SettingsWindow settings(Preferences(path()), monitors);
    auto* presets = settings.presets();
    EXPECT_FALSE(presets->addPreset()->isEnabled()) << "no monitor yet";
    monitors.setReadsBack(true);
    monitors.start();
    ASSERT_TRUE(processEventsUntil([&] { return presets->addPreset()->isEnabled(); }));

    presets->presetName()->setText("day/night");
    presets->addPreset()->click();
    EXPECT_EQ(presets->presetProblem()->text(),
              "A preset's name may not hold control characters, =, [, ], / or \\");
    EXPECT_EQ(PresetStore(path()).list().size(), 1u) << "nothing stored";
    presets->presetName()->setText("阅读");
    presets->addPreset()->click();
    EXPECT_EQ(presets->presetProblem()->text(), "");
    EXPECT_EQ(PresetStore(path()).find("阅读"), (MonitorSettings{7, 3, 4}));

    choose(presets->presetList(), "video");
    presets->applyPreset()->click();
    ASSERT_TRUE(processEventsUntil([&] { return monitorHolds({3, 4, 5}); }));

    auto* schedule = settings.schedule();
    schedule->scheduleTime()->setTime(QTime(7, 30));
    schedule->schedulePreset()->setCurrentText("阅读");
    schedule->addEntry()->click();
    EXPECT_EQ(PresetSchedule::load(path()).events(), (std::vector<ScheduledPreset>{{450, "阅读"}}));
    // The command line's entry, written while Settings are open, stays through the view's edits.
    ScopedEnvironment config;
    config.set("XDG_CONFIG_HOME", home.path().toStdString());
    ChildProcess add({MONCTL_PATH, "schedule", "add", "08:00", "video"});
    ASSERT_EQ(add.wait(), 0) << add.errors();
    schedule->scheduleTime()->setTime(QTime(9, 0));
    schedule->addEntry()->click();
    schedule->scheduleList()->setCurrentItem(schedule->scheduleList()->topLevelItem(2));
    schedule->deleteEntry()->click();
    EXPECT_EQ(PresetSchedule::load(path()).events(),
              (std::vector<ScheduledPreset>{{450, "阅读"}, {480, "video"}}));

    // A renamed preset keeps its times.
    choose(presets->presetList(), "阅读");
    presets->presetName()->setText("reading");
    presets->renamePreset()->click();
    EXPECT_EQ(PresetSchedule::load(path()).events(),
              (std::vector<ScheduledPreset>{{450, "reading"}, {480, "video"}}));
    EXPECT_EQ(schedule->scheduleList()->topLevelItem(0)->text(1), "reading");
}

TEST_F(PresetsWindowTest, TheRunningWindowAppliesAnEntryWrittenToTheFileWhileItRuns) {
    const QDate today(2026, 12, 7);
    QDateTime now(today, QTime(7, 29, 59, 900));
    const Preferences preferences(path());
    PrivateSessionBus bus; // the window's notifications stay off the machine's own desktop
    AppShell shell(*qApp, preferences, loadDesktopBackends());
    DesktopPresence presence(shell, preferences, false, false, [&] { return now; });
    ASSERT_TRUE(processEventsUntil([&] { return shell.monitors().active() != nullptr; }));

    // As `monctl schedule add` writes it.
    ASSERT_TRUE(PresetSchedule::store(path(), {450, "video"}));
    ASSERT_TRUE(processEventsUntil([&] {
        return presence.schedule()->runner().nextCheck() == QDateTime(today, QTime(7, 30));
    }));
    now = QDateTime(today, QTime(7, 30));
    ASSERT_TRUE(processEventsUntil([&] { return monitorHolds({3, 4, 5}); }));
}
