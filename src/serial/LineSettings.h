#pragma once

#include <cstdint>
#include <termios.h>

namespace monctl {

// The line settings a port keeps, whether it is open or not.
struct LineSettings {
    enum Parity : std::uint64_t { parityNone = 0, parityOdd = 1, parityEven = 2 };

    unsigned baudRate = 115200;
    bool allowsNonStandardBaudRates = false;
    std::uint64_t numberOfStopBits = 1; // above 1 means two
    std::uint64_t numberOfDataBits = 8; // 7 or 8; other numbers leave 8
    std::uint64_t parity = parityNone;
    bool shouldEchoReceivedData = false;
    bool usesRTSCTSFlowControl = false;

    // The terminal settings for these line settings, made from the device's current ones
    // in raw mode: reads return as soon as one byte is there. The speed is not set here.
    termios terminalSettings(termios current) const;
};

} // namespace monctl
