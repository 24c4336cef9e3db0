#pragma once

#include "serial/SerialPortDelegate.h"

#include <functional>

namespace monctl {

// A port delegate that prints every decoded monitor frame and every error, and tells when
// the monitor has answered the probe.
class FramePrinter final : public SerialPortDelegateOf<FramePrinter> {
public:
    explicit FramePrinter(std::function<void()> onIdentity) : m_onIdentity(std::move(onIdentity)) {}

    void wasRemovedFromSystem(SerialPort& port) override;
    void didReceiveData(SerialPort& port, const Bytes& data) override;
    void didEncounterError(SerialPort& port, const SerialPortError& error) override;
    void wasOpened(SerialPort& port) override;

private:
    std::function<void()> m_onIdentity;
};

} // namespace monctl
