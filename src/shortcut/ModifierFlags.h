#pragma once

#include <cstddef>
#include <cstdint>

namespace monctl {

// Device-independent modifier flags, as the preferences store them. Every other encoding of
// the modifiers (Carbon hot keys here, X11 and Qt at their edges) is converted from these.
namespace ModifierFlag {
constexpr std::uint32_t capsLock = 0x10000;
constexpr std::uint32_t shift = 0x20000;
constexpr std::uint32_t control = 0x40000;
constexpr std::uint32_t option = 0x80000;   // Alt
constexpr std::uint32_t command = 0x100000; // Super
constexpr std::uint32_t numericPad = 0x200000;
constexpr std::uint32_t function = 0x800000;
constexpr std::uint32_t modifierKeys = shift | control | option | command;
} // namespace ModifierFlag

// The four modifier keys a shortcut holds, in the order they are shown, with their bit in the
// Carbon hot-key encoding, their glyph and their name on Linux desktops.
struct ModifierKey {
    std::uint32_t flag;
    std::uint32_t carbonFlag;
    const char* glyph;
    const char* desktopName;
};
inline constexpr ModifierKey modifierKeys[] = {
    {ModifierFlag::control, 0x1000, "\u2303", "Ctrl"},
    {ModifierFlag::option, 0x800, "\u2325", "Alt"},
    {ModifierFlag::shift, 0x200, "\u21E7", "Shift"},
    {ModifierFlag::command, 0x100, "\u2318", "Super"},
};

// How a table of modifier keys converts one encoding into another: the bits of the `to` column
// of every row whose `from` bits are set in the value. Other bits convert to nothing.
template <class Row, std::size_t rows, class From, class To>
constexpr To convertModifiers(const Row (&table)[rows], std::uint64_t value, From Row::*from,
                              To Row::*to) {
    To converted = 0;
    for (const Row& row : table) {
        if (value & row.*from)
            converted |= row.*to;
    }
    return converted;
}

constexpr std::uint32_t carbonFlagsFromFlags(std::uint64_t flags) {
    return convertModifiers(modifierKeys, flags, &ModifierKey::flag, &ModifierKey::carbonFlag);
}

constexpr std::uint32_t flagsFromCarbonFlags(std::uint32_t carbon) {
    return convertModifiers(modifierKeys, carbon, &ModifierKey::carbonFlag, &ModifierKey::flag);
}

} // namespace monctl
