#include "support/OtherXClient.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <algorithm>
#include <string>

namespace monctl::test {

OtherXClient::OtherXClient()
    : m_display(XOpenDisplay(nullptr)), m_root(DefaultRootWindow(m_display)),
      m_window(XCreateSimpleWindow(m_display, m_root, 700, 100, 200, 100, 0, 0, 0)) {
    XSelectInput(m_display, m_window,
                 KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask);
    XMapWindow(m_display, m_window);
    XSync(m_display, False);
}

OtherXClient::~OtherXClient() {
    XCloseDisplay(m_display);
}

void OtherXClient::sendMessage(Window to, long mask, Window window, const char* type, long first) {
    XEvent message{};
    message.xclient.type = ClientMessage;
    message.xclient.window = window;
    message.xclient.message_type = XInternAtom(m_display, type, False);
    message.xclient.format = 32;
    message.xclient.data.l[0] = first;
    message.xclient.data.l[1] = CurrentTime;
    XSendEvent(m_display, to, False, mask, &message);
    XSync(m_display, False);
}

void OtherXClient::focus(unsigned long window) {
    XSetInputFocus(m_display, window, RevertToParent, CurrentTime);
    XSync(m_display, False);
}

void OtherXClient::askToClose(unsigned long window) {
    sendMessage(window, NoEventMask, window, "WM_PROTOCOLS",
                static_cast<long>(XInternAtom(m_display, "WM_DELETE_WINDOW", False)));
}

unsigned long OtherXClient::openWindow(const char* instance, const char* applicationClass) {
    const Window window = XCreateSimpleWindow(m_display, m_root, 0, 0, 200, 100, 0, 0, 0);
    XClassHint hint{const_cast<char*>(instance), const_cast<char*>(applicationClass)};
    XSetClassHint(m_display, window, &hint);
    XMapWindow(m_display, window);
    activate(window);
    return window;
}

// As a pager asks: the window manager does not second-guess it.
void OtherXClient::activate(unsigned long window) {
    sendMessage(m_root, SubstructureRedirectMask | SubstructureNotifyMask, window,
                "_NET_ACTIVE_WINDOW", 2);
}

bool OtherXClient::windowManagerRuns() {
    return XGetSelectionOwner(m_display, XInternAtom(m_display, "WM_S0", False)) != None;
}

void OtherXClient::setResources(const std::string& resources) {
    XChangeProperty(m_display, m_root, XA_RESOURCE_MANAGER, XA_STRING, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(resources.data()),
                    static_cast<int>(resources.size()));
    XSync(m_display, False);
}

std::vector<std::string> OtherXClient::receivedInput() {
    XSync(m_display, False);
    std::vector<std::string> received;
    while (XPending(m_display) > 0) {
        XEvent event;
        XNextEvent(m_display, &event);
        const bool down = event.type == KeyPress || event.type == ButtonPress;
        if (event.type == KeyPress || event.type == KeyRelease) {
            const char* name = XKeysymToString(XLookupKeysym(&event.xkey, 0));
            received.push_back((down ? "key down " : "key up ") + std::string(name ? name : "?"));
        } else if (event.type == ButtonPress || event.type == ButtonRelease) {
            received.push_back((down ? "button down " : "button up ") +
                               std::to_string(event.xbutton.button));
        }
    }
    return received;
}

std::pair<int, int> OtherXClient::pointer() {
    Window window = 0; // the root and the child under the pointer, not needed
    int x = 0;
    int y = 0;
    int inWindow = 0;
    unsigned mask = 0;
    XQueryPointer(m_display, m_root, &window, &window, &x, &y, &inWindow, &inWindow, &mask);
    return {x, y};
}

void OtherXClient::warpPointer(int x, int y) {
    XWarpPointer(m_display, None, m_root, 0, 0, 0, 0, x, y);
    XSync(m_display, False);
}

bool OtherXClient::anyKeyHeld() {
    char keys[32] = {};
    XQueryKeymap(m_display, keys);
    return std::any_of(std::begin(keys), std::end(keys), [](char byte) { return byte != 0; });
}

void OtherXClient::press(const char* keysym, bool down) {
    pressWithoutWaiting(keysym, down);
    XSync(m_display, False);
}

void OtherXClient::type(const std::vector<const char*>& keysyms) {
    for (const char* keysym : keysyms)
        press(keysym, true);
    for (auto keysym = std::rbegin(keysyms); keysym != std::rend(keysyms); ++keysym)
        press(*keysym, false);
}

void OtherXClient::pressWithoutWaiting(const char* keysym, bool down) {
    XTestFakeKeyEvent(m_display, XKeysymToKeycode(m_display, XStringToKeysym(keysym)),
                      down ? True : False, CurrentTime);
    XFlush(m_display);
}

void OtherXClient::grabControlAltK() {
    XGrabKey(m_display, XKeysymToKeycode(m_display, XK_k), ControlMask | Mod1Mask, m_root, False,
             GrabModeAsync, GrabModeAsync);
    XSync(m_display, False);
}

void OtherXClient::ungrabControlAltK() {
    XUngrabKey(m_display, XKeysymToKeycode(m_display, XK_k), ControlMask | Mod1Mask, m_root);
    XSync(m_display, False);
}

bool OtherXClient::grabKeyboard() {
    const int result =
        XGrabKeyboard(m_display, m_window, False, GrabModeAsync, GrabModeAsync, CurrentTime);
    XSync(m_display, False);
    return result == GrabSuccess;
}

void OtherXClient::ungrabKeyboard() {
    XUngrabKeyboard(m_display, CurrentTime);
    XSync(m_display, False);
}

} // namespace monctl::test
