// Presets and their schedule in the Settings window and in the running window, against the
// monitor simulator, with a temporary preferences file.
#include "app/DesktopPresence.h"
#include "platform/PlatformLoader.h"
#include "shared/CurrentLanguage.h"
#include "shared/PresetSchedule.h"
#include "shared/PresetStore.h"
#include "shared/ScheduledPresets.h"
#include "support/ChildProcess.h"
#include "support/PrivateSessionBus.h"
#include "support/WindowFixture.h"
#include "windows/PresetsView.h"
#include "windows/ScheduleView.h"
#include "windows/SettingsWindow.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimeEdit>
#include <QTreeWidget>

using namespace monctl;
using namespace monctl::test;
using Schedule = std::vector<ScheduledPreset>;

namespace {

// A preset "video" stored, the simulated monitor the only port.
class PresetsWindowTest : public WindowFixture {
protected:
    void SetUp() override {
        usePorts({monitor.devicePath()});
        ASSERT_TRUE(PresetStore(preferences.path()).save({"video", {3, 4, 5}}));
    }
    Schedule schedule() const { return PresetSchedule::load(preferences.path()).events(); }

    MonitorSimulator monitor{{7, 3, 4}, nullptr};
};

void choose(QListWidget* list, const char* name) {
    list->setCurrentItem(list->findItems(name, Qt::MatchExactly).value(0));
}

} // namespace

TEST_F(PresetsWindowTest, SettingsTakeAPresetFromTheMonitorApplyAnotherAndScheduleThem) {
    changeCurrentLanguage(1);
    MonitorSet monitors;
    SettingsWindow settings(preferences, monitors);
    auto* presets = settings.presets();
    const PresetStore store(preferences.path());
    EXPECT_FALSE(presets->addPreset()->isEnabled()) << "no monitor yet";
    monitors.setReadsBack(true);
    monitors.start();
    ASSERT_TRUE(processEventsUntil([&] { return presets->addPreset()->isEnabled(); }));

    presets->presetName()->setText("day/night");
    presets->addPreset()->click();
    EXPECT_FALSE(presets->presetProblem()->text().isEmpty());
    EXPECT_EQ(store.list().size(), 1u) << "nothing stored";
    presets->presetName()->setText("阅读");
    presets->addPreset()->click();
    EXPECT_EQ(presets->presetProblem()->text(), "");
    EXPECT_EQ(store.find("阅读"), (MonitorSettings{7, 3, 4}));
    choose(presets->presetList(), "video");
    presets->applyPreset()->click();
    ASSERT_TRUE(processEventsUntil([&] { return holds(monitor, {3, 4, 5}); }));

    auto* times = settings.schedule();
    times->scheduleTime()->setTime(QTime(7, 30));
    times->schedulePreset()->setCurrentText("阅读");
    times->addEntry()->click();
    EXPECT_EQ(schedule(), (Schedule{{450, "阅读"}}));
    // A `monctl schedule add` made while Settings are open survives the view's add, delete and
    // rename.
    ChildProcess add({MONCTL_PATH, "schedule", "add", "08:00", "video"});
    ASSERT_EQ(add.wait(), 0) << add.errors();
    times->scheduleTime()->setTime(QTime(9, 0));
    times->addEntry()->click();
    times->scheduleList()->setCurrentItem(times->scheduleList()->topLevelItem(2));
    times->deleteEntry()->click();
    EXPECT_EQ(schedule(), (Schedule{{450, "阅读"}, {480, "video"}}));
    choose(presets->presetList(), "阅读");
    presets->presetName()->setText("reading");
    presets->renamePreset()->click();
    EXPECT_EQ(schedule(), (Schedule{{450, "reading"}, {480, "video"}})) << "the times kept";
    EXPECT_EQ(times->scheduleList()->topLevelItem(0)->text(1), "reading");
}

TEST_F(PresetsWindowTest, TheRunningWindowAppliesAnEntryWrittenToTheFileWhileItRuns) {
    const QDate today(2026, 12, 7);
    QDateTime now(today, QTime(7, 29, 59, 900));
    PrivateSessionBus bus; // the window's notifications stay off the machine's own desktop
    shell = std::make_unique<AppShell>(*qApp, preferences, loadDesktopBackends());
    DesktopPresence presence(*shell, preferences, false, false, [&] { return now; });
    ASSERT_TRUE(processEventsUntil([&] { return shell->monitors().active() != nullptr; }));

    ASSERT_TRUE(PresetSchedule::store(preferences.path(), {450, "video"})); // as the CLI does
    ASSERT_TRUE(processEventsUntil([&] {
        return presence.schedule()->runner().nextCheck() == QDateTime(today, QTime(7, 30));
    }));
    now = QDateTime(today, QTime(7, 30));
    ASSERT_TRUE(processEventsUntil([&] { return holds(monitor, {3, 4, 5}); }));
}
