#pragma once

#include "shortcut/KeyCodes.h"
#include "shortcut/ModifierFlags.h"

#include <cstdint>
#include <vector>

namespace monctl {

// The three shortcuts the key monitors look for: key code and modifier flags of each.
// One for the process, touched on the main thread only.
struct HotkeyState {
    enum class Action { refresh, contrastUp, contrastDown };

    std::uint32_t RefreshHotkeyKeyCode = VirtualKey::d;
    std::uint32_t RefreshHotkeyModifierFlags = ModifierFlag::control;
    std::uint32_t ThresholdInfoHotkeyKeyCode = VirtualKey::u;
    std::uint32_t ThresholdInfoHotkeyModifierFlags = ModifierFlag::control;
    std::uint32_t ThresholdDownInfoHotkeyKeyCode = VirtualKey::p;
    std::uint32_t ThresholdDownInfoHotkeyModifierFlags = ModifierFlag::control;

    static HotkeyState& shared();

    // The actions a key press asks for, in this order: refresh, contrast up, contrast down.
    // Only Shift, Control, Alt and Super count, exactly; without any of them only a function
    // key matches.
    std::vector<Action> matches(std::uint16_t keyCode, std::uint64_t modifierFlags) const;
};

} // namespace monctl
