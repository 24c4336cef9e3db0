#include "runtime/ReadSource.h"
#include "runtime/RepeatingTimer.h"
#include "support/TestMain.h"

#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

using namespace monctl;
using namespace monctl::test;
using namespace std::chrono_literals;

TEST(MainQueue, WorkersReachTheMainThreadAndWaitForIt) {
    std::atomic<bool> ran{false};
    std::thread::id ranOn;
    std::thread worker([&] {
        EXPECT_FALSE(MainQueue::shared()->isCurrentThread());
        EXPECT_TRUE(MainQueue::shared()->postAndWait([&] { ranOn = std::this_thread::get_id(); }));
        ran = true;
    });
    EXPECT_TRUE(runMainUntil([&] { return ran.load(); }));
    worker.join();
    EXPECT_EQ(ranOn, std::this_thread::get_id());

    bool inline_ = false;
    EXPECT_TRUE(MainQueue::shared()->postAndWait([&] { inline_ = true; }));
    EXPECT_TRUE(inline_) << "on the main thread the task runs at once";
}

TEST(MainQueue, AQueueThatGoesAwayDropsItsTasksUnrun) {
    // postAndWait relies on this: a dropped task breaks the waiter's promise.
    auto queue = std::make_shared<AsioMainQueue>();
    auto sentinel = std::make_shared<int>(0);
    queue->post([sentinel] { ++*sentinel; });
    EXPECT_EQ(sentinel.use_count(), 2);
    queue.reset();
    EXPECT_EQ(sentinel.use_count(), 1);
    EXPECT_EQ(*sentinel, 0);
}

TEST(RepeatingTimer, FiresRepeatedlyUntilCancelled) {
    std::atomic<int> firings{0};
    auto timer = RepeatingTimer::start(0ns, 5ms, [&] { ++firings; });
    EXPECT_TRUE(runMainUntil([&] { return firings >= 3; }));
    timer->cancel();
    timer->cancel();
    // A firing may have been under way when cancel() returned; none may start later.
    std::atomic<int> checks{0};
    std::atomic<int> settled{0};
    auto first = RepeatingTimer::start(30ms, 0ns, [&] {
        settled = firings.load();
        ++checks;
    });
    auto second = RepeatingTimer::start(90ms, 0ns, [&] { ++checks; });
    EXPECT_TRUE(runMainUntil([&] { return checks == 2; }));
    EXPECT_EQ(firings.load(), settled.load());
}

TEST(ReadSource, CancelRunsItsHandlerOnceAfterTheLastRead) {
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    std::atomic<int> reads{0};
    std::atomic<int> cancels{0};
    std::atomic<bool> readingWhenCancelled{false};
    std::atomic<bool> reading{false};
    std::shared_ptr<ReadSource> source;
    // The second read runs a loop of its own (as a modal message does), during which another
    // thread cancels the source: the cancel handler waits for that read to return.
    source = ReadSource::start(
        ends[0],
        [&] {
            reading = true;
            char buffer[16];
            while (::read(ends[0], buffer, sizeof buffer) > 0)
                ++reads;
            if (reads == 2) {
                std::thread([&] { source->cancel(); }).join(); // as an unplug elsewhere does
                runMainUntil([&] { return cancels > 0; }, std::chrono::milliseconds(50));
            }
            reading = false;
            return true;
        },
        [&] {
            readingWhenCancelled = reading.load();
            ++cancels;
            ::close(ends[0]);
        });
    ASSERT_EQ(::write(ends[1], "x", 1), 1);
    EXPECT_TRUE(runMainUntil([&] { return reads >= 1; }));
    ASSERT_EQ(::write(ends[1], "y", 1), 1);
    EXPECT_TRUE(runMainUntil([&] { return cancels == 1; }));
    source->cancel();
    EXPECT_FALSE(readingWhenCancelled.load());
    EXPECT_EQ(cancels.load(), 1);
    ::close(ends[1]);
}
