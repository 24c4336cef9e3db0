#include "device/DeviceFrame.h"

#include <cstdio>
#include <string>

namespace monctl {
namespace {

// Length of the UTF-8 sequence at `at`, or 0 when it is malformed (overlong forms,
// surrogates and code points above U+10FFFF included).
std::size_t sequenceLength(const Bytes& bytes, std::size_t at) {
    const auto lead = bytes[at];
    if (lead < 0x80)
        return 1;
    std::size_t length = 0;
    std::uint8_t low = 0x80;
    std::uint8_t high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (at + length > bytes.size())
        return 0;
    if (bytes[at + 1] < low || bytes[at + 1] > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (bytes[at + i] < 0x80 || bytes[at + i] > 0xBF)
            return 0;
    return length;
}

} // namespace

bool isValidUtf8(const Bytes& bytes) {
    for (std::size_t at = 0; at < bytes.size();) {
        const auto length = sequenceLength(bytes, at);
        if (length == 0)
            return false;
        at += length;
    }
    return true;
}

std::optional<DeviceFrame> DeviceFrame::decode(const Bytes& chunk) {
    if (!isValidUtf8(chunk))
        return std::nullopt;
    // As C text: an embedded NUL ends it, as it ends the text of any C string.
    const std::string text(chunk.begin(), chunk.end());
    DeviceFrame frame;
    unsigned fields[5] = {};
    const int scanned = std::sscanf(text.c_str(), "%4X%2X%2X%2X%2X", &fields[0], &fields[1],
                                    &fields[2], &fields[3], &fields[4]);
    frame.fieldCount = scanned < 0 ? 0 : scanned;
    frame.header = fields[0];
    frame.command = fields[1];
    frame.commandRe = fields[2];
    frame.commandRq = fields[3];
    frame.commandReValue = fields[4];
    return frame;
}

bool DeviceFrame::isComplete() const {
    if (header != startMarker)
        return false;
    return fieldCount >= (isParameterReply() ? 5 : 3);
}

} // namespace monctl
