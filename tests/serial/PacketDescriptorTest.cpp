#include "serial/SerialBuffer.h"
#include "serial/SerialPacketDescriptor.h"

#include <gtest/gtest.h>
#include <random>

using namespace monctl;

namespace {

std::optional<std::string> search(const SerialPacketDescriptor& descriptor,
                                  std::string_view buffer) {
    const auto packet = descriptor.packetMatchingAtEndOfBuffer(bytesOf(buffer));
    return packet ? std::optional<std::string>(std::string(packet->begin(), packet->end()))
                  : std::nullopt;
}

} // namespace

TEST(SerialPacketDescriptor, PrefixAndSuffixFindTheShortestPacketAtTheEnd) {
    const auto dollarSemicolon = SerialPacketDescriptor::withPrefixString("$", ";", 16);
    SerialBuffer buffer(16);
    std::vector<std::optional<std::string>> found;
    for (const char byte : std::string("xx$ab;")) {
        buffer.appendData(Bytes{static_cast<std::uint8_t>(byte)});
        const auto packet = dollarSemicolon->packetMatchingAtEndOfBuffer(buffer.data());
        found.push_back(packet ? std::optional(std::string(packet->begin(), packet->end()))
                               : std::nullopt);
    }
    EXPECT_EQ(found,
              (std::vector<std::optional<std::string>>{std::nullopt, std::nullopt, std::nullopt,
                                                       std::nullopt, std::nullopt, "$ab;"}));

    const auto overlapping = SerialPacketDescriptor::withPrefixString("AB", "BC", 8);
    EXPECT_TRUE(overlapping->dataIsValidPacket(bytesOf("ABC")));
    EXPECT_FALSE(overlapping->dataIsValidPacket(bytesOf("AC")));
    EXPECT_EQ(search(*overlapping, "xxABC"), "ABC");
    const auto neither = SerialPacketDescriptor::withPrefix(std::nullopt, std::nullopt, 8);
    EXPECT_FALSE(neither->dataIsValidPacket(bytesOf("anything")));
    EXPECT_EQ(search(*neither, "anything"), std::nullopt);
    const auto emptyPrefix = SerialPacketDescriptor::withPrefix(Bytes{}, std::nullopt, 8);
    EXPECT_EQ(search(*emptyPrefix, "xyz"), "z");
}

TEST(SerialPacketDescriptor, FixedBytesRegularExpressionsAndTheDefaultTest) {
    const auto ok = SerialPacketDescriptor::withPacketData(bytesOf("OK"));
    EXPECT_EQ(ok->maximumPacketLength(), 2u);
    SerialBuffer buffer(ok->maximumPacketLength());
    buffer.appendData(bytesOf("xOK"));
    EXPECT_EQ(buffer.data(), bytesOf("OK"));
    EXPECT_EQ(ok->packetMatchingAtEndOfBuffer(buffer.data()), bytesOf("OK"));

    const auto letterDigit = SerialPacketDescriptor::withRegularExpression("A[0-9]", 16);
    ASSERT_NE(letterDigit, nullptr);
    EXPECT_EQ(search(*letterDigit, "zA1x"), "A1x") << "anchored at the start, not at the end";
    EXPECT_EQ(search(*letterDigit, "zB1x"), std::nullopt);
    const auto han = SerialPacketDescriptor::withRegularExpression(".", 16);
    EXPECT_FALSE(han->dataIsValidPacket(Bytes{0xB1, 0x89})) << "starts inside a sequence";
    EXPECT_EQ(search(*han, "\xe6\xb1\x89"), "\xe6\xb1\x89");
    EXPECT_EQ(SerialPacketDescriptor::withRegularExpression("(", 4), nullptr);

    const SerialPacketDescriptor anything(8, {}, nullptr);
    EXPECT_EQ(search(anything, "abc"), "c");
    EXPECT_EQ(search(anything, ""), std::nullopt);
    EXPECT_FALSE(*SerialPacketDescriptor::withPrefixString("$", ";", 16) ==
                 *SerialPacketDescriptor::withPrefixString("$", ";", 16));
    EXPECT_EQ(ok->uuid().size(), 36u);
}

TEST(SerialBuffer, KeepsTheNewestBytesAndHandsOutCopies) {
    SerialBuffer buffer(4);
    int changes = 0;
    const auto watching =
        buffer.internalBufferChanged.connect([&](SerialBuffer::Change) { ++changes; });
    buffer.appendData(bytesOf("123456"));
    EXPECT_EQ(buffer.data(), bytesOf("3456"));
    const auto packet =
        SerialPacketDescriptor(4, {}, nullptr).packetMatchingAtEndOfBuffer(buffer.data());
    buffer.clearBuffer();
    EXPECT_TRUE(buffer.data().empty());
    EXPECT_EQ(packet, bytesOf("6"));
    EXPECT_EQ(changes, 4) << "before and after each change";
    SerialBuffer none(0);
    none.appendData(bytesOf("x"));
    EXPECT_TRUE(none.data().empty());
}

// The quick searches give exactly the packets of trying every length.
TEST(SerialPacketDescriptor, QuickSearchesAgreeWithTryingEveryLength) {
    std::mt19937 random(20261206);
    const auto randomBytes = [&](std::size_t count, int alphabet) {
        Bytes bytes(count);
        for (auto& byte : bytes)
            byte = static_cast<std::uint8_t>(random() % static_cast<unsigned>(alphabet));
        return bytes;
    };
    const std::vector<std::shared_ptr<const SerialPacketDescriptor>> descriptors{
        SerialPacketDescriptor::withPrefix(Bytes{1, 2}, Bytes{2, 3}, 64),
        SerialPacketDescriptor::withPrefix(Bytes{1}, std::nullopt, 64),
        SerialPacketDescriptor::withPrefix(std::nullopt, Bytes{3, 1}, 64),
        SerialPacketDescriptor::withRegularExpression("[a-c]+d", 64),
        SerialPacketDescriptor::withRegularExpression("\\x{6C49}.", 64),
    };
    for (int stream = 0; stream < 3000; ++stream) {
        Bytes buffer = randomBytes(1 + random() % 40, stream % 2 ? 5 : 256);
        if (stream % 3 == 0) {
            const auto text = bytesOf(stream % 6 == 0 ? "abcd" : "\xe6\xb1\x89x");
            buffer.insert(buffer.begin() + static_cast<long>(random() % buffer.size()),
                          text.begin(), text.end());
        }
        for (const auto& descriptor : descriptors) {
            ASSERT_EQ(descriptor->packetMatchingAtEndOfBuffer(buffer),
                      descriptor->packetMatchingAtEndOfBufferTryingEveryLength(buffer))
                << "stream " << stream;
        }
    }
}
