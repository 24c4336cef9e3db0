// System-wide hot keys on X11: a passive grab of the key on the root window, for every state
// of the lock keys (Caps Lock, Num Lock, Scroll Lock), on a connection of our own whose
// events are read on the main loop. Another client's grab makes ours fail with BadAccess.
#include "platform/linux/EvdevKeyCodes.h"
#include "shortcut/HotKeyService.h"

#include <QObject>
#include <QSocketNotifier>
#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <map>
#include <vector>

namespace monctl {
namespace {

bool refused = false;

int noteRefusal(Display*, XErrorEvent* error) {
    if (error->error_code == BadAccess)
        refused = true;
    return 0;
}

unsigned modifierBitOf(Display* display, KeySym key) {
    const KeyCode keycode = XKeysymToKeycode(display, key);
    XModifierKeymap* map = XGetModifierMapping(display);
    unsigned bit = 0;
    for (int modifier = 0; map && keycode && modifier < 8 && !bit; ++modifier) {
        for (int slot = 0; slot < map->max_keypermod; ++slot) {
            if (map->modifiermap[modifier * map->max_keypermod + slot] == keycode)
                bit = 1U << modifier;
        }
    }
    if (map)
        XFreeModifiermap(map);
    return bit;
}

unsigned x11Modifiers(std::uint32_t carbonFlags) {
    unsigned mask = 0;
    if (carbonFlags & 0x100)
        mask |= Mod4Mask;
    if (carbonFlags & 0x200)
        mask |= ShiftMask;
    if (carbonFlags & 0x800)
        mask |= Mod1Mask;
    if (carbonFlags & 0x1000)
        mask |= ControlMask;
    return mask;
}

class X11HotKeyService final : public HotKeyService {
public:
    explicit X11HotKeyService(Display* display) : m_display(display) {
        readLockBits();
        m_notifier =
            new QSocketNotifier(ConnectionNumber(display), QSocketNotifier::Read, &m_owner);
        QObject::connect(m_notifier, &QSocketNotifier::activated, &m_owner,
                         [this] { readEvents(); });
    }
    ~X11HotKeyService() override { XCloseDisplay(m_display); }

    std::optional<Handle> registerHotKey(std::uint32_t carbonKeyCode, std::uint32_t carbonFlags,
                                         const HotKeyIdentity& identity) override {
        const auto evdev =
            carbonKeyCode <= 0xFFFF
                ? platform::evdevFromVirtualKey(static_cast<std::uint16_t>(carbonKeyCode))
                : std::nullopt;
        if (!evdev)
            return std::nullopt;
        const Combination combination{static_cast<unsigned>(*evdev + platform::x11KeycodeOffset),
                                      x11Modifiers(carbonFlags)};
        if (m_grabs[combination] == 0 && !grab(combination))
            return std::nullopt;
        ++m_grabs[combination];
        const Handle handle = ++m_lastHandle;
        m_registered[handle] = {combination, identity};
        return handle;
    }

    void unregisterHotKey(Handle handle) override {
        const auto found = m_registered.find(handle);
        if (found == m_registered.end())
            return;
        const auto combination = found->second.combination;
        m_registered.erase(found);
        if (--m_grabs[combination] == 0) {
            m_grabs.erase(combination);
            ungrab(combination);
        }
    }

    std::optional<Handle> installHandler(PressHandler handler) override {
        const Handle handle = ++m_lastHandle;
        m_handlers[handle] = std::move(handler);
        return handle;
    }

    void removeHandler(Handle handle) override { m_handlers.erase(handle); }

private:
    struct Combination {
        unsigned keycode;
        unsigned modifiers;
        auto operator<=>(const Combination&) const = default;
    };
    struct Registration {
        Combination combination;
        HotKeyIdentity identity;
    };

    void readLockBits() {
        m_lockBits = {LockMask, modifierBitOf(m_display, XK_Num_Lock),
                      modifierBitOf(m_display, XK_Scroll_Lock)};
    }

    std::vector<unsigned> lockVariants() const {
        std::vector<unsigned> variants{0};
        for (const unsigned lock : m_lockBits) {
            if (lock == 0)
                continue;
            const auto count = variants.size();
            for (std::size_t i = 0; i < count; ++i)
                variants.push_back(variants[i] | lock);
        }
        return variants;
    }

    // Every variant or none: on a refusal the variants already held are let go again.
    bool grab(const Combination& combination) {
        const Window root = DefaultRootWindow(m_display);
        const auto previous = XSetErrorHandler(noteRefusal);
        std::vector<unsigned> held;
        bool ok = true;
        for (const unsigned variant : lockVariants()) {
            refused = false;
            XGrabKey(m_display, static_cast<int>(combination.keycode),
                     combination.modifiers | variant, root, False, GrabModeAsync, GrabModeAsync);
            XSync(m_display, False);
            if (refused) {
                ok = false;
                break;
            }
            held.push_back(variant);
        }
        if (!ok) {
            for (const unsigned variant : held)
                XUngrabKey(m_display, static_cast<int>(combination.keycode),
                           combination.modifiers | variant, root);
            XSync(m_display, False);
        }
        XSetErrorHandler(previous);
        return ok;
    }

    void ungrab(const Combination& combination) {
        for (const unsigned variant : lockVariants())
            XUngrabKey(m_display, static_cast<int>(combination.keycode),
                       combination.modifiers | variant, DefaultRootWindow(m_display));
        XSync(m_display, False);
    }

    void readEvents() {
        while (XPending(m_display) > 0) {
            XEvent event;
            XNextEvent(m_display, &event);
            if (event.type == MappingNotify) {
                regrabAll(event);
                continue;
            }
            if (event.type != KeyPress)
                continue;
            unsigned locks = 0;
            for (const unsigned lock : m_lockBits)
                locks |= lock;
            const Combination pressed{event.xkey.keycode,
                                      event.xkey.state & ~locks &
                                          (ShiftMask | ControlMask | Mod1Mask | Mod4Mask)};
            for (const auto& [handle, registration] : m_registered) {
                if (registration.combination == pressed)
                    deliver(registration.identity);
            }
        }
    }

    void deliver(const HotKeyIdentity& identity) {
        const auto handlers = m_handlers; // a handler may remove itself
        for (const auto& [handle, handler] : handlers)
            handler(identity);
    }

    // A new keyboard mapping may move the lock keys to other modifier bits.
    void regrabAll(XEvent& event) {
        XRefreshKeyboardMapping(&event.xmapping);
        for (const auto& [combination, count] : m_grabs)
            ungrab(combination);
        readLockBits();
        for (const auto& [combination, count] : m_grabs)
            grab(combination);
    }

    Display* m_display;
    QObject m_owner;
    QSocketNotifier* m_notifier = nullptr;
    std::vector<unsigned> m_lockBits;
    std::map<Combination, int> m_grabs;
    std::map<Handle, Registration> m_registered;
    std::map<Handle, PressHandler> m_handlers;
    Handle m_lastHandle = 0;
};

} // namespace

std::shared_ptr<HotKeyService> makeDesktopHotKeyService() {
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return nullptr;
    return std::make_shared<X11HotKeyService>(display);
}

} // namespace monctl
