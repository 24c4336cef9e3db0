#pragma once

#include "shared/AppIdentity.h"

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
inline const QString unknownPresetError = interfaceName + QStringLiteral(".Error.UnknownPreset");

// A monitor as ListMonitors gives it: (name, device path, active).
struct MonitorEntry {
    QString name;
    QString path;
    bool active = false;
};
using MonitorEntries = QList<MonitorEntry>;

// The USB adapter of a listed monitor as ListAdapters gives it: (device path, vendor, product,
// serial number).
struct AdapterEntry {
    QString path;
    QString vendor;
    QString product;
    QString serial;
};
using AdapterEntries = QList<AdapterEntry>;

// A preset as ListPresets gives it: (name, contrast, mode, speed), numbered as Set takes them.
struct PresetEntry {
    QString name;
    int contrast = 0;
    int mode = 0;
    int speed = 0;
};
using PresetEntries = QList<PresetEntry>;

QDBusArgument& operator<<(QDBusArgument& argument, const MonitorEntry& entry);
const QDBusArgument& operator>>(const QDBusArgument& argument, MonitorEntry& entry);
QDBusArgument& operator<<(QDBusArgument& argument, const AdapterEntry& entry);
const QDBusArgument& operator>>(const QDBusArgument& argument, AdapterEntry& entry);
QDBusArgument& operator<<(QDBusArgument& argument, const PresetEntry& entry);
const QDBusArgument& operator>>(const QDBusArgument& argument, PresetEntry& entry);
// Makes the entries known to Qt D-Bus; before the first call that carries them.
void registerTypes();

} // namespace monctl::bus

Q_DECLARE_METATYPE(monctl::bus::MonitorEntry)
Q_DECLARE_METATYPE(monctl::bus::AdapterEntry)
Q_DECLARE_METATYPE(monctl::bus::PresetEntry)
