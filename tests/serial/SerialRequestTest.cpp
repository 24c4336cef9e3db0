#include "serial/SerialRequest.h"

#include "SerialPortFixture.h"
#include "serial/SerialPacketDescriptor.h"

#include <atomic>
#include <gtest/gtest.h>
#include <map>
#include <mutex>

using namespace monctl;
using namespace monctl::test;
using namespace std::chrono_literals;

namespace {

const std::string probe = "5FF50A10000000000000A0FA";

std::shared_ptr<const SerialPacketDescriptor> monitorFrame() {
    return SerialPacketDescriptor::withPrefixString("5FF5", "A0FA", 24);
}

std::shared_ptr<SerialRequest> probeRequest(double timeout = 0) {
    return SerialRequest::requestWithDataToSend(bytesOf(probe), {}, timeout, monitorFrame());
}

std::vector<std::string> responses(const RecordingDelegate& delegate) {
    std::vector<std::string> texts;
    for (const auto& call : delegate.calls) {
        if (call.operation == "response")
            texts.emplace_back(call.data.begin(), call.data.end());
    }
    return texts;
}

class SerialRequestTest : public SerialPortFixture {
protected:
    void SetUp() override {
        SerialPortFixture::SetUp();
        openPort();
    }
};

} // namespace

TEST_F(SerialRequestTest, RequestsGoOneAtATimeEachAfterTheAnswerToTheOneBefore) {
    std::atomic<int> queueChanges = 0; // counted on the main thread
    const auto watching = port->queuedRequestsChanged.connect([&] { ++queueChanges; });
    simulator.setAnswerDelay(200ms);
    const auto first = probeRequest();
    const auto second = probeRequest();
    const auto third = probeRequest();
    for (const auto& request : {first, second, third})
        EXPECT_TRUE(port->sendRequest(request));
    EXPECT_EQ(port->queuedRequests(), (std::vector<std::shared_ptr<SerialRequest>>{second, third}));
    EXPECT_EQ(port->pendingRequest(), first);
    ASSERT_TRUE(simulator.waitForFrames(1, 5s));
    EXPECT_EQ(simulator.receivedFrames().size(), 1u) << "the second waits for the first's answer";
    ASSERT_TRUE(runMainUntil([&] { return responses(*delegate).size() == 3; }));
    EXPECT_EQ(responses(*delegate)[0], MonitorSimulator::identityReply());
    EXPECT_EQ(simulator.receivedFrames().size(), 3u);
    EXPECT_GE(queueChanges, 2);
    // The answer reaches the delegate while the queue moves on: wait for it to be idle.
    ASSERT_TRUE(runMainUntil([&] { return port->pendingRequest() == nullptr; }));

    // A request that expects no response is done as soon as it is written.
    const auto fireAndForget =
        SerialRequest::requestWithDataToSend(bytesOf("5FF50301000000000000A0FA"), {}, 0, nullptr);
    EXPECT_TRUE(port->sendRequest(fireAndForget));
    EXPECT_EQ(port->pendingRequest(), nullptr);
}

TEST_F(SerialRequestTest, ATimeOutIsReportedBeforeTheNextRequestLeaves) {
    simulator.setSilent(true);
    const auto unanswered = probeRequest(0.5);
    const auto next = probeRequest();
    port->sendRequest(unanswered);
    port->sendRequest(next);
    ASSERT_TRUE(simulator.waitForFrames(1, 5s));
    ASSERT_TRUE(runMainUntil([&] { return delegate->count("timeout") == 1; }));
    ASSERT_TRUE(simulator.waitForFrames(2, 5s));
    const auto times = simulator.receivedTimes();
    EXPECT_GE(times[1] - times[0], 450ms);
    const auto timedOut =
        std::find_if(delegate->calls.begin(), delegate->calls.end(),
                     [](const auto& call) { return call.operation == "timeout"; });
    EXPECT_EQ(timedOut->about, unanswered.get());
    EXPECT_LE(timedOut->at, times[1]) << "reported before the next request went out";
    EXPECT_EQ(port->pendingRequest(), next);
}

