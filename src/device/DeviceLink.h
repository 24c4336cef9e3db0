#pragma once

#include "runtime/Signal.h"
#include "serial/SerialError.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

namespace monctl {

class DeviceLinkDelegate;
class ReportController;
class SerialPort;

using PortList = std::vector<std::shared_ptr<SerialPort>>;

// The device link's program-wide state: one for the process, touched on the main thread only.
struct DeviceLinkState {
    std::shared_ptr<DeviceLinkDelegate> portHelper; // the delegate of every probed port
    std::shared_ptr<PortList> validPorts;           // ports whose monitor answered, in order
    std::shared_ptr<SerialPort> currentPort;        // where commands go
    std::weak_ptr<ReportController> reportController;
    Connection hotPlug;              // probes ports that appear later
    FILE* openedPortStream = stdout; // where "Serial port ... was opened" goes
    Signal<std::shared_ptr<SerialPort>, SerialPortError> portErrors;

    static DeviceLinkState& shared();
};

// Finds the monitors among the serial ports and sends commands to the active one.
// Main thread only.
class DeviceLink {
public:
    // How long a probed port may stay silent before it is closed again.
    static constexpr auto probeAnswerLimit = std::chrono::seconds(3);

    void initSerialPorts();
    void adoptValidPorts(std::shared_ptr<PortList> ports,
                         std::weak_ptr<ReportController> controller);
    // Opens and probes every listed port, and every port that appears from now on.
    void startProbe();
    void currentDisplayPort(int indexOfPortsArr);
    // True when a frame was built and handed to the active port.
    bool sendCommand(int command, int value);

private:
    static void probePort(const std::shared_ptr<SerialPort>& port);
    static void letGoUnlessAnswered(const std::shared_ptr<SerialPort>& port);
};

} // namespace monctl
