#include "shortcut/KeyFlags.h"

#include "shortcut/HotkeyState.h"

#include <algorithm>
#include <array>

namespace monctl {
namespace {

constexpr std::array<std::uint16_t, 18> keypadKeys{65, 67, 69, 71, 75, 76, 78, 81, 82,
                                                   83, 84, 85, 86, 87, 88, 89, 91, 92};
constexpr std::array<std::uint16_t, 27> functionKeys{64,  79,  80,  90,  96,  97,  98,  99,  100,
                                                     101, 103, 105, 106, 107, 109, 111, 113, 114,
                                                     115, 116, 117, 118, 119, 120, 121, 122, 63};

template <std::size_t size>
bool among(const std::array<std::uint16_t, size>& keys, std::uint16_t key) {
    return std::find(keys.begin(), keys.end(), key) != keys.end();
}

} // namespace

std::uint32_t flagsOfKey(std::uint16_t virtualKey) {
    if (virtualKey >= 123 && virtualKey <= 126) // the arrows
        return ModifierFlag::numericPad | ModifierFlag::function;
    if (among(keypadKeys, virtualKey))
        return ModifierFlag::numericPad;
    if (among(functionKeys, virtualKey))
        return ModifierFlag::function;
    return 0;
}

} // namespace monctl
