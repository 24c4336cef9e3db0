#pragma once

#include "shared/Preferences.h"
#include "shortcut/KeyCodes.h"
#include "shortcut/ModifierFlags.h"

namespace monctl::test {

// Settings as confirmed once with Ctrl+D, Ctrl+U and Ctrl+Shift+P: what monctl asks the
// desktop to bind at start.
inline StoredSettings confirmedShortcuts() {
    StoredSettings stored;
    stored.refreshKeyCode = VirtualKey::d;
    stored.refreshFlags = ModifierFlag::control;
    stored.thresholdKeyCode = VirtualKey::u;
    stored.thresholdFlags = ModifierFlag::control;
    stored.thresholdDownKeyCode = VirtualKey::p;
    stored.thresholdDownFlags = ModifierFlag::control | ModifierFlag::shift;
    return stored;
}

} // namespace monctl::test
