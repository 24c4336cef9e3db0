#include "device/DeviceFrame.h"

#include "device/Protocol.h"
#include "runtime/Utf8.h"

#include <cstdio>
#include <string>

namespace monctl {
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
    if (header != Protocol::markerValue)
        return false;
    return fieldCount >= (isParameterReply() ? 5 : 3);
}

} // namespace monctl
