#include "SerialPortFixture.h"
#include "device/CommandFrame.h"
#include "device/PortCommand.h"
#include "runtime/RepeatingTimer.h"
#include "serial/SerialRequest.h"

#include <algorithm>
#include <map>
#include <numeric>
#include <set>

using namespace monctl;
using namespace monctl::test;
using namespace std::chrono_literals;

namespace {

std::string framesFor(int command, int count) {
    std::string all;
    for (int value = 0; value < count; ++value)
        all += CommandFrame::format(static_cast<std::uint8_t>(command),
                                    static_cast<std::uint8_t>(value));
    return all;
}

std::error_code posix(int errorNumber) {
    return {errorNumber, std::system_category()};
}

struct OtherPort : SimulatedPort {
    OtherPort() { port->open(); }
};

// How writes ended, shared with the writes, whose ends may come after a failed test.
struct WriteTally {
    std::shared_ptr<std::vector<std::error_code>> ends =
        std::make_shared<std::vector<std::error_code>>();

    SerialPort::WriteDone done() const {
        return [ends = ends](std::error_code error) { ends->push_back(error); };
    }
    std::size_t ended() const { return ends->size(); }
    std::size_t written() const { return std::ranges::count(*ends, std::error_code()); }
    std::set<std::error_code> failures() const { // each kind once
        std::set<std::error_code> failed(ends->begin(), ends->end());
        failed.erase(std::error_code());
        return failed;
    }
};

// A line whose far end does not read, filled with single frames until the port holds some back.
struct FilledLine {
    WriteTally tally;
    std::size_t sent = 0;
    bool backedUp() const { return tally.ended() < sent; }
};

FilledLine fill(SerialPort& port) {
    FilledLine line;
    while (!line.backedUp() && line.sent < 100'000) {
        port.sendData(bytesOf(framesFor(7, 1)), line.tally.done());
        ++line.sent;
        mainQueue().runPending(); // the frames the driver took are told at once
    }
    return line;
}

class SerialPortWriteTest : public SerialPortFixture {
protected:
    void openOnADeafLine() {
        simulator.setSilent(true);
        simulator.setReadingPaused(true);
        openPort();
    }
};

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
    ASSERT_TRUE(
        runMainUntil([&] { return simulator.receivedFrames().size() == 2 * perThread; }, 10s));
    std::map<std::string, std::string> byCommand;
    for (const auto& frame : simulator.receivedFrames())
        byCommand[frame.substr(4, 2)] += frame;
    EXPECT_EQ(byCommand, (std::map<std::string, std::string>{{"01", framesFor(1, perThread)},
                                                             {"02", framesFor(2, perThread)}}));
}

TEST_F(SerialPortWriteTest, WhatTheDriverCannotTakeAtOnceWaitsInOrderAndIsNotLost) {
    openOnADeafLine();
    const auto data = framesFor(7, 4000); // far more than the terminal's buffers hold
    WriteTally tally;
    EXPECT_TRUE(port->sendData(bytesOf(data), tally.done()));
    EXPECT_TRUE(port->sendData(bytesOf(framesFor(8, 1)))) << "queued behind it";
    mainQueue().runPending();
    EXPECT_EQ(tally.ended(), 0u) << "the rest waits for room";
    simulator.setReadingPaused(false);
    ASSERT_TRUE(runMainUntil([&] { return tally.ended() == 1; }, 10s));
    EXPECT_EQ(tally.written(), 1u);
    ASSERT_TRUE(runMainUntil([&] { return simulator.receivedFrames().size() == 4001; }, 10s));
    const auto frames = simulator.receivedFrames();
    EXPECT_EQ(std::accumulate(frames.begin(), frames.end(), std::string()), data + framesFor(8, 1));
    EXPECT_EQ(delegate->count("error"), 0u);
}

TEST_F(SerialPortWriteTest, AWriteCutOffByUnplugFailsAndIsReported) {
    simulator.setReadingPaused(true);
    openPort();
    WriteTally tally;
    port->sendData(bytesOf(framesFor(7, 4000)), tally.done());
    simulator.unplug();
    ASSERT_TRUE(runMainUntil([&] { return tally.ended() == 1 && !port->isOpen(); }));
    const auto failures = tally.failures();
    EXPECT_TRUE(failures == std::set{posix(EIO)} || failures == std::set{posix(ENODEV)});
    EXPECT_EQ(delegate->count("removed"), 1u);
    WriteTally refused;
    EXPECT_FALSE(port->sendData(bytesOf(framesFor(7, 1)), refused.done()));
    ASSERT_TRUE(runMainUntil([&] { return refused.ended() == 1; }));
    EXPECT_EQ(refused.failures(), std::set{posix(EBADF)});
}

