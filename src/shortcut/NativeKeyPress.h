#pragma once

#include <cstdint>
#include <optional>

namespace monctl {

struct KeyPressInfo {
    std::uint16_t virtualKey;
    std::uint64_t flags; // device-independent modifier flags, the key's own flags included
};

// A key press as the window system reported it (its native key code and modifier state),
// in monctl's terms; none for a key monctl has no code for.
std::optional<KeyPressInfo> keyPressFromNative(std::uint32_t nativeKeyCode,
                                               std::uint32_t nativeModifiers);

} // namespace monctl
