#include "device/CommandFrame.h"

#include "device/Protocol.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <fmt/format.h>

namespace monctl {
namespace {

struct Range {
    int command;
    int lowest;
    int highest;
    int replacement;
};

constexpr std::array<Range, 7> replacedRanges{{
    {1, 1, 9, 1},   // contrast
    {2, 2, 4, 2},   // display mode
    {3, 0, 1, 0},   // fast refresh
    {4, 1, 5, 1},   // refresh speed
    {5, 0, 3, 0},   // time synchronisation
    {6, 0, 15, 0},  // button event (the monitor's)
    {240, 0, 3, 0}, // parameter reply (the monitor's)
}};

bool isRequestableParameter(int value) {
    return (value >= 1 && value <= 4) || value == Protocol::versionParameter;
}

} // namespace

std::string CommandFrame::format(std::uint8_t command, std::uint8_t value) {
    return fmt::format("{}{:02X}{:02X}{:012X}{}", Protocol::marker, command, value, 0,
                       Protocol::trailer);
}

std::optional<std::uint8_t> CommandFrame::admittedValue(int command, int value) {
    if (command < 0 || command > 0xFF)
        return std::nullopt;
    if (command == Protocol::parameterRequest) {
        if (!isRequestableParameter(value))
            return std::nullopt;
        return static_cast<std::uint8_t>(value);
    }
    const auto range = std::find_if(replacedRanges.begin(), replacedRanges.end(),
                                    [command](const Range& r) { return r.command == command; });
    if (range != replacedRanges.end() && (value < range->lowest || value > range->highest))
        value = range->replacement;
    return static_cast<std::uint8_t>(value & 0xFF);
}

bool CommandFrame::isTableCommand(int command) {
    return command == Protocol::parameterRequest ||
           std::any_of(replacedRanges.begin(), replacedRanges.end(),
                       [command](const Range& r) { return r.command == command; });
}

std::string CommandFrame::lowerCase(std::string frame) {
    std::transform(frame.begin(), frame.end(), frame.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return frame;
}

} // namespace monctl
