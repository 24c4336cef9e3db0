#include "input/LongPressWorker.h"

#include "support/FakeInputSink.h"

#include <future>
#include <gtest/gtest.h>
#include <thread>

using namespace monctl;
using namespace monctl::test;
using namespace std::chrono_literals;

TEST(LongPressWorker, OneSharedWorkerThatSleepsUntilWokenUp) {
    LongPressWorker* seen[2] = {};
    std::thread first([&] { seen[0] = &LongPressWorker::sharedWorker(); });
    std::thread second([&] { seen[1] = &LongPressWorker::sharedWorker(); });
    first.join();
    second.join();
    EXPECT_EQ(seen[0], seen[1]);
    auto& worker = LongPressWorker::sharedWorker();
    EXPECT_EQ(&worker, seen[0]);
    EXPECT_TRUE(worker.isInterrupt());
    worker.wakeUp(); // awake already: nothing
    EXPECT_TRUE(worker.isInterrupt());

    auto sleeper = std::async(std::launch::async, [&] { worker.dormancy(); });
    EXPECT_EQ(sleeper.wait_for(50ms), std::future_status::timeout) << "it sleeps";
    // wakeUp from another thread ends the sleep, and no lock stays behind.
    while (sleeper.wait_for(1ms) == std::future_status::timeout)
        worker.wakeUp();
    EXPECT_TRUE(worker.isInterrupt());
    worker.setIsWakeUp(false); // dormant: dormancy returns at once
    worker.dormancy();
    worker.wakeUp();
    EXPECT_TRUE(worker.isInterrupt());
}

TEST(LongPressWorker, StepsStopAtFixedBoundsAndPauseAfterAPostedStep) {
    auto sink = std::make_shared<FakeInputSink>(PointerPosition{901, 100});
    auto& worker = LongPressWorker::sharedWorker();
    worker.setSink(sink);
    worker.longPressAction(70, 0);
    EXPECT_TRUE(sink->posted().empty());

    sink->placePointer({900, 1000});
    const auto start = std::chrono::steady_clock::now();
    worker.longPressAction(70, 0);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 100ms) << "the step's pause";
    worker.longPressAction(0, 70); // 1000 is inside the vertical bound of 1440
    sink->placePointer({-1, -1});
    worker.longPressAction(-70, 0);
    worker.longPressAction(0, -70);
    EXPECT_EQ(sink->posted(), (std::vector<std::string>{"move 970 1000", "move 970 1070"}));
    worker.setSink(nullptr);
}
