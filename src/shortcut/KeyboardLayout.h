#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace monctl {

// The user's keyboard layout: what a key prints with no modifier held.
class KeyboardLayout {
public:
    virtual ~KeyboardLayout() = default;

    // The key's text (UTF-8) in the current layout group; "" when the key prints nothing.
    virtual std::string textOfKey(std::uint16_t virtualKey) const = 0;

    // The layout of this desktop (the X server's keymap), else the one the usual XKB
    // environment names (XKB_DEFAULT_LAYOUT, default "us"); none when neither can be had.
    // Made once per process, on first use.
    static const KeyboardLayout* current();
};

} // namespace monctl
