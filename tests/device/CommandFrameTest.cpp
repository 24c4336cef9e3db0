#include "device/CommandFrame.h"

#include <gtest/gtest.h>

using monctl::CommandFrame;

namespace {

// The frame that sendCommand would build, or "" when it refuses.
std::string frameFor(int command, int value) {
    const auto admitted = CommandFrame::admittedValue(command, value);
    return admitted ? CommandFrame::format(static_cast<std::uint8_t>(command), *admitted) : "";
}

} // namespace

TEST(CommandFrame, LayoutMatchesTheMonitorsProtocol) {
    EXPECT_EQ(CommandFrame::format(1, 5), "5FF50105000000000000A0FA");
    EXPECT_EQ(CommandFrame::format(10, 16), "5FF50A10000000000000A0FA");
    EXPECT_EQ(CommandFrame::format(0xF0, 0xFF), "5FF5F0FF000000000000A0FA");
    EXPECT_EQ(CommandFrame::format(0, 0).size(), CommandFrame::length);
    EXPECT_EQ(CommandFrame::lowerCase(CommandFrame::format(1, 5)), "5ff50105000000000000a0fa");
}

TEST(CommandFrame, OutOfRangeValuesAreReplacedAsTheTableSays) {
    EXPECT_EQ(frameFor(1, 0), "5FF50101000000000000A0FA");
    EXPECT_EQ(frameFor(1, 10), "5FF50101000000000000A0FA");
    EXPECT_EQ(frameFor(1, 9), "5FF50109000000000000A0FA");
    EXPECT_EQ(frameFor(2, 1), "5FF50202000000000000A0FA");
    EXPECT_EQ(frameFor(2, 5), "5FF50202000000000000A0FA");
    EXPECT_EQ(frameFor(2, 4), "5FF50204000000000000A0FA");
    EXPECT_EQ(frameFor(3, 2), "5FF50300000000000000A0FA");
    EXPECT_EQ(frameFor(3, 1), "5FF50301000000000000A0FA");
    EXPECT_EQ(frameFor(4, 0), "5FF50401000000000000A0FA");
    EXPECT_EQ(frameFor(4, 6), "5FF50401000000000000A0FA");
    EXPECT_EQ(frameFor(5, 4), "5FF50500000000000000A0FA");
    EXPECT_EQ(frameFor(5, -1), "5FF50500000000000000A0FA");
    EXPECT_EQ(frameFor(6, 16), "5FF50600000000000000A0FA");
    EXPECT_EQ(frameFor(240, 4), "5FF5F000000000000000A0FA");
}

TEST(CommandFrame, ParameterRequestRefusesWhatItCannotAsk) {
    for (int bad : {0, 5, 15, 17, -1, 272})
        EXPECT_EQ(frameFor(10, bad), "") << bad;
    for (int good : {1, 2, 3, 4, 16})
        EXPECT_NE(frameFor(10, good), "") << good;
    EXPECT_EQ(frameFor(10, 3), "5FF50A03000000000000A0FA");
}

TEST(CommandFrame, CommandsOutsideTheTableSendTheirLowEightBits) {
    EXPECT_EQ(frameFor(7, 200), "5FF507C8000000000000A0FA");
    EXPECT_EQ(frameFor(7, 300), "5FF5072C000000000000A0FA");
    EXPECT_EQ(frameFor(0, -1), "5FF500FF000000000000A0FA");
    // A code that does not fit the frame's two digits is refused, not sent malformed.
    EXPECT_EQ(frameFor(256, 1), "");
    EXPECT_EQ(frameFor(-1, 1), "");
    EXPECT_TRUE(CommandFrame::isTableCommand(240));
    EXPECT_FALSE(CommandFrame::isTableCommand(7));
}
