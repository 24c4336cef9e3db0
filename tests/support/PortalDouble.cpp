#include "support/PortalDouble.h"

#include "platform/linux/PortalShortcutList.h"

#include <QDBusArgument>
#include <QDBusObjectPath>
#include <QDBusVariant>

namespace monctl::test {
namespace {

constexpr const char* portalPath = "/org/freedesktop/portal/desktop";
constexpr const char* shortcutsInterface = "org.freedesktop.portal.GlobalShortcuts";
constexpr const char* registryInterface = "org.freedesktop.host.portal.Registry";

// Where a call's Request or Session object lives: the sender without ':' and with '_' for '.'.
QString objectPath(const QDBusMessage& call, const QString& kind, const QString& token) {
    QString sender = call.service().mid(1);
    sender.replace('.', '_');
    return QString("%1/%2/%3/%4").arg(portalPath, kind, sender, token);
}

} // namespace

PortalDouble::PortalDouble(Behaviour behaviour) : m_behaviour(std::move(behaviour)) {
    registerPortalShortcutTypes();
    connectToBus();
}

void PortalDouble::activate(const std::string& id) {
    send("Activated", id);
    send("Deactivated", id);
}

void PortalDouble::deactivate(const std::string& id) {
    send("Deactivated", id);
}

void PortalDouble::vanish() {
    m_connection.unregisterService("org.freedesktop.portal.Desktop");
}

void PortalDouble::closeSession() {
    auto closed =
        QDBusMessage::createSignal(m_newestSession, "org.freedesktop.portal.Session", "Closed");
    closed << QVariantMap();
    m_boundSessions.erase(m_newestSession);
    m_sessions.erase(m_newestSession);
    m_connection.send(closed);
}

void PortalDouble::restart() {
    leaveBus();
    m_callers.clear();
    m_registered.clear();
    m_sessions.clear();
    m_boundSessions.clear();
    connectToBus();
}

std::vector<std::string> PortalDouble::heldCalls() const {
    std::vector<std::string> names;
    for (const auto& call : m_heldCalls)
        names.push_back(call.member().toStdString());
    return names;
}

void PortalDouble::answerHeldCalls() {
    m_holding = false;
    for (const auto& call : std::exchange(m_heldCalls, {})) {
        if (!handle(call))
            m_connection.send(call.createErrorReply(QDBusError::UnknownMethod, call.member()));
    }
}

bool PortalDouble::handleMessage(const QDBusMessage& message, const QDBusConnection&) {
    if (m_holding)
        m_heldCalls.push_back(message);
    return m_holding || handle(message);
}

// Each connection of its own name: the bus sees a new owner.
void PortalDouble::connectToBus() {
    m_connectionName = QString("monctl-portal-double-%1").arg(++m_connections);
    m_connection = QDBusConnection::connectToBus(qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"),
                                                 m_connectionName);
    m_connection.registerVirtualObject(portalPath, this, QDBusConnection::SubPath);
    m_connection.registerService("org.freedesktop.portal.Desktop");
}

void PortalDouble::leaveBus() {
    m_connection.unregisterObject(portalPath);
    m_connection = QDBusConnection(QString());
    QDBusConnection::disconnectFromBus(m_connectionName);
}

bool PortalDouble::handle(const QDBusMessage& message) {
    const QString interface = message.interface();
    const QString member = message.member();
    if (interface == "org.freedesktop.DBus.Properties" && member == "Get")
        return version(message);
    if (interface == registryInterface && member == "Register")
        return registerApplication(message);
    m_callers.insert(message.service());
    if (interface == "org.freedesktop.portal.Session" && member == "Close") {
        m_calls.push_back("Close");
        m_boundSessions.erase(message.path());
        m_sessions.erase(message.path());
        return m_connection.send(message.createReply());
    }
    if (interface != shortcutsInterface || !m_behaviour.globalShortcuts)
        return false;
    if (member == "CreateSession")
        return createSession(message);
    if (member == "BindShortcuts")
        return bindShortcuts(message);
    if (member == "ListShortcuts") {
        m_calls.push_back("ListShortcuts");
        return listShortcuts(message, qdbus_cast<QVariantMap>(message.arguments().value(1)));
    }
    if (member == "ConfigureShortcuts" && m_behaviour.current) {
        m_calls.push_back("ConfigureShortcuts");
        return m_connection.send(message.createReply());
    }
    return false;
}

bool PortalDouble::version(const QDBusMessage& message) {
    const auto interface = message.arguments().value(0).toString();
    const bool offered = (interface == shortcutsInterface && m_behaviour.globalShortcuts) ||
                         (interface == registryInterface && m_behaviour.current);
    if (!offered)
        return m_connection.send(
            message.createErrorReply(QDBusError::InvalidArgs, "No such interface"));
    if (interface == shortcutsInterface)
        m_callers.insert(message.service());
    const uint number = interface == shortcutsInterface && m_behaviour.current ? 2 : 1;
    return m_connection.send(
        message.createReply(QVariant::fromValue(QDBusVariant(QVariant(number)))));
}

bool PortalDouble::registerApplication(const QDBusMessage& message) {
    const auto id = message.arguments().value(0).toString();
    if (m_behaviour.refuseRegistration)
        return refuse(message, "Register " + id, "org.freedesktop.portal.Error.NotAllowed",
                      "No desktop entry for " + id);
    if (m_callers.contains(message.service()))
        return refuse(message, "Register " + id, "org.freedesktop.portal.Error.Failed",
                      "Connection already associated with an application ID");
    m_callers.insert(message.service());
    m_registered[message.service()] = id;
    m_calls.push_back("Register " + id.toStdString());
    return m_connection.send(message.createReply());
}

bool PortalDouble::createSession(const QDBusMessage& message) {
    const auto options = qdbus_cast<QVariantMap>(message.arguments().value(0));
    const auto token = options.value("session_handle_token").toString();
    const QString call = "CreateSession " + token;
    if (m_behaviour.current && !m_registered.contains(message.service()))
        return refuse(message, call, "org.freedesktop.portal.Error.NotAllowed",
                      "An app id is required");
    const QString session = objectPath(message, "session", token);
    if (m_sessions.contains(session))
        return refuse(message, call, "org.freedesktop.portal.Error.Failed",
                      "A session with this handle exists already");
    m_calls.push_back(call.toStdString());
    m_sessions.insert(session);
    m_newestSession = session;
    const QVariant handle = m_behaviour.sessionHandleAsString
                                ? QVariant(session)
                                : QVariant::fromValue(QDBusObjectPath(session));
    return answer(message, options, 0, {{"session_handle", handle}});
}

bool PortalDouble::bindShortcuts(const QDBusMessage& message) {
    if (message.signature() != "oa(sa{sv})sa{sv}")
        return false;
    const auto session = message.arguments().value(0).value<QDBusObjectPath>().path();
    QString call = "BindShortcuts";
    PortalShortcutList bindings;
    for (const auto& shortcut : qdbus_cast<PortalShortcutList>(message.arguments().value(1))) {
        const auto preferred = shortcut.properties.value("preferred_trigger").toString();
        call += " " + shortcut.id + "=" + preferred;
        const auto assigned = m_behaviour.assigned.find(shortcut.id.toStdString());
        const QString trigger = assigned == m_behaviour.assigned.end()
                                    ? preferred
                                    : QString::fromStdString(assigned->second);
        bindings.push_back({shortcut.id,
                            {{"description", shortcut.properties.value("description")},
                             {"trigger_description", trigger}}});
    }
    if (m_behaviour.current && m_boundSessions.contains(session))
        return refuse(message, call, "org.freedesktop.portal.Error.Failed",
                      "The shortcuts of this session are bound already");
    m_calls.push_back(call.toStdString());
    m_boundSessions.insert(session);
    const auto options = qdbus_cast<QVariantMap>(message.arguments().value(3));
    if (m_behaviour.refuseBind)
        return answer(message, options, 1, {});
    m_held[m_registered.value(message.service())] = QVariant::fromValue(bindings);
    if (m_behaviour.listInsteadOfAnswer)
        return answer(message, options, 0, {});
    return listShortcuts(message, options);
}

// What the desktop holds for the caller's application, from earlier sessions too.
bool PortalDouble::listShortcuts(const QDBusMessage& message, const QVariantMap& options) {
    const auto held = m_held.value(m_registered.value(message.service()),
                                   QVariant::fromValue(PortalShortcutList{}));
    return answer(message, options, 0, {{"shortcuts", held}});
}

// The Request object's path in the reply, then its Response.
bool PortalDouble::answer(const QDBusMessage& call, const QVariantMap& options, uint code,
                          const QVariantMap& results) {
    const QString request = objectPath(call, "request", options.value("handle_token").toString());
    m_connection.send(call.createReply(QVariant::fromValue(QDBusObjectPath(request))));
    auto response =
        QDBusMessage::createSignal(request, "org.freedesktop.portal.Request", "Response");
    response << code << results;
    return m_connection.send(response);
}

bool PortalDouble::refuse(const QDBusMessage& call, const QString& what, const QString& error,
                          const QString& text) {
    m_calls.push_back((what + " refused").toStdString());
    return m_connection.send(call.createErrorReply(error, text));
}

void PortalDouble::send(const char* signalName, const std::string& id) {
    auto signal = QDBusMessage::createSignal(portalPath, shortcutsInterface, signalName);
    signal << QVariant::fromValue(QDBusObjectPath(m_newestSession)) << QString::fromStdString(id)
           << QVariant::fromValue(qulonglong(0)) << QVariantMap();
    m_connection.send(signal);
}

} // namespace monctl::test
