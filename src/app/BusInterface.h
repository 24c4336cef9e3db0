#pragma once

#include "app/AppIdentity.h"

#include <QDBusArgument>
#include <QList>
#include <QMetaType>
#include <QString>

namespace monctl::bus {

// Where the running window answers on the session bus (data/org.monctl.Monctl1.xml).
inline const QString serviceName = QString::fromLatin1(applicationId);
inline const QString objectPath = QStringLiteral("/org/monctl/Monctl");
inline const QString interfaceName = serviceName + QStringLiteral("1");

// The errors of the interface; their messages are what the command line prints.
inline const QString noMonitorError = interfaceName + QStringLiteral(".Error.NoMonitor");
inline const QString notSentError = interfaceName + QStringLiteral(".Error.NotSent");
inline const QString noAnswerError = interfaceName + QStringLiteral(".Error.NoAnswer");
inline const QString unknownMonitorError = interfaceName + QStringLiteral(".Error.UnknownMonitor");

// A monitor as ListMonitors gives it: (name, device path, active).
struct MonitorEntry {
    QString name;
    QString path;
    bool active = false;
};
using MonitorEntries = QList<MonitorEntry>;

QDBusArgument& operator<<(QDBusArgument& argument, const MonitorEntry& entry);
const QDBusArgument& operator>>(const QDBusArgument& argument, MonitorEntry& entry);
// Makes the entries known to Qt D-Bus; before the first call that carries them.
void registerTypes();

} // namespace monctl::bus

Q_DECLARE_METATYPE(monctl::bus::MonitorEntry)
