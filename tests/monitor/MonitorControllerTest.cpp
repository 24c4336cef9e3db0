#include "device/MonitorSimulator.h"
#include "monitor/MonitorError.h"
#include "monitor/MonitorSet.h"
#include "serial/FixedPathRegistry.h"
#include "serial/SerialPortManager.h"
#include "support/TestMain.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <ranges>

using namespace monctl;
using namespace monctl::test;
using namespace std::chrono_literals;

namespace {

std::string frame(const char* command) {
    return std::string("5FF5") + command + "000000000000A0FA";
}

long count(const MonitorSimulator& monitor, const std::string& wanted) {
    const auto frames = monitor.receivedFrames();
    return std::count(frames.begin(), frames.end(), wanted);
}

struct Answer {
    std::error_code error;
    int value = 0;
};
using Asked = std::shared_ptr<std::optional<Answer>>; // filled in when the answer comes

class MonitorControllerTest : public testing::Test {
protected:
    ~MonitorControllerTest() override { SerialPortManager::reset(); }

    void start(const std::vector<const MonitorSimulator*>& simulators) {
        std::vector<std::string> paths;
        for (const auto* simulator : simulators)
            paths.push_back(simulator->devicePath());
        SerialPortManager::reset();
        SerialPortManager::useRegistry(std::make_unique<FixedPathRegistry>(paths));
        monitors.start();
        ASSERT_TRUE(runMainUntil([&] { return monitors.monitors().size() == paths.size(); }));
    }

    std::shared_ptr<MonitorController> of(const MonitorSimulator& simulator) const {
        return monitors.find(simulator.devicePath());
    }

    Asked ask(MonitorController& monitor, Setting setting, std::chrono::milliseconds wait = 5s) {
        auto slot = std::make_shared<std::optional<Answer>>();
        monitor.readBack(setting, wait, [slot](std::error_code error, int value) {
            *slot = Answer{error, value};
        });
        return slot;
    }

    MonitorSet monitors;
};

} // namespace

TEST_F(MonitorControllerTest, EachMonitorHearsItsOwnCommandsAndAnswersOnlyItsOwnReadBacks) {
    MonitorSimulator first({2, 2, 1}, nullptr);
    MonitorSimulator second({8, 4, 5}, nullptr);
    start({&first, &second});
    const auto active = monitors.active();
    auto& a = *of(first);
    auto& b = *of(second);
    std::vector<std::pair<Asked, int>> asked; // with the value each answer must carry
    for (int round = 0; round < 5; ++round) {
        a.set(Setting::contrast, 3);
        b.set(Setting::contrast, 7);
        asked.emplace_back(ask(a, Setting::contrast), 3);
        asked.emplace_back(ask(b, Setting::contrast), 7);
        asked.emplace_back(ask(b, Setting::speed), 5);
    }
    ASSERT_TRUE(runMainUntil([&] {
        return std::ranges::all_of(
            asked, [](const auto& question) { return question.first->has_value(); });
    }));
    for (const auto& [answer, value] : asked)
        EXPECT_EQ((*answer)->value, value);
    EXPECT_EQ(count(first, frame("0103")), 5);
    EXPECT_EQ(count(second, frame("0107")), 5);
    EXPECT_EQ(count(second, frame("0103")), 0);

    // What one monitor tells unasked is its own: state, events and the active one stay apart.
    std::vector<ButtonEvent> pressed;
    const auto presses =
        b.buttonPressed.connect([&](const ButtonEvent& e) { pressed.push_back(e); });
    second.sendSettingReport(1, 9);
    second.sendButton(11);
    ASSERT_TRUE(runMainUntil([&] { return !pressed.empty(); }));
    EXPECT_EQ(pressed.front(), (ButtonEvent{ButtonEvent::Kind::click, 0}));
    EXPECT_EQ(b.setting(Setting::contrast), 9);
    EXPECT_EQ(a.setting(Setting::contrast), 3);
    EXPECT_EQ(monitors.active(), active);

    // A whole set of settings goes to its monitor alone and is told done once written.
    std::optional<std::error_code> applied;
    a.apply({6, 4, 2}, [&](std::error_code error) { applied = error; });
    a.readBackAll();
    ASSERT_TRUE(runMainUntil([&] { return applied && a.settings() == MonitorSettings{6, 4, 2}; }));
    EXPECT_FALSE(*applied);
    EXPECT_EQ(second.settings().contrast, 7) << "untouched";
}

