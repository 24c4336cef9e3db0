#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QVariantMap>
#include <functional>
#include <optional>
#include <utility>

namespace monctl {

// One call of a desktop-portal method that answers later, through the Response signal of a
// Request object. The path of that object is predicted from the call's handle token and
// followed before the call is made, so that no answer can come unheard; a portal that names
// another path in its reply is followed there. Main thread only.
class PortalRequest final : public QObject {
    Q_OBJECT

public:
    // The results, or none with what went wrong.
    using Done = std::function<void(std::optional<QVariantMap> results, const QString& problem)>;

    // `call` carries `handle_token` = `token` in its options. `done` is called once, unless the
    // request is destroyed first.
    static void start(const QDBusConnection& connection, const QDBusMessage& call,
                      const QString& token, Done done, QObject* parent);
    // A token for one call: unique in this process and not guessable.
    static QString newToken();
    // Where the portal puts the object of a call or session with this token.
    static QString objectPath(const QDBusConnection& connection, const QString& kind,
                              const QString& token);

private slots:
    void response(uint code, const QVariantMap& results);

private:
    PortalRequest(const QDBusConnection& connection, Done done, QObject* parent);
    void follow(const QString& path);
    void finish(std::optional<QVariantMap> results, const QString& problem);

    QDBusConnection m_connection;
    QString m_path;
    Done m_done;
};

} // namespace monctl
