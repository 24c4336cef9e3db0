// A combination counts as taken by the system when another X client holds a grab on it:
// our own grab of it then fails. Core grabs only; a desktop that takes its keys through
// XInput 2 is not seen.
#include "platform/linux/EvdevKeyCodes.h"
#include "platform/linux/X11Backends.h"
#include "platform/linux/X11KeyGrabs.h"
#include "shortcut/HotkeyState.h"
#include "shortcut/ShortcutValidator.h"

#include <X11/Xlib.h>

namespace monctl {
namespace {

class X11GrabProbe final : public SystemShortcuts {
public:
    explicit X11GrabProbe(Display* display) : m_display(display) {}
    ~X11GrabProbe() override { XCloseDisplay(m_display); }

    std::string backendName() const override { return "X11 key grabs of other programs"; }

    bool isTaken(const Shortcut& shortcut) override {
        const auto evdev =
            shortcut.hasKey() && shortcut.keyCode() <= 0xFFFF
                ? platform::evdevFromVirtualKey(static_cast<std::uint16_t>(shortcut.keyCode()))
                : std::nullopt;
        if (!evdev)
            return false;
        const unsigned keycode = *evdev + platform::x11KeycodeOffset;
        const unsigned modifiers = x11Modifiers(shortcut.modifierFlags());
        const auto variants = platform::lockVariants(m_display);
        if (!platform::grabAllVariants(m_display, keycode, modifiers, variants))
            return true;
        platform::ungrabAllVariants(m_display, keycode, modifiers, variants);
        return false;
    }

private:
    static unsigned x11Modifiers(std::uint64_t flags) {
        unsigned mask = 0;
        if (flags & ModifierFlag::shift)
            mask |= ShiftMask;
        if (flags & ModifierFlag::control)
            mask |= ControlMask;
        if (flags & ModifierFlag::option)
            mask |= Mod1Mask;
        if (flags & ModifierFlag::command)
            mask |= Mod4Mask;
        return mask;
    }

    Display* m_display;
};

} // namespace

std::shared_ptr<SystemShortcuts> openX11GrabProbe(std::string& whyNot) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        whyNot = "no X display can be opened to see other programs' key grabs";
        return nullptr;
    }
    return std::make_shared<X11GrabProbe>(display);
}

} // namespace monctl
