#include "shortcut/HotkeyState.h"

namespace monctl {

HotkeyState& HotkeyState::shared() {
    static HotkeyState state;
    return state;
}

std::vector<HotkeyState::Action> HotkeyState::matches(std::uint16_t keyCode,
                                                      std::uint64_t modifierFlags) const {
    // Lock keys and the flags a key adds to its own presses are no part of a combination.
    const std::uint64_t flags = modifierFlags & ModifierFlag::modifierKeys;
    if (flags == 0 && !functionKeyNumber(keyCode))
        return {};
    std::vector<Action> actions;
    const auto test = [&](std::uint32_t code, std::uint32_t wanted, Action action) {
        if (flags == (wanted & ModifierFlag::modifierKeys) && keyCode == code)
            actions.push_back(action);
    };
    test(RefreshHotkeyKeyCode, RefreshHotkeyModifierFlags, Action::refresh);
    test(ThresholdInfoHotkeyKeyCode, ThresholdInfoHotkeyModifierFlags, Action::contrastUp);
    test(ThresholdDownInfoHotkeyKeyCode, ThresholdDownInfoHotkeyModifierFlags,
         Action::contrastDown);
    return actions;
}

} // namespace monctl
