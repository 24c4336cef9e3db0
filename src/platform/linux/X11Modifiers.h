#pragma once

#include <cstdint>
#include <vector>

namespace monctl::platform {

// The modifier keys as X11 knows them: Shift, Control, Mod1 = Alt (Option), Mod4 = Super
// (Command). Every conversion between X11 modifier states and device-independent modifier
// flags goes through this one table.

// Lock gives Caps Lock; Num Lock and the other modifiers carry no flag.
std::uint32_t flagsFromX11State(unsigned state);
// The modifier keys among the flags; Caps Lock and the keys' own bits have no state here.
unsigned x11StateFromFlags(std::uint64_t flags);
// The keys (X11 KeySyms) that hold the flags' modifiers down, in a fixed order.
std::vector<unsigned long> modifierKeysymsOf(std::uint64_t flags);
// Every modifier-key bit: what a state is cut to before it is compared with a combination.
unsigned x11ModifierKeysMask();

} // namespace monctl::platform
