#include "device/FrameDispatch.h"

#include "device/FrameAssembler.h"
#include "support/RecordingReport.h"

#include <gtest/gtest.h>

using namespace monctl;
using monctl::test::RecordingReport;

namespace {

std::vector<std::string> dispatched(std::string_view text) {
    RecordingReport report;
    FrameAssembler assembler;
    // The space after the frame shows that no marker begins in its last digits.
    for (const auto& frame : assembler.feed(bytesOf(std::string(text) + " ")))
        dispatchFrame(frame, report);
    return report.calls;
}

using Calls = std::vector<std::string>;

} // namespace

TEST(FrameDispatch, ButtonSubCodesBecomeInput) {
    const std::pair<int, std::string> table[] = {
        {1, "key 121"},          {2, "key 116"},         {3, "key 125"},
        {4, "key 126"},          {5, "key 49"},          {6, "starter"},
        {7, "move -6 0"},        {8, "move 6 0"},        {9, "move 0 6"},
        {10, "move 0 -6"},       {11, "click 0"},        {12, "click 1"},
        {16, "long move 0 -70"}, {17, "long move 0 70"}, {18, "long move 70 0"},
        {19, "long move -70 0"}, {20, "long move 0 0"},  {23, "long move 0 0"}};
    for (const auto& [subCode, call] : table) {
        char frame[16];
        std::snprintf(frame, sizeof frame, "5FF506%02X", subCode);
        EXPECT_EQ(dispatched(frame), Calls{call}) << subCode;
    }
    for (const char* nothing : {"5FF50600", "5FF5060D", "5FF5060F", "5FF50618", "5FF506FF"})
        EXPECT_EQ(dispatched(nothing), Calls{}) << nothing;
}

TEST(FrameDispatch, ReportsAndRepliesReachTheDisplays) {
    EXPECT_EQ(dispatched("5FF50107"), Calls{"contrast 7"});
    EXPECT_EQ(dispatched("5ff5010a"), Calls{"contrast 10"}) << "no range test here";
    EXPECT_EQ(dispatched("5FF50203"), Calls{"mode 3"});
    EXPECT_EQ(dispatched("5FF50405"), Calls{"speed 5"});
    EXPECT_EQ(dispatched("5FF5F00A0107"), Calls{"contrast 7"});
    EXPECT_EQ(dispatched("5FF5F00A0302"), Calls{"mode 2"});
    EXPECT_EQ(dispatched("5FF5000A0403"), Calls{"speed 3"}) << "type 00 is a reply too";
    for (const char* nothing : {"5FF50301", "5FF50500", "5FF5F00B0107", "5FF5F00A0507",
                                "5FF5F00A1010", "5FF5990000000000"})
        EXPECT_EQ(dispatched(nothing), Calls{}) << nothing;
}

TEST(FrameDispatch, OnlyTheFullIdentityReplyIdentifies) {
    FrameAssembler assembler;
    auto frames = assembler.feed(bytesOf("5FF5F00A10105FF5000A10105FF5F00A1011"));
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_TRUE(isIdentityReply(frames[0]));
    EXPECT_TRUE(isIdentityReply(frames[1]));
    EXPECT_FALSE(isIdentityReply(frames[2]));
}
