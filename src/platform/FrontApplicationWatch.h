#pragma once

#include "runtime/Backend.h"
#include "runtime/Signal.h"

#include <string>

namespace monctl {

// The window in front as the desktop names its application.
struct FrontWindow {
    std::string application; // X11: WM_CLASS's class; Wayland: the app id; "" for none
    std::string instance;    // X11: WM_CLASS's instance (KWin: the resource name); may be ""
    bool operator==(const FrontWindow&) const = default;
};

// Tells which application's window is in front. Nothing is asked of the desktop before start()
// nor after stop(): a watch that is not started holds no connection and never wakes. Once
// started, `changed` tells the window in front as soon as it is known, then each time another
// comes to the front, on the main loop. Main thread only.
class FrontApplicationWatch : public Backend {
public:
    ~FrontApplicationWatch() override = default;

    virtual void start() = 0;
    virtual void stop() = 0;
    virtual bool isWatching() const = 0;

    Signal<FrontWindow> changed;
};

// Where the desktop tells no program which window is in front.
class NullFrontApplicationWatch final : public NullBackend<FrontApplicationWatch> {
public:
    using NullBackend::NullBackend;
    void start() override {}
    void stop() override {}
    bool isWatching() const override { return false; }
};

} // namespace monctl
