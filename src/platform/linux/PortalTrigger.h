#pragma once

#include "shortcut/Shortcut.h"

#include <string>

namespace monctl {

// A combination in the syntax of the desktop portals' preferred triggers: modifiers
// CTRL, ALT, SHIFT, LOGO, then the key's XKB name with letters in upper case ("CTRL+U",
// "LOGO+F5", "CTRL+Prior"). "" for a key without a name.
std::string portalTriggerOf(const Shortcut& shortcut);

} // namespace monctl
