#include "support/NotificationServerDouble.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>

namespace monctl::test {
namespace {

constexpr const char* connectionName = "monctl-notification-double";

} // namespace

class NotificationService final : public QDBusVirtualObject {
public:
    NotificationService()
        : m_connection(QDBusConnection::connectToBus(
              qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"), connectionName)) {
        m_connection.registerVirtualObject("/org/freedesktop/Notifications", this);
        m_connection.registerService("org.freedesktop.Notifications");
    }
    ~NotificationService() override {
        m_connection.unregisterObject("/org/freedesktop/Notifications");
        QDBusConnection::disconnectFromBus(connectionName);
    }

    QString introspect(const QString&) const override { return {}; }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection&) override {
        const auto arguments = message.arguments();
        if (message.member() != "Notify" || arguments.size() != 8)
            return false;
        const auto replaces = arguments[1].toUInt();
        const quint32 id = replaces != 0 ? replaces : ++m_lastId;
        m_received.push_back({replaces, id, arguments[3].toString(), arguments[4].toString(),
                              qdbus_cast<QVariantMap>(arguments[6])});
        return m_connection.send(message.createReply(QVariant::fromValue(id)));
    }

    std::vector<NotificationServerDouble::Notification> m_received;

private:
    QDBusConnection m_connection;
    quint32 m_lastId = 0;
};

NotificationServerDouble::NotificationServerDouble()
    : m_service(std::make_unique<NotificationService>()) {}

NotificationServerDouble::~NotificationServerDouble() = default;

const std::vector<NotificationServerDouble::Notification>&
NotificationServerDouble::received() const {
    return m_service->m_received;
}

} // namespace monctl::test
