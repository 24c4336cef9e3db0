#include "app/WindowInstance.h"

#include "app/BusInterface.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <cstdlib>
#include <spdlog/spdlog.h>
#include <string>
#include <unistd.h>

namespace monctl {

bool sessionBusConfigured() {
    if (const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS"); address && *address)
        return true;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    return runtime && ::access((std::string(runtime) + "/bus").c_str(), F_OK) == 0;
}

bool claimWindowInstance(bool hidden) {
    if (!sessionBusConfigured())
        return true;
    auto bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        spdlog::info("No session bus: {}", bus.lastError().message().toStdString());
        return true;
    }
    const auto claimed = bus.interface()->registerService(
        bus::serviceName, QDBusConnectionInterface::DontQueueService,
        QDBusConnectionInterface::DontAllowReplacement);
    if (claimed.isValid() && claimed.value() == QDBusConnectionInterface::ServiceRegistered)
        return true;
    spdlog::info("monctl already runs; {}", hidden ? "leaving it as it is" : "raising its window");
    if (!hidden)
        bus.call(QDBusMessage::createMethodCall(bus::serviceName, bus::objectPath,
                                                bus::interfaceName, "Raise"));
    return false;
}

} // namespace monctl
