#pragma once

#include "runtime/Backend.h"
#include "shortcut/ShortcutValidator.h"

namespace monctl {

// The check for combinations other X clients hold; none with the reason without X11.
Opened<SystemShortcuts> openX11GrabProbe();

} // namespace monctl
