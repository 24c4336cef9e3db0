// The quick search for the packet at the end of a buffer finds what trying every length
// finds, for prefix and suffix, exact-data and regular-expression descriptors.
#include "serial/SerialPacketDescriptor.h"

#include <array>
#include <cstdlib>
#include <fuzzer/FuzzedDataProvider.h>

using namespace monctl;

namespace {

// Fixed patterns: the search is under test here, not the expression engine's speed.
constexpr std::array patterns{"5FF5[0-9A-F]{4}", "a+b", "(ab|a)c?", ".*A0FA",
                              "\\x{e9}+",        "$",   "[^\\x00]"};

std::optional<Bytes> optionalBytes(FuzzedDataProvider& provider) {
    if (!provider.ConsumeBool())
        return std::nullopt;
    return bytesOf(provider.ConsumeRandomLengthString(4));
}

std::shared_ptr<const SerialPacketDescriptor> descriptorFrom(FuzzedDataProvider& provider) {
    const auto maximumLength = provider.ConsumeIntegralInRange<std::uint64_t>(0, 64);
    switch (provider.ConsumeIntegralInRange(0, 2)) {
    case 0: {
        auto prefix = optionalBytes(provider);
        auto suffix = optionalBytes(provider);
        return SerialPacketDescriptor::withPrefix(std::move(prefix), std::move(suffix),
                                                  maximumLength);
    }
    case 1:
        return SerialPacketDescriptor::withPacketData(
            bytesOf(provider.ConsumeRandomLengthString(8)));
    default:
        return SerialPacketDescriptor::withRegularExpression(provider.PickValueInArray(patterns),
                                                             maximumLength);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider provider(data, size);
    const auto descriptor = descriptorFrom(provider);
    const auto buffer = bytesOf(provider.ConsumeRemainingBytesAsString());
    if (descriptor->packetMatchingAtEndOfBuffer(buffer) !=
        descriptor->packetMatchingAtEndOfBufferTryingEveryLength(buffer))
        std::abort();
    return 0;
}
