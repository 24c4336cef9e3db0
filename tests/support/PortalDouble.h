#pragma once

#include "platform/linux/PortalShortcutList.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace monctl::test {

// A desktop portal on the test's session bus (org.freedesktop.portal.Desktop at
// /org/freedesktop/portal/desktop), on the main loop: monctl, which waits for no answer of the
// portal, goes on meanwhile. It speaks the GlobalShortcuts interface with its Request and Session
// objects, as the desktop's portal does, keeps what it bound for an application across sessions and
// restarts, and writes down each call.
class PortalDouble final : public QDBusVirtualObject {
public:
    struct Behaviour {
        bool globalShortcuts = true;          // false: a portal without the interface
        bool current = false;                 // as portals are from 1.21 on: see below
        bool refuseRegistration = false;      // the registry turns the application id down
        bool sessionHandleAsString = false;   // some portals give the handle as a string
        bool refuseBind = false;              // the user cancels the bind dialog
        bool listInsteadOfAnswer = false;     // the bind's answer leaves out the shortcuts
        QMap<QString, QString> assigned = {}; // id → the trigger the desktop chooses
    };
    // A current portal's host registry takes an application id once per connection, before any
    // other portal call; it refuses sessions to connections without one ("An app id is required"),
    // binds once per session, and offers ConfigureShortcuts (version 2). Older ones ask no id.

    explicit PortalDouble(Behaviour behaviour) : m_behaviour(std::move(behaviour)) {
        registerPortalShortcutTypes();
        connectToBus();
    }
    ~PortalDouble() override { leaveBus(); }

    // The calls so far, from the one given on: "Register org.monctl.Monctl", "CreateSession TOKEN"
    // (the session handle token), "ListShortcuts", "BindShortcuts fast-refresh=CTRL+D ...",
    // "ConfigureShortcuts", "Close" (of a session); a call refused ends in " refused".
    std::vector<std::string> calls(std::size_t from = 0) const {
        return {m_calls.begin() + static_cast<std::ptrdiff_t>(std::min(from, m_calls.size())),
                m_calls.end()};
    }
    // The desktop reports the shortcut pressed and let go of, in the newest session.
    void activate(const std::string& id) {
        send("Activated", id);
        send("Deactivated", id);
    }
    // The desktop reports only a release.
    void deactivate(const std::string& id) { send("Deactivated", id); }
    // The portal leaves the bus, as when it crashes.
    void vanish() { m_connection.unregisterService(service); }
    // The desktop ends the newest session, as when its shortcut service restarts.
    void closeSession() {
        m_sessions.erase(m_newestSession);
        m_connection.send(QDBusMessage::createSignal(m_newestSession, sessionInterface, "Closed")
                          << QVariantMap());
    }
    // The portal leaves the bus and comes back on a connection of another owner, knowing no
    // connection and no session; what it bound for each application it still holds.
    void restart() {
        leaveBus();
        m_applications.clear();
        m_sessions.clear();
        connectToBus();
    }
    // Calls wait unanswered from now on, until let go; meanwhile the member names of those waiting
    // ("Get", "Register", ...) are known.
    void holdCalls() { m_holding = true; }
    std::vector<std::string> heldCalls() const {
        std::vector<std::string> names;
        for (const auto& call : m_heldCalls)
            names.push_back(call.member().toStdString());
        return names;
    }
    void answerHeldCalls() {
        m_holding = false;
        for (const auto& call : std::exchange(m_heldCalls, {})) {
            if (!handle(call))
                m_connection.send(call.createErrorReply(QDBusError::UnknownMethod, call.member()));
        }
    }

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection&) override {
        if (m_holding)
            m_heldCalls.push_back(message);
        return m_holding || handle(message);
    }