// A far end that stops reading (a hung monitor) holds neither a writer nor the other ports:
// what it does not take in time fails, later writes fail at once, until it drains.
TEST_F(SerialPortWriteTest, ALineThatStopsDrainingFailsItsWritesAloneInsteadOfHanging) {
    OtherPort other;
    ASSERT_TRUE(runMainUntil([&] { return other.delegate->count("opened") == 1; }));
    openOnADeafLine();
    port->setWriteTimeout(1s);
    const auto line = fill(*port);
    ASSERT_TRUE(line.backedUp());
    const auto& tally = line.tally;
    port->sendRequest(SerialRequest::requestWithDataToSend(
        bytesOf("5FF50A10000000000000A0FA"), {}, 0.2,
        SerialPacketDescriptor::withPrefixString("5FF5", "A0FA", 24)));
    for (std::size_t answered = 1; answered <= 5; ++answered) {
        sendDataWithCommand(*other.port, 10, 16);
        ASSERT_TRUE(
            runMainUntil([&] { return other.delegate->receivedBytes().size() == answered * 24; }));
    }
    EXPECT_TRUE(tally.failures().empty())
        << "the other port's answers came while this one still waited";

    ASSERT_TRUE(
        runMainUntil([&] { return tally.ended() == line.sent && !port->pendingRequest(); }));
    EXPECT_EQ(delegate->count("error"), 1u) << "one report for the frames the stall failed";
    EXPECT_FALSE(port->sendData(bytesOf(framesFor(7, 1))))
        << "stalled: fails without waiting again";
    EXPECT_EQ(delegate->count("error"), 2u);
    EXPECT_EQ(tally.failures(), std::set{posix(ETIMEDOUT)});
    for (const auto& call : delegate->calls)
        EXPECT_TRUE(call.operation != "error" || call.error.code == posix(ETIMEDOUT));
    EXPECT_EQ(delegate->count("timeout"), 0u) << "the request was never written";
    EXPECT_EQ(other.delegate->count("error"), 0u);
    EXPECT_TRUE(port->isOpen());

    // What was written before the stall arrives; then the line takes writes again.
    simulator.setReadingPaused(false);
    ASSERT_TRUE(simulator.waitForFrames(tally.written(), 10s));
    EXPECT_TRUE(runMainUntil([&] { return port->sendData(bytesOf(framesFor(8, 1))); }));
}

// Closing does not wait on the far end (a pool timer still fires), and every frame the driver
// took arrives once it reads again, so a program may end right after its last write.
TEST_F(SerialPortWriteTest, BackedUpLinesCloseWithoutHoldingThePoolAndLoseNothingTaken) {
    OtherPort other;
    other.simulator.setSilent(true);
    other.simulator.setReadingPaused(true);
    openOnADeafLine();
    ASSERT_TRUE(runMainUntil([&] { return other.delegate->count("opened") == 1; }));
    const auto line = fill(*port);
    const auto otherLine = fill(*other.port);
    ASSERT_TRUE(line.backedUp() && otherLine.backedUp());

    const auto fired = std::make_shared<std::atomic<bool>>(false);
    const auto timer = RepeatingTimer::start(20ms, 0ms, [fired] { *fired = true; });
    port->close();
    other.port->close();
    ASSERT_TRUE(runMainUntil([&] {
        return *fired && delegate->count("closed") == 1 && other.delegate->count("closed") == 1 &&
               line.tally.ended() == line.sent && otherLine.tally.ended() == otherLine.sent;
    }));
    EXPECT_TRUE(std::ranges::includes(std::set{posix(ECANCELED)}, line.tally.failures()));

    simulator.setReadingPaused(false);
    ASSERT_TRUE(simulator.waitForFrames(line.tally.written(), 10s));
    EXPECT_EQ(simulator.receivedFrames().size(), line.tally.written());
}
