// Bytes per second through the packet search a listening port makes for every byte
// received: a buffer of the descriptor's capacity, a search at its end after each byte, the
// buffer cleared after a packet. Random bytes with a packet every 100 bytes; the quick
// search beside the reference that tries every length.
#include "serial/SerialBuffer.h"
#include "serial/SerialPacketDescriptor.h"

#include <CLI/CLI.hpp>
#include <chrono>
#include <fmt/format.h>
#include <random>

using namespace monctl;

namespace {

Bytes streamWithPackets(std::size_t size, const std::string& packet) {
    std::mt19937 random(7);
    Bytes stream;
    while (stream.size() < size) {
        for (int i = 0; i < 100 - static_cast<int>(packet.size()); ++i)
            stream.push_back(static_cast<std::uint8_t>(random() & 0xFF));
        stream.insert(stream.end(), packet.begin(), packet.end());
    }
    return stream;
}

struct Result {
    double bytesPerSecond;
    std::size_t packets;
};

template <class Search>
Result run(const SerialPacketDescriptor& descriptor, const Bytes& stream, Search search) {
    SerialBuffer buffer(descriptor.maximumPacketLength());
    std::size_t packets = 0;
    const auto start = std::chrono::steady_clock::now();
    for (const std::uint8_t byte : stream) {
        buffer.appendData(Bytes{byte});
        if (const auto packet = search(buffer.data()); packet && !packet->empty()) {
            ++packets;
            buffer.clearBuffer();
        }
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    return {static_cast<double>(stream.size()) / took.count(), packets};
}

void compare(const char* name, const SerialPacketDescriptor& descriptor, const Bytes& stream) {
    const auto naive = run(descriptor, stream, [&](const Bytes& data) {
        return descriptor.packetMatchingAtEndOfBufferTryingEveryLength(data);
    });
    const auto quick = run(descriptor, stream, [&](const Bytes& data) {
        return descriptor.packetMatchingAtEndOfBuffer(data);
    });
    fmt::print("{}: every length {:12.0f} B/s, quick {:12.0f} B/s, {:.1f}x faster "
               "(packets {} / {}, goal: 10x)\n",
               name, naive.bytesPerSecond, quick.bytesPerSecond,
               quick.bytesPerSecond / naive.bytesPerSecond, naive.packets, quick.packets);
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app{"Packet search throughput: quick search against trying every length"};
    std::size_t bytes = 200000;
    app.add_option("--bytes", bytes, "length of the received stream");
    CLI11_PARSE(app, argc, argv);

    const auto prefixSuffix = SerialPacketDescriptor::withPrefixString("$P", ";\n", 256);
    compare("prefix/suffix, maximum 256", *prefixSuffix, streamWithPackets(bytes, "$P12345;\n"));
    const auto pattern = SerialPacketDescriptor::withRegularExpression("\\$R[0-9]{3};", 64);
    compare("regular expression, maximum 64", *pattern, streamWithPackets(bytes, "$R123;"));
    return 0;
}
