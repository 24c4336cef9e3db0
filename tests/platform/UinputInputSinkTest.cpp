// The events the monitor's buttons become on two virtual input devices of the kernel's.
#include "platform/linux/UinputInputSink.h"

#include "input/InputSynthesis.h"
#include "platform/linux/InputDeviceAnnouncement.h"
#include "shortcut/KeyCodes.h"
#include "shortcut/ModifierFlags.h"

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <future>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <tuple>
#include <unistd.h>

using namespace monctl;
using namespace std::chrono_literals;

namespace {

using Clock = std::chrono::steady_clock;
using Event = std::tuple<int, int, int>; // type, code, value
using Batch = std::vector<Event>;
using Written = std::pair<std::string, Batch>; // the device's name, what it took

constexpr Event syn{EV_SYN, SYN_REPORT, 0};

class RecordingDevice final : public UinputDevice {
public:
    RecordingDevice(std::string name, std::vector<Written>& written)
        : m_name(std::move(name)), m_written(written) {}
    std::error_code write(const std::vector<input_event>& batch) override {
        Batch events;
        for (const auto& event : batch)
            events.emplace_back(event.type, event.code, event.value);
        m_written.emplace_back(m_name, events);
        return {};
    }

private:
    std::string m_name;
    std::vector<Written>& m_written;
};

// A reader of an event node, as the desktop is one.
class NodeReader {
public:
    explicit NodeReader(const std::string& node)
        : m_descriptor(::open(node.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)) {}
    ~NodeReader() {
        if (m_descriptor >= 0)
            ::close(m_descriptor);
    }
    NodeReader(const NodeReader&) = delete;
    NodeReader& operator=(const NodeReader&) = delete;

    bool isOpen() const { return m_descriptor >= 0; }

    std::string name() const {
        char name[256] = {};
        ::ioctl(m_descriptor, EVIOCGNAME(sizeof name - 1), name);
        return name;
    }

    bool offers(int type, int code) const {
        unsigned char bits[KEY_CNT / 8 + 1] = {};
        ::ioctl(m_descriptor, EVIOCGBIT(type, sizeof bits), bits);
        return (bits[code / 8] >> (code % 8)) & 1U;
    }

    // The events other than SYN, until there are as many as asked or 5 s have passed.
    std::vector<Event> read(std::size_t count) const {
        std::vector<Event> events;
        const auto deadline = Clock::now() + 5s;
        while (events.size() < count && Clock::now() < deadline) {
            pollfd readable{m_descriptor, POLLIN, 0};
            ::poll(&readable, 1, 100);
            input_event event{};
            while (::read(m_descriptor, &event, sizeof event) == sizeof event) {
                if (event.type != EV_SYN)
                    events.emplace_back(event.type, event.code, event.value);
            }
        }
        return events;
    }

private:
    int m_descriptor;
};

} // namespace

TEST(UinputInputSink, KeysGoToTheKeyboardAndTheRestToThePointerEachInOneBatchWithItsRelease) {
    std::vector<Written> written;
    auto sink =
        std::make_shared<UinputInputSink>(std::make_unique<RecordingDevice>("keyboard", written),
                                          std::make_unique<RecordingDevice>("pointer", written));
    auto synthesis = std::make_shared<InputSynthesis>(sink, [] {});

    synthesis->receiveKeyBoardClickWithCode(VirtualKey::pageDown); // the function flag: no key
    synthesis->receiveMouseMovePointX(-6, 0);
    synthesis->receiveMouseMovePointX(0, 6);
    synthesis->receiveMouseClickEvent(0);
    synthesis->receiveMouseClickEvent(1);
    sink->postKeyPress(VirtualKey::space, ModifierFlag::control | ModifierFlag::shift);
    sink->postKeyPress(VirtualKey::m, 0); // not a key of the device: nothing

    const std::vector<Written> expected{
        {"keyboard", {{EV_KEY, KEY_PAGEDOWN, 1}, syn, {EV_KEY, KEY_PAGEDOWN, 0}, syn}},
        {"pointer", {{EV_REL, REL_X, -6}, syn}},
        {"pointer", {{EV_REL, REL_Y, 6}, syn}},
        {"pointer", {{EV_KEY, BTN_LEFT, 1}, syn, {EV_KEY, BTN_LEFT, 0}, syn}},
        {"pointer", {{EV_KEY, BTN_RIGHT, 1}, syn, {EV_KEY, BTN_RIGHT, 0}, syn}},
        {"keyboard",
         {{EV_KEY, KEY_LEFTSHIFT, 1},
          {EV_KEY, KEY_LEFTCTRL, 1},
          syn,
          {EV_KEY, KEY_SPACE, 1},
          syn,
          {EV_KEY, KEY_SPACE, 0},
          syn,
          {EV_KEY, KEY_LEFTCTRL, 0},
          {EV_KEY, KEY_LEFTSHIFT, 0},
          syn}}};
    EXPECT_EQ(written, expected);
}

