// Presets and their daily schedule in a preferences file of the test's own.
#include "shared/PresetSchedule.h"
#include "shared/PresetStore.h"

#include <QTemporaryDir>
#include <fstream>
#include <gmock/gmock.h>
#include <sstream>

using namespace monctl;
using ::testing::FieldsAre;
using ::testing::HasSubstr;

namespace {

QDateTime at(int day, const char* time) {
    return QDateTime(QDate(2026, 12, day), QTime::fromString(time, "hh:mm"));
}

} // namespace

TEST(Presets, AreKeptByCheckedNamesBesideWhatTheFileHeldAndRenamedWithoutLoss) {
    QTemporaryDir home;
    const auto path = home.filePath("monctl.conf");
    std::ofstream(path.toStdString()) << "[General]\nlanguage=1\n\n[presets]\nbroken=12, text, 1\n";
    const PresetStore store(path);
    for (const Preset& good : std::vector<Preset>{{"阅读 reading", {7, 2, 1}},
                                                  {"video", {3, 4, 5}},
                                                  {"video", {4, 4, 5}}, // replaced
                                                  {std::string(64, 'x'), {5, 2, 1}}})
        EXPECT_TRUE(store.save(good)) << good.name;
    for (const auto& bad : {"", "a=b", "[x]", "a/b", "a\\b", "tab\there", "\xff"})
        EXPECT_FALSE(store.save({bad, {5, 2, 1}})) << bad;
    EXPECT_FALSE(store.save({std::string(65, 'x'), {5, 2, 1}}));

    EXPECT_EQ(store.find("broken"), std::nullopt);
    EXPECT_FALSE(store.rename("video", "阅读 reading")) << "taken";
    EXPECT_FALSE(store.rename("missing", "other"));
    EXPECT_TRUE(store.rename("video", "film"));
    EXPECT_THAT(PresetStore(path).list(),
                ::testing::ElementsAre(FieldsAre("film", MonitorSettings{4, 4, 5}),
                                       FieldsAre(std::string(64, 'x'), MonitorSettings{5, 2, 1}),
                                       FieldsAre("阅读 reading", MonitorSettings{7, 2, 1})));
    EXPECT_TRUE(store.remove("film"));
    EXPECT_FALSE(store.remove("film"));

    std::stringstream text;
    text << std::ifstream(path.toStdString()).rdbuf();
    EXPECT_THAT(text.str(),
                ::testing::AllOf(HasSubstr("language=1"), HasSubstr("broken=12, text, 1")));
}

TEST(PresetSchedule, FindsTheNextTimeAndTheOneEventDueAfterASleepOrAClockJump) {
    EXPECT_EQ(minuteOfDayFrom("07:30"), 450);
    EXPECT_EQ(minuteOfDayFrom("23:59"), 1439);
    for (const auto* bad : {"24:00", "7:30", "07:60", "07-30", "07:30 ", "+7:30", ""})
        EXPECT_EQ(minuteOfDayFrom(bad), std::nullopt) << bad;
    EXPECT_EQ(timeOfDayText(450), "07:30");

    PresetSchedule schedule({{1140, "video"}, {450, "reading"}});
    schedule.add({450, "paper"});
    EXPECT_EQ(schedule.events(), (std::vector<ScheduledPreset>{{450, "paper"}, {1140, "video"}}));
    EXPECT_EQ(schedule.nextAfter(at(6, "07:00")), at(6, "07:30"));
    EXPECT_EQ(schedule.nextAfter(at(6, "07:30")), at(6, "19:00"));
    EXPECT_EQ(schedule.nextAfter(at(6, "20:00")), at(7, "07:30"));

    EXPECT_EQ(schedule.lastDue(at(6, "07:29"), at(6, "07:30")), (ScheduledPreset{450, "paper"}));
    EXPECT_EQ(schedule.lastDue(at(6, "07:30"), at(6, "08:00")), std::nullopt) << "ran already";
    EXPECT_EQ(schedule.lastDue(at(6, "06:00"), at(6, "20:00")), (ScheduledPreset{1140, "video"}))
        << "slept through both: only the newest";
    EXPECT_EQ(schedule.lastDue(at(6, "20:00"), at(7, "07:45")), (ScheduledPreset{450, "paper"}));
    EXPECT_EQ(schedule.lastDue(at(6, "20:00"), at(6, "10:00")), std::nullopt) << "clock went back";
    EXPECT_TRUE(schedule.remove(450));
    EXPECT_FALSE(schedule.remove(450));

    QTemporaryDir home;
    const auto file = home.filePath("monctl.conf");
    for (const auto& event : schedule.events())
        ASSERT_TRUE(PresetSchedule::store(file, event));
    EXPECT_EQ(PresetSchedule::load(file).events(), schedule.events());
    ASSERT_TRUE(PresetSchedule::renamePresetIn(file, "video", "film"));
    ASSERT_TRUE(PresetSchedule::erase(file, 450));
    EXPECT_EQ(PresetSchedule::load(file).events(), (std::vector<ScheduledPreset>{{1140, "film"}}));
    EXPECT_EQ(PresetSchedule().nextAfter(at(6, "07:00")), std::nullopt);
}
