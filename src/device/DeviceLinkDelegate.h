#pragma once

#include "device/FrameAssembler.h"
#include "serial/SerialPortDelegate.h"

#include <map>
#include <memory>
#include <string>

namespace monctl {

struct DeviceLinkState;
class ReportController;

// The delegate of every probed port: puts the monitors' frames together and passes them on,
// lists a port whose monitor gives the identity reply, and takes a removed port out of the
// list. Main thread only.
class DeviceLinkDelegate final : public SerialPortDelegateOf<DeviceLinkDelegate> {
public:
    // The state it changes; held weakly, as the state holds the delegate.
    explicit DeviceLinkDelegate(std::weak_ptr<DeviceLinkState> state) : m_state(std::move(state)) {}

    // The port being probed; the last one probed after a probe, none after a removal.
    const std::shared_ptr<SerialPort>& serialPort() const { return m_serialPort; }
    void setSerialPort(std::shared_ptr<SerialPort> port) { m_serialPort = std::move(port); }

    void wasRemovedFromSystem(SerialPort& port) override;
    void didReceiveData(SerialPort& port, const Bytes& data) override;
    void didEncounterError(SerialPort& port, const SerialPortError& error) override;
    void wasOpened(SerialPort& port) override;

private:
    void handleFrame(SerialPort& port, const DeviceFrame& frame);
    void retryBusyPort(const std::shared_ptr<SerialPort>& port);

    std::weak_ptr<DeviceLinkState> m_state;
    std::shared_ptr<SerialPort> m_serialPort;
    std::map<std::string, FrameAssembler> m_assemblers; // by port path
    std::string m_longMovePath; // the port whose monitor holds a direction button down
};

} // namespace monctl
