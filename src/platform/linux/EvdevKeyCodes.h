#pragma once

#include <cstdint>
#include <optional>

namespace monctl::platform {

// The one table between the virtual key codes used everywhere inside monctl (the keyboard's
// ANSI positions: 0 A, 49 Space, 125 Down, ...) and Linux evdev key codes. An X11 key code
// is the evdev code plus 8.
std::optional<std::uint16_t> evdevFromVirtualKey(std::uint16_t virtualKey);
std::optional<std::uint16_t> virtualKeyFromEvdev(std::uint16_t evdev);

constexpr std::uint16_t x11KeycodeOffset = 8;

// The same through X11 key codes; none for a key either side lacks.
std::optional<unsigned> x11KeycodeFromVirtualKey(std::uint64_t virtualKey);
std::optional<std::uint16_t> virtualKeyFromX11Keycode(unsigned keycode);

} // namespace monctl::platform
