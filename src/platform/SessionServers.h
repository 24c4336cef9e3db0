#pragma once

#include <chrono>

namespace monctl {

// The desktop session's servers can take a connection and then never answer it (a stopped
// process): the libraries that talk to them wait without a deadline. These ask with one.

// Whether the local X server that DISPLAY names takes the connection but has not begun to
// answer it within the time. False when there is none to ask: the connection then fails at
// once.
bool xServerHangs(std::chrono::milliseconds limit);
// The same for the session bus at DBUS_SESSION_BUS_ADDRESS, or $XDG_RUNTIME_DIR/bus.
bool sessionBusHangs(std::chrono::milliseconds limit);

} // namespace monctl
