#pragma once

class QDBusConnection;

namespace monctl {

// What the session bus says of a window about to start.
enum class WindowStart {
    first,      // no window runs: this one takes the name once it serves its object
    raised,     // a window runs and answered (asked to come to the front unless hidden)
    withoutBus, // no session bus, or its name is held by a program that does not answer as
                // monctl within a second (told on standard error): the window runs without it
};

// Asks the session bus, before the window is built. Needs the application object.
WindowStart checkWindowStart(bool hidden);

// Takes the session bus's name for the window's object, once that is served there; a refusal
// is told on standard error, and the window runs on without the bus.
void claimWindowName(const QDBusConnection& bus);

// True when the session bus can be reached without starting one (as libdbus would for a
// session that has none, e.g. over SSH).
bool sessionBusConfigured();

} // namespace monctl
