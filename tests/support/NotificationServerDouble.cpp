#include "support/NotificationServerDouble.h"

#include <QDBusArgument>
#include <QDBusMessage>

namespace monctl::test {

constexpr const char* connectionName = "monctl-notification-double";

NotificationServerDouble::NotificationServerDouble()
    : m_connection(QDBusConnection::connectToBus(qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"),
                                                 connectionName)) {
    m_connection.registerVirtualObject("/org/freedesktop/Notifications", this);
    m_connection.registerService("org.freedesktop.Notifications");
}

NotificationServerDouble::~NotificationServerDouble() {
    m_connection.unregisterObject("/org/freedesktop/Notifications");
    QDBusConnection::disconnectFromBus(connectionName);
}

// A call of another signature is refused, as a real server refuses it.
bool NotificationServerDouble::handleMessage(const QDBusMessage& message, const QDBusConnection&) {
    if (message.member() != "Notify" || message.signature() != "susssasa{sv}i")
        return false;
    const auto arguments = message.arguments();
    const auto replaces = arguments[1].toUInt();
    const quint32 id = replaces != 0 ? replaces : ++m_lastId;
    m_received.push_back({replaces, id, arguments[3].toString(), arguments[4].toString(),
                          qdbus_cast<QVariantMap>(arguments[6])});
    return m_connection.send(message.createReply(QVariant::fromValue(id)));
}

} // namespace monctl::test
