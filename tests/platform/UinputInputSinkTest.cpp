// The events the monitor's buttons become on two virtual input devices of the kernel's. The
// devices themselves, as the desktop reads them, are tested on a real kernel (tests/vm).
#include "platform/linux/UinputInputSink.h"

#include "input/InputSynthesis.h"
#include "platform/linux/InputDeviceAnnouncement.h"
#include "shortcut/KeyCodes.h"
#include "shortcut/ModifierFlags.h"

#include <filesystem>
#include <fstream>
#include <future>
#include <gtest/gtest.h>
#include <tuple>

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

    const auto key = [](int code, int value) { return Event{EV_KEY, code, value}; };
    const auto move = [](int code, int value) { return Batch{{EV_REL, code, value}, syn}; };
    const auto click = [&](int code) { return Batch{key(code, 1), syn, key(code, 0), syn}; };
    const std::vector<Written> expected{
        {"keyboard", click(KEY_PAGEDOWN)},
        {"pointer", move(REL_X, -6)},
        {"pointer", move(REL_Y, 6)},
        {"pointer", click(BTN_LEFT)},
        {"pointer", click(BTN_RIGHT)},
        {"keyboard",
         {key(KEY_LEFTSHIFT, 1), key(KEY_LEFTCTRL, 1), syn, key(KEY_SPACE, 1), syn,
          key(KEY_SPACE, 0), syn, key(KEY_LEFTCTRL, 0), key(KEY_LEFTSHIFT, 0), syn}}};
    EXPECT_EQ(written, expected);
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
