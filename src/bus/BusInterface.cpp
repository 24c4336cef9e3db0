#include "bus/BusInterface.h"

#include <QDBusMetaType>

namespace monctl::bus {

QDBusArgument& operator<<(QDBusArgument& argument, const MonitorEntry& entry) {
    argument.beginStructure();
    argument << entry.name << entry.path << entry.active;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, MonitorEntry& entry) {
    argument.beginStructure();
    argument >> entry.name >> entry.path >> entry.active;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const AdapterEntry& entry) {
    argument.beginStructure();
    argument << entry.path << entry.vendor << entry.product << entry.serial;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, AdapterEntry& entry) {
    argument.beginStructure();
    argument >> entry.path >> entry.vendor >> entry.product >> entry.serial;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const PresetEntry& entry) {
    argument.beginStructure();
    argument << entry.name << entry.contrast << entry.mode << entry.speed;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, PresetEntry& entry) {
    argument.beginStructure();
    argument >> entry.name >> entry.contrast >> entry.mode >> entry.speed;
    argument.endStructure();
    return argument;
}

void registerTypes() {
    qDBusRegisterMetaType<MonitorEntry>();
    qDBusRegisterMetaType<MonitorEntries>();
    qDBusRegisterMetaType<AdapterEntry>();
    qDBusRegisterMetaType<AdapterEntries>();
    qDBusRegisterMetaType<PresetEntry>();
    qDBusRegisterMetaType<PresetEntries>();
}

} // namespace monctl::bus
