#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace monctl::test {

// A desktop portal on the test's session bus (org.freedesktop.portal.Desktop at
// /org/freedesktop/portal/desktop), on the main loop: monctl, which waits for no answer of the
// portal, goes on meanwhile. It speaks the GlobalShortcuts interface with its Request and
// Session objects, as the desktop's portal does, keeps what it bound for an application across
// sessions and restarts, and writes down each call.
class PortalDouble final : public QDBusVirtualObject {
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
    ~PortalDouble() override { leaveBus(); }

    // The calls so far: "Register org.monctl.Monctl", "CreateSession TOKEN" (the session
    // handle token), "ListShortcuts", "BindShortcuts fast-refresh=CTRL+D ...",
    // "ConfigureShortcuts", "Close" (of a session); a call refused ends in " refused".
    const std::vector<std::string>& calls() const { return m_calls; }
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
    void holdCalls() { m_holding = true; }
    std::vector<std::string> heldCalls() const;
    void answerHeldCalls();

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection&) override;

private:
    void connectToBus();
    void leaveBus();
    bool handle(const QDBusMessage& message);
    bool version(const QDBusMessage& message);
    bool registerApplication(const QDBusMessage& message);
    bool createSession(const QDBusMessage& message);
    bool bindShortcuts(const QDBusMessage& message);
    bool listShortcuts(const QDBusMessage& message, const QVariantMap& options);
    bool answer(const QDBusMessage& call, const QVariantMap& options, uint code,
                const QVariantMap& results);
    bool refuse(const QDBusMessage& call, const QString& what, const QString& error,
                const QString& text);
    void send(const char* signalName, const std::string& id);

    Behaviour m_behaviour;
    QDBusConnection m_connection{QString()};
    QString m_connectionName;
    int m_connections = 0;
    bool m_holding = false;
    std::vector<QDBusMessage> m_heldCalls;
    std::set<QString> m_callers;         // connections that made a portal call
    QMap<QString, QString> m_registered; // connection → application id
    std::set<QString> m_sessions;        // open ones
    std::set<QString> m_boundSessions;   // those BindShortcuts was called on
    QString m_newestSession;
    QMap<QString, QVariant> m_held; // application id → what the desktop bound for it
    std::vector<std::string> m_calls;
};

} // namespace monctl::test
