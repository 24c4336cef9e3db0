// A combination counts as taken by the system when another X client holds a grab on it:
// our own grab of it then fails. Core grabs only; a desktop that takes its keys through
// XInput 2 is not seen.
#include "platform/linux/EvdevKeyCodes.h"
#include "platform/linux/X11Backends.h"
#include "platform/linux/X11KeyGrabs.h"
#include "platform/linux/X11Modifiers.h"
#include "shortcut/ShortcutValidator.h"

#include <QtGlobal>
#include <X11/Xlib.h>

namespace monctl {
namespace {

class X11GrabProbe final : public SystemShortcuts {
public:
    explicit X11GrabProbe(Display* display) : m_display(display) {}
    ~X11GrabProbe() override { XCloseDisplay(m_display); }

    std::string backendName() const override {
        return QT_TRANSLATE_NOOP("monctl::AboutBox", "X11 key grabs of other programs");
    }

    bool isTaken(const Shortcut& shortcut) override {
        const auto keycode = platform::x11KeycodeFromVirtualKey(shortcut.keyCode());
        if (!shortcut.hasKey() || !keycode)
            return false;
        const unsigned modifiers = platform::x11StateFromFlags(shortcut.modifierFlags());
        const auto variants = platform::lockVariants(m_display);
        if (!platform::grabAllVariants(m_display, *keycode, modifiers, variants))
            return true;
        platform::ungrabAllVariants(m_display, *keycode, modifiers, variants);
        return false;
    }

private:
    Display* m_display;
};

} // namespace

Opened<SystemShortcuts> openX11GrabProbe() {
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        return Opened<SystemShortcuts>::missing(QT_TRANSLATE_NOOP(
            "monctl::AboutBox", "no X display can be opened to see other programs' key grabs"));
    }
    return std::make_unique<X11GrabProbe>(display);
}

} // namespace monctl
