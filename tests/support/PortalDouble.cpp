#include "support/PortalDouble.h"

#include "platform/linux/PortalShortcutList.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QThread>
#include <set>

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

class PortalService final : public QDBusVirtualObject {
public:
    explicit PortalService(PortalDouble::Behaviour behaviour)
        : m_behaviour(std::move(behaviour)), m_connection(QString()) {
        registerPortalShortcutTypes();
        connectToBus();
    }
    ~PortalService() override { leaveBus(); }

    QString introspect(const QString&) const override { return {}; }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection&) override {
        if (m_holding) {
            std::lock_guard lock(m_mutex);
            m_heldCalls.push_back(message);
            return true;
        }
        return handle(message);
    }

    void closeSession() {
        auto closed =
            QDBusMessage::createSignal(m_newestSession, "org.freedesktop.portal.Session", "Closed");
        closed << QVariantMap();
        m_boundSessions.erase(m_newestSession);
        m_sessions.erase(m_newestSession);
        m_connection.send(closed);
    }

    void restart() {
        leaveBus();
        m_callers.clear();
        m_registered.clear();
        m_sessions.clear();
        m_boundSessions.clear();
        connectToBus();
    }

    void hold() { m_holding = true; }

    std::vector<std::string> heldCalls() const {
        std::lock_guard lock(m_mutex);
        std::vector<std::string> names;
        for (const auto& call : m_heldCalls)
            names.push_back(call.member().toStdString());
        return names;
    }

    void answerHeld() {
        m_holding = false;
        std::vector<QDBusMessage> held;
        {
            std::lock_guard lock(m_mutex);
            held.swap(m_heldCalls);
        }
        for (const auto& call : held) {
            if (!handle(call))
                m_connection.send(call.createErrorReply(QDBusError::UnknownMethod, call.member()));
        }
    }

    void send(const char* signalName, const QString& id) {
        auto signal = QDBusMessage::createSignal(portalPath, shortcutsInterface, signalName);
        signal << QVariant::fromValue(QDBusObjectPath(m_newestSession)) << id
               << QVariant::fromValue(qulonglong(0)) << QVariantMap();
        m_connection.send(signal);
    }

    void vanish() { m_connection.unregisterService("org.freedesktop.portal.Desktop"); }

    std::vector<std::string> calls() const {
        std::lock_guard lock(m_mutex);
        return m_calls;
    }

