#include "runtime/Utf8.h"

namespace monctl {

std::size_t utf8SequenceLength(std::span<const std::uint8_t> bytes, std::size_t at) {
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

bool isValidUtf8(std::span<const std::uint8_t> bytes) {
    for (std::size_t at = 0; at < bytes.size();) {
        const auto length = utf8SequenceLength(bytes, at);
        if (length == 0)
            return false;
        at += length;
    }
    return true;
}

} // namespace monctl