// The next request goes out once the one before is answered, or when its answer is overdue.
TEST_F(MonitorControllerTest, ReadBacksGoOutOneAtATimePacedByTheAnswers) {
    MonitorSimulator monitor({6, 3, 2}, nullptr);
    monitor.setAnswerDelay(50ms);
    start({&monitor});
    auto& controller = *monitors.active();
    const auto requestsBefore = monitor.receivedFrames().size();
    std::vector<std::size_t> receivedAtAnswer;
    const auto answers = controller.settingReported.connect([&](Setting, int) {
        receivedAtAnswer.push_back(monitor.receivedFrames().size() - requestsBefore);
    });
    controller.readBackAll();
    ASSERT_TRUE(runMainUntil([&] { return receivedAtAnswer.size() == 3; }));
    EXPECT_EQ(receivedAtAnswer, (std::vector<std::size_t>{1, 2, 3})) << "never two outstanding";
    EXPECT_EQ(controller.settings(), (MonitorSettings{6, 3, 2}));

    // A monitor that stops answering holds a read-back back no longer than its pause; the
    // asker hears there was no answer.
    monitor.setSilent(true);
    const auto unanswered = ask(controller, Setting::contrast, 100ms);
    bool written = false;
    controller.set(Setting::mode, 4, [&](std::error_code error) { written = !error; });
    ASSERT_TRUE(runMainUntil(
        [&] { return written && unanswered->has_value() && monitor.settings().mode == 4; }));
    EXPECT_EQ((*unanswered)->error, MonitorError::noAnswer);

    // Marked silent once no report followed a request for a while; the next report ends it.
    std::vector<bool> marks;
    const auto marking =
        controller.respondingChanged.connect([&](bool on) { marks.push_back(on); });
    ASSERT_TRUE(runMainUntil([&] { return !controller.responding(); }, 5s));
    monitor.setSilent(false);
    controller.readBack(Setting::speed);
    ASSERT_TRUE(runMainUntil([&] { return controller.responding(); }, 5s));
    EXPECT_EQ(marks, (std::vector<bool>{false, true}));
}

TEST_F(MonitorControllerTest, ACommandWhoseMonitorGoesFirstFailsAndReachesNoOtherMonitor) {
    MonitorSimulator first;
    MonitorSimulator second;
    start({&first, &second});
    ASSERT_TRUE(monitors.choose(second.devicePath()));
    auto gone = of(first);
    // Held back behind read-backs the silent monitor never answers.
    first.setSilent(true);
    for (int round = 0; round < 10; ++round)
        gone->readBack(Setting::speed);
    std::optional<std::error_code> outcome;
    gone->set(Setting::contrast, 3, [&](std::error_code error) { outcome = error; });
    ASSERT_TRUE(first.waitForFrames(2, 5s)) << "the probe, then the first request";
    first.unplug();
    ASSERT_TRUE(runMainUntil([&] { return outcome.has_value(); }));
    EXPECT_EQ(*outcome, MonitorError::wentAway);
    EXPECT_EQ(failureText(gone->path(), *outcome), gone->path() + ": the device went away");
    EXPECT_EQ(count(first, frame("0103")) + count(second, frame("0103")), 0);
    EXPECT_EQ(monitors.active(), of(second));
    EXPECT_EQ(monitors.monitors().size(), 1u);
    const auto late = ask(*gone, Setting::contrast);
    EXPECT_EQ((*late)->error, MonitorError::wentAway) << "at once";
}

