#include "platform/linux/X11Modifiers.h"

#include "platform/linux/EvdevKeyCodes.h"
#include "shortcut/HotkeyState.h"
#include "shortcut/KeyFlags.h"
#include "shortcut/NativeKeyPress.h"

#include <X11/X.h>

namespace monctl::platform {

std::uint32_t flagsFromX11State(unsigned state) {
    std::uint32_t flags = 0;
    if (state & ShiftMask)
        flags |= ModifierFlag::shift;
    if (state & LockMask)
        flags |= ModifierFlag::capsLock;
    if (state & ControlMask)
        flags |= ModifierFlag::control;
    if (state & Mod1Mask)
        flags |= ModifierFlag::option;
    if (state & Mod4Mask)
        flags |= ModifierFlag::command;
    return flags;
}

} // namespace monctl::platform

namespace monctl {

std::optional<KeyPressInfo> keyPressFromNative(std::uint32_t nativeKeyCode,
                                               std::uint32_t nativeModifiers) {
    if (nativeKeyCode < platform::x11KeycodeOffset)
        return std::nullopt;
    const auto virtualKey = platform::virtualKeyFromEvdev(
        static_cast<std::uint16_t>(nativeKeyCode - platform::x11KeycodeOffset));
    if (!virtualKey)
        return std::nullopt;
    return KeyPressInfo{*virtualKey,
                        platform::flagsFromX11State(nativeModifiers) | flagsOfKey(*virtualKey)};
}

} // namespace monctl
