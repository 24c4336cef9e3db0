#pragma once

#include "runtime/Bytes.h"

#include <cstdint>
#include <optional>

namespace monctl {

// A frame from the monitor, scanned from the start of one received chunk as five
// hexadecimal fields of at most 4, 2, 2, 2 and 2 digits (upper or lower case, white space
// before a field skipped); whatever follows is not examined.
struct DeviceFrame {
    static constexpr std::uint32_t parameterReply = 0xF0;
    static constexpr std::uint32_t legacyParameterReply = 0x00;

    std::uint32_t header = 0;
    std::uint32_t command = 0;
    std::uint32_t commandRe = 0;
    std::uint32_t commandRq = 0;
    std::uint32_t commandReValue = 0;
    int fieldCount = 0; // fields actually scanned; the others read 0

    // The protocol's own reading of one chunk as one frame. The program reads through
    // FrameAssembler, which also joins and splits chunks; this stays as the reference the
    // assembler's frames are checked against (tests, fuzzing). None when the chunk is not
    // UTF-8 text: such a chunk is no frame at all.
    static std::optional<DeviceFrame> decode(const Bytes& chunk);

    // A chunk cut short is a frame only if it holds the fields its type is read by: three
    // for setting reports and button events, all five for parameter replies.
    bool isComplete() const;
    bool isParameterReply() const {
        return command == parameterReply || command == legacyParameterReply;
    }
};

} // namespace monctl
