#pragma once

#include <cstdint>
#include <vector>

namespace monctl {

// Device-independent modifier flags, as the preferences store them.
namespace ModifierFlag {
constexpr std::uint32_t capsLock = 0x10000;
constexpr std::uint32_t shift = 0x20000;
constexpr std::uint32_t control = 0x40000;
constexpr std::uint32_t option = 0x80000;   // Alt
constexpr std::uint32_t command = 0x100000; // Super
constexpr std::uint32_t numericPad = 0x200000;
constexpr std::uint32_t function = 0x800000;
constexpr std::uint64_t deviceIndependentMask = 0xFFFF0000;
} // namespace ModifierFlag

// The three shortcuts the key monitors look for: key code and modifier flags of each.
// One for the process, touched on the main thread only.
struct HotkeyState {
    enum class Action { refresh, contrastUp, contrastDown };

    std::uint32_t RefreshHotkeyKeyCode = 2; // D
    std::uint32_t RefreshHotkeyModifierFlags = ModifierFlag::control;
    std::uint32_t ThresholdInfoHotkeyKeyCode = 32; // U
    std::uint32_t ThresholdInfoHotkeyModifierFlags = ModifierFlag::control;
    std::uint32_t ThresholdDownInfoHotkeyKeyCode = 35; // P
    std::uint32_t ThresholdDownInfoHotkeyModifierFlags = ModifierFlag::control;

    static HotkeyState& shared();

    // The actions a key press asks for, in this order: refresh, contrast up, contrast down.
    // Only the device-independent bits count, exactly; a press without any never matches.
    std::vector<Action> matches(std::uint16_t keyCode, std::uint64_t modifierFlags) const;
};

} // namespace monctl
