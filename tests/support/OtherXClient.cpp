#include "support/OtherXClient.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <string>

namespace monctl::test {

struct OtherXClient::Connection {
    Display* display = XOpenDisplay(nullptr);
    Window window = 0;
};

OtherXClient::OtherXClient() : m_connection(std::make_unique<Connection>()) {
    Display* display = m_connection->display;
    m_connection->window =
        XCreateSimpleWindow(display, DefaultRootWindow(display), 700, 100, 200, 100, 0, 0, 0);
    XSelectInput(display, m_connection->window,
                 KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask);
    XMapWindow(display, m_connection->window);
    XSync(display, False);
}

OtherXClient::~OtherXClient() {
    XCloseDisplay(m_connection->display);
}

void OtherXClient::focus(unsigned long window) {
    XSetInputFocus(m_connection->display, window, RevertToParent, CurrentTime);
    XSync(m_connection->display, False);
}

void OtherXClient::focusOwnWindow() {
    focus(m_connection->window);
}

void OtherXClient::focusUnderPointer() {
    focus(PointerRoot);
}

void OtherXClient::askToClose(unsigned long window) {
    Display* display = m_connection->display;
    XEvent message{};
    message.xclient.type = ClientMessage;
    message.xclient.window = window;
    message.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    message.xclient.format = 32;
    message.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    message.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &message);
    XSync(display, False);
}

void OtherXClient::setResources(const std::string& resources) {
    Display* display = m_connection->display;
    XChangeProperty(display, DefaultRootWindow(display), XA_RESOURCE_MANAGER, XA_STRING, 8,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(resources.data()),
                    static_cast<int>(resources.size()));
    XSync(display, False);
}

std::vector<std::string> OtherXClient::receivedInput() {
    Display* display = m_connection->display;
    XSync(display, False);
    std::vector<std::string> received;
    while (XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == KeyPress || event.type == KeyRelease) {
            const char* name = XKeysymToString(XLookupKeysym(&event.xkey, 0));
            received.push_back(std::string(event.type == KeyPress ? "key down " : "key up ") +
                               (name ? name : "?"));
        } else if (event.type == ButtonPress || event.type == ButtonRelease) {
            received.push_back(
                std::string(event.type == ButtonPress ? "button down " : "button up ") +
                std::to_string(event.xbutton.button));
        }
    }
    return received;
}

std::pair<int, int> OtherXClient::pointer() {
    Display* display = m_connection->display;
    Window root = 0;
    Window child = 0;
    int x = 0;
    int y = 0;
    int windowX = 0;
    int windowY = 0;
    unsigned mask = 0;
    XQueryPointer(display, DefaultRootWindow(display), &root, &child, &x, &y, &windowX, &windowY,
                  &mask);
    return {x, y};
}

void OtherXClient::warpPointer(int x, int y) {
    Display* display = m_connection->display;
    XWarpPointer(display, None, DefaultRootWindow(display), 0, 0, 0, 0, x, y);
    XSync(display, False);
}

bool OtherXClient::anyKeyHeld() {
    char keys[32] = {};
    XQueryKeymap(m_connection->display, keys);
    for (const char byte : keys) {
        if (byte != 0)
            return true;
    }
    return false;
}

void OtherXClient::press(const char* keysym, bool down) {
    pressWithoutWaiting(keysym, down);
    XSync(m_connection->display, False);
}

void OtherXClient::type(const std::vector<const char*>& keysyms) {
    for (const char* keysym : keysyms)
        press(keysym, true);
    for (auto keysym = std::rbegin(keysyms); keysym != std::rend(keysyms); ++keysym)
        press(*keysym, false);
}

void OtherXClient::pressWithoutWaiting(const char* keysym, bool down) {
    Display* display = m_connection->display;
    XTestFakeKeyEvent(display, XKeysymToKeycode(display, XStringToKeysym(keysym)),
                      down ? True : False, CurrentTime);
    XFlush(display);
}

void OtherXClient::grabControlAltK() {
    Display* display = m_connection->display;
    XGrabKey(display, XKeysymToKeycode(display, XK_k), ControlMask | Mod1Mask,
             DefaultRootWindow(display), False, GrabModeAsync, GrabModeAsync);
    XSync(display, False);
}

void OtherXClient::ungrabControlAltK() {
    Display* display = m_connection->display;
    XUngrabKey(display, XKeysymToKeycode(display, XK_k), ControlMask | Mod1Mask,
               DefaultRootWindow(display));
    XSync(display, False);
}

bool OtherXClient::grabKeyboard() {
    Display* display = m_connection->display;
    const int result = XGrabKeyboard(display, m_connection->window, False, GrabModeAsync,
                                     GrabModeAsync, CurrentTime);
    XSync(display, False);
    return result == GrabSuccess;
}

void OtherXClient::ungrabKeyboard() {
    XUngrabKeyboard(m_connection->display, CurrentTime);
    XSync(m_connection->display, False);
}

} // namespace monctl::test
