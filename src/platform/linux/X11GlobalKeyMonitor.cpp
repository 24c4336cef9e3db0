#include "platform/linux/X11GlobalKeyMonitor.h"

#include "platform/linux/X11Modifiers.h"
#include "shortcut/NativeKeyPress.h"

#include <QtGlobal>
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <X11/keysym.h>

namespace monctl {

// The modifiers are the X server's own, from its XKB state events, not a tally of the raw
// modifier presses: XInput 2.0 withholds raw events while another client grabs the keyboard
// (Alt+Tab, menus, screen locks), so a tally missed a release made meanwhile. State events
// reach us grab or not, carry the whole state and come in the server's order with the raw
// presses, so each press gets the state it was made in (XkbGetState at the press would answer
// after the keys that followed it). Staying with XInput 2.0 keeps what is typed under another
// client's grab, into a screen lock or an open menu, from firing shortcuts.
Opened<X11GlobalKeyMonitor> X11GlobalKeyMonitor::open() {
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        return Opened<X11GlobalKeyMonitor>::missing(QT_TRANSLATE_NOOP(
            "monctl::AboutBox", "background shortcuts need X11, and no X display can be opened"));
    }
    int opcode = 0;
    int event = 0;
    int error = 0;
    int major = 2;
    int minor = 0;
    if (!XQueryExtension(display, "XInputExtension", &opcode, &event, &error) ||
        XIQueryVersion(display, &major, &minor) != Success) {
        XCloseDisplay(display);
        return Opened<X11GlobalKeyMonitor>::missing(QT_TRANSLATE_NOOP(
            "monctl::AboutBox", "background shortcuts need the X server's XInput 2 extension"));
    }
    int xkbOpcode = 0;
    int xkbEvent = 0;
    int xkbMajor = XkbMajorVersion;
    int xkbMinor = XkbMinorVersion;
    if (!XkbQueryExtension(display, &xkbOpcode, &xkbEvent, &error, &xkbMajor, &xkbMinor)) {
        XCloseDisplay(display);
        return Opened<X11GlobalKeyMonitor>::missing(QT_TRANSLATE_NOOP(
            "monctl::AboutBox", "background shortcuts need the X server's XKEYBOARD extension"));
    }
    // Asked for before the state is read: no change can fall between the two.
    XkbSelectEventDetails(display, XkbUseCoreKbd, XkbStateNotify, XkbModifierStateMask,
                          XkbModifierStateMask);
    XkbStateRec state{};
    XkbGetState(display, XkbUseCoreKbd, &state);
    // Where the keymap puts Num Lock and Scroll Lock (Mod2, and usually nowhere) is its own;
    // none of them takes the place of a modifier a combination holds.
    const unsigned lockModifiers = (LockMask | XkbKeysymToModifiers(display, XK_Num_Lock) |
                                    XkbKeysymToModifiers(display, XK_Scroll_Lock)) &
                                   ~platform::x11ModifierKeysMask();
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(bits, XI_RawKeyPress);
    XIEventMask mask{XIAllMasterDevices, sizeof bits, bits};
    XISelectEvents(display, DefaultRootWindow(display), &mask, 1);
    XFlush(display);
    return std::unique_ptr<X11GlobalKeyMonitor>(
        new X11GlobalKeyMonitor(display, opcode, xkbEvent, state.mods, lockModifiers));
}

X11GlobalKeyMonitor::X11GlobalKeyMonitor(Display* display, int inputOpcode, int xkbEventType,
                                         unsigned modifiers, unsigned lockModifiers)
    : m_display(display), m_inputOpcode(inputOpcode), m_xkbEventType(xkbEventType),
      m_modifiers(modifiers), m_lockModifiers(lockModifiers) {}

X11GlobalKeyMonitor::~X11GlobalKeyMonitor() {
    XCloseDisplay(m_display);
}

int X11GlobalKeyMonitor::descriptor() const {
    return ConnectionNumber(m_display);
}

// Any request that waits for a reply reads the events that come before it into Xlib's queue,
// where the descriptor no longer shows them: the queue is emptied after the last such call.
// A key's raw press comes before the state event of its own change, so a modifier key's
// press does not count itself. A press with a modifier held that no combination can hold
// (AltGr's Mod5, a Mod3 key) is another combination: it is not announced.
void X11GlobalKeyMonitor::dispatchPending(const KeyPressHandler& onKeyPress) {
    while (XPending(m_display) > 0) {
        XEvent event;
        XNextEvent(m_display, &event);
        if (event.type == m_xkbEventType) {
            const auto* xkb = reinterpret_cast<const XkbEvent*>(&event);
            if (xkb->any.xkb_type == XkbStateNotify)
                m_modifiers = xkb->state.mods;
            continue;
        }
        XGenericEventCookie* cookie = &event.xcookie;
        if (cookie->type != GenericEvent || cookie->extension != m_inputOpcode ||
            !XGetEventData(m_display, cookie))
            continue;
        const auto* raw = static_cast<const XIRawEvent*>(cookie->data);
        const auto keycode = static_cast<unsigned>(raw->detail);
        const auto time = static_cast<std::uint64_t>(raw->time);
        XFreeEventData(m_display, cookie);
        const unsigned held = m_modifiers & ~m_lockModifiers;
        if ((held & ~platform::x11ModifierKeysMask()) != 0)
            continue;
        if (const auto press = keyPressFromNative(keycode, held))
            onKeyPress(press->virtualKey, press->flags, time);
    }
}

} // namespace monctl
