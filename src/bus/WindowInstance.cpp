#include "bus/WindowInstance.h"

#include "bus/BusInterface.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <cstdlib>
#include <spdlog/spdlog.h>
#include <string>
#include <unistd.h>

namespace monctl {
namespace {

// How long a program holding the name may take to answer as monctl.
constexpr int answerLimitMs = 1000;

void sayWithoutBus(const QString& why) {
    spdlog::warn("{}; this window runs without the session bus", why.toStdString());
}

} // namespace

bool sessionBusConfigured() {
    if (const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS"); address && *address)
        return true;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    return runtime && ::access((std::string(runtime) + "/bus").c_str(), F_OK) == 0;
}

// A window serves its object before it takes the name, so whoever holds the name and does
// not answer as monctl at once is some other program.
WindowStart checkWindowStart(bool hidden) {
    if (!sessionBusConfigured())
        return WindowStart::withoutBus;
    auto bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        spdlog::info("No session bus: {}", bus.lastError().message().toStdString());
        return WindowStart::withoutBus;
    }
    const auto held = bus.interface()->isServiceRegistered(bus::serviceName);
    if (!held.isValid()) {
        sayWithoutBus("The session bus does not tell who holds " + bus::serviceName + ": " +
                      held.error().message());
        return WindowStart::withoutBus;
    }
    if (!held.value())
        return WindowStart::first;
    // Hidden, the running window is only asked who it is.
    const auto ask = QDBusMessage::createMethodCall(
        bus::serviceName, bus::objectPath, bus::interfaceName, hidden ? "ListMonitors" : "Raise");
    const auto answer = bus.call(ask, QDBus::Block, answerLimitMs);
    if (answer.type() != QDBusMessage::ReplyMessage) {
        sayWithoutBus(bus::serviceName + " is held by a program that does not answer as monctl (" +
                      answer.errorMessage() + ")");
        return WindowStart::withoutBus;
    }
    spdlog::info("monctl already runs; {}", hidden ? "leaving it as it is" : "raising its window");
    return WindowStart::raised;
}

void claimWindowName(const QDBusConnection& bus) {
    const auto claimed = bus.interface()->registerService(
        bus::serviceName, QDBusConnectionInterface::DontQueueService,
        QDBusConnectionInterface::DontAllowReplacement);
    if (claimed.isValid() && claimed.value() == QDBusConnectionInterface::ServiceRegistered)
        return;
    sayWithoutBus("The session bus did not give this window the name " + bus::serviceName + " (" +
                  (claimed.isValid() ? QStringLiteral("another program holds it")
                                     : claimed.error().message()) +
                  ")");
}

} // namespace monctl
