#include "platform/linux/X11FrontApplication.h"

#include "runtime/MainQueue.h"

#include <cstdlib>
#include <cstring>
#include <spdlog/spdlog.h>
#include <xcb/xcb.h>

namespace monctl {
namespace {

template <class Reply> struct Freed {
    void operator()(Reply* reply) const { std::free(reply); }
};
template <class Reply> using ReplyPointer = std::unique_ptr<Reply, Freed<Reply>>;

xcb_atom_t internAtom(xcb_connection_t* connection, const char* name) {
    const ReplyPointer<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        connection,
        xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
        nullptr));
    return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

ReplyPointer<xcb_get_property_reply_t> property(xcb_connection_t* connection, xcb_window_t window,
                                                xcb_atom_t name, xcb_atom_t type,
                                                std::uint32_t longs) {
    return ReplyPointer<xcb_get_property_reply_t>(xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, name, type, 0, longs), nullptr));
}

// WM_CLASS holds the instance and the class, each ended by a NUL.
FrontWindow windowClass(xcb_connection_t* connection, xcb_window_t window) {
    const auto reply = property(connection, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 256);
    if (!reply || reply->format != 8)
        return {};
    const auto* text = static_cast<const char*>(xcb_get_property_value(reply.get()));
    const std::string both(text,
                           static_cast<std::size_t>(xcb_get_property_value_length(reply.get())));
    const auto end = both.find('\0');
    const std::string instance = both.substr(0, end);
    std::string applicationClass = end == std::string::npos ? std::string() : both.substr(end + 1);
    applicationClass = applicationClass.substr(0, applicationClass.find('\0'));
    return {applicationClass.empty() ? instance : applicationClass, instance};
}

} // namespace

Opened<X11FrontApplication> X11FrontApplication::open() {
    xcb_connection_t* probe = xcb_connect(nullptr, nullptr);
    const bool opened = xcb_connection_has_error(probe) == 0;
    xcb_disconnect(probe);
    if (!opened) {
        return Opened<X11FrontApplication>::missing(QT_TRANSLATE_NOOP(
            "monctl::AboutBox", "the window in front is read from X11, and no X display can "
                                "be opened"));
    }
    return std::unique_ptr<X11FrontApplication>(new X11FrontApplication());
}

X11FrontApplication::~X11FrontApplication() {
    stop();
}

void X11FrontApplication::start() {
    assertMainThread();
    if (m_connection)
        return;
    int screenNumber = 0;
    m_connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(m_connection) != 0) {
        spdlog::warn("The window in front cannot be watched: the X display cannot be opened");
        xcb_disconnect(m_connection);
        m_connection = nullptr;
        return;
    }
    auto screens = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
    for (int skipped = 0; skipped < screenNumber && screens.rem > 0; ++skipped)
        xcb_screen_next(&screens);
    m_root = screens.data->root;
    m_activeWindowAtom = internAtom(m_connection, "_NET_ACTIVE_WINDOW");
    // Asked for before the property is read: no change can fall between the two.
    const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(m_connection, m_root, XCB_CW_EVENT_MASK, &mask);
    m_front = {};
    m_watch = MainQueue::shared()->watchReadable(xcb_get_file_descriptor(m_connection),
                                                 [this] { readEvents(); });
    readFrontWindow();
    readEvents();
}

void X11FrontApplication::stop() {
    m_watch.reset();
    if (m_connection)
        xcb_disconnect(m_connection);
    m_connection = nullptr;
}

// A request that waits for its reply reads the events before it into xcb's queue, where the
// descriptor no longer shows them: the queue is emptied after the last such request. A window
// manager that moves the focus clears the property first: the property is read once the
// events that came together are handled.
void X11FrontApplication::readEvents() {
    bool activeChanged = false;
    while (m_connection) {
        const ReplyPointer<xcb_generic_event_t> event(xcb_poll_for_event(m_connection));
        if (!event) {
            if (!activeChanged)
                break;
            readFrontWindow();
            activeChanged = false;
            continue;
        }
        if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY)
            continue;
        const auto* change = reinterpret_cast<const xcb_property_notify_event_t*>(event.get());
        activeChanged =
            activeChanged || (change->window == m_root && change->atom == m_activeWindowAtom);
    }
    if (m_connection && xcb_connection_has_error(m_connection) != 0) {
        spdlog::warn("The X server closed the connection that watched the window in front");
        stop();
    }
}

void X11FrontApplication::readFrontWindow() {
    const auto active = property(m_connection, m_root, m_activeWindowAtom, XCB_ATOM_WINDOW, 1);
    FrontWindow front;
    if (active && active->format == 32 && xcb_get_property_value_length(active.get()) >= 4) {
        const auto window = *static_cast<const xcb_window_t*>(xcb_get_property_value(active.get()));
        if (window != XCB_WINDOW_NONE)
            front = windowClass(m_connection, window);
    }
    if (front == m_front)
        return;
    m_front = front;
    changed.notify(front);
}

} // namespace monctl
