#include "support/OtherXClient.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <string>

namespace monctl::test {

struct OtherXClient::Connection {
    Display* display = XOpenDisplay(nullptr);
    Window window = 0;

    void press(KeySym key, Bool down) const {
        XTestFakeKeyEvent(display, XKeysymToKeycode(display, key), down, CurrentTime);
        XSync(display, False);
    }
};

namespace {

KeySym symbolOf(OtherXClient::Key key) {
    return key == OtherXClient::Key::u ? XK_u : XK_Caps_Lock;
}

} // namespace

OtherXClient::OtherXClient() : m_connection(std::make_unique<Connection>()) {
    Display* display = m_connection->display;
    m_connection->window =
        XCreateSimpleWindow(display, DefaultRootWindow(display), 700, 100, 200, 100, 0, 0, 0);
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

void OtherXClient::tap(Key key) {
    m_connection->press(symbolOf(key), True);
    m_connection->press(symbolOf(key), False);
}

void OtherXClient::controlTap(Key key) {
    m_connection->press(XK_Control_L, True);
    tap(key);
    m_connection->press(XK_Control_L, False);
}

unsigned long OtherXClient::windowNamed(const char* name) {
    Display* display = m_connection->display;
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    unsigned long found = 0;
    XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count);
    for (unsigned i = 0; i < count && !found; ++i) {
        char* title = nullptr;
        if (XFetchName(display, children[i], &title) && title) {
            if (std::string(title) == name)
                found = children[i];
            XFree(title);
        }
    }
    if (children)
        XFree(children);
    return found;
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

} // namespace monctl::test
