#include "device/PortCommand.h"

#include "device/CommandFrame.h"
#include "runtime/TraceLog.h"
#include "serial/SerialPort.h"

namespace monctl {

void sendDataWithCommand(SerialPort& port, int command, int value) {
    if (!port.isOpen()) {
        traceLog().info("\n> has send Data value self.isOpen false");
        return;
    }
    if (!CommandFrame::isTableCommand(command)) {
        traceLog().info("\n> has send Data value command = {}", command);
        return;
    }
    const auto frame =
        CommandFrame::format(static_cast<std::uint8_t>(command), static_cast<std::uint8_t>(value));
    traceLog().debug("\n> has send Data value {}", CommandFrame::lowerCase(frame));
    port.sendData(bytesOf(frame));
}

} // namespace monctl
