#include "shortcut/KeyFlags.h"

#include "shortcut/KeyCodes.h"
#include "shortcut/ModifierFlags.h"

#include <algorithm>
#include <array>

namespace monctl {
namespace {

constexpr std::array<std::uint16_t, 18> keypadKeys{65, 67, 69, 71, 75, 76, 78, 81, 82,
                                                   83, 84, 85, 86, 87, 88, 89, 91, 92};
// The other keys whose presses carry the function-key bit: Fn and the navigation keys.
constexpr std::array<std::uint16_t, 7> navigationKeys{
    VirtualKey::function, VirtualKey::help,     VirtualKey::home,         VirtualKey::pageUp,
    VirtualKey::end,      VirtualKey::pageDown, VirtualKey::forwardDelete};

template <std::size_t size>
bool among(const std::array<std::uint16_t, size>& keys, std::uint16_t key) {
    return std::find(keys.begin(), keys.end(), key) != keys.end();
}

} // namespace

std::uint32_t flagsOfKey(std::uint16_t virtualKey) {
    if (virtualKey >= VirtualKey::leftArrow && virtualKey <= VirtualKey::upArrow)
        return ModifierFlag::numericPad | ModifierFlag::function;
    if (among(keypadKeys, virtualKey))
        return ModifierFlag::numericPad;
    if (functionKeyNumber(virtualKey) || among(navigationKeys, virtualKey))
        return ModifierFlag::function;
    return 0;
}

} // namespace monctl
