#include "support/PortalDouble.h"

#include "platform/linux/PortalShortcutList.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QThread>

namespace monctl::test {
namespace {

constexpr const char* portalPath = "/org/freedesktop/portal/desktop";
constexpr const char* shortcutsInterface = "org.freedesktop.portal.GlobalShortcuts";

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
        : m_behaviour(std::move(behaviour)),
          m_connection(QDBusConnection::connectToBus(
              qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"), "monctl-portal-double")) {
        registerPortalShortcutTypes();
        m_connection.registerVirtualObject(portalPath, this, QDBusConnection::SubPath);
        m_connection.registerService("org.freedesktop.portal.Desktop");
    }
    ~PortalService() override {
        m_connection.unregisterObject(portalPath);
        QDBusConnection::disconnectFromBus("monctl-portal-double");
    }

    QString introspect(const QString&) const override { return {}; }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection&) override {
        const QString member = message.member();
        if (message.interface() == "org.freedesktop.DBus.Properties" && member == "Get")
            return version(message);
        if (message.interface() == "org.freedesktop.portal.Session" && member == "Close") {
            record("Close");
            return m_connection.send(message.createReply());
        }
        if (message.interface() != shortcutsInterface || !m_behaviour.globalShortcuts)
            return false;
        if (member == "CreateSession")
            return createSession(message);
        if (member == "BindShortcuts")
            return bindShortcuts(message);
        if (member == "ListShortcuts") {
            record("ListShortcuts");
            return answer(message, qdbus_cast<QVariantMap>(message.arguments().value(1)), 0,
                          bound());
        }
        return false;
    }

    void activate(const QString& id) {
        for (const char* name : {"Activated", "Deactivated"}) {
            auto signal = QDBusMessage::createSignal(portalPath, shortcutsInterface, name);
            signal << QVariant::fromValue(QDBusObjectPath(m_session)) << id
                   << QVariant::fromValue(qulonglong(0)) << QVariantMap();
            m_connection.send(signal);
        }
    }

    void vanish() { m_connection.unregisterService("org.freedesktop.portal.Desktop"); }

    std::vector<std::string> calls() const {
        std::lock_guard lock(m_mutex);
        return m_calls;
    }

private:
    bool version(const QDBusMessage& message) {
        if (!m_behaviour.globalShortcuts || message.arguments().value(0) != shortcutsInterface)
            return m_connection.send(
                message.createErrorReply(QDBusError::InvalidArgs, "No such interface"));
        return m_connection.send(
            message.createReply(QVariant::fromValue(QDBusVariant(QVariant(1u)))));
    }

    bool createSession(const QDBusMessage& message) {
        record("CreateSession");
        const auto options = qdbus_cast<QVariantMap>(message.arguments().value(0));
        m_session =
            objectPath(message, "session", options.value("session_handle_token").toString());
        const QVariant handle = m_behaviour.sessionHandleAsString
                                    ? QVariant(m_session)
                                    : QVariant::fromValue(QDBusObjectPath(m_session));
        return answer(message, options, 0, {{"session_handle", handle}});
    }

    bool bindShortcuts(const QDBusMessage& message) {
        if (message.signature() != "oa(sa{sv})sa{sv}")
            return false;
        const auto asked = qdbus_cast<PortalShortcutList>(message.arguments().value(1));
        std::string call = "BindShortcuts";
        m_bound.clear();
        for (const auto& shortcut : asked) {
            const auto preferred = shortcut.properties.value("preferred_trigger").toString();
            call.append(" ").append(shortcut.id.toStdString()).append("=");
            call.append(preferred.toStdString());
            const auto assigned = m_behaviour.assigned.find(shortcut.id.toStdString());
            const QString trigger = assigned == m_behaviour.assigned.end()
                                        ? preferred
                                        : QString::fromStdString(assigned->second);
            m_bound.push_back({shortcut.id,
                               {{"description", shortcut.properties.value("description")},
                                {"trigger_description", trigger}}});
        }
        record(call);
        const auto options = qdbus_cast<QVariantMap>(message.arguments().value(3));
        if (m_behaviour.refuseBind)
            return answer(message, options, 1, {});
        return answer(message, options, 0,
                      m_behaviour.listInsteadOfAnswer ? QVariantMap() : bound());
    }

    QVariantMap bound() const { return {{"shortcuts", QVariant::fromValue(m_bound)}}; }

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

    void record(std::string call) {
        std::lock_guard lock(m_mutex);
        m_calls.push_back(std::move(call));
    }

    PortalDouble::Behaviour m_behaviour;
    QDBusConnection m_connection;
    QString m_session;
    PortalShortcutList m_bound;
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
        m_context.get(), [this, id] { m_service->activate(QString::fromStdString(id)); },
        Qt::BlockingQueuedConnection);
}

void PortalDouble::vanish() {
    QMetaObject::invokeMethod(
        m_context.get(), [this] { m_service->vanish(); }, Qt::BlockingQueuedConnection);
}

} // namespace monctl::test
