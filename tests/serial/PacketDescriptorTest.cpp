#include "serial/SerialBuffer.h"
#include "serial/SerialPacketDescriptor.h"

#include <gtest/gtest.h>

using namespace monctl;
using Descriptor = SerialPacketDescriptor;

// What each kind of descriptor finds at the end of a buffer. The quick search against trying
// every length is the packet-search fuzzer's.
TEST(SerialPacketDescriptor, FindsTheShortestPacketAtTheEndOfTheBuffer) {
    const auto dollarSemicolon = Descriptor::withPrefixString("$", ";", 16);
    const auto overlapping = Descriptor::withPrefixString("AB", "BC", 8);
    const auto neither = Descriptor::withPrefix(std::nullopt, std::nullopt, 8);
    const auto letterDigit = Descriptor::withRegularExpression("A[0-9]", 16);
    const auto han = Descriptor::withRegularExpression(".", 16);
    const auto anything = std::make_shared<const Descriptor>(8, std::any(), nullptr);
    const std::tuple<std::shared_ptr<const Descriptor>, std::string, std::optional<std::string>>
        cases[] = {
            {dollarSemicolon, "xx$ab", std::nullopt},
            {dollarSemicolon, "xx$ab;", "$ab;"},
            {overlapping, "xxABC", "ABC"},
            {neither, "anything", std::nullopt},
            {Descriptor::withPrefix(Bytes{}, std::nullopt, 8), "xyz", "z"},
            {Descriptor::withPacketData(bytesOf("OK")), "xOK", "OK"},
            {letterDigit, "zA1x", "A1x"}, // anchored at the start, not at the end
            {letterDigit, "zB1x", std::nullopt},
            {han, "\xe6\xb1\x89", "\xe6\xb1\x89"},
            {anything, "abc", "c"},
            {anything, "", std::nullopt},
        };
    for (const auto& [descriptor, buffer, packet] : cases) {
        const auto found = descriptor->packetMatchingAtEndOfBuffer(bytesOf(buffer));
        EXPECT_EQ(found, packet ? std::optional(bytesOf(*packet)) : std::nullopt) << buffer;
    }
    EXPECT_TRUE(overlapping->dataIsValidPacket(bytesOf("ABC")));
    EXPECT_FALSE(overlapping->dataIsValidPacket(bytesOf("AC")));
    EXPECT_FALSE(neither->dataIsValidPacket(bytesOf("anything")));
    EXPECT_FALSE(han->dataIsValidPacket(Bytes{0xB1, 0x89})) << "starts inside a sequence";
    EXPECT_EQ(Descriptor::withRegularExpression("(", 4), nullptr);
    EXPECT_EQ(Descriptor::withPacketData(bytesOf("OK"))->maximumPacketLength(), 2u);
    EXPECT_FALSE(*dollarSemicolon == *Descriptor::withPrefixString("$", ";", 16));
    EXPECT_EQ(dollarSemicolon->uuid().size(), 36u);
}

TEST(SerialBuffer, KeepsTheNewestBytesAndHandsOutCopies) {
    SerialBuffer buffer(4);
    int changes = 0;
    const auto watching =
        buffer.internalBufferChanged.connect([&](SerialBuffer::Change) { ++changes; });
    buffer.appendData(bytesOf("123456"));
    EXPECT_EQ(buffer.data(), bytesOf("3456"));
    const auto packet = Descriptor(4, {}, nullptr).packetMatchingAtEndOfBuffer(buffer.data());
    buffer.clearBuffer();
    EXPECT_TRUE(buffer.data().empty());
    EXPECT_EQ(packet, bytesOf("6"));
    EXPECT_EQ(changes, 4) << "before and after each change";
    SerialBuffer none(0);
    none.appendData(bytesOf("x"));
    EXPECT_TRUE(none.data().empty());
}
