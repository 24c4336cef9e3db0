#include "serial/SerialPortManager.h"

#include "runtime/EventPool.h"
#include "runtime/MainQueue.h"
#include "runtime/NotificationCenter.h"
#include "serial/SerialPort.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <spdlog/spdlog.h>

namespace monctl {
namespace {

struct Single {
    std::mutex mutex;
    std::unique_ptr<DeviceRegistry> chosenRegistry;
    SerialPortManager* instance = nullptr;
};

// Never destroyed: the exit handler still uses the manager while statics go away.
Single& single() {
    static auto* state = new Single;
    return *state;
}

constexpr auto exitCloseWait = std::chrono::milliseconds(500);

// Leaves no work running on the event pool while the process takes its objects down.
void cleanupAtExit() {
    if (SerialPortManager::exists())
        SerialPortManager::sharedSerialPortManager().cleanupAllPorts();
    EventPool::shared().stop();
}

bool listed(const SerialPortManager::Ports& ports, const SerialPort& port) {
    return std::any_of(ports.begin(), ports.end(),
                       [&](const auto& other) { return *other == port; });
}

} // namespace

bool SerialPortManager::useRegistry(std::unique_ptr<DeviceRegistry> registry) {
    auto& state = single();
    std::lock_guard lock(state.mutex);
    if (state.instance)
        return false;
    state.chosenRegistry = std::move(registry);
    return true;
}

SerialPortManager& SerialPortManager::sharedSerialPortManager() {
    auto& state = single();
    std::lock_guard lock(state.mutex);
    if (!state.instance) {
        auto registry = state.chosenRegistry
                            ? std::move(state.chosenRegistry)
                            : std::make_unique<NullDeviceRegistry>("no device registry chosen");
        state.instance = new SerialPortManager(std::move(registry));
    }
    return *state.instance;
}

void SerialPortManager::reset() {
    std::unique_ptr<SerialPortManager> ended;
    {
        auto& state = single();
        std::lock_guard lock(state.mutex);
        ended.reset(std::exchange(state.instance, nullptr));
        state.chosenRegistry.reset();
    }
    if (ended)
        ended->cleanupAllPorts();
}

bool SerialPortManager::exists() {
    auto& state = single();
    std::lock_guard lock(state.mutex);
    return state.instance != nullptr;
}

SerialPortManager::SerialPortManager(std::unique_ptr<DeviceRegistry> registry)
    : m_registry(std::move(registry)) {
    retrieveAvailablePortsAndRegisterForChangeNotifications();
    registerForNotifications();
}

void SerialPortManager::retrieveAvailablePortsAndRegisterForChangeNotifications() {
    // A batch already queued when a manager is reset finds it gone.
    std::weak_ptr<const char> alive = m_lifetime;
    auto start = m_registry->start(
        [this, alive](const DeviceRegistry::Batch& devices) {
            if (!alive.expired())
                serialPortsWerePublished(devices);
        },
        [this, alive](const DeviceRegistry::Batch& devices) {
            if (!alive.expired())
                serialPortsWereTerminated(devices);
        });
    for (const auto& device : start.present) {
        if (auto port = SerialPort::serialPortWithDevice(device))
            m_availablePorts.push_back(std::move(port));
    }
    if (!start.hotPlugOffReason.empty())
        spdlog::warn("Serial port hot-plug is off ({}): ports plugged in or out from now on go "
                     "unnoticed",
                     start.hotPlugOffReason);
}

void SerialPortManager::registerForNotifications() {
    // Exit handlers and static objects go in the reverse order of their making: the logger
    // the clean-up writes to must exist before the handler is registered.
    spdlog::default_logger();
    if (std::atexit(cleanupAtExit) != 0)
        spdlog::error("SerialPort was unable to register its termination handler for serial port "
                      "cleanup: {}",
                      errno);
}

Connection
SerialPortManager::observeAvailablePorts(std::function<void(const PortListChange&)> observer) {
    return m_availablePortsChanged.connect(std::move(observer));
}

void SerialPortManager::serialPortsWerePublished(const DeviceRegistry::Batch& devices) {
    assertMainThread();
    Ports added;
    for (const auto& device : devices) {
        auto port = SerialPort::serialPortWithDevice(device);
        if (port && !listed(m_availablePorts, *port) && !listed(added, *port))
            added.push_back(std::move(port));
    }
    for (const auto& port : added)
        port->wasPublished();
    insertAvailablePorts(added);
    post(SerialPortWasConnectedNotification, ConnectedSerialPortsKey, added);
}

void SerialPortManager::serialPortsWereTerminated(const DeviceRegistry::Batch& devices) {
    assertMainThread();
    Ports removed;
    for (const auto& device : devices) {
        if (auto port = SerialPort::serialPortWithDevice(device))
            removed.push_back(std::move(port));
    }
    for (const auto& port : removed)
        port->cleanupAfterSystemRemoval();
    removeAvailablePortsEqualTo(removed);
    post(SerialPortWasDisconnectedNotification, DisconnectedSerialPortsKey, removed);
}

void SerialPortManager::insertAvailablePorts(const Ports& ports) {
    if (ports.empty())
        return;
    PortListChange change{PortListChange::Kind::insertion, {}};
    for (const auto& port : ports) {
        change.indexes.push_back(m_availablePorts.size());
        m_availablePorts.push_back(port);
    }
    m_availablePortsChanged.notify(change);
}

void SerialPortManager::removeAvailablePortsEqualTo(const Ports& ports) {
    PortListChange change{PortListChange::Kind::removal, {}};
    for (std::size_t index = 0; index < m_availablePorts.size(); ++index) {
        if (listed(ports, *m_availablePorts[index]))
            change.indexes.push_back(index);
    }
    if (change.indexes.empty())
        return;
    std::erase_if(m_availablePorts, [&](const auto& port) { return listed(ports, *port); });
    m_availablePortsChanged.notify(change);
}

void SerialPortManager::post(const char* name, const char* key, const Ports& ports) {
    NotificationCenter::defaultCenter().post({name, this, {{key, ports}}});
}

void SerialPortManager::systemWillSleep() {
    for (const auto& port : m_availablePorts) {
        if (port->isOpen() && port->close())
            m_portsToReopenAfterSleep.push_back(port);
    }
}

void SerialPortManager::systemDidWake() {
    const Ports remembered = m_portsToReopenAfterSleep;
    for (const auto& port : remembered) {
        port->open();
        std::erase(m_portsToReopenAfterSleep, port);
    }
}

void SerialPortManager::cleanupAllPorts() {
    const Ports ports = std::exchange(m_availablePorts, {});
    for (const auto& port : ports)
        port->cleanupAfterSystemRemoval();
    const auto deadline = std::chrono::steady_clock::now() + exitCloseWait;
    for (const auto& port : ports) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        port->waitUntilClosed(std::max(left, std::chrono::milliseconds(0)));
    }
}

} // namespace monctl
