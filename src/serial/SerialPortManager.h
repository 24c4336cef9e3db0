#pragma once

#include "runtime/Signal.h"
#include "serial/DeviceRegistry.h"

#include <memory>
#include <vector>

namespace monctl {

class SerialPort;

// The one object that knows the serial ports of the machine: it lists them at its creation,
// adds ports that appear and cleans up and removes ports that disappear, announcing each
// batch, and cleans up every listed port when the process exits.
//
// Create it on the main thread; it and its list are used there only. Batches of the
// registry arrive on the main queue.
class SerialPortManager {
public:
    static constexpr const char* SerialPortWasConnectedNotification =
        "SerialPortWasConnectedNotification";
    static constexpr const char* SerialPortWasDisconnectedNotification =
        "SerialPortWasDisconnectedNotification";
    static constexpr const char* ConnectedSerialPortsKey = "ConnectedSerialPortsKey";
    static constexpr const char* DisconnectedSerialPortsKey = "DisconnectedSerialPortsKey";

    using Ports = std::vector<std::shared_ptr<SerialPort>>;

    // A change of availablePorts, told to its observers.
    struct PortListChange {
        enum class Kind { insertion, removal };
        Kind kind;
        std::vector<std::size_t>
            indexes; // ascending; of the list after an insertion, before a removal
    };

    // Chooses where the devices come from (nothing is listed without one). Only before the
    // manager exists: false afterwards, and the registry in use stays.
    static bool useRegistry(std::unique_ptr<DeviceRegistry> registry);
    static SerialPortManager& sharedSerialPortManager();
    static bool exists();
    // Ends the manager, its ports cleaned up as at exit, so that the next use builds a new one.
    // For tests: the program keeps its manager for its whole life.
    static void reset();

    SerialPortManager(const SerialPortManager&) = delete;
    SerialPortManager& operator=(const SerialPortManager&) = delete;

    const Ports& availablePorts() const { return m_availablePorts; }
    std::size_t countOfAvailablePorts() const { return m_availablePorts.size(); }
    const std::shared_ptr<SerialPort>& objectInAvailablePortsAtIndex(std::size_t index) const {
        return m_availablePorts.at(index);
    }
    [[nodiscard]] Connection
    observeAvailablePorts(std::function<void(const PortListChange&)> observer);

    // Not wired to the system's sleep signal: a client that hears of it calls these.
    void systemWillSleep();
    void systemDidWake();
    const Ports& portsToReopenAfterSleep() const { return m_portsToReopenAfterSleep; }

    void serialPortsWerePublished(const DeviceRegistry::Batch& devices);
    void serialPortsWereTerminated(const DeviceRegistry::Batch& devices);

    // What the exit handler does: clean up every listed port, empty the list, and wait a
    // little for the ports to close.
    void cleanupAllPorts();

private:
    explicit SerialPortManager(std::unique_ptr<DeviceRegistry> registry);

    void retrieveAvailablePortsAndRegisterForChangeNotifications();
    void registerForNotifications();
    void insertAvailablePorts(const Ports& ports);
    void removeAvailablePortsEqualTo(const Ports& ports);
    void post(const char* name, const char* key, const Ports& ports);

    std::shared_ptr<const char> m_lifetime = std::make_shared<const char>();
    std::unique_ptr<DeviceRegistry> m_registry;
    Ports m_availablePorts;
    Ports m_portsToReopenAfterSleep;
    Signal<PortListChange> m_availablePortsChanged;
};

} // namespace monctl