private:
    static constexpr const char* path = "/org/freedesktop/portal/desktop";
    static constexpr const char* service = "org.freedesktop.portal.Desktop";
    static constexpr const char* shortcutsInterface = "org.freedesktop.portal.GlobalShortcuts";
    static constexpr const char* registryInterface = "org.freedesktop.host.portal.Registry";
    static constexpr const char* sessionInterface = "org.freedesktop.portal.Session";

    // Each connection of its own name: the bus sees a new owner.
    void connectToBus() {
        m_connection =
            QDBusConnection::connectToBus(qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"),
                                          QString("monctl-portal-double-%1").arg(++m_connections));
        m_connection.registerVirtualObject(path, this, QDBusConnection::SubPath);
        m_connection.registerService(service);
    }
    void leaveBus() {
        const QString name = m_connection.name();
        m_connection.unregisterObject(path);
        m_connection = QDBusConnection(QString());
        QDBusConnection::disconnectFromBus(name);
    }

    bool handle(const QDBusMessage& message) {
        const QString interface = message.interface();
        const QString member = message.member();
        if (interface == "org.freedesktop.DBus.Properties" && member == "Get")
            return version(message);
        if (interface == registryInterface && member == "Register")
            return registerApplication(message);
        m_applications.try_emplace(message.service());
        if (interface == sessionInterface && member == "Close") {
            m_calls.push_back("Close");
            m_sessions.erase(message.path());
            return m_connection.send(message.createReply());
        }
        if (interface != shortcutsInterface || !m_behaviour.globalShortcuts)
            return false;
        if (member == "CreateSession")
            return createSession(message);
        if (member == "BindShortcuts")
            return bindShortcuts(message);
        if (member != "ListShortcuts" && (member != "ConfigureShortcuts" || !m_behaviour.current))
            return false;
        m_calls.push_back(member.toStdString());
        if (member == "ConfigureShortcuts")
            return m_connection.send(message.createReply());
        return listShortcuts(message, qdbus_cast<QVariantMap>(message.arguments().value(1)));
    }

    bool version(const QDBusMessage& message) {
        const auto interface = message.arguments().value(0).toString();
        const bool shortcuts = interface == shortcutsInterface && m_behaviour.globalShortcuts;
        if (!shortcuts && !(interface == registryInterface && m_behaviour.current))
            return m_connection.send(
                message.createErrorReply(QDBusError::InvalidArgs, "No such interface"));
        if (shortcuts)
            m_applications.try_emplace(message.service());
        const uint number = shortcuts && m_behaviour.current ? 2 : 1;
        return m_connection.send(message.createReply(QVariant::fromValue(QDBusVariant(number))));
    }

    bool registerApplication(const QDBusMessage& message) {
        const auto id = message.arguments().value(0).toString();
        m_calls.push_back("Register " + id.toStdString());
        if (m_behaviour.refuseRegistration)
            return refuse(message, "NotAllowed", "No desktop entry for " + id);
        if (m_applications.contains(message.service()))
            return refuse(message, "Failed",
                          "Connection already associated with an application ID");
        m_applications[message.service()] = id;
        return m_connection.send(message.createReply());
    }

    bool createSession(const QDBusMessage& message) {
        const auto options = qdbus_cast<QVariantMap>(message.arguments().value(0));
        const auto token = options.value("session_handle_token").toString();
        m_calls.push_back("CreateSession " + token.toStdString());
        if (m_behaviour.current && m_applications[message.service()].isEmpty())
            return refuse(message, "NotAllowed", "An app id is required");
        const QString session = objectPath(message, "session", token);
        if (m_sessions.contains(session))
            return refuse(message, "Failed", "A session with this handle exists already");
        m_sessions[session] = false;
        m_newestSession = session;
        const QVariant handle = m_behaviour.sessionHandleAsString
                                    ? QVariant(session)
                                    : QVariant::fromValue(QDBusObjectPath(session));
        return answer(message, options, 0, {{"session_handle", handle}});
    }

    bool bindShortcuts(const QDBusMessage& message) {
        if (message.signature() != "oa(sa{sv})sa{sv}")
            return false;
        const auto session = message.arguments().value(0).value<QDBusObjectPath>().path();
        QString call = "BindShortcuts";
        PortalShortcutList bindings;
        for (const auto& shortcut : qdbus_cast<PortalShortcutList>(message.arguments().value(1))) {
            const auto preferred = shortcut.properties.value("preferred_trigger").toString();
            call += " " + shortcut.id + "=" + preferred;
            bindings.push_back(
                {shortcut.id,
                 {{"description", shortcut.properties.value("description")},
                  {"trigger_description", m_behaviour.assigned.value(shortcut.id, preferred)}}});
        }
        m_calls.push_back(call.toStdString());
        if (m_behaviour.current && m_sessions[session])
            return refuse(message, "Failed", "The shortcuts of this session are bound already");
        m_sessions[session] = true;
        const auto options = qdbus_cast<QVariantMap>(message.arguments().value(3));
        if (m_behaviour.refuseBind)
            return answer(message, options, 1, {});
        m_held[m_applications[message.service()]] = QVariant::fromValue(bindings);
        if (m_behaviour.listInsteadOfAnswer)
            return answer(message, options, 0, {});
        return listShortcuts(message, options);
    }

    // What the desktop holds for the caller's application, from earlier sessions too.
    bool listShortcuts(const QDBusMessage& message, const QVariantMap& options) {
        const auto held = m_held.value(m_applications[message.service()],
                                       QVariant::fromValue(PortalShortcutList{}));
        return answer(message, options, 0, {{"shortcuts", held}});
    }

    // The Request object's path in the reply, then its Response.
    bool answer(const QDBusMessage& call, const QVariantMap& options, uint code,
                const QVariantMap& results) {
        const auto request = objectPath(call, "request", options.value("handle_token").toString());
        m_connection.send(call.createReply(QVariant::fromValue(QDBusObjectPath(request))));
        return m_connection.send(
            QDBusMessage::createSignal(request, "org.freedesktop.portal.Request", "Response")
            << code << results);
    }

    // The call last written down is refused.
    bool refuse(const QDBusMessage& call, const QString& error, const QString& text) {
        m_calls.back() += " refused";
        return m_connection.send(
            call.createErrorReply("org.freedesktop.portal.Error." + error, text));
    }

    void send(const char* signalName, const std::string& id) {
        m_connection.send(QDBusMessage::createSignal(path, shortcutsInterface, signalName)
                          << QVariant::fromValue(QDBusObjectPath(m_newestSession))
                          << QString::fromStdString(id) << QVariant::fromValue(qulonglong(0))
                          << QVariantMap());
    }

    // Where a call's Request or Session object lives: the sender without ':' and with '_' for '.'.
    static QString objectPath(const QDBusMessage& call, const QString& kind, const QString& token) {
        return QString("%1/%2/%3/%4")
            .arg(path, kind, call.service().mid(1).replace('.', '_'), token);
    }

    Behaviour m_behaviour;
    QDBusConnection m_connection{QString()};
    int m_connections = 0;
    bool m_holding = false;
    std::vector<QDBusMessage> m_heldCalls;
    // Connections that made a portal call → the application id each registered, if any.
    std::map<QString, QString> m_applications;
    std::map<QString, bool> m_sessions; // the open ones → whether their shortcuts are bound
    QString m_newestSession;
    QMap<QString, QVariant> m_held; // application id → what the desktop bound for it
    std::vector<std::string> m_calls;
};

} // namespace monctl::test
