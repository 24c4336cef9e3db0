// Any chunk decodes without fault: a frame exactly when it is UTF-8 text, read as C text
// (nothing after a NUL counts), with at most five fields.
#include "device/DeviceFrame.h"
#include "runtime/Utf8.h"

#include <algorithm>
#include <cstdlib>
#include <tuple>

using namespace monctl;

namespace {

auto fieldsOf(const DeviceFrame& frame) {
    return std::tuple(frame.header, frame.command, frame.commandRe, frame.commandRq,
                      frame.commandReValue, frame.fieldCount);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Bytes chunk(data, data + size);
    const auto frame = DeviceFrame::decode(chunk);
    if (frame.has_value() != isValidUtf8(chunk))
        std::abort();
    if (!frame)
        return 0;
    if (frame->fieldCount < 0 || frame->fieldCount > 5)
        std::abort();
    const Bytes text(chunk.begin(), std::find(chunk.begin(), chunk.end(), 0));
    const auto asText = DeviceFrame::decode(text);
    if (!asText || fieldsOf(*asText) != fieldsOf(*frame))
        std::abort();
    return 0;
}
