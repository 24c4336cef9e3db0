#include "shared/PreferenceKeys.h"

namespace monctl {

const std::array<PreferenceKey, 12> preferenceKeys{{
    {"language", "the window's language: 0 Chinese, 1 English; while it is not stored, the "
                 "window follows the desktop's language"},
    {"refresh_hot_keycode", "the key of the fast-refresh shortcut, as a virtual key code (the "
                            "keyboard's positions as macOS numbers them); 0 for none"},
    {"refresh_hot_keycode_flags",
     "the modifiers of the fast-refresh shortcut: Shift 0x20000, Ctrl 0x40000, Alt 0x80000, "
     "Super 0x100000, added up"},
    {"threshold_hot_keycode", "the key of the contrast-up shortcut"},
    {"threshold_hot_keycode_flags", "the modifiers of the contrast-up shortcut"},
    {"threshold_down_hot_keycode", "the key of the contrast-down shortcut"},
    {"threshold_down_hot_keycode_flags", "the modifiers of the contrast-down shortcut"},
    {"keep_in_tray", "1: closing the window leaves monctl running in the tray"},
    {"start_at_login", "1: an autostart entry starts monctl hidden in the tray at login"},
    {"fast_refresh_seconds", "a fast refresh of the active monitor every this many seconds, "
                             "while the window runs; 0 (off) to 86400"},
    {"notify", "0 turns the desktop notifications of the monitors' changes off; they are on "
               "while the key is missing"},
    {"restore_on_plug", "1: a monitor plugged in again gets the contrast, mode and speed it "
                        "last had"},
}};

} // namespace monctl