// Counts the bytes the request-handling queue takes in, as it takes them.
class ByteCounter {
public:
    std::shared_ptr<const SerialPacketDescriptor> descriptor() {
        return std::make_shared<const SerialPacketDescriptor>(1, std::any(), [this](const Bytes&) {
            std::lock_guard lock(m_mutex);
            ++m_count;
            return false;
        });
    }

    bool reached(std::size_t count) {
        std::lock_guard lock(m_mutex);
        return m_count >= count;
    }

private:
    std::mutex m_mutex;
    std::size_t m_count = 0;
};

TEST_F(SerialRequestTest, AnAnswerArrivingAsItsRequestTimesOutDoesNotEndItTwice) {
    simulator.setSilent(true);
    const auto late = probeRequest(0.2);
    const auto contrast = SerialRequest::requestWithDataToSend(bytesOf("5FF50A01000000000000A0FA"),
                                                               {}, 2, monitorFrame());
    const auto speed = SerialRequest::requestWithDataToSend(bytesOf("5FF50A04000000000000A0FA"), {},
                                                            2, monitorFrame());
    ByteCounter counter;
    const auto watcher = counter.descriptor();
    port->startListeningForPacketsMatchingDescriptor(watcher);
    // The answer comes while the delegate hears of the time-out, before the queue moves on:
    // the main loop runs inside the delegate call until the bytes have been matched.
    delegate->onTimeout = [&](const SerialRequest&) {
        delegate->onTimeout = nullptr;
        simulator.sendRaw(MonitorSimulator::identityReply());
        ASSERT_TRUE(runMainUntil(
            [&] { return counter.reached(MonitorSimulator::identityReply().size()); }));
        port->stopListeningForPacketsMatchingDescriptor(watcher); // the answer has been taken
        simulator.setSilent(false);
    };
    for (const auto& request : {late, contrast, speed})
        port->sendRequest(request);

    std::map<const void*, std::vector<std::string>> ends;
    EXPECT_TRUE(runMainUntil([&] {
        ends.clear();
        for (const auto& call : delegate->calls) {
            if (call.operation == "timeout" || call.operation == "response")
                ends[call.about].push_back(call.operation == "timeout"
                                               ? "timeout"
                                               : std::string(call.data.begin(), call.data.end()));
        }
        return ends.size() == 3;
    }));
    EXPECT_EQ(ends[late.get()], std::vector<std::string>{"timeout"});
    EXPECT_EQ(ends[contrast.get()],
              std::vector<std::string>{MonitorSimulator::deviceFrame(0xF0, 10, 1, 5)});
    EXPECT_EQ(ends[speed.get()],
              std::vector<std::string>{MonitorSimulator::deviceFrame(0xF0, 10, 4, 1)});
    EXPECT_EQ(simulator.receivedFrames().size(), 3u);
}

TEST_F(SerialRequestTest, AResponseSplitOverTwoChunksIsReportedOnceAfterBoth) {
    const auto request = SerialRequest::requestWithDataToSend(
        bytesOf("ping"), {}, 0, SerialPacketDescriptor::withPrefix(Bytes{0xAA}, Bytes{0x55}, 8));
    port->sendRequest(request);
    simulator.sendRaw(std::string("\x01\xAA", 2));
    ASSERT_TRUE(runMainUntil([&] { return delegate->count("data") == 1; }));
    simulator.sendRaw(std::string("\x10\x55", 2));
    ASSERT_TRUE(runMainUntil([&] { return delegate->count("response") == 1; }));
    EXPECT_EQ(delegate->operations(),
              (std::vector<std::string>{"opened", "data", "data", "response"}));
    EXPECT_EQ(delegate->calls.back().data, (Bytes{0xAA, 0x10, 0x55}));

    // Without an evaluator any first byte answers.
    port->sendRequest(SerialRequest::requestWithResponseEvaluator(bytesOf("ping"), {}, 0, nullptr));
    simulator.sendRaw("Z");
    ASSERT_TRUE(runMainUntil([&] { return delegate->count("response") == 2; }));
    EXPECT_EQ(delegate->calls.back().data, bytesOf("Z"));
}

