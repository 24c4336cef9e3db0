#include "serial/SerialRequest.h"

#include "SerialPortFixture.h"

#include <atomic>
#include <map>

using namespace monctl;
using namespace monctl::test;
using namespace std::chrono_literals;
using Requests = std::vector<std::shared_ptr<SerialRequest>>;

namespace {

std::shared_ptr<const SerialPacketDescriptor> monitorFrame() {
    return SerialPacketDescriptor::withPrefixString("5FF5", "A0FA", 24);
}

std::shared_ptr<SerialRequest> probeRequest(double timeout = 0,
                                            const char* frame = "5FF50A10000000000000A0FA") {
    return SerialRequest::requestWithDataToSend(bytesOf(frame), {}, timeout, monitorFrame());
}

class SerialRequestTest : public SerialPortFixture {
protected:
    void SetUp() override {
        SerialPortFixture::SetUp();
        openPort();
    }
};

} // namespace

// Cancelling leaves the request in flight; requests that cannot be written after a close do
// not hold up the queue.
TEST_F(SerialRequestTest, CancelledAndUnwritableRequestsLeaveTheQueue) {
    simulator.setSilent(true);
    const auto pending = probeRequest(2);
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
    ASSERT_TRUE(runMainUntil([&] { return port->queuedRequests().empty(); }));
    EXPECT_EQ(port->pendingRequest(), pending);

    port->setDelegate(std::make_shared<MinimalDelegate>()); // hears nothing of the close
    for (int i = 0; i < 3; ++i)
        port->sendRequest(probeRequest());
    port->close();
    ASSERT_TRUE(runMainUntil([&] {
        return !port->isOpen() && !port->pendingRequest() && port->queuedRequests().empty();
    }));
    EXPECT_FALSE(port->sendRequest(probeRequest()));
    EXPECT_EQ(port->pendingRequest(), nullptr);
}

// Each request goes out once the one before is answered or timed out, told before the next
// leaves. An answer that arrives while the time-out is being told ends nothing twice.
TEST_F(SerialRequestTest, RequestsGoOneAtATimeEachAfterTheAnswerOrTheTimeOutBeforeIt) {
    int queueChanges = 0;
    const auto watching = port->queuedRequestsChanged.connect([&] { ++queueChanges; });
    simulator.setSilent(true);
    const auto late = probeRequest(0.2);
    const auto contrast = probeRequest(2, "5FF50A01000000000000A0FA");
    const auto speed = probeRequest(2, "5FF50A04000000000000A0FA");
    std::atomic<std::size_t> taken = 0; // by the request-handling queue, as it takes them
    const auto watcher =
        std::make_shared<const SerialPacketDescriptor>(1, std::any(), [&](const Bytes&) {
            ++taken;
            return false;
        });
    port->startListeningForPacketsMatchingDescriptor(watcher);
    std::chrono::steady_clock::time_point toldAt;
    delegate->onTimeout = [&](const SerialRequest&) {
        delegate->onTimeout = nullptr;
        toldAt = delegate->calls.back().at;
        simulator.sendRaw(MonitorSimulator::identityReply());
        ASSERT_TRUE(
            runMainUntil([&] { return taken >= MonitorSimulator::identityReply().size(); }));
        port->stopListeningForPacketsMatchingDescriptor(watcher); // the answer has been taken
        simulator.setAnswerDelay(200ms);
        simulator.setSilent(false);
    };
    for (const auto& request : {late, contrast, speed})
        EXPECT_TRUE(port->sendRequest(request));
    EXPECT_EQ(port->queuedRequests(), (Requests{contrast, speed}));
    EXPECT_EQ(port->pendingRequest(), late);

    using Ends = std::map<const void*, std::vector<std::string>>; // of each request
    Ends ends;
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
    EXPECT_EQ(ends, (Ends{{late.get(), {"timeout"}},
                          {contrast.get(), {MonitorSimulator::deviceFrame(0xF0, 10, 1, 5)}},
                          {speed.get(), {MonitorSimulator::deviceFrame(0xF0, 10, 4, 1)}}}));
    const auto times = simulator.receivedTimes();
    ASSERT_EQ(times.size(), 3u);
    EXPECT_GE(times[1] - times[0], 150ms) << "the time-out ran its course";
    EXPECT_LE(toldAt, times[1]) << "told before the next went out";
    EXPECT_GE(times[2] - times[1], 150ms) << "the next waited for the answer";
    EXPECT_GE(queueChanges, 2);

    // A request that expects no response is done as soon as it is written.
    ASSERT_TRUE(runMainUntil([&] { return port->pendingRequest() == nullptr; }));
    EXPECT_TRUE(port->sendRequest(
        SerialRequest::requestWithDataToSend(bytesOf("5FF50301000000000000A0FA"), {}, 0, nullptr)));
    EXPECT_EQ(port->pendingRequest(), nullptr);
}

