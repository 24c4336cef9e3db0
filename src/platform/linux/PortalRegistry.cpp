#include "platform/linux/PortalRegistry.h"

#include "platform/linux/PortalNames.h"

#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusVariant>

namespace monctl {
namespace {

QString errorText(const QDBusError& error) {
    return error.name() + ": " + error.message();
}

} // namespace

PortalRegistration registerWithPortal(const QDBusConnection& connection, const QString& appId) {
    using Outcome = PortalRegistration::Outcome;
    auto get = QDBusMessage::createMethodCall(portal::service, portal::path,
                                              portal::propertiesInterface, "Get");
    get << QString(portal::registryInterface) << QString("version");
    // Not a portal call of its own: the registry answers before the program is known.
    const QDBusReply<QDBusVariant> version = connection.call(get, QDBus::Block, 5000);
    if (!version.isValid()) {
        const auto type = version.error().type();
        const bool absent = type == QDBusError::ServiceUnknown || type == QDBusError::NoReply ||
                            type == QDBusError::Timeout;
        return {absent ? Outcome::noPortal : Outcome::notOffered, errorText(version.error())};
    }
    auto call = QDBusMessage::createMethodCall(portal::service, portal::path,
                                               portal::registryInterface, "Register");
    call << appId << QVariantMap();
    const QDBusReply<void> registered = connection.call(call, QDBus::Block, 5000);
    if (!registered.isValid())
        return {Outcome::refused, errorText(registered.error())};
    return {Outcome::registered, {}};
}

} // namespace monctl
