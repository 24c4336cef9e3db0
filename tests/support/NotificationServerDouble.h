#pragma once

#include <QString>
#include <QVariantMap>
#include <memory>
#include <vector>

namespace monctl::test {

class NotificationService;

// A notification server on the test's session bus (org.freedesktop.Notifications), on the
// main loop: it writes down each Notify call and answers with a new id, as a desktop's does.
class NotificationServerDouble {
public:
    struct Notification {
        quint32 replacesId;
        quint32 id;
        QString summary;
        QString body;
        QVariantMap hints;
    };

    NotificationServerDouble();
    ~NotificationServerDouble();
    NotificationServerDouble(const NotificationServerDouble&) = delete;
    NotificationServerDouble& operator=(const NotificationServerDouble&) = delete;

    const std::vector<Notification>& received() const;

private:
    std::unique_ptr<NotificationService> m_service;
};

} // namespace monctl::test
