#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <map>
#include <optional>
#include <string>

namespace monctl {

// Desktop notifications (org.freedesktop.Notifications), one bubble per subject, each new
// one replacing the last of its subject in place. Calls never wait: without a notification
// server they fail quietly. Main thread only, on the Qt main loop.
class DesktopNotifier final : public QObject {
    Q_OBJECT

public:
    struct Notice {
        QString summary;
        QString body;
        std::optional<int> level; // 0–100, shown as a gauge where the server can
    };

    explicit DesktopNotifier(QDBusConnection bus, QObject* parent = nullptr);

    // Shows the notice for this subject (a monitor's path, say), in place of its last one.
    void show(const std::string& subject, Notice notice);

signals:
    // The server showed a notice of this subject under this id (the id of the one it replaced,
    // when it replaced one).
    void shown(const QString& subject, quint32 id);

private:
    struct Subject {
        quint32 lastId = 0;
        bool answerPending = false;
        std::optional<Notice> waiting; // shown once the server told the id to replace
    };
    void send(const std::string& subject, const Notice& notice);
    void answered(const std::string& subject, std::optional<quint32> id);

    QDBusConnection m_bus;
    std::map<std::string, Subject> m_subjects;
};

} // namespace monctl
