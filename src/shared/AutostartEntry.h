#pragma once

#include <QString>

namespace monctl {

// The XDG autostart entry that starts monctl hidden in the tray at login:
// $XDG_CONFIG_HOME/autostart/org.monctl.Monctl.desktop.
class AutostartEntry {
public:
    static QString path();
    // Writes the entry for this program, or removes it; why that failed, else empty.
    static QString apply(bool startAtLogin);
    // Writes the entry for the program at this path (or the command of this name); why that
    // failed, else empty. A path no entry can carry is refused and nothing is written.
    static QString write(const QString& program);

private:
    // The command when monctl was started through PATH, so that the entry outlives a build
    // folder or an upgrade; else the running binary.
    static QString startedProgram();
};

} // namespace monctl
