#include "device/PortCommand.h"

#include "device/CommandFrame.h"
#include "serial/SerialPort.h"

#include <spdlog/spdlog.h>

namespace monctl {

void sendDataWithCommand(SerialPort& port, int command, int value) {
    if (!port.isOpen()) {
        spdlog::info("\n> has send Data value self.isOpen false");
        return;
    }
    if (!CommandFrame::isTableCommand(command)) {
        spdlog::info("\n> has send Data value command = {}", command);
        return;
    }
    const auto frame =
        CommandFrame::format(static_cast<std::uint8_t>(command), static_cast<std::uint8_t>(value));
    spdlog::debug("\n> has send Data value {}", CommandFrame::lowerCase(frame));
    port.sendData(bytesOf(frame));
}

} // namespace monctl
