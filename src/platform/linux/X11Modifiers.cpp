#include "platform/linux/X11Modifiers.h"

#include "platform/linux/EvdevKeyCodes.h"
#include "shortcut/KeyFlags.h"
#include "shortcut/ModifierFlags.h"
#include "shortcut/NativeKeyPress.h"

#include <X11/X.h>
#include <X11/keysym.h>

namespace monctl::platform {
namespace {

struct X11Modifier {
    std::uint32_t flag;
    unsigned mask;
    KeySym key;
};

constexpr X11Modifier x11Modifiers[] = {{ModifierFlag::shift, ShiftMask, XK_Shift_L},
                                        {ModifierFlag::control, ControlMask, XK_Control_L},
                                        {ModifierFlag::option, Mod1Mask, XK_Alt_L},
                                        {ModifierFlag::command, Mod4Mask, XK_Super_L}};

} // namespace

std::uint32_t flagsFromX11State(unsigned state) {
    return ((state & LockMask) ? ModifierFlag::capsLock : 0) |
           convertModifiers(x11Modifiers, state, &X11Modifier::mask, &X11Modifier::flag);
}

unsigned x11StateFromFlags(std::uint64_t flags) {
    return convertModifiers(x11Modifiers, flags, &X11Modifier::flag, &X11Modifier::mask);
}

std::vector<unsigned long> modifierKeysymsOf(std::uint64_t flags) {
    std::vector<unsigned long> keys;
    for (const auto& modifier : x11Modifiers) {
        if (flags & modifier.flag)
            keys.push_back(modifier.key);
    }
    return keys;
}

unsigned x11ModifierKeysMask() {
    return x11StateFromFlags(ModifierFlag::modifierKeys);
}

} // namespace monctl::platform

namespace monctl {

std::optional<KeyPressInfo> keyPressFromNative(std::uint32_t nativeKeyCode,
                                               std::uint32_t nativeModifiers) {
    const auto virtualKey = platform::virtualKeyFromX11Keycode(nativeKeyCode);
    if (!virtualKey)
        return std::nullopt;
    return KeyPressInfo{*virtualKey,
                        platform::flagsFromX11State(nativeModifiers) | flagsOfKey(*virtualKey)};
}

} // namespace monctl
