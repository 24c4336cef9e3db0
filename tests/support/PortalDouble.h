#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class QObject;
class QThread;

namespace monctl::test {

class PortalService;

// A desktop portal on the test's session bus (org.freedesktop.portal.Desktop at
// /org/freedesktop/portal/desktop), answering on a thread of its own, as another process
// would. It speaks the GlobalShortcuts interface with its Request and Session objects, as the
// desktop's portal does, keeps what it bound for an application across sessions and restarts,
// and writes down each call.
class PortalDouble {
public:
    struct Behaviour {
        bool globalShortcuts = true;                 // false: a portal without the interface
        bool current = false;                        // as portals are from 1.21 on: see below
        bool refuseRegistration = false;             // the registry turns the application id down
        bool sessionHandleAsString = false;          // some portals give the handle as a string
        bool refuseBind = false;                     // the user cancels the bind dialog
        bool listInsteadOfAnswer = false;            // the bind's answer leaves out the shortcuts
        std::map<std::string, std::string> assigned; // id → the trigger the desktop chooses
    };
    // A current portal has the host registry, which takes an application id once per
    // connection and only before any other portal call; it refuses sessions to connections
    // without an id ("An app id is required"), binds once per session, and offers version 2
    // of the interface, with ConfigureShortcuts. An older one knows programs without asking.

    explicit PortalDouble(Behaviour behaviour);
    ~PortalDouble();
    PortalDouble(const PortalDouble&) = delete;
    PortalDouble& operator=(const PortalDouble&) = delete;

    // The calls so far: "Register org.monctl.Monctl", "CreateSession TOKEN" (the session
    // handle token), "ListShortcuts", "BindShortcuts fast-refresh=CTRL+D ...",
    // "ConfigureShortcuts", "Close" (of a session); a call refused ends in " refused".
    std::vector<std::string> calls() const;
    // The desktop reports the shortcut pressed and let go of, in the newest session.
    void activate(const std::string& id);
    // The desktop reports only a release.
    void deactivate(const std::string& id);
    // The portal leaves the bus, as when it crashes.
    void vanish();
    // The desktop ends the newest session (Session.Closed), as when its shortcut service
    // restarts.
    void closeSession();
    // The portal leaves the bus and comes back on a connection of another owner, knowing no
    // connection and no session; what it bound for each application it still holds.
    void restart();
    // Calls wait unanswered from now on, until let go; meanwhile the member names of those
    // waiting ("Get", "Register", ...) are known.
    void holdCalls();
    std::vector<std::string> heldCalls() const;
    void answerHeldCalls();

private:
    std::unique_ptr<QThread> m_thread;
    std::unique_ptr<QObject> m_context; // lives on the thread: what runs there is sent to it
    PortalService* m_service = nullptr;
};

} // namespace monctl::test
