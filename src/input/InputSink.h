#pragma once

#include "runtime/Backend.h"

#include <cstdint>
#include <string>

namespace monctl {

// A point of the desktop in the pointer's own coordinates: origin at the top-left corner of
// the desktop, y growing downward.
struct PointerPosition {
    double x = 0;
    double y = 0;
};

// The whole desktop, every screen included, in the pointer's coordinates.
struct DesktopArea {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
};

// Where synthetic input goes: the desktop's input stream, as if a person typed and moved
// the mouse. Any thread may call; implementations serialise their calls.
class InputSink : public Backend {
public:
    ~InputSink() override = default;

    virtual PointerPosition pointerLocation() = 0;
    // The desktop as it is now: screens come and go and change their size. Empty when the
    // pointer cannot be placed.
    virtual DesktopArea desktopArea() = 0;
    // A key press: key down, then up, with the modifiers the flags name held around it.
    virtual void postKeyPress(std::uint16_t virtualKey, std::uint64_t flags) = 0;
    virtual void postPointerMove(PointerPosition to) = 0;
    // False where the pointer's position cannot be read (a virtual device of the kernel's):
    // steps are then posted relative, without the edge check; the desktop keeps the pointer
    // on screen.
    virtual bool readsPointer() const { return true; }
    virtual void postPointerStep(int dx, int dy) {
        const auto from = pointerLocation();
        postPointerMove({from.x + dx, from.y + dy});
    }
    // Button 0 is the left button, any other the right; down and up at once.
    virtual void postClick(int button, PointerPosition at) = 0;
};

} // namespace monctl
