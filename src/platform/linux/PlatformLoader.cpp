#include "platform/PlatformLoader.h"

#include "input/NullInputSink.h"
#include "platform/linux/KWinFrontApplication.h"
#include "platform/linux/PortalGlobalShortcuts.h"
#include "platform/linux/UdevRegistry.h"
#include "platform/linux/UinputInputSink.h"
#include "platform/linux/WlrFrontApplication.h"
#include "platform/linux/X11Backends.h"
#include "platform/linux/X11FrontApplication.h"
#include "platform/linux/X11GlobalKeyMonitor.h"
#include "platform/linux/XTestInputSink.h"
#include "platform/linux/XkbKeyboardLayout.h"
#include "runtime/ApplicationId.h"
#include "serial/FixedPathRegistry.h"

#include <QtGlobal>
#include <atomic>
#include <cstdlib>
#include <spdlog/spdlog.h>
#include <string_view>

namespace monctl {
namespace {

std::string_view environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::shared_ptr<const KeyboardLayout> layoutFor(DesktopSession session) {
    if (session == DesktopSession::x11) {
        if (auto server = XkbKeyboardLayout::fromServer())
            return server;
    }
    if (auto named = XkbKeyboardLayout::fromEnvironment())
        return named;
    return std::make_shared<NullKeyboardLayout>(QT_TRANSLATE_NOOP(
        "monctl::AboutBox",
        "neither the X server's keymap nor the XKB environment's layout can be read"));
}

// KWin tells its scripts alone; wlroots compositors publish a list; GNOME only its Shell
// extensions.
std::shared_ptr<FrontApplicationWatch> waylandFrontApplication() {
    if (auto kwin = KWinFrontApplication::open())
        return kwin.take();
    if (auto list = WlrFrontApplication::open())
        return list.take();
    if (environment("XDG_CURRENT_DESKTOP").find("GNOME") != std::string_view::npos)
        return std::make_shared<NullFrontApplicationWatch>(QT_TRANSLATE_NOOP(
            "monctl::AboutBox",
            "GNOME on Wayland tells the window in front only to Shell extensions"));
    return std::make_shared<NullFrontApplicationWatch>(QT_TRANSLATE_NOOP(
        "monctl::AboutBox", "the compositor tells no program which window is in front: it is "
                            "neither KWin nor a wlroots compositor"));
}

// XWayland's DISPLAY sees neither the keys nor the windows of native Wayland programs: its
// backends would claim to work and reach next to nothing.
DesktopBackends waylandBackends() {
    return {UinputInputSink::open().orNull<NullInputSink>(),
            std::make_shared<NullGlobalKeyMonitor>(QT_TRANSLATE_NOOP(
                "monctl::AboutBox", "Wayland shows no program the key presses meant for others")),
            std::make_shared<NullSystemShortcuts>(QT_TRANSLATE_NOOP(
                "monctl::AboutBox", "Wayland shows no program the combinations others hold")),
            layoutFor(DesktopSession::wayland),
            PortalGlobalShortcuts::open(applicationId).orNull<NullDesktopShortcuts>(),
            waylandFrontApplication()};
}

// uinput reaches X11 too, but XTest needs no permission and is the X server's own way.
DesktopBackends x11Backends() {
    return {XTestInputSink::open().orNull<NullInputSink>(),
            X11GlobalKeyMonitor::open().orNull<NullGlobalKeyMonitor>(),
            openX11GrabProbe().orNull<NullSystemShortcuts>(),
            layoutFor(DesktopSession::x11),
            std::make_shared<NullDesktopShortcuts>(QT_TRANSLATE_NOOP(
                "monctl::AboutBox", "the desktop's shortcut portal is used on Wayland only")),
            X11FrontApplication::open().orNull<NullFrontApplicationWatch>()};
}

} // namespace

SessionChoice desktopSession() {
    const auto forced = environment("MONCTL_PLATFORM");
    if (forced == "wayland")
        return {DesktopSession::wayland, "MONCTL_PLATFORM=wayland"};
    if (forced == "x11")
        return {DesktopSession::x11, "MONCTL_PLATFORM=x11"};
    static std::atomic<bool> warned{false};
    if (!forced.empty() && !warned.exchange(true))
        spdlog::warn("MONCTL_PLATFORM is \"{}\"; it may be x11 or wayland, and is ignored", forced);
    if (!environment("WAYLAND_DISPLAY").empty())
        return {DesktopSession::wayland, "WAYLAND_DISPLAY is set"};
    if (environment("XDG_SESSION_TYPE") == "wayland")
        return {DesktopSession::wayland, "XDG_SESSION_TYPE=wayland"};
    return {DesktopSession::x11, "no Wayland session"};
}

DesktopBackends loadDesktopBackends() {
    const auto choice = desktopSession();
    spdlog::info("desktop session: {} ({})",
                 choice.session == DesktopSession::wayland ? "Wayland" : "X11", choice.why);
    return choice.session == DesktopSession::wayland ? waylandBackends() : x11Backends();
}

std::shared_ptr<const KeyboardLayout> loadKeyboardLayout() {
    return layoutFor(desktopSession().session);
}

std::unique_ptr<DeviceRegistry> loadDeviceRegistry(const std::vector<std::string>& fixedPaths) {
    if (!fixedPaths.empty())
        return std::make_unique<FixedPathRegistry>(fixedPaths);
    return std::make_unique<UdevRegistry>();
}

} // namespace monctl
