#include "app/BusInterface.h"

#include <QDBusMetaType>
#include <array>
#include <utility>

namespace monctl::bus {
namespace {

constexpr std::array<std::pair<const char*, int>, 3> settings{
    {{"contrast", 1}, {"mode", 2}, {"speed", 4}}};

} // namespace

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

int settingParameter(const QString& setting) {
    for (const auto& [name, parameter] : settings) {
        if (setting == QLatin1String(name))
            return parameter;
    }
    return 0;
}

QString settingName(int parameter) {
    for (const auto& [name, number] : settings) {
        if (number == parameter)
            return QString::fromLatin1(name);
    }
    return QString::number(parameter);
}

} // namespace monctl::bus
