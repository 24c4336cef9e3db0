#include "platform/linux/UinputInputSink.h"

#include "platform/linux/EvdevKeyCodes.h"
#include "shortcut/ModifierFlags.h"

#include <algorithm>
#include <cmath>
#include <spdlog/spdlog.h>

namespace monctl {
namespace {

// Held in this order before the key, let go of in the reverse order after it.
constexpr std::pair<std::uint32_t, unsigned> evdevModifiers[] = {
    {ModifierFlag::shift, KEY_LEFTSHIFT},
    {ModifierFlag::control, KEY_LEFTCTRL},
    {ModifierFlag::option, KEY_LEFTALT},
    {ModifierFlag::command, KEY_LEFTMETA}};

input_event event(unsigned type, unsigned code, int value) {
    input_event made{};
    made.type = static_cast<std::uint16_t>(type);
    made.code = static_cast<std::uint16_t>(code);
    made.value = value;
    return made;
}

void addReport(std::vector<input_event>& batch) {
    batch.push_back(event(EV_SYN, SYN_REPORT, 0));
}

} // namespace

Opened<UinputInputSink> UinputInputSink::open() {
    auto keys = LibevdevUinputDevice::create(keyboard());
    if (!keys)
        return Opened<UinputInputSink>::missing(keys.whyNot());
    auto pointing = LibevdevUinputDevice::create(pointer());
    if (!pointing)
        return Opened<UinputInputSink>::missing(pointing.whyNot());
    return std::make_unique<UinputInputSink>(keys.take(), pointing.take());
}

const UinputDeviceKind& UinputInputSink::keyboard() {
    static const UinputDeviceKind kind{"monctl keyboard",
                                       {KEY_PAGEDOWN, KEY_PAGEUP, KEY_DOWN, KEY_UP, KEY_SPACE,
                                        KEY_ENTER, KEY_LEFTSHIFT, KEY_LEFTCTRL, KEY_LEFTALT,
                                        KEY_LEFTMETA},
                                       {}};
    return kind;
}

const UinputDeviceKind& UinputInputSink::pointer() {
    static const UinputDeviceKind kind{"monctl pointer", {BTN_LEFT, BTN_RIGHT}, {REL_X, REL_Y}};
    return kind;
}

void UinputInputSink::postKeyPress(std::uint16_t virtualKey, std::uint64_t flags) {
    const auto key = platform::evdevFromVirtualKey(virtualKey);
    const auto& keys = keyboard().keys;
    if (!key || std::ranges::find(keys, *key) == keys.end()) {
        spdlog::debug("The virtual keyboard has no key for virtual key {}", virtualKey);
        return;
    }
    std::vector<unsigned> held;
    for (const auto& [flag, modifier] : evdevModifiers) {
        if (flags & flag)
            held.push_back(modifier);
    }
    std::vector<input_event> batch;
    batch.reserve(4 * held.size() + 4);
    for (const unsigned modifier : held)
        batch.push_back(event(EV_KEY, modifier, 1));
    if (!held.empty())
        addReport(batch);
    batch.push_back(event(EV_KEY, *key, 1));
    addReport(batch);
    batch.push_back(event(EV_KEY, *key, 0));
    addReport(batch);
    for (auto modifier = held.rbegin(); modifier != held.rend(); ++modifier)
        batch.push_back(event(EV_KEY, *modifier, 0));
    if (!held.empty())
        addReport(batch);
    write(*m_keyboard, batch);
}

// The position this sink reports is the origin: a move to a point is a step by its offsets.
void UinputInputSink::postPointerMove(PointerPosition to) {
    postPointerStep(static_cast<int>(std::lround(to.x)), static_cast<int>(std::lround(to.y)));
}

void UinputInputSink::postPointerStep(int dx, int dy) {
    std::vector<input_event> batch;
    if (dx != 0)
        batch.push_back(event(EV_REL, REL_X, dx));
    if (dy != 0)
        batch.push_back(event(EV_REL, REL_Y, dy));
    if (batch.empty())
        return;
    addReport(batch);
    write(*m_pointer, batch);
}

void UinputInputSink::postClick(int button, PointerPosition) {
    const unsigned code = button == 0 ? BTN_LEFT : BTN_RIGHT;
    std::vector<input_event> batch{event(EV_KEY, code, 1)};
    addReport(batch);
    batch.push_back(event(EV_KEY, code, 0));
    addReport(batch);
    write(*m_pointer, batch);
}

void UinputInputSink::write(UinputDevice& device, const std::vector<input_event>& batch) {
    if (const auto error = device.write(batch))
        spdlog::warn("The virtual input device took no events: {}", error.message());
}

} // namespace monctl
