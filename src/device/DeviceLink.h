#pragma once

#include "runtime/Signal.h"
#include "serial/SerialError.h"

#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace monctl {

class DeviceLinkDelegate;
class ReportController;
class SerialPort;

using PortList = std::vector<std::shared_ptr<SerialPort>>;

// The device link's state, shared by every link of the program (the program makes one at
// start, a test one per test). Touched on the main thread only.
struct DeviceLinkState {
    std::shared_ptr<DeviceLinkDelegate> portHelper; // the delegate of every probed port
    std::shared_ptr<PortList> validPorts;           // ports whose monitor answered, in order
    std::shared_ptr<SerialPort> currentPort;        // where commands go
    std::weak_ptr<ReportController> reportController;
    Connection hotPlug; // probes ports that appear later
    Signal<std::shared_ptr<SerialPort>, SerialPortError> portErrors;
    std::function<void(const std::shared_ptr<SerialPort>&)> probe; // probes a port (again)
    std::map<std::string, int> busyRetries; // by path: tries since the port was found busy
    bool retriesBusyPorts = true; // a window waits for a busy port; a command ends instead
};

// Finds the monitors among the serial ports and sends commands to the active one.
// Main thread only.
class DeviceLink {
public:
    // Links given the same state send to the same active port.
    explicit DeviceLink(
        std::shared_ptr<DeviceLinkState> state = std::make_shared<DeviceLinkState>())
        : m_state(std::move(state)) {}

    DeviceLinkState& state() const { return *m_state; }

    // How long a probed port may stay silent before it is closed again.
    static constexpr auto probeAnswerLimit = std::chrono::seconds(3);

    void initSerialPorts();
    void adoptValidPorts(std::shared_ptr<PortList> ports,
                         std::weak_ptr<ReportController> controller);
    // Opens and probes every listed port, and every port that appears from now on.
    void startProbe();
    void currentDisplayPort(int indexOfPortsArr);
    // True when a frame was built and written to the active port.
    bool sendCommand(int command, int value);

private:
    static void probePort(const std::shared_ptr<DeviceLinkState>& state,
                          const std::shared_ptr<SerialPort>& port);
    static void letGoUnlessAnswered(const std::weak_ptr<DeviceLinkState>& state,
                                    const std::shared_ptr<SerialPort>& port);

    std::shared_ptr<DeviceLinkState> m_state;
};

} // namespace monctl
