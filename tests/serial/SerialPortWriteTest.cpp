#include "SerialPortFixture.h"
#include "device/CommandFrame.h"
#include "device/PortCommand.h"

#include <fcntl.h>
#include <future>
#include <sys/ioctl.h>
#include <thread>

using namespace monctl;
using namespace monctl::test;
using namespace std::chrono_literals;

using SerialPortWriteTest = SerialPortFixture;

namespace {

Bytes framesFor(int command, int count) {
    Bytes all;
    for (int value = 0; value < count; ++value) {
        const auto frame = CommandFrame::format(static_cast<std::uint8_t>(command),
                                                static_cast<std::uint8_t>(value));
        all.insert(all.end(), frame.begin(), frame.end());
    }
    return all;
}

} // namespace

TEST_F(SerialPortWriteTest, WritesFromTwoThreadsNeverInterleave) {
    simulator.setSilent(true);
    openPort();
    constexpr int perThread = 150;
    auto writer = [this](int command) {
        for (int value = 0; value < perThread; ++value)
            sendDataWithCommand(*port, command, value);
    };
    std::thread first(writer, 1);
    std::thread second(writer, 2);
    first.join();
    second.join();
    ASSERT_TRUE(simulator.waitForFrames(2 * perThread, 10s));
    int nextOfFirst = 0;
    int nextOfSecond = 0;
    for (const auto& frame : simulator.receivedFrames()) {
        int& next = frame.substr(4, 2) == "01" ? nextOfFirst : nextOfSecond;
        EXPECT_EQ(frame,
                  CommandFrame::format(static_cast<std::uint8_t>(std::stoi(frame.substr(4, 2))),
                                       static_cast<std::uint8_t>(next)));
        ++next;
    }
    EXPECT_EQ(nextOfFirst, perThread);
    EXPECT_EQ(nextOfSecond, perThread);
}

TEST_F(SerialPortWriteTest, AWriteTheDriverCannotTakeAtOnceWaitsAndLosesNothing) {
    simulator.setSilent(true);
    simulator.setReadingPaused(true);
    openPort();
    const Bytes data = framesFor(7, 4000); // far more than the terminal's buffers hold
    auto written = std::async(std::launch::async, [&] { return port->sendData(data); });
    EXPECT_EQ(written.wait_for(50ms), std::future_status::timeout) << "the write must block";
    simulator.setReadingPaused(false);
    ASSERT_TRUE(written.get());
    ASSERT_TRUE(simulator.waitForFrames(4000, 10s));
    const auto frames = simulator.receivedFrames();
    std::string joined;
    for (const auto& frame : frames)
        joined += frame;
    EXPECT_EQ(bytesOf(joined), data);

    // The next write follows in order.
    EXPECT_TRUE(port->sendData(framesFor(8, 1)));
    ASSERT_TRUE(simulator.waitForFrames(4001, 5s));
    EXPECT_EQ(simulator.receivedFrames().back(), CommandFrame::format(8, 0));
    EXPECT_EQ(delegate->count("error"), 0u);
}

TEST_F(SerialPortWriteTest, AWriteCutOffByUnplugFailsAndIsReported) {
    simulator.setReadingPaused(true);
    openPort();
    auto written =
        std::async(std::launch::async, [&] { return port->sendData(framesFor(7, 4000)); });
    EXPECT_EQ(written.wait_for(50ms), std::future_status::timeout);
    simulator.unplug();
    EXPECT_FALSE(written.get());
    ASSERT_TRUE(runMainUntil([&] { return !port->isOpen(); }));
    ASSERT_GE(delegate->count("error"), 1u);
    for (const auto& call : delegate->calls) {
        if (call.operation == "error") {
            EXPECT_EQ(call.error.code, std::error_code(EIO, std::system_category()));
        }
    }
    EXPECT_EQ(delegate->count("removed"), 1u);
    EXPECT_FALSE(port->sendData(framesFor(7, 1)));
}

// A far end that stops reading (a hung monitor, flow control held) must not hold a writer:
// the write that cannot finish in time fails, the ones after it fail at once, and the line
// works again once it drains.
TEST_F(SerialPortWriteTest, ALineThatStopsDrainingFailsTheWriteInsteadOfHanging) {
    simulator.setSilent(true);
    simulator.setReadingPaused(true);
    openPort();
    port->setWriteTimeout(100ms);
    int accepted = 0;
    while (port->sendData(framesFor(7, 10)))
        ++accepted;
    EXPECT_GT(accepted, 0) << "the terminal's buffers took some first";
    EXPECT_FALSE(port->sendData(framesFor(7, 1))) << "stalled: fails without waiting again";
    ASSERT_TRUE(runMainUntil([&] { return delegate->count("error") == 2; }));
    for (const auto& call : delegate->calls) {
        if (call.operation == "error") {
            EXPECT_EQ(call.error.code, std::error_code(ETIMEDOUT, std::system_category()));
        }
    }
    EXPECT_TRUE(port->isOpen());

    // What was written before the stall arrives; then the line takes writes again.
    simulator.setReadingPaused(false);
    ASSERT_TRUE(simulator.waitForFrames(static_cast<std::size_t>(accepted) * 10, 10s));
    EXPECT_TRUE(runMainUntil([&] { return port->sendData(framesFor(8, 1)); }));
}

// Bytes the device sent before the port was opened answered someone else.
TEST_F(SerialPortWriteTest, WhatTheDeviceSentBeforeTheOpenIsNotRead) {
    const auto stale = MonitorSimulator::deviceFrame(6, 5);
    simulator.sendRaw(stale);
    const int watcher = ::open(simulator.devicePath().c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(watcher, 0);
    int queued = 0;
    ASSERT_TRUE(runMainUntil([&] {
        return ::ioctl(watcher, FIONREAD, &queued) == 0 && queued == static_cast<int>(stale.size());
    }));
    ::close(watcher);
    openPort();
    const auto fresh = MonitorSimulator::deviceFrame(6, 3);
    simulator.sendRaw(fresh);
    ASSERT_TRUE(runMainUntil([&] { return delegate->receivedBytes().size() >= fresh.size(); }));
    EXPECT_EQ(delegate->receivedBytes(), bytesOf(fresh));
}
