#include "support/OtherXClient.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <algorithm>
#include <string>

namespace monctl::test {

struct OtherXClient::Connection {
    Display* display = XOpenDisplay(nullptr);
    Window root = DefaultRootWindow(display);
    Window window = XCreateSimpleWindow(display, root, 700, 100, 200, 100, 0, 0, 0);
    // Every request is handled by the server before the caller goes on.
    void sync() const { XSync(display, False); }
};

OtherXClient::OtherXClient() : m_connection(std::make_unique<Connection>()) {
    XSelectInput(m_connection->display, m_connection->window,
                 KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask);
    XMapWindow(m_connection->display, m_connection->window);
    m_connection->sync();
}

OtherXClient::~OtherXClient() {
    XCloseDisplay(m_connection->display);
}

void OtherXClient::focus(unsigned long window) {
    XSetInputFocus(m_connection->display, window, RevertToParent, CurrentTime);
    m_connection->sync();
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
    m_connection->sync();
}

void OtherXClient::setResources(const std::string& resources) {
    XChangeProperty(m_connection->display, m_connection->root, XA_RESOURCE_MANAGER, XA_STRING, 8,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(resources.data()),
                    static_cast<int>(resources.size()));
    m_connection->sync();
}

std::vector<std::string> OtherXClient::receivedInput() {
    Display* display = m_connection->display;
    m_connection->sync();
    std::vector<std::string> received;
    while (XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
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
    Window root = 0;
    Window child = 0;
    int x = 0;
    int y = 0;
    int windowX = 0;
    int windowY = 0;
    unsigned mask = 0;
    XQueryPointer(m_connection->display, m_connection->root, &root, &child, &x, &y, &windowX,
                  &windowY, &mask);
    return {x, y};
}

void OtherXClient::warpPointer(int x, int y) {
    XWarpPointer(m_connection->display, None, m_connection->root, 0, 0, 0, 0, x, y);
    m_connection->sync();
}

bool OtherXClient::anyKeyHeld() {
    char keys[32] = {};
    XQueryKeymap(m_connection->display, keys);
    return std::any_of(std::begin(keys), std::end(keys), [](char byte) { return byte != 0; });
}

void OtherXClient::press(const char* keysym, bool down) {
    pressWithoutWaiting(keysym, down);
    m_connection->sync();
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
    XGrabKey(display, XKeysymToKeycode(display, XK_k), ControlMask | Mod1Mask, m_connection->root,
             False, GrabModeAsync, GrabModeAsync);
    m_connection->sync();
}

void OtherXClient::ungrabControlAltK() {
    Display* display = m_connection->display;
    XUngrabKey(display, XKeysymToKeycode(display, XK_k), ControlMask | Mod1Mask,
               m_connection->root);
    m_connection->sync();
}

bool OtherXClient::grabKeyboard() {
    const int result = XGrabKeyboard(m_connection->display, m_connection->window, False,
                                     GrabModeAsync, GrabModeAsync, CurrentTime);
    m_connection->sync();
    return result == GrabSuccess;
}

void OtherXClient::ungrabKeyboard() {
    XUngrabKeyboard(m_connection->display, CurrentTime);
    m_connection->sync();
}

} // namespace monctl::test
