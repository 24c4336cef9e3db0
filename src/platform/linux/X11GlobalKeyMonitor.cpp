#include "platform/linux/X11GlobalKeyMonitor.h"

#include "shortcut/NativeKeyPress.h"

#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

namespace monctl {

std::unique_ptr<X11GlobalKeyMonitor> X11GlobalKeyMonitor::open(std::string& whyUnavailable) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        whyUnavailable = "background shortcuts need X11, and no X display can be opened";
        return nullptr;
    }
    int opcode = 0;
    int event = 0;
    int error = 0;
    int major = 2;
    int minor = 0;
    if (!XQueryExtension(display, "XInputExtension", &opcode, &event, &error) ||
        XIQueryVersion(display, &major, &minor) != Success) {
        XCloseDisplay(display);
        whyUnavailable = "background shortcuts need the X server's XInput 2 extension";
        return nullptr;
    }
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(bits, XI_RawKeyPress);
    XISetMask(bits, XI_RawKeyRelease);
    XIEventMask mask{XIAllMasterDevices, sizeof bits, bits};
    XISelectEvents(display, DefaultRootWindow(display), &mask, 1);
    XFlush(display);
    return std::unique_ptr<X11GlobalKeyMonitor>(new X11GlobalKeyMonitor(display, opcode));
}

X11GlobalKeyMonitor::X11GlobalKeyMonitor(Display* display, int inputOpcode)
    : m_display(display), m_inputOpcode(inputOpcode) {
    readModifierMap();
}

X11GlobalKeyMonitor::~X11GlobalKeyMonitor() {
    XCloseDisplay(m_display);
}

int X11GlobalKeyMonitor::descriptor() const {
    return ConnectionNumber(m_display);
}

void X11GlobalKeyMonitor::readModifierMap() {
    std::fill(std::begin(m_modifierKeys), std::end(m_modifierKeys), 0U);
    XModifierKeymap* map = XGetModifierMapping(m_display);
    if (!map)
        return;
    for (int modifier = 0; modifier < 8; ++modifier) {
        for (int slot = 0; slot < map->max_keypermod; ++slot) {
            const KeyCode keycode = map->modifiermap[modifier * map->max_keypermod + slot];
            if (keycode != 0)
                m_modifierKeys[keycode] |= 1U << modifier;
        }
    }
    XFreeModifiermap(map);
}

unsigned X11GlobalKeyMonitor::modifierMaskOf(unsigned keycode) const {
    return keycode < 256 ? m_modifierKeys[keycode] : 0;
}

// Any request that waits for a reply reads the events that come before it into Xlib's queue,
// where the descriptor no longer shows them: the queue is emptied after the last such call.
void X11GlobalKeyMonitor::dispatchPending(const KeyPressHandler& onKeyPress) {
    while (XPending(m_display) > 0) {
        XEvent event;
        XNextEvent(m_display, &event);
        if (event.type == MappingNotify) {
            XRefreshKeyboardMapping(&event.xmapping);
            readModifierMap();
            continue;
        }
        XGenericEventCookie* cookie = &event.xcookie;
        if (cookie->type != GenericEvent || cookie->extension != m_inputOpcode ||
            !XGetEventData(m_display, cookie))
            continue;
        const auto* raw = static_cast<const XIRawEvent*>(cookie->data);
        const auto keycode = static_cast<unsigned>(raw->detail);
        const bool pressed = cookie->evtype == XI_RawKeyPress;
        const auto time = static_cast<std::uint64_t>(raw->time);
        XFreeEventData(m_display, cookie);

        const unsigned mask = modifierMaskOf(keycode) & ~static_cast<unsigned>(LockMask);
        if (mask != 0) {
            if (pressed)
                m_held.insert(keycode);
            else if (auto held = m_held.find(keycode); held != m_held.end())
                m_held.erase(held);
        }
        if (!pressed)
            continue;
        unsigned state = 0;
        for (const auto heldKey : m_held) {
            if (heldKey != keycode)
                state |= modifierMaskOf(heldKey);
        }
        if (const auto press = keyPressFromNative(keycode, state))
            onKeyPress(press->virtualKey, press->flags, time);
    }
}

} // namespace monctl
