#include "input/InputSynthesis.h"

#include "device/FrameAssembler.h"
#include "device/FrameDispatch.h"
#include "device/ReportController.h"
#include "support/FakeInputSink.h"
#include "support/TestMain.h"

#include <gtest/gtest.h>

using namespace monctl;
using namespace monctl::test;
using namespace std::chrono_literals;
using Posted = std::vector<std::string>;

namespace {

// The device frames' road into input: a report target that hands the button events on.
class ButtonTarget final : public ReportController {
public:
    explicit ButtonTarget(InputSynthesis& input) : m_input(input) {}
    void updateViewThresholdDisplay(int) override {}
    void updateViewModeDisplay(int) override {}
    void updateViewSpeedDisplay(int) override {}
    void updateMainViewContent() override {}
    void receiveKeyBoardClickWithCode(int code) override {
        m_input.receiveKeyBoardClickWithCode(code);
    }
    void receiveKeyBoardClickWithCodeForStarter() override {
        m_input.receiveKeyBoardClickWithCodeForStarter();
    }
    void receiveMouseMovePointX(int dx, int dy) override { m_input.receiveMouseMovePointX(dx, dy); }
    void receiveMouseClickEvent(int button) override { m_input.receiveMouseClickEvent(button); }
    void receiveMouseLongMovePointX(int dx, int dy) override {
        m_input.receiveMouseLongMovePointX(dx, dy);
    }

private:
    InputSynthesis& m_input;
};

class InputSynthesisTest : public testing::Test {
protected:
    Posted press(int subCode) {
        const auto before = sink->posted().size();
        char frame[32]; // the whole frame, as the monitor sends it
        std::snprintf(frame, sizeof frame, "5FF506%02X000000000000A0FA", subCode);
        FrameAssembler assembler;
        ButtonTarget target(*input);
        for (const auto& decoded : assembler.feed(bytesOf(frame)))
            dispatchFrame(decoded, target);
        const auto all = sink->posted();
        return Posted(all.begin() + static_cast<long>(before), all.end());
    }

    std::string starter = "No starter.";
    std::shared_ptr<FakeInputSink> sink = std::make_shared<FakeInputSink>();
    std::shared_ptr<InputSynthesis> input =
        std::make_shared<InputSynthesis>(sink, [this] { sink->showMessage(starter); });
};

} // namespace

TEST_F(InputSynthesisTest, ButtonsBecomeKeysStepsClicksAndTheMessage) {
    const std::pair<int, const char*> buttons[] = {
        {1, "key 121 800000"},      {2, "key 116 800000"},     {3, "key 125 0"},
        {4, "key 126 0"},           {5, "key 49 0"},           {7, "move 94 100"},
        {8, "move 100 100"},        {9, "move 100 106"},       {10, "move 100 100"},
        {11, "click 0 at 100 100"}, {12, "click 1 at 100 100"}};
    for (const auto& [subCode, posted] : buttons)
        EXPECT_EQ(press(subCode), Posted{posted}) << subCode;
    for (int nothing : {0, 13, 15, 24})
        EXPECT_EQ(press(nothing), Posted{}) << nothing;

    for (int key : {46, 118, 117})
        input->receiveKeyBoardClickWithCode(key);
    const auto all = sink->posted();
    EXPECT_EQ(Posted(all.end() - 3, all.end()),
              (Posted{"key 46 100000", "key 118 800000", "key 117 0"}));

    EXPECT_EQ(press(6), Posted{"message No starter."});
    starter = "没有启动台。";
    EXPECT_EQ(press(6), Posted{"message 没有启动台。"}) << "the text of the moment";
}

// The desktop is asked at every step: here it first spans a screen left of the primary one.
TEST_F(InputSynthesisTest, StepsStopAtTheDesktopsEdgeAsItIsNow) {
    sink->resizeDesktop({-1920, 0, 3840, 1080});
    sink->placePointer({1281, 500});
    EXPECT_EQ(press(8), Posted{"move 1287 500"}) << "inside the desktop";
    sink->placePointer({1281, 1000});
    EXPECT_EQ(press(9), Posted{"move 1281 1006"});
    sink->placePointer({-1919, 500});
    EXPECT_EQ(press(7), Posted{"move -1925 500"}) << "exactly at the edge: still moves";
    EXPECT_EQ(press(7), Posted{}) << "left of the desktop: no step further left";
    EXPECT_EQ(press(8), Posted{"move -1919 500"});

    sink->resizeDesktop({0, 0, 1280, 800}); // the left screen unplugged
    sink->placePointer({1281, 500});
    EXPECT_EQ(press(8), Posted{}) << "right of the desktop: no step further right";
    EXPECT_EQ(press(7), Posted{"move 1275 500"});
    sink->placePointer({1280, 500});
    EXPECT_EQ(press(8), Posted{"move 1286 500"});
    sink->placePointer({-1, 801});
    EXPECT_EQ(press(7), Posted{});
    EXPECT_EQ(press(9), Posted{});
    EXPECT_EQ(press(10), Posted{"move -1 795"});

    sink->resizeDesktop({}); // nowhere to place the pointer
    sink->placePointer({10, 10});
    EXPECT_EQ(press(8), Posted{});
    EXPECT_EQ(press(9), Posted{});
    EXPECT_EQ(press(7), Posted{"move 4 10"});
    EXPECT_EQ(press(10), Posted{"move 4 4"});
}

TEST_F(InputSynthesisTest, ALongMoveStepsUntilTheStopAndOnceMoreAfterIt) {
    sink->resizeDesktop({0, 0, 10000, 10000});
    EXPECT_EQ(press(20), Posted{}) << "a stop with no long move changes nothing";
    EXPECT_FALSE(input->isLongMoveRunning());

    press(17);
    ASSERT_TRUE(runMainUntil([&] { return sink->posted().size() >= 3; }));
    const auto beforeStop = sink->posted().size();
    press(20);
    ASSERT_TRUE(runMainUntil([&] { return !input->isLongMoveRunning(); }));
    const auto posted = sink->posted();
    EXPECT_GT(posted.size(), beforeStop) << "one last step after the stop";
    EXPECT_LE(posted.size(), beforeStop + 2) << "and no more, but for one already under way";
    for (std::size_t i = 0; i < posted.size(); ++i)
        EXPECT_EQ(posted[i], "move 100 " + std::to_string(100 + 70 * (i + 1))) << i;
}

TEST_F(InputSynthesisTest, ANewStartReplacesTheRunningLongMoveAndAnEndStopsAtOnce) {
    sink->resizeDesktop({0, 0, 10000, 10000});
    const auto steps = [&](const char* start) {
        const auto posted = sink->posted();
        return std::count_if(posted.begin(), posted.end(),
                             [&](const auto& step) { return step.starts_with(start); });
    };
    press(16);
    ASSERT_TRUE(runMainUntil([&] { return steps("move 100 ") >= 2; }));
    press(18);
    ASSERT_TRUE(runMainUntil([&] { return steps("move 170 ") == 1; }));
    const auto atEnd = sink->posted().size();
    input->endLongMove();
    ASSERT_TRUE(runMainUntil([&] { return !input->isLongMoveRunning(); }));
    EXPECT_LE(sink->posted().size(), atEnd + 1) << "no last step, but for one under way";
    EXPECT_TRUE(sink->posted().back().starts_with("move 170 ") ||
                sink->posted().back().starts_with("move 240 "))
        << sink->posted().back();
}