// The monitor tells nothing after a set: what was written is its value until it reports
// another, and every step counts from it and from the steps still queued.
TEST_F(MonitorControllerTest, WhatWasWrittenOrReportedLastIsTheValueStepsCountFrom) {
    MonitorSimulator monitor({3, 2, 1}, nullptr);
    start({&monitor});
    auto& controller = *monitors.active();
    std::vector<SettingChange> changes;
    const auto changing =
        controller.settingChanged.connect([&](const SettingChange& c) { changes.push_back(c); });
    const auto contrastSets = [&] {
        std::vector<std::string> sent;
        for (const auto& received : monitor.receivedFrames())
            if (received.starts_with("5FF501"))
                sent.push_back(received.substr(6, 2));
        return sent;
    };
    controller.readBack(Setting::contrast);
    ASSERT_TRUE(runMainUntil([&] { return controller.setting(Setting::contrast) == 3; }));
    bool written = false;
    controller.set(Setting::contrast, 7, [&](std::error_code error) { written = !error; });
    ASSERT_TRUE(runMainUntil([&] { return written; }));
    EXPECT_EQ(controller.setting(Setting::contrast), 7);
    EXPECT_EQ(controller.source(Setting::contrast), SettingSource::written);
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[1].previous, 3);
    EXPECT_EQ(changes[1].source, SettingSource::written);
    controller.stepContrast(1);
    ASSERT_TRUE(runMainUntil([&] { return contrastSets().size() == 2; }));
    EXPECT_EQ(contrastSets().back(), "08");
    ASSERT_TRUE(runMainUntil([&] { return !controller.isBusy(); }));

    // Three quick steps, then one after the first answer came while two are still queued:
    // frames in order, never back.
    monitor.setAnswerDelay(100ms);
    controller.set(Setting::contrast, 3);
    for (int step = 0; step < 3; ++step)
        controller.stepContrast(1);
    bool answered = false;
    const auto answering =
        controller.settingReported.connect([&](Setting, int) { answered = true; });
    ASSERT_TRUE(runMainUntil([&] { return answered; }));
    controller.stepContrast(1);
    ASSERT_TRUE(runMainUntil([&] { return contrastSets().size() == 7 && !controller.isBusy(); }));
    const auto sent = contrastSets();
    EXPECT_EQ(std::vector<std::string>(sent.begin() + 2, sent.end()),
              (std::vector<std::string>{"03", "04", "05", "06", "07"}));
    EXPECT_EQ(controller.setting(Setting::contrast), 7);

    // An answer to a request that went out before a later write is late news: the write stands.
    monitor.setAnswerDelay(MonitorController::answerWait * 3);
    const auto late = ask(controller, Setting::mode);
    bool modeWritten = false;
    controller.set(Setting::mode, 4, [&](std::error_code error) { modeWritten = !error; });
    ASSERT_TRUE(runMainUntil([&] { return late->has_value() && modeWritten; }));
    EXPECT_EQ((*late)->value, 2) << "the monitor's answer, as it gave it";
    EXPECT_EQ(controller.setting(Setting::mode), 4);
    EXPECT_EQ(controller.source(Setting::mode), SettingSource::written);

    // Two quick steps on a slow monitor: the first answer comes after the second request went
    // out, and answers the first.
    ASSERT_TRUE(runMainUntil([&] { return !controller.isBusy(); }));
    changes.clear();
    int reports = 0;
    const auto counting = controller.settingReported.connect([&](Setting, int) { ++reports; });
    controller.stepContrast(1);
    controller.stepContrast(1);
    ASSERT_TRUE(runMainUntil([&] { return reports == 2; }, 10s));
    const auto contrasts = changes | std::views::transform(&SettingChange::value);
    EXPECT_EQ(std::vector(contrasts.begin(), contrasts.end()), (std::vector<int>{8, 9}))
        << "never back to 8 once 9 was written";
}

// A monitor chosen as it joins (the window's remembered monitor) is asked once.
TEST_F(MonitorControllerTest, AMonitorChosenAsItJoinsIsReadBackOnce) {
    MonitorSimulator first;
    MonitorSimulator second;
    monitors.setReadsBack(true);
    const auto choosing = monitors.joined.connect([&](const MonitorSet::Monitor& monitor) {
        if (monitor->path() == second.devicePath())
            monitors.choose(monitor->path());
    });
    start({&first, &second});
    ASSERT_TRUE(runMainUntil([&] { return of(second)->settings() && !of(second)->isBusy(); }));
    EXPECT_EQ(monitors.active(), of(second));
    EXPECT_EQ(count(second, frame("0A01")), 1);
    EXPECT_EQ(count(second, frame("0A04")), 1);
}
