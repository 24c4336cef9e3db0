#pragma once

#include "shared/Preferences.h"
#include "shortcut/KeyCodes.h"
#include "shortcut/ModifierFlags.h"

namespace monctl::test {

// Settings as confirmed once with Ctrl+D, Ctrl+U and Ctrl+Shift+P: what monctl asks the
// desktop to bind at start.
inline const StoredSettings confirmedShortcuts{.refreshKeyCode = VirtualKey::d,
                                               .refreshFlags = ModifierFlag::control,
                                               .thresholdKeyCode = VirtualKey::u,
                                               .thresholdFlags = ModifierFlag::control,
                                               .thresholdDownKeyCode = VirtualKey::p,
                                               .thresholdDownFlags =
                                                   ModifierFlag::control | ModifierFlag::shift};

} // namespace monctl::test
