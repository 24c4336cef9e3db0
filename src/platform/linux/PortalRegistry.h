#pragma once

#include <QDBusConnection>
#include <QString>
#include <functional>

class QObject;

namespace monctl {

// Tells the desktop portal which application a bus connection speaks for. A program started
// by a launcher is known by its systemd scope; one started from a terminal or a script is
// not, and current portals (1.21 on) refuse it their sessions unless it registers first
// (org.freedesktop.host.portal.Registry, from 1.19). The portal keeps the name per
// connection, and takes it only before any other portal call on that connection.
struct PortalRegistration {
    enum class Outcome {
        noPortal,   // nothing answers for the portal on this bus
        notOffered, // an older portal, which names host programs by their scope alone
        registered,
        refused,
    };
    Outcome outcome = Outcome::noPortal;
    QString portalMessage; // the portal's own words when it refused, or was not there
};

// `done` gets the outcome when the portal has answered (see callPortal: the portal may be
// started by this first call, which takes a few seconds). Main thread only.
void registerWithPortal(const QDBusConnection& connection, const QString& appId, QObject* context,
                        std::function<void(PortalRegistration)> done);

} // namespace monctl
