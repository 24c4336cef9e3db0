#pragma once

#include <cstdint>

namespace monctl::platform {

// Device-independent modifier flags from an X11 modifier state (Shift, Lock, Control,
// Mod1 = Alt, Mod4 = Super). Num Lock and the other modifiers carry no flag.
std::uint32_t flagsFromX11State(unsigned state);

} // namespace monctl::platform
