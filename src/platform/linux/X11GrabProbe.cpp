// A combination counts as taken by the system when another X client holds a grab on it:
// our own grab of it then fails with BadAccess. Core grabs only; a desktop that takes its
// keys through XInput 2 is not seen.
#include "platform/linux/EvdevKeyCodes.h"
#include "shortcut/HotkeyState.h"
#include "shortcut/ShortcutValidator.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <vector>

namespace monctl {
namespace {

bool grabRefused = false;

int noteRefusal(Display*, XErrorEvent* error) {
    if (error->error_code == BadAccess)
        grabRefused = true;
    return 0;
}

unsigned modifierBitOf(Display* display, KeySym key) {
    const KeyCode keycode = XKeysymToKeycode(display, key);
    XModifierKeymap* map = XGetModifierMapping(display);
    unsigned bit = 0;
    for (int modifier = 0; map && modifier < 8 && !bit; ++modifier) {
        for (int slot = 0; slot < map->max_keypermod; ++slot) {
            if (keycode != 0 && map->modifiermap[modifier * map->max_keypermod + slot] == keycode)
                bit = 1U << modifier;
        }
    }
    if (map)
        XFreeModifiermap(map);
    return bit;
}

class X11GrabProbe final : public SystemShortcuts {
public:
    explicit X11GrabProbe(Display* display) : m_display(display) {}
    ~X11GrabProbe() override { XCloseDisplay(m_display); }

    bool isTaken(const Shortcut& shortcut) override {
        const auto evdev =
            shortcut.hasKey() && shortcut.keyCode() <= 0xFFFF
                ? platform::evdevFromVirtualKey(static_cast<std::uint16_t>(shortcut.keyCode()))
                : std::nullopt;
        if (!evdev)
            return false;
        const unsigned keycode = *evdev + platform::x11KeycodeOffset;
        const unsigned modifiers = x11Modifiers(shortcut.modifierFlags());
        const Window root = DefaultRootWindow(m_display);
        // A grab covers one exact modifier state, so every lock-key variant is tried.
        const std::vector<unsigned> locks{LockMask, modifierBitOf(m_display, XK_Num_Lock),
                                          modifierBitOf(m_display, XK_Scroll_Lock)};
        std::vector<unsigned> variants{0};
        for (const unsigned lock : locks) {
            if (lock == 0)
                continue;
            const auto count = variants.size();
            for (std::size_t i = 0; i < count; ++i)
                variants.push_back(variants[i] | lock);
        }
        XSync(m_display, False);
        grabRefused = false;
        const auto previous = XSetErrorHandler(noteRefusal);
        for (const unsigned variant : variants)
            XGrabKey(m_display, static_cast<int>(keycode), modifiers | variant, root, False,
                     GrabModeAsync, GrabModeAsync);
        XSync(m_display, False);
        for (const unsigned variant : variants)
            XUngrabKey(m_display, static_cast<int>(keycode), modifiers | variant, root);
        XSync(m_display, False);
        XSetErrorHandler(previous);
        return grabRefused;
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

std::shared_ptr<SystemShortcuts> SystemShortcuts::create() {
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return nullptr;
    return std::make_shared<X11GrabProbe>(display);
}

} // namespace monctl