private:
    // Each connection of its own name: the bus sees a new owner.
    void connectToBus() {
        m_connectionName = QString("monctl-portal-double-%1").arg(++m_connections);
        m_connection = QDBusConnection::connectToBus(
            qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"), m_connectionName);
        m_connection.registerVirtualObject(portalPath, this, QDBusConnection::SubPath);
        m_connection.registerService("org.freedesktop.portal.Desktop");
    }

    void leaveBus() {
        m_connection.unregisterObject(portalPath);
        m_connection = QDBusConnection(QString());
        QDBusConnection::disconnectFromBus(m_connectionName);
    }

    bool handle(const QDBusMessage& message) {
        const QString interface = message.interface();
        const QString member = message.member();
        if (interface == "org.freedesktop.DBus.Properties" && member == "Get")
            return version(message);
        if (interface == registryInterface && member == "Register")
            return registerApplication(message);
        m_callers.insert(message.service());
        if (interface == "org.freedesktop.portal.Session" && member == "Close") {
            record("Close");
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
            record("ListShortcuts");
            return answer(message, qdbus_cast<QVariantMap>(message.arguments().value(1)), 0,
                          bound(message));
        }
        if (member == "ConfigureShortcuts" && m_behaviour.current) {
            record("ConfigureShortcuts");
            return m_connection.send(message.createReply());
        }
        return false;
    }

    bool version(const QDBusMessage& message) {
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

    bool registerApplication(const QDBusMessage& message) {
        const auto id = message.arguments().value(0).toString();
        if (m_behaviour.refuseRegistration)
            return refuse(message, "Register " + id, "org.freedesktop.portal.Error.NotAllowed",
                          "No desktop entry for " + id);
        if (m_callers.contains(message.service()))
            return refuse(message, "Register " + id, "org.freedesktop.portal.Error.Failed",
                          "Connection already associated with an application ID");
        m_callers.insert(message.service());
        m_registered[message.service()] = id;
        record("Register " + id.toStdString());
        return m_connection.send(message.createReply());
    }

    bool createSession(const QDBusMessage& message) {
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
        record(call.toStdString());
        m_sessions.insert(session);
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
        const auto asked = qdbus_cast<PortalShortcutList>(message.arguments().value(1));
        QString call = "BindShortcuts";
        PortalShortcutList bindings;
        for (const auto& shortcut : asked) {
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
        record(call.toStdString());
        m_boundSessions.insert(session);
        const auto options = qdbus_cast<QVariantMap>(message.arguments().value(3));
        if (m_behaviour.refuseBind)
            return answer(message, options, 1, {});
        m_held[m_registered.value(message.service())] = bindings;
        return answer(message, options, 0,
                      m_behaviour.listInsteadOfAnswer ? QVariantMap() : bound(message));
    }

    // What the desktop holds for the caller's application, from earlier sessions too.
    QVariantMap bound(const QDBusMessage& call) const {
        return {
            {"shortcuts", QVariant::fromValue(m_held.value(m_registered.value(call.service())))}};
    }

    // The Request object's path in the reply, then its Response.
    bool answer(const QDBusMessage& call, const QVariantMap& options, uint code,
                const QVariantMap& results) {
        const QString request =
            objectPath(call, "request", options.value("handle_token").toString());
        m_connection.send(call.createReply(QVariant::fromValue(QDBusObjectPath(request))));
        auto response =
            QDBusMessage::createSignal(request, "org.freedesktop.portal.Request", "Response");
        response << code << results;
        return m_connection.send(response);
    }

    bool refuse(const QDBusMessage& call, const QString& what, const QString& error,
                const QString& text) {
        record((what + " refused").toStdString());
        return m_connection.send(call.createErrorReply(error, text));
    }

    void record(std::string call) {
        std::lock_guard lock(m_mutex);
        m_calls.push_back(std::move(call));
    }

    PortalDouble::Behaviour m_behaviour;
    QDBusConnection m_connection;
    QString m_connectionName;
    int m_connections = 0;
    bool m_holding = false;
    std::vector<QDBusMessage> m_heldCalls;
    std::set<QString> m_callers;         // connections that made a portal call
    QMap<QString, QString> m_registered; // connection → application id
    std::set<QString> m_sessions;        // open ones
    std::set<QString> m_boundSessions;   // those BindShortcuts was called on
    QString m_newestSession;
    QMap<QString, PortalShortcutList> m_held; // application id → what the desktop bound for it
    mutable std::mutex m_mutex;
    std::vector<std::string> m_calls;
};

PortalDouble::PortalDouble(Behaviour behaviour)
    : m_thread(std::make_unique<QThread>()), m_context(std::make_unique<QObject>()) {
    m_context->moveToThread(m_thread.get());
    m_thread->start();
    QMetaObject::invokeMethod(
        m_context.get(), [&] { m_service = new PortalService(std::move(behaviour)); },
        Qt::BlockingQueuedConnection);
}

PortalDouble::~PortalDouble() {
    QMetaObject::invokeMethod(
        m_context.get(), [this] { delete m_service; }, Qt::BlockingQueuedConnection);
    m_thread->quit();
    m_thread->wait();
}

std::vector<std::string> PortalDouble::calls() const {
    return m_service->calls();
}

void PortalDouble::activate(const std::string& id) {
    QMetaObject::invokeMethod(
        m_context.get(),
        [this, id] {
            m_service->send("Activated", QString::fromStdString(id));
            m_service->send("Deactivated", QString::fromStdString(id));
        },
        Qt::BlockingQueuedConnection);
}

void PortalDouble::deactivate(const std::string& id) {
    QMetaObject::invokeMethod(
        m_context.get(), [this, id] { m_service->send("Deactivated", QString::fromStdString(id)); },
        Qt::BlockingQueuedConnection);
}

void PortalDouble::vanish() {
    QMetaObject::invokeMethod(
        m_context.get(), [this] { m_service->vanish(); }, Qt::BlockingQueuedConnection);
}

void PortalDouble::closeSession() {
    QMetaObject::invokeMethod(
        m_context.get(), [this] { m_service->closeSession(); }, Qt::BlockingQueuedConnection);
}

void PortalDouble::restart() {
    QMetaObject::invokeMethod(
        m_context.get(), [this] { m_service->restart(); }, Qt::BlockingQueuedConnection);
}

void PortalDouble::holdCalls() {
    QMetaObject::invokeMethod(
        m_context.get(), [this] { m_service->hold(); }, Qt::BlockingQueuedConnection);
}

std::vector<std::string> PortalDouble::heldCalls() const {
    return m_service->heldCalls();
}

void PortalDouble::answerHeldCalls() {
    QMetaObject::invokeMethod(
        m_context.get(), [this] { m_service->answerHeld(); }, Qt::BlockingQueuedConnection);
}

} // namespace monctl::test
