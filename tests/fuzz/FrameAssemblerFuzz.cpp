// The stream cut into pieces the fuzzer chooses decodes to the frames of the whole stream.
#include "device/FrameAssembler.h"

#include <cstdlib>
#include <fuzzer/FuzzedDataProvider.h>
#include <tuple>

using namespace monctl;

namespace {

auto fieldsOf(const DeviceFrame& frame) {
    return std::tuple(frame.header, frame.command, frame.commandRe, frame.commandRq,
                      frame.commandReValue, frame.fieldCount);
}

bool sameFrames(const std::vector<DeviceFrame>& one, const std::vector<DeviceFrame>& other) {
    return std::equal(one.begin(), one.end(), other.begin(), other.end(),
                      [](const auto& a, const auto& b) { return fieldsOf(a) == fieldsOf(b); });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider provider(data, size);
    const auto stream = provider.ConsumeRandomLengthString(4 * FrameAssembler::capacity);
    FrameAssembler whole;
    const auto expected = whole.feed(bytesOf(stream));
    for (const auto& frame : expected) {
        if (!frame.isComplete())
            std::abort();
    }

    FrameAssembler pieces;
    std::vector<DeviceFrame> frames;
    for (std::size_t at = 0; at < stream.size();) {
        const auto length =
            provider.remaining_bytes() > 0
                ? provider.ConsumeIntegralInRange<std::size_t>(1, stream.size() - at)
                : stream.size() - at;
        for (const auto& frame : pieces.feed(bytesOf(std::string_view(stream).substr(at, length))))
            frames.push_back(frame);
        at += length;
    }
    if (!sameFrames(frames, expected))
        std::abort();
    return 0;
}
