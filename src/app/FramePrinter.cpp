#include "app/FramePrinter.h"

#include "device/DeviceFrame.h"
#include "serial/SerialPort.h"

#include <fmt/format.h>

namespace monctl {

void FramePrinter::wasRemovedFromSystem(SerialPort& port) {
    fmt::print("{}: device removed\n", port.name());
}

void FramePrinter::didReceiveData(SerialPort& port, const Bytes& data) {
    const auto frame = DeviceFrame::decode(data);
    if (!frame || !frame->isComplete()) {
        fmt::print("{}: {} bytes that are no monitor frame\n", port.name(), data.size());
        return;
    }
    fmt::print("{}: frame type {:02X}, {:02X} {:02X} {:02X}\n", port.name(), frame->command,
               frame->commandRe, frame->commandRq, frame->commandReValue);
    if (frame->isParameterReply() && frame->commandRe == 10 && frame->commandRq == 16 &&
        frame->commandReValue == 16 && m_onIdentity)
        m_onIdentity();
}

void FramePrinter::didEncounterError(SerialPort& port, const SerialPortError& error) {
    fmt::print(stderr, "{}: {}\n", port.name(), error.text());
}

void FramePrinter::wasOpened(SerialPort& port) {
    fmt::print("Serial port {} was opened\n", port.name());
}

} // namespace monctl
