#pragma once

#include <QDBusConnection>
#include <QString>

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

// Blocks until the portal answers (it may be started by this first call: a few seconds at
// most). Main thread only.
PortalRegistration registerWithPortal(const QDBusConnection& connection, const QString& appId);

} // namespace monctl