// A response split over two chunks is reported once after both; without an evaluator any
// first byte answers. Listened packets go in order to every matching descriptor.
TEST_F(SerialRequestTest, ResponsesAndListenedPacketsAreFoundInTheChunksThatArrive) {
    port->sendRequest(SerialRequest::requestWithDataToSend(
        bytesOf("ping"), {}, 0, SerialPacketDescriptor::withPrefix(Bytes{0xAA}, Bytes{0x55}, 8)));
    simulator.sendRaw(std::string("\x01\xAA", 2));
    ASSERT_TRUE(runMainUntil([&] { return delegate->count("data") == 1; }));
    simulator.sendRaw(std::string("\x10\x55", 2));
    ASSERT_TRUE(runMainUntil([&] { return delegate->count("response") == 1; }));
    EXPECT_EQ(delegate->operations(),
              (std::vector<std::string>{"opened", "data", "data", "response"}));
    EXPECT_EQ(delegate->calls.back().data, (Bytes{0xAA, 0x10, 0x55}));
    port->sendRequest(SerialRequest::requestWithResponseEvaluator(bytesOf("ping"), {}, 0, nullptr));
    simulator.sendRaw("Z");
    ASSERT_TRUE(runMainUntil([&] { return delegate->count("response") == 2; }));
    EXPECT_EQ(delegate->calls.back().data, bytesOf("Z"));

    const auto stx = SerialPacketDescriptor::withPrefix(Bytes{0x02}, Bytes{0x03}, 8);
    const auto sameAgain = SerialPacketDescriptor::withPrefix(Bytes{0x02}, Bytes{0x03}, 8);
    int descriptorChanges = 0;
    const auto watching = port->packetDescriptorsChanged.connect([&] { ++descriptorChanges; });
    port->startListeningForPacketsMatchingDescriptor(stx);
    port->startListeningForPacketsMatchingDescriptor(stx);
    port->startListeningForPacketsMatchingDescriptor(sameAgain);
    EXPECT_EQ(port->packetDescriptors().size(), 2u);
    delegate->calls.clear();
    simulator.sendRaw(std::string("\x02\x41\x03\x02\x42\x03", 6));
    ASSERT_TRUE(runMainUntil([&] { return delegate->count("packet") == 4; }));
    EXPECT_EQ(delegate->operations()[0], "data") << "the raw chunk comes first";
    const auto& calls = delegate->calls;
    EXPECT_EQ(calls[1].data, (Bytes{0x02, 0x41, 0x03}));
    EXPECT_EQ(calls[2].data, (Bytes{0x02, 0x41, 0x03}));
    EXPECT_NE(calls[1].about, calls[2].about);
    EXPECT_EQ(calls[3].data, (Bytes{0x02, 0x42, 0x03}));
    port->stopListeningForPacketsMatchingDescriptor(stx);
    port->stopListeningForPacketsMatchingDescriptor(stx);
    EXPECT_EQ(port->packetDescriptors().size(), 1u);
    EXPECT_EQ(descriptorChanges, 4);
}
