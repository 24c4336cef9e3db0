#pragma once

#include <QString>

namespace monctl {

// The XDG autostart entry that starts monctl hidden in the tray at login:
// $XDG_CONFIG_HOME/autostart/org.monctl.Monctl.desktop.
class AutostartEntry {
public:
    static QString path();
    // Writes the entry for this program, or removes it; false when that failed.
    static bool apply(bool startAtLogin);
};

} // namespace monctl
