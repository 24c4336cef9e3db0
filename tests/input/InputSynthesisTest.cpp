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
    input->setMainScreenSize(1280, 800);
    EXPECT_EQ(press(1), Posted{"key 121 800000"});
    EXPECT_EQ(press(2), Posted{"key 116 800000"});
    EXPECT_EQ(press(3), Posted{"key 125 0"});
    EXPECT_EQ(press(4), Posted{"key 126 0"});
    EXPECT_EQ(press(5), Posted{"key 49 0"});
    EXPECT_EQ(press(7), Posted{"move 94 100"});
    EXPECT_EQ(press(8), Posted{"move 100 100"});
    EXPECT_EQ(press(9), Posted{"move 100 106"});
    EXPECT_EQ(press(10), Posted{"move 100 100"});
    EXPECT_EQ(press(11), Posted{"click 0 at 100 100"});
    EXPECT_EQ(press(12), Posted{"click 1 at 100 100"});
    for (int nothing : {0, 13, 14, 15, 24, 255})
        EXPECT_EQ(press(nothing), Posted{}) << nothing;

    input->receiveKeyBoardClickWithCode(46);
    input->receiveKeyBoardClickWithCode(118);
    for (int plain : {117, 119, 120})
        input->receiveKeyBoardClickWithCode(plain);
    const auto all = sink->posted();
    EXPECT_EQ(Posted(all.end() - 5, all.end()),
              (Posted{"key 46 100000", "key 118 800000", "key 117 0", "key 119 0", "key 120 0"}));

    EXPECT_EQ(press(6), Posted{"message No starter."});
    starter = "没有启动台。";
    EXPECT_EQ(press(6), Posted{"message 没有启动台。"}) << "the text of the moment";
}

TEST_F(InputSynthesisTest, StepsStopAtTheMainScreensEdge) {
    input->setMainScreenSize(1280, 800);
    sink->placePointer({1281, 500});
    EXPECT_EQ(press(8), Posted{}) << "right of the screen: no step further right";
    EXPECT_EQ(press(7), Posted{"move 1275 500"});
    sink->placePointer({1280, 500});
    EXPECT_EQ(press(8), Posted{"move 1286 500"}) << "exactly at the edge: still moves";
    sink->placePointer({-1, 801});
    EXPECT_EQ(press(7), Posted{});
    EXPECT_EQ(press(9), Posted{});
    EXPECT_EQ(press(10), Posted{"move -1 795"});

    input->setMainScreenSize(0, 0); // no main screen when loaded
    sink->placePointer({10, 10});
    EXPECT_EQ(press(8), Posted{});
    EXPECT_EQ(press(9), Posted{});
    EXPECT_EQ(press(7), Posted{"move 4 10"});
    EXPECT_EQ(press(10), Posted{"move 4 4"});
}

TEST_F(InputSynthesisTest, ALongMoveStepsEveryThirdOfASecondAndOnceMoreAfterTheStop) {
    input->setMainScreenSize(10000, 10000);
    EXPECT_EQ(press(20), Posted{}) << "a stop with no long move changes nothing";
    EXPECT_FALSE(input->isLongMoveRunning());

    press(17);
    ASSERT_TRUE(runMainUntil([&] { return sink->posted().size() == 4; }));
    press(20);
    ASSERT_TRUE(runMainUntil([&] { return !input->isLongMoveRunning(); }));
    EXPECT_EQ(sink->posted(), (Posted{"move 100 170", "move 100 240", "move 100 310",
                                      "move 100 380", "move 100 450"}));
    // The timer keeps its schedule: step i comes no earlier than i intervals after the first.
    const auto times = sink->postedTimes();
    for (std::size_t i = 1; i < 4; ++i)
        EXPECT_GE(times[i] - times[0], i * 300ms - 20ms) << i;
}

TEST_F(InputSynthesisTest, ANewStartReplacesTheRunningLongMove) {
    input->setMainScreenSize(10000, 10000);
    press(16);
    ASSERT_TRUE(runMainUntil([&] { return sink->posted().size() == 2; }));
    press(18);
    ASSERT_TRUE(runMainUntil([&] { return sink->posted().size() == 5; }));
    press(21);
    ASSERT_TRUE(runMainUntil([&] { return !input->isLongMoveRunning(); }));
    const auto posted = sink->posted();
    EXPECT_EQ(Posted(posted.begin(), posted.begin() + 2), (Posted{"move 100 30", "move 100 -40"}));
    for (auto step = posted.begin() + 2; step != posted.end(); ++step)
        EXPECT_TRUE(step->ends_with(" -40") && !step->starts_with("move 100 ")) << *step;
}
