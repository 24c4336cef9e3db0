#include "platform/linux/PortalRequest.h"

#include "platform/linux/PortalNames.h"

#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QRandomGenerator>

namespace monctl {

void PortalRequest::start(const QDBusConnection& connection, const QDBusMessage& call,
                          const QString& token, Done done, QObject* parent) {
    auto* request = new PortalRequest(connection, std::move(done), parent);
    request->follow(objectPath(connection, "request", token));
    auto* watcher = new QDBusPendingCallWatcher(request->m_connection.asyncCall(call), request);
    connect(watcher, &QDBusPendingCallWatcher::finished, request,
            [request](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                const QDBusPendingReply<QDBusObjectPath> reply = *finished;
                if (reply.isError())
                    request->finish(std::nullopt,
                                    reply.error().name() + ": " + reply.error().message());
                else if (reply.value().path() != request->m_path)
                    request->follow(reply.value().path());
            });
}

QString PortalRequest::newToken() {
    static unsigned counter = 0;
    return QString("monctl%1_%2").arg(++counter).arg(QRandomGenerator::global()->generate());
}

// The sender part is the unique name without its ':' and with '_' for every '.'.
QString PortalRequest::objectPath(const QDBusConnection& connection, const QString& kind,
                                  const QString& token) {
    QString sender = connection.baseService().mid(1);
    sender.replace('.', '_');
    return QString("%1/%2/%3/%4").arg(portal::path, kind, sender, token);
}

PortalRequest::PortalRequest(const QDBusConnection& connection, Done done, QObject* parent)
    : QObject(parent), m_connection(connection), m_done(std::move(done)) {}

void PortalRequest::follow(const QString& path) {
    if (!m_path.isEmpty())
        m_connection.disconnect(portal::service, m_path, portal::requestInterface, "Response", this,
                                SLOT(response(uint, QVariantMap)));
    m_path = path;
    m_connection.connect(portal::service, m_path, portal::requestInterface, "Response", this,
                         SLOT(response(uint, QVariantMap)));
}

void PortalRequest::response(uint code, const QVariantMap& results) {
    if (code == 0)
        finish(results, {});
    else if (code == 1)
        finish(std::nullopt, "the user cancelled it");
    else
        finish(std::nullopt, "the desktop ended it");
}

void PortalRequest::finish(std::optional<QVariantMap> results, const QString& problem) {
    if (!m_done)
        return;
    m_connection.disconnect(portal::service, m_path, portal::requestInterface, "Response", this,
                            SLOT(response(uint, QVariantMap)));
    std::exchange(m_done, {})(std::move(results), problem);
    deleteLater();
}

} // namespace monctl
