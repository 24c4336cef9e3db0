// The events the monitor's buttons become on a virtual input device of the kernel's.
#include "platform/linux/UinputInputSink.h"

#include "input/InputSynthesis.h"
#include "shortcut/KeyCodes.h"
#include "shortcut/ModifierFlags.h"

#include <chrono>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <tuple>
#include <unistd.h>

using namespace monctl;

namespace {

using Event = std::tuple<int, int, int>; // type, code, value
using Batch = std::vector<Event>;

constexpr Event syn{EV_SYN, SYN_REPORT, 0};

class RecordingDevice final : public UinputDevice {
public:
    explicit RecordingDevice(std::vector<Batch>& batches) : m_batches(batches) {}
    bool write(const std::vector<input_event>& batch) override {
        Batch events;
        for (const auto& event : batch)
            events.emplace_back(event.type, event.code, event.value);
        m_batches.push_back(events);
        return true;
    }

private:
    std::vector<Batch>& m_batches;
};

} // namespace

TEST(UinputInputSink, EachButtonIsOneBatchWithItsReleaseAndSynReports) {
    std::vector<Batch> batches;
    auto sink = std::make_shared<UinputInputSink>(std::make_unique<RecordingDevice>(batches));
    auto synthesis = std::make_shared<InputSynthesis>(sink, [] {});

    synthesis->receiveKeyBoardClickWithCode(VirtualKey::pageDown); // the function flag: no key
    synthesis->receiveMouseMovePointX(-6, 0);
    synthesis->receiveMouseMovePointX(0, 6);
    synthesis->receiveMouseClickEvent(0);
    synthesis->receiveMouseClickEvent(1);
    sink->postKeyPress(VirtualKey::space, ModifierFlag::control | ModifierFlag::shift);
    sink->postKeyPress(VirtualKey::m, 0); // not a key of the device: nothing

    const std::vector<Batch> expected{
        {{EV_KEY, KEY_PAGEDOWN, 1}, syn, {EV_KEY, KEY_PAGEDOWN, 0}, syn},
        {{EV_REL, REL_X, -6}, syn},
        {{EV_REL, REL_Y, 6}, syn},
        {{EV_KEY, BTN_LEFT, 1}, syn, {EV_KEY, BTN_LEFT, 0}, syn},
        {{EV_KEY, BTN_RIGHT, 1}, syn, {EV_KEY, BTN_RIGHT, 0}, syn},
        {{EV_KEY, KEY_LEFTSHIFT, 1},
         {EV_KEY, KEY_LEFTCTRL, 1},
         syn,
         {EV_KEY, KEY_SPACE, 1},
         syn,
         {EV_KEY, KEY_SPACE, 0},
         syn,
         {EV_KEY, KEY_LEFTCTRL, 0},
         {EV_KEY, KEY_LEFTSHIFT, 0},
         syn}};
    EXPECT_EQ(batches, expected);
}

// Runs where /dev/uinput exists and may be opened: the key press comes out of the device.
TEST(UinputInputSink, RealDeviceDeliversThePressAndItsRelease) {
    std::string whyNot;
    auto device = LibevdevUinputDevice::create(UinputInputSink::keys(), whyNot);
    if (!device)
        GTEST_SKIP() << whyNot;
    const int node = ::open(device->deviceNode().c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (node < 0)
        GTEST_SKIP() << "the new device's node cannot be read: " << device->deviceNode();
    auto* raw = device.get();
    UinputInputSink sink(std::move(device));
    sink.postKeyPress(VirtualKey::upArrow, 0);
    std::vector<Event> keys;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (keys.size() < 2 && std::chrono::steady_clock::now() < deadline) {
        pollfd readable{node, POLLIN, 0};
        ::poll(&readable, 1, 100);
        input_event event{};
        while (::read(node, &event, sizeof event) == sizeof event) {
            if (event.type == EV_KEY)
                keys.emplace_back(event.type, event.code, event.value);
        }
    }
    ::close(node);
    EXPECT_FALSE(raw->deviceNode().empty());
    EXPECT_EQ(keys, (std::vector<Event>{{EV_KEY, KEY_UP, 1}, {EV_KEY, KEY_UP, 0}}));
}
