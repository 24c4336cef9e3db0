#include "platform/linux/PortalCall.h"

#include <QCoreApplication>
#include <QDBusPendingCallWatcher>

namespace monctl {

void callPortal(const QDBusConnection& connection, const QDBusMessage& call, QObject* context,
                std::function<void(const QDBusMessage& reply)> done) {
    if (QCoreApplication::instance() == nullptr) {
        done(connection.call(call, QDBus::Block, 5000));
        return;
    }
    auto* watcher = new QDBusPendingCallWatcher(connection.asyncCall(call), context);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context,
                     [done = std::move(done)](QDBusPendingCallWatcher* finished) {
                         finished->deleteLater();
                         done(finished->reply());
                     });
}

} // namespace monctl
