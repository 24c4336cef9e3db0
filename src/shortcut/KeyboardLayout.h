#pragma once

#include "runtime/Backend.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace monctl {

// The user's keyboard layout: what a key prints with no modifier held.
class KeyboardLayout : public Backend {
public:
    ~KeyboardLayout() override = default;

    // The key's text (UTF-8) in the current layout group; "" when the key prints nothing.
    virtual std::string textOfKey(std::uint16_t virtualKey) const = 0;

    // The layout the program chose at start; until then, and where none can be had, one in
    // which no key prints anything. Main thread only.
    static const KeyboardLayout& current();
    // Returns the layout used until now (none when none was chosen).
    static std::shared_ptr<const KeyboardLayout> use(std::shared_ptr<const KeyboardLayout> layout);
};

class NullKeyboardLayout final : public NullBackend<KeyboardLayout> {
public:
    using NullBackend::NullBackend;
    std::string textOfKey(std::uint16_t) const override { return {}; }
};

} // namespace monctl