TEST_F(SerialRequestTest, CancellingLeavesThePendingRequestInFlight) {
    simulator.setSilent(true);
    const auto pending = probeRequest();
    const auto queued = probeRequest();
    const auto last = probeRequest();
    for (const auto& request : {pending, queued, last})
        port->sendRequest(request);
    port->cancelQueuedRequest(pending);
    port->cancelQueuedRequest(queued);
    port->cancelQueuedRequest(nullptr);
    port->sendRequest(probeRequest()); // waits for the queue, so the cancels have run
    EXPECT_EQ(port->pendingRequest(), pending);
    EXPECT_EQ(port->queuedRequests().size(), 2u);
    EXPECT_EQ(port->queuedRequests().front(), last);
    port->cancelAllQueuedRequests();
    port->sendRequest(probeRequest());
    port->cancelAllQueuedRequests();
    ASSERT_TRUE(runMainUntil([&] { return port->queuedRequests().empty(); }));
    EXPECT_EQ(port->pendingRequest(), pending);
}

TEST_F(SerialRequestTest, ListenedPacketsAreReportedInOrderToEveryMatchingDescriptor) {
    const auto stx = SerialPacketDescriptor::withPrefix(Bytes{0x02}, Bytes{0x03}, 8);
    const auto sameAgain = SerialPacketDescriptor::withPrefix(Bytes{0x02}, Bytes{0x03}, 8);
    int descriptorChanges = 0;
    const auto watching = port->packetDescriptorsChanged.connect([&] { ++descriptorChanges; });
    port->startListeningForPacketsMatchingDescriptor(stx);
    port->startListeningForPacketsMatchingDescriptor(stx);
    port->startListeningForPacketsMatchingDescriptor(sameAgain);
    EXPECT_EQ(port->packetDescriptors().size(), 2u);
    EXPECT_EQ(descriptorChanges, 2);
    simulator.sendRaw(std::string("\x02\x41\x03\x02\x42\x03", 6));
    ASSERT_TRUE(runMainUntil([&] { return delegate->count("packet") == 4; }));
    std::vector<std::pair<const void*, Bytes>> packets;
    for (const auto& call : delegate->calls) {
        if (call.operation == "packet")
            packets.emplace_back(call.about, call.data);
    }
    EXPECT_EQ(packets[0].second, (Bytes{0x02, 0x41, 0x03}));
    EXPECT_EQ(packets[1].second, (Bytes{0x02, 0x41, 0x03}));
    EXPECT_NE(packets[0].first, packets[1].first);
    EXPECT_EQ(packets[2].second, (Bytes{0x02, 0x42, 0x03}));
    EXPECT_EQ(delegate->operations()[1], "data") << "the raw chunk comes first";
    port->stopListeningForPacketsMatchingDescriptor(stx);
    port->stopListeningForPacketsMatchingDescriptor(stx);
    EXPECT_EQ(port->packetDescriptors().size(), 1u);
    EXPECT_EQ(descriptorChanges, 4);
}

TEST_F(SerialRequestTest, ARequestThatCannotBeWrittenDoesNotHoldUpTheQueue) {
    auto minimal = std::make_shared<MinimalDelegate>(); // hears nothing of the close
    port->setDelegate(minimal);
    simulator.setSilent(true);
    const auto waiting = probeRequest(0.2);
    port->sendRequest(waiting);
    for (int i = 0; i < 3; ++i)
        port->sendRequest(probeRequest());
    port->close();
    ASSERT_TRUE(runMainUntil([&] { return !port->isOpen(); }));
    // The first times out; the others cannot be written and go one after the other.
    ASSERT_TRUE(
        runMainUntil([&] { return !port->pendingRequest() && port->queuedRequests().empty(); }));
    EXPECT_FALSE(port->sendRequest(probeRequest()));
    EXPECT_EQ(port->pendingRequest(), nullptr);
}
