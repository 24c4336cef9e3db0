#include "platform/linux/XTestInputSink.h"

#include "platform/linux/EvdevKeyCodes.h"
#include "platform/linux/X11Modifiers.h"

#include <QtGlobal>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <cmath>
#include <vector>

namespace monctl {
namespace {

int rounded(double value) {
    return static_cast<int>(std::lround(value));
}

} // namespace

Opened<XTestInputSink> XTestInputSink::open() {
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        return Opened<XTestInputSink>::missing(QT_TRANSLATE_NOOP(
            "monctl::AboutBox", "synthetic input needs X11, and no X display can be opened"));
    }
    int event = 0;
    int error = 0;
    int major = 0;
    int minor = 0;
    if (!XTestQueryExtension(display, &event, &error, &major, &minor)) {
        XCloseDisplay(display);
        return Opened<XTestInputSink>::missing(
            QT_TRANSLATE_NOOP("monctl::AboutBox", "the X server has no XTest extension"));
    }
    return std::unique_ptr<XTestInputSink>(new XTestInputSink(display));
}

XTestInputSink::~XTestInputSink() {
    XCloseDisplay(m_display);
}

PointerPosition XTestInputSink::pointerLocation() {
    std::lock_guard lock(m_mutex);
    Window root = 0;
    Window child = 0;
    int rootX = 0;
    int rootY = 0;
    int windowX = 0;
    int windowY = 0;
    unsigned mask = 0;
    XQueryPointer(m_display, DefaultRootWindow(m_display), &root, &child, &rootX, &rootY, &windowX,
                  &windowY, &mask);
    return {static_cast<double>(rootX), static_cast<double>(rootY)};
}

// The root window spans every screen, and RandR resizes it when screens change.
DesktopArea XTestInputSink::desktopArea() {
    std::lock_guard lock(m_mutex);
    Window root = 0;
    int x = 0;
    int y = 0;
    unsigned width = 0;
    unsigned height = 0;
    unsigned border = 0;
    unsigned depth = 0;
    if (!XGetGeometry(m_display, DefaultRootWindow(m_display), &root, &x, &y, &width, &height,
                      &border, &depth))
        return {};
    return {0, 0, static_cast<double>(width), static_cast<double>(height)};
}

// A lone key-down would stay held and repeat on X11, so every press is followed by its
// release; the modifiers the flags name are held around it.
void XTestInputSink::postKeyPress(std::uint16_t virtualKey, std::uint64_t flags) {
    const auto keycode = platform::x11KeycodeFromVirtualKey(virtualKey);
    if (!keycode)
        return;
    std::lock_guard lock(m_mutex);
    std::vector<unsigned> held;
    for (const KeySym modifier : platform::modifierKeysymsOf(flags))
        held.push_back(XKeysymToKeycode(m_display, modifier));
    for (const auto heldKey : held)
        XTestFakeKeyEvent(m_display, heldKey, True, CurrentTime);
    XTestFakeKeyEvent(m_display, *keycode, True, CurrentTime);
    XTestFakeKeyEvent(m_display, *keycode, False, CurrentTime);
    for (auto release = held.rbegin(); release != held.rend(); ++release)
        XTestFakeKeyEvent(m_display, *release, False, CurrentTime);
    XFlush(m_display);
}

void XTestInputSink::postPointerMove(PointerPosition to) {
    std::lock_guard lock(m_mutex);
    XTestFakeMotionEvent(m_display, -1, rounded(to.x), rounded(to.y), CurrentTime);
    XFlush(m_display);
}

void XTestInputSink::postClick(int button, PointerPosition at) {
    std::lock_guard lock(m_mutex);
    const unsigned xButton = button == 0 ? 1 : 3;
    XTestFakeMotionEvent(m_display, -1, rounded(at.x), rounded(at.y), CurrentTime);
    XTestFakeButtonEvent(m_display, xButton, True, CurrentTime);
    XTestFakeButtonEvent(m_display, xButton, False, CurrentTime);
    XFlush(m_display);
}

} // namespace monctl