// Runs where /dev/uinput exists and may be opened: a keyboard with no pointer axes and a
// pointer with no keys, each delivering its first events.
TEST(UinputInputSink, RealDevicesAreAKeyboardAndAPointerThatDeliverTheirFirstEvents) {
    auto keyboard = LibevdevUinputDevice::create(UinputInputSink::keyboard());
    if (!keyboard)
        GTEST_SKIP() << keyboard.whyNot();
    auto pointer = LibevdevUinputDevice::create(UinputInputSink::pointer());
    ASSERT_TRUE(pointer) << pointer.whyNot();
    const NodeReader keys(keyboard->deviceNode());
    const NodeReader moves(pointer->deviceNode());
    ASSERT_TRUE(keys.isOpen() && moves.isOpen())
        << keyboard->deviceNode() << ", " << pointer->deviceNode();
    EXPECT_EQ(keys.name(), "monctl keyboard");
    EXPECT_EQ(moves.name(), "monctl pointer");
    EXPECT_TRUE(keys.offers(EV_KEY, KEY_LEFTMETA) && keys.offers(EV_KEY, KEY_PAGEDOWN));
    EXPECT_FALSE(keys.offers(EV_REL, REL_X) || keys.offers(EV_KEY, BTN_LEFT));
    EXPECT_TRUE(moves.offers(EV_REL, REL_Y) && moves.offers(EV_KEY, BTN_RIGHT));
    EXPECT_FALSE(moves.offers(EV_KEY, KEY_UP));

    UinputInputSink sink(keyboard.take(), pointer.take());
    sink.postKeyPress(VirtualKey::upArrow, ModifierFlag::control);
    sink.postPointerStep(6, 0);
    sink.postClick(0, {});
    EXPECT_EQ(keys.read(4), (std::vector<Event>{{EV_KEY, KEY_LEFTCTRL, 1},
                                                {EV_KEY, KEY_UP, 1},
                                                {EV_KEY, KEY_UP, 0},
                                                {EV_KEY, KEY_LEFTCTRL, 0}}));
    EXPECT_EQ(
        moves.read(3),
        (std::vector<Event>{{EV_REL, REL_X, 6}, {EV_KEY, BTN_LEFT, 1}, {EV_KEY, BTN_LEFT, 0}}));
}

// Where udev does not run, a new device counts as announced once its node exists.
TEST(InputDeviceAnnouncement, ANodeIsAwaitedUntilItAppearsOrTheDeadlinePasses) {
    std::string folder = (std::filesystem::temp_directory_path() / "monctl-nodes-XXXXXX").string();
    ASSERT_NE(::mkdtemp(folder.data()), nullptr);
    const auto input = std::filesystem::path(folder) / "input"; // not there yet either
    auto appeared = std::async(std::launch::async, [&] {
        return waitForPath((input / "event0").string(), Clock::now() + 30s);
    });
    std::filesystem::create_directory(input);
    std::ofstream(input / "event0").put('\n');
    EXPECT_TRUE(appeared.get());
    EXPECT_FALSE(waitForPath((input / "event1").string(), Clock::now() + 100ms));
    std::filesystem::remove_all(folder);
}
