#pragma once

#include "platform/FrontApplicationWatch.h"
#include "runtime/Backend.h"
#include "runtime/DescriptorWatch.h"

#include <QtGlobal>
#include <cstdint>
#include <memory>

struct xcb_connection_t;

namespace monctl {

// The window in front on X11 as an EWMH window manager publishes it (_NET_ACTIVE_WINDOW on the
// root window), and its WM_CLASS: on a connection of its own, read when the property changes.
class X11FrontApplication final : public FrontApplicationWatch {
public:
    // None, with the reason, when no X display can be opened.
    static Opened<X11FrontApplication> open();
    ~X11FrontApplication() override;

    void start() override;
    void stop() override;
    bool isWatching() const override { return m_connection != nullptr; }
    std::string backendName() const override {
        return QT_TRANSLATE_NOOP("monctl::AboutBox", "the window manager's _NET_ACTIVE_WINDOW");
    }

private:
    X11FrontApplication() = default;
    void readEvents();
    void readFrontWindow();

    xcb_connection_t* m_connection = nullptr;
    std::uint32_t m_root = 0;
    std::uint32_t m_activeWindowAtom = 0;
    std::unique_ptr<DescriptorWatch> m_watch;
    FrontWindow m_front;
};

} // namespace monctl
