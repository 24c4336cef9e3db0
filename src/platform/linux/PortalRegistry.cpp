#include "platform/linux/PortalRegistry.h"

#include "platform/linux/PortalCall.h"
#include "platform/linux/PortalNames.h"

#include <QDBusError>
#include <QDBusMessage>

namespace monctl {
namespace {

QString errorText(const QDBusError& error) {
    return error.name() + ": " + error.message();
}

} // namespace

void registerWithPortal(const QDBusConnection& connection, const QString& appId, QObject* context,
                        std::function<void(PortalRegistration)> done) {
    using Outcome = PortalRegistration::Outcome;
    auto get = QDBusMessage::createMethodCall(portal::service, portal::path,
                                              portal::propertiesInterface, "Get");
    get << QString(portal::registryInterface) << QString("version");
    // Not a portal call of its own: the registry answers before the program is known.
    callPortal(
        connection, get, context,
        [connection, appId, context, done = std::move(done)](const QDBusMessage& version) {
            if (version.type() == QDBusMessage::ErrorMessage) {
                const QDBusError error(version);
                const bool absent = error.type() == QDBusError::ServiceUnknown ||
                                    error.type() == QDBusError::NoReply ||
                                    error.type() == QDBusError::Timeout;
                return done({absent ? Outcome::noPortal : Outcome::notOffered, errorText(error)});
            }
            auto call = QDBusMessage::createMethodCall(portal::service, portal::path,
                                                       portal::registryInterface, "Register");
            call << appId << QVariantMap();
            callPortal(connection, call, context, [done](const QDBusMessage& registered) {
                if (registered.type() == QDBusMessage::ErrorMessage)
                    return done({Outcome::refused, errorText(QDBusError(registered))});
                done({Outcome::registered, {}});
            });
        });
}

} // namespace monctl
