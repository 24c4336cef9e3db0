#pragma once

#include "input/InputSink.h"
#include "platform/FrontApplicationWatch.h"
#include "serial/DeviceRegistry.h"
#include "shortcut/DesktopShortcuts.h"
#include "shortcut/GlobalKeyMonitor.h"
#include "shortcut/KeyboardLayout.h"
#include "shortcut/ShortcutValidator.h"

#include <memory>
#include <string>
#include <vector>

namespace monctl {

// The desktop backends the program works with, chosen once at start from what the session
// offers. None is ever missing: where the session offers nothing, a null backend says why.
struct DesktopBackends {
    std::shared_ptr<InputSink> input;             // the monitor's buttons become input here
    std::shared_ptr<GlobalKeyMonitor> globalKeys; // shortcuts while another program is in front
    std::shared_ptr<SystemShortcuts> takenCombinations;      // combinations other programs hold
    std::shared_ptr<const KeyboardLayout> keyboardLayout;    // what keys print, for shortcut texts
    std::shared_ptr<DesktopShortcuts> desktopShortcuts;      // shortcuts the desktop binds for us
    std::shared_ptr<FrontApplicationWatch> frontApplication; // which application is in front

    // One line per backend, "role: name" or "role: none (reason)", for the log and About.
    std::vector<std::string> describe() const;
    // Makes the keyboard layout and the check for taken combinations the ones the shortcut
    // family uses program-wide, until the returned object ends: then those used before come
    // back. Main thread only.
    class ProgramWide;
    [[nodiscard]] ProgramWide installProgramWide() const;
    // Every backend null, each with the reason given.
    static DesktopBackends none(const std::string& reason);
};

class DesktopBackends::ProgramWide {
public:
    ProgramWide(std::shared_ptr<const KeyboardLayout> layout,
                std::shared_ptr<SystemShortcuts> takenCombinations);
    ~ProgramWide();
    ProgramWide(ProgramWide&& other) noexcept;
    ProgramWide& operator=(ProgramWide&&) = delete;
    ProgramWide(const ProgramWide&) = delete;
    ProgramWide& operator=(const ProgramWide&) = delete;

private:
    std::shared_ptr<const KeyboardLayout> m_previousLayout;
    std::shared_ptr<SystemShortcuts> m_previousTakenCombinations;
    bool m_restores = true;
};

// The kind of desktop session the backends are chosen for.
enum class DesktopSession { x11, wayland };
struct SessionChoice {
    DesktopSession session = DesktopSession::x11;
    std::string why; // "MONCTL_PLATFORM=wayland", "WAYLAND_DISPLAY is set", ...
};
// MONCTL_PLATFORM (x11 or wayland) when set; else Wayland when WAYLAND_DISPLAY is set or
// XDG_SESSION_TYPE is "wayland", even with an XWayland DISPLAY beside it; else X11.
SessionChoice desktopSession();

// Picks every desktop backend from the session. On Wayland no X connection is opened. Main
// thread only; on Wayland the shortcut portal reports on the Qt main loop.
DesktopBackends loadDesktopBackends();
// The keyboard layout alone: on X11 the X server's keymap, else the XKB environment's layout.
std::shared_ptr<const KeyboardLayout> loadKeyboardLayout();
// The paths given when there are any, else the system's device registry (udev).
std::unique_ptr<DeviceRegistry> loadDeviceRegistry(const std::vector<std::string>& fixedPaths);

// "name" or "none (reason)".
std::string describeBackend(const Backend& backend);

} // namespace monctl
