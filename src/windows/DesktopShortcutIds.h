#pragma once

#include "shortcut/HotkeyState.h"

namespace monctl {

// The names the three shortcuts go by with the desktop's shortcut service, in the order of
// HotkeyState::Action.
struct DesktopShortcutId {
    const char* id;
    HotkeyState::Action action;
};
inline constexpr DesktopShortcutId desktopShortcutIds[] = {
    {"fast-refresh", HotkeyState::Action::refresh},
    {"contrast-up", HotkeyState::Action::contrastUp},
    {"contrast-down", HotkeyState::Action::contrastDown}};

} // namespace monctl
