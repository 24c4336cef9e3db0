#pragma once

#include "shortcut/GlobalKeyMonitor.h"

#include <memory>
#include <set>

// Xlib's own name for its connection, declared here to keep Xlib out of the header.
typedef struct _XDisplay Display; // NOLINT(bugprone-reserved-identifier)

namespace monctl {

// Raw key events of every keyboard, from XInput 2 on a connection of its own. Raw events
// carry no modifier state, so the held modifiers are followed from the same events; lock keys
// take no part in a combination and are not followed.
class X11GlobalKeyMonitor final : public GlobalKeyMonitor {
public:
    static std::unique_ptr<X11GlobalKeyMonitor> open(std::string& whyUnavailable);
    ~X11GlobalKeyMonitor() override;

    int descriptor() const override;
    void dispatchPending(const KeyPressHandler& onKeyPress) override;
    std::string backendName() const override { return "XInput 2 raw key events"; }

private:
    X11GlobalKeyMonitor(Display* display, int inputOpcode);
    void readModifierMap();
    unsigned modifierMaskOf(unsigned keycode) const;

    Display* m_display;
    int m_inputOpcode;
    unsigned m_modifierKeys[256] = {}; // X modifier mask of each keycode
    std::multiset<unsigned> m_held;    // modifier keycodes held down
};

} // namespace monctl
