#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace monctl {

// The 24-character frame sent to the monitor: "5FF5", the command code, the value, twelve
// zeros and "A0FA", upper-case hexadecimal, no line end.
class CommandFrame {
public:
    static constexpr std::size_t length = 24;

    static std::string format(std::uint8_t command, std::uint8_t value);
    // The value the command table lets through for a command: an out-of-range value is
    // replaced, except for the parameter request (10), whose bad values give none, as does
    // a command code outside 0..255.
    static std::optional<std::uint8_t> admittedValue(int command, int value);
    // The codes the monitor's protocol defines: 1..6, 10 and 240.
    static bool isTableCommand(int command);
    static std::string lowerCase(std::string frame);
};

} // namespace monctl
