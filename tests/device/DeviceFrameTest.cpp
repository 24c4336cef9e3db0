#include "device/DeviceFrame.h"

#include <gtest/gtest.h>

using monctl::Bytes;
using monctl::bytesOf;
using monctl::DeviceFrame;

namespace {

DeviceFrame decoded(std::string_view text) {
    const auto frame = DeviceFrame::decode(bytesOf(text));
    EXPECT_TRUE(frame.has_value()) << text;
    return frame.value_or(DeviceFrame{});
}

} // namespace

TEST(DeviceFrame, ScansTheFiveFieldsAndIgnoresTheTail) {
    const auto identity = decoded("5FF5F00A1010whatever follows");
    EXPECT_EQ(identity.header, 0x5FF5u);
    EXPECT_EQ(identity.command, 0xF0u);
    EXPECT_EQ(identity.commandRe, 10u);
    EXPECT_EQ(identity.commandRq, 16u);
    EXPECT_EQ(identity.commandReValue, 16u);
    EXPECT_TRUE(identity.isComplete());
    EXPECT_TRUE(identity.isParameterReply());

    const auto legacy = decoded("5FF5000A0403");
    EXPECT_TRUE(legacy.isParameterReply());
    EXPECT_EQ(legacy.commandRq, 4u);
    EXPECT_EQ(legacy.commandReValue, 3u);
}

TEST(DeviceFrame, LowerCaseAndLeadingWhiteSpaceAreAccepted) {
    const auto lower = decoded("5ff5010a");
    EXPECT_EQ(lower.header, 0x5FF5u);
    EXPECT_EQ(lower.command, 1u);
    EXPECT_EQ(lower.commandRe, 10u);
    EXPECT_TRUE(lower.isComplete());

    const auto spaced = decoded(" \r\n5FF50603");
    EXPECT_EQ(spaced.command, 6u);
    EXPECT_EQ(spaced.commandRe, 3u);
}

TEST(DeviceFrame, ShortChunksAreFramesOnlyWithTheFieldsTheirTypeNeeds) {
    EXPECT_TRUE(decoded("5FF50603").isComplete());    // a button event needs three fields
    EXPECT_FALSE(decoded("5FF506").isComplete());     // its sub-code is missing
    EXPECT_FALSE(decoded("5FF5F00A01").isComplete()); // a reply needs all five
    EXPECT_EQ(decoded("5FF5F00A01").fieldCount, 4);
    EXPECT_EQ(decoded("5FF5F00A01").commandReValue, 0u);
    EXPECT_FALSE(decoded("").isComplete());
    EXPECT_EQ(decoded("").fieldCount, 0);
    // The second half of a split frame fails the header test.
    EXPECT_FALSE(decoded("000000000000A0FA").isComplete());
}

TEST(DeviceFrame, TwoFramesInOneChunkYieldTheFirst) {
    const auto first = decoded("5FF5F00A01075FF5F00A0203");
    EXPECT_EQ(first.commandRq, 1u);
    EXPECT_EQ(first.commandReValue, 7u);
}

TEST(DeviceFrame, WrongHeaderIsNoFrame) {
    EXPECT_FALSE(decoded("5FF6F00A1010").isComplete());
    EXPECT_FALSE(decoded("garbage").isComplete());
}

TEST(DeviceFrame, ChunksThatAreNotUtf8AreDropped) {
    EXPECT_FALSE(DeviceFrame::decode(Bytes{'5', 'F', 'F', '5', 0xFF}).has_value());
    EXPECT_FALSE(DeviceFrame::decode(Bytes{0xC0, 0x80}).has_value());       // overlong
    EXPECT_FALSE(DeviceFrame::decode(Bytes{0xED, 0xA0, 0x80}).has_value()); // surrogate
    EXPECT_FALSE(DeviceFrame::decode(Bytes{0xF4, 0x90, 0x80, 0x80}).has_value());
    EXPECT_FALSE(DeviceFrame::decode(Bytes{0xE4, 0xB8}).has_value()); // cut short
    // Valid multi-byte text is scanned like any other.
    const auto text = DeviceFrame::decode(bytesOf("5FF50101\xe6\xb1\x89"));
    ASSERT_TRUE(text.has_value());
    EXPECT_TRUE(text->isComplete());
    // An embedded NUL ends the text.
    const auto cut = DeviceFrame::decode(Bytes{'5', 'F', 'F', '5', 0, '0', '1', '0', '1'});
    ASSERT_TRUE(cut.has_value());
    EXPECT_EQ(cut->fieldCount, 1);
}
