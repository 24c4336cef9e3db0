#include "app/BusInterface.h"

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

void registerTypes() {
    qDBusRegisterMetaType<MonitorEntry>();
    qDBusRegisterMetaType<MonitorEntries>();
}

} // namespace monctl::bus
