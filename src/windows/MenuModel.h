#pragma once

#include "shortcut/ShortcutValidator.h"

class QMenuBar;

namespace monctl {

// The menu bar's items as the shortcut validator walks them.
Menu menuFromMenuBar(const QMenuBar* menuBar);

} // namespace monctl
