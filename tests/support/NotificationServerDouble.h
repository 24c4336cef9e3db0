#pragma once

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QVariantMap>
#include <vector>

namespace monctl::test {

// A notification server on the test's session bus (org.freedesktop.Notifications), on the main
// loop: it writes down each Notify call of the server's own signature and answers with a new id, as
// a desktop's does; a call of another signature is refused, as a real server does.
class NotificationServerDouble final : public QDBusVirtualObject {
public:
    struct Notification {
        quint32 replacesId;
        quint32 id;
        QString summary;
        QString body;
        QVariantMap hints;
    };

    NotificationServerDouble() {
        m_connection.registerVirtualObject(path, this);
        m_connection.registerService("org.freedesktop.Notifications");
    }
    ~NotificationServerDouble() override {
        m_connection.unregisterObject(path);
        QDBusConnection::disconnectFromBus(connectionName);
    }

    const std::vector<Notification>& received() const { return m_received; }

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection&) override {
        if (message.member() != "Notify" || message.signature() != "susssasa{sv}i")
            return false;
        const auto arguments = message.arguments();
        const auto replaces = arguments[1].toUInt();
        const quint32 id = replaces != 0 ? replaces : ++m_lastId;
        m_received.push_back({replaces, id, arguments[3].toString(), arguments[4].toString(),
                              qdbus_cast<QVariantMap>(arguments[6])});
        return m_connection.send(message.createReply(QVariant::fromValue(id)));
    }

private:
    static constexpr const char* path = "/org/freedesktop/Notifications";
    static constexpr const char* connectionName = "monctl-notification-double";
    QDBusConnection m_connection = QDBusConnection::connectToBus(
        qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"), connectionName);
    quint32 m_lastId = 0;
    std::vector<Notification> m_received;
};

} // namespace monctl::test
