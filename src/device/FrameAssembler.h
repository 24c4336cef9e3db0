#pragma once

#include "device/DeviceFrame.h"

#include <string>
#include <vector>

namespace monctl {

// Puts the monitor's frames back together from the chunks one port reads, however they were
// cut or joined on the way. A frame starts at the 5FF5 marker (either case); bytes before a
// marker are dropped. Each field is two hexadecimal digits, white space before a field
// skipped. A frame is complete as soon as the fields its type is read by have arrived: the
// type and one value for setting reports and button events (types 01, 02, 04, 06), four
// fields for every other type. A partial frame followed by a new marker (also one that
// overlaps its own), broken by a character that is no hexadecimal digit, or longer than
// `capacity` characters, is dropped. The frames found are the same however the stream is
// cut into chunks; a frame whose last characters may begin a marker waits for what follows.
class FrameAssembler {
public:
    static constexpr std::size_t capacity = 256;

    // The frames completed by this chunk, in order.
    std::vector<DeviceFrame> feed(const Bytes& chunk);

private:
    enum class Scan { complete, incomplete, broken };
    Scan scanFrame(DeviceFrame& frame, std::size_t& end) const;

    std::string m_pending;
};

} // namespace monctl
