#pragma once

#include <string>
#include <utility>
#include <vector>

struct _XDisplay; // Xlib's Display, whose macros stay out of the tests

namespace monctl::test {

// Another X client, which types with XTest, owns a window of its own and acts as a window
// manager would.
class OtherXClient {
public:
    OtherXClient();
    ~OtherXClient();
    OtherXClient(const OtherXClient&) = delete;
    OtherXClient& operator=(const OtherXClient&) = delete;

    void focus(unsigned long window);
    void focusOwnWindow() { focus(m_window); }
    // Keys go to the window under the pointer (X's PointerRoot), focused or not.
    void focusUnderPointer() { focus(1); }
    // What a window manager does when the user closes a window.
    void askToClose(unsigned long window);
    // A window of this WM_CLASS, mapped and brought in front; an ICCCM window manager (that
    // owns WM_S0) brings it, as it brings one activated as a pager does.
    unsigned long openWindow(const char* instance, const char* applicationClass);
    void activate(unsigned long window);
    bool windowManagerRuns();
    // The desktop's X resources (the root window's RESOURCE_MANAGER), e.g. "Xft.dpi:\t192\n".
    void setResources(const std::string& resources);

    // The input its own window received since last asked: "key down Down",
    // "key up Down", "button down 1", "button up 1".
    std::vector<std::string> receivedInput();
    std::pair<int, int> pointer();
    void warpPointer(int x, int y);
    bool anyKeyHeld();
    // Presses or releases the key of an X keysym name ("Shift_L", "a", "Escape").
    void press(const char* keysym, bool down);
    // Presses the keys in order, then lets go of them in reverse.
    void type(const std::vector<const char*>& keysyms);
    // The same, returning as soon as the request is sent, before the server has handled it.
    void pressWithoutWaiting(const char* keysym, bool down);
    // Holds (or lets go) a passive grab of Control+Alt+K on the root window.
    void grabControlAltK();
    void ungrabControlAltK();
    // Takes (or gives back) the whole keyboard, as a window manager's switcher, an open menu
    // or a screen lock does; false when the server refused it.
    bool grabKeyboard();
    void ungrabKeyboard();

private:
    // A client message about a window, of a type and a first datum, sent to a window (that window
    // or the window manager's root).
    void sendMessage(unsigned long to, long mask, unsigned long window, const char* type,
                     long first);

    _XDisplay* m_display;
    unsigned long m_root;
    unsigned long m_window;
};

} // namespace monctl::test
