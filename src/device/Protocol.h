#pragma once

#include <cctype>
#include <cstdint>
#include <string_view>

namespace monctl::Protocol {

// Frames both ways are ASCII hexadecimal between this marker and this trailer.
constexpr std::string_view marker = "5FF5";
constexpr std::uint32_t markerValue = 0x5FF5;
constexpr std::string_view trailer = "A0FA";

// Command 10 asks for a parameter; parameter 16, the firmware version, is the probe, and a
// monitor answers it with 16 as well.
constexpr int parameterRequest = 10;
constexpr int versionParameter = 16;

// How many characters of a marker (in either case; all four: a whole one) the text holds
// from `at` on.
inline std::size_t markerCharactersAt(std::string_view text, std::size_t at) {
    std::size_t matched = 0;
    while (matched < marker.size() && at + matched < text.size() &&
           std::toupper(static_cast<unsigned char>(text[at + matched])) == marker[matched])
        ++matched;
    return matched;
}

// Where the next marker begins at or after from; npos when none does.
inline std::size_t findMarker(std::string_view text, std::size_t from = 0) {
    for (std::size_t at = from; at + marker.size() <= text.size(); ++at) {
        if (markerCharactersAt(text, at) == marker.size())
            return at;
    }
    return std::string_view::npos;
}

} // namespace monctl::Protocol
