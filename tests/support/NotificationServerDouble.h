#pragma once

#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QVariantMap>
#include <vector>

namespace monctl::test {

// A notification server on the test's session bus (org.freedesktop.Notifications), on the
// main loop: it writes down each Notify call of the server's own signature and answers with a
// new id, as a desktop's does.
class NotificationServerDouble final : public QDBusVirtualObject {
public:
    struct Notification {
        quint32 replacesId;
        quint32 id;
        QString summary;
        QString body;
        QVariantMap hints;
    };

    NotificationServerDouble();
    ~NotificationServerDouble() override;

    const std::vector<Notification>& received() const { return m_received; }

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection&) override;

private:
    QDBusConnection m_connection;
    quint32 m_lastId = 0;
    std::vector<Notification> m_received;
};

} // namespace monctl::test
