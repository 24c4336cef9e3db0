#pragma once

#include "shortcut/ShortcutValidator.h"

#include <memory>
#include <string>

namespace monctl {

// The check for combinations other X clients hold; none with the reason without X11.
std::shared_ptr<SystemShortcuts> openX11GrabProbe(std::string& whyNot);

} // namespace monctl
