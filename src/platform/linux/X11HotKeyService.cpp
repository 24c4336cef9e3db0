// System-wide hot keys on X11: passive grabs of the key on the root window (X11KeyGrabs), on
// a connection of our own whose events are read on the main loop.
#include "platform/HotKeyServiceLoader.h"
#include "platform/PlatformLoader.h"
#include "platform/linux/EvdevKeyCodes.h"
#include "platform/linux/X11KeyGrabs.h"
#include "platform/linux/X11Modifiers.h"
#include "shortcut/HotKeyService.h"
#include "shortcut/ModifierFlags.h"

#include <QObject>
#include <QSocketNotifier>
#include <X11/Xlib.h>
#include <map>
#include <vector>

namespace monctl {
namespace {

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

    std::string backendName() const override { return "X11 key grabs"; }

    std::optional<Handle> registerHotKey(std::uint32_t carbonKeyCode, std::uint32_t carbonFlags,
                                         const HotKeyIdentity& identity) override {
        const auto keycode = platform::x11KeycodeFromVirtualKey(carbonKeyCode);
        if (!keycode)
            return std::nullopt;
        const Combination combination{
            *keycode, platform::x11StateFromFlags(flagsFromCarbonFlags(carbonFlags))};
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
        m_variants = platform::lockVariants(m_display);
        m_locks = 0;
        for (const unsigned variant : m_variants)
            m_locks |= variant;
    }

    bool grab(const Combination& combination) {
        return platform::grabAllVariants(m_display, combination.keycode, combination.modifiers,
                                         m_variants);
    }

    void ungrab(const Combination& combination) {
        platform::ungrabAllVariants(m_display, combination.keycode, combination.modifiers,
                                    m_variants);
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
            const Combination pressed{event.xkey.keycode, event.xkey.state & ~m_locks &
                                                              platform::x11ModifierKeysMask()};
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
    std::vector<unsigned> m_variants; // every state of the lock keys
    unsigned m_locks = 0;
    std::map<Combination, int> m_grabs;
    std::map<Handle, Registration> m_registered;
    std::map<Handle, PressHandler> m_handlers;
    Handle m_lastHandle = 0;
};

} // namespace

std::shared_ptr<HotKeyService> loadHotKeyService() {
    if (desktopSession().session == DesktopSession::wayland)
        return std::make_shared<NullHotKeyService>(
            "Wayland lets no program take system-wide hot keys");
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return std::make_shared<NullHotKeyService>(
            "system-wide hot keys need X11, and no X display can be opened");
    return std::make_shared<X11HotKeyService>(display);
}

} // namespace monctl
