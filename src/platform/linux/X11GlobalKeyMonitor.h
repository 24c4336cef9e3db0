#pragma once

#include "runtime/Backend.h"
#include "shortcut/GlobalKeyMonitor.h"

#include <QtGlobal>
#include <memory>

// Xlib's own name for its connection, declared here to keep Xlib out of the header.
typedef struct _XDisplay Display; // NOLINT(bugprone-reserved-identifier)

namespace monctl {

// Raw key presses of every keyboard, from XInput 2 on a connection of its own, with the
// modifiers the X server holds at each press (XKB state events on the same connection). A
// press made while another client grabs the keyboard is not seen; lock keys (Caps Lock, Num
// Lock, Scroll Lock) take no part in a combination, every other modifier does.
class X11GlobalKeyMonitor final : public GlobalKeyMonitor {
public:
    static Opened<X11GlobalKeyMonitor> open();
    ~X11GlobalKeyMonitor() override;

    int descriptor() const override;
    void dispatchPending(const KeyPressHandler& onKeyPress) override;
    std::string backendName() const override {
        return QT_TRANSLATE_NOOP("monctl::AboutBox", "XInput 2 raw key events");
    }

private:
    X11GlobalKeyMonitor(Display* display, int inputOpcode, int xkbEventType, unsigned modifiers,
                        unsigned lockModifiers);

    Display* m_display;
    int m_inputOpcode;
    int m_xkbEventType;
    unsigned m_modifiers;     // the server's modifier state, as of the last event read
    unsigned m_lockModifiers; // the bits of Caps Lock, Num Lock and Scroll Lock in that state
};

} // namespace monctl
