#include "input/InputSynthesis.h"

#include "support/FakeInputSink.h"
#include "support/TestMain.h"

#include <algorithm>
#include <gtest/gtest.h>

using namespace monctl;
using namespace monctl::test;
using namespace std::chrono_literals;
using Posted = std::vector<std::string>;

namespace {

class InputSynthesisTest : public testing::Test {
protected:
    Posted posts(const std::function<void()>& action) {
        const auto before = sink->posted().size();
        action();
        const auto all = sink->posted();
        return Posted(all.begin() + static_cast<long>(before), all.end());
    }
    Posted step(int dx, int dy) {
        return posts([&] { input->receiveMouseMovePointX(dx, dy); });
    }
    Posted stepFrom(PointerPosition at, int dx, int dy) {
        sink->placePointer(at);
        return step(dx, dy);
    }
    Posted longMove(int dx, int dy) {
        return posts([&] { input->receiveMouseLongMovePointX(dx, dy); });
    }

    std::string starter = "No starter.";
    std::shared_ptr<FakeInputSink> sink = std::make_shared<FakeInputSink>();
    std::shared_ptr<InputSynthesis> input =
        std::make_shared<InputSynthesis>(sink, [this] { sink->showMessage(starter); });
};

} // namespace

TEST_F(InputSynthesisTest, ButtonsBecomeKeysStepsClicksAndTheMessage) {
    const std::pair<int, const char*> keys[] = {{121, "key 121 800000"},
                                                {116, "key 116 800000"},
                                                {125, "key 125 0"},
                                                {46, "key 46 100000"}};
    for (const auto& [code, posted] : keys)
        EXPECT_EQ(posts([&] { input->receiveKeyBoardClickWithCode(code); }), Posted{posted});
    EXPECT_EQ(step(-6, 0), Posted{"move 94 100"});
    EXPECT_EQ(step(0, 6), Posted{"move 94 106"});
    EXPECT_EQ(posts([&] { input->receiveMouseClickEvent(1); }), Posted{"click 1 at 94 106"});
    const auto message = [&] { input->receiveKeyBoardClickWithCodeForStarter(); };
    EXPECT_EQ(posts(message), Posted{"message No starter."});
    starter = "没有启动台。";
    EXPECT_EQ(posts(message), Posted{"message 没有启动台。"}) << "the text of the moment";
}

// The desktop is asked at every step: here it first spans a screen left of the primary one.
TEST_F(InputSynthesisTest, StepsStopAtTheDesktopsEdgeAsItIsNow) {
    sink->resizeDesktop({-1920, 0, 3840, 1080});
    EXPECT_EQ(stepFrom({1281, 500}, 6, 0), Posted{"move 1287 500"}) << "inside the desktop";
    EXPECT_EQ(stepFrom({1281, 1000}, 0, 6), Posted{"move 1281 1006"});
    EXPECT_EQ(stepFrom({-1919, 500}, -6, 0), Posted{"move -1925 500"}) << "exactly at the edge";
    EXPECT_EQ(step(-6, 0), Posted{}) << "left of the desktop: no step further left";
    EXPECT_EQ(step(6, 0), Posted{"move -1919 500"});

    sink->resizeDesktop({0, 0, 1280, 800}); // the left screen unplugged
    EXPECT_EQ(stepFrom({1281, 500}, 6, 0), Posted{}) << "right of the desktop: no further right";
    EXPECT_EQ(step(-6, 0), Posted{"move 1275 500"});
    EXPECT_EQ(stepFrom({1280, 500}, 6, 0), Posted{"move 1286 500"});
    EXPECT_EQ(stepFrom({-1, 801}, -6, 0), Posted{});
    EXPECT_EQ(step(0, 6), Posted{});
    EXPECT_EQ(step(0, -6), Posted{"move -1 795"});

    sink->resizeDesktop({}); // nowhere to place the pointer
    EXPECT_EQ(stepFrom({10, 10}, 6, 0), Posted{});
    EXPECT_EQ(step(0, 6), Posted{});
    EXPECT_EQ(step(-6, 0), Posted{"move 4 10"});
    EXPECT_EQ(step(0, -6), Posted{"move 4 4"});
}

TEST_F(InputSynthesisTest, ALongMoveStepsUntilTheStopAndOnceMoreAfterIt) {
    sink->resizeDesktop({0, 0, 10000, 10000});
    EXPECT_EQ(longMove(0, 0), Posted{}) << "a stop with no long move changes nothing";
    EXPECT_FALSE(input->isLongMoveRunning());

    longMove(0, 70);
    ASSERT_TRUE(runMainUntil([&] { return sink->posted().size() >= 3; }));
    const auto beforeStop = sink->posted().size();
    longMove(0, 0);
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
        return std::ranges::count_if(sink->posted(),
                                     [&](const auto& step) { return step.starts_with(start); });
    };
    longMove(0, -70);
    ASSERT_TRUE(runMainUntil([&] { return steps("move 100 ") >= 2; }));
    longMove(70, 0);
    ASSERT_TRUE(runMainUntil([&] { return steps("move 170 ") == 1; }));
    const auto atEnd = sink->posted().size();
    input->endLongMove();
    ASSERT_TRUE(runMainUntil([&] { return !input->isLongMoveRunning(); }));
    EXPECT_LE(sink->posted().size(), atEnd + 1) << "no last step, but for one under way";
    EXPECT_TRUE(sink->posted().back().starts_with("move 170 ") ||
                sink->posted().back().starts_with("move 240 "))
        << sink->posted().back();
}
