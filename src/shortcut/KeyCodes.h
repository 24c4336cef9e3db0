#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace monctl {

// Virtual key codes: the keyboard's ANSI positions as macOS numbers them. They name keys
// everywhere inside monctl and in the preferences; each platform backend converts them at its
// edge. Only the keys monctl names itself are listed.
namespace VirtualKey {
enum : std::uint16_t {
    d = 2,
    q = 12,
    w = 13,
    u = 32,
    p = 35,
    m = 46,
    tab = 48,
    space = 49,
    deleteKey = 51,
    escape = 53,
    function = 63, // Fn
    f17 = 64,
    f18 = 79,
    f19 = 80,
    f20 = 90,
    f5 = 96,
    f6 = 97,
    f7 = 98,
    f3 = 99,
    f8 = 100,
    f9 = 101,
    f11 = 103,
    f13 = 105,
    f16 = 106,
    f14 = 107,
    f10 = 109,
    f12 = 111,
    f15 = 113,
    help = 114,
    home = 115,
    pageUp = 116,
    forwardDelete = 117,
    f4 = 118,
    end = 119,
    f2 = 120,
    pageDown = 121,
    f1 = 122,
    leftArrow = 123,
    rightArrow = 124,
    downArrow = 125,
    upArrow = 126,
};
} // namespace VirtualKey

// The function keys, F1 to F20 in order: the keys a shortcut may use without a modifier.
constexpr std::array<std::uint16_t, 20> functionKeys{
    VirtualKey::f1,  VirtualKey::f2,  VirtualKey::f3,  VirtualKey::f4,  VirtualKey::f5,
    VirtualKey::f6,  VirtualKey::f7,  VirtualKey::f8,  VirtualKey::f9,  VirtualKey::f10,
    VirtualKey::f11, VirtualKey::f12, VirtualKey::f13, VirtualKey::f14, VirtualKey::f15,
    VirtualKey::f16, VirtualKey::f17, VirtualKey::f18, VirtualKey::f19, VirtualKey::f20};
// Key texts name F1 to F19; F20 is left to the keyboard layout.
constexpr int lastNamedFunctionKey = 19;
// F1's key equivalent, the first of the platform's function-key characters, one per key.
constexpr char32_t firstFunctionKeyEquivalent = 0xF704;

// n for the function key Fn, none for any other key.
constexpr std::optional<int> functionKeyNumber(std::uint64_t keyCode) {
    for (std::size_t i = 0; i < functionKeys.size(); ++i) {
        if (functionKeys[i] == keyCode)
            return static_cast<int>(i) + 1;
    }
    return std::nullopt;
}

} // namespace monctl
