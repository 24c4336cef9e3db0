#include "device/CommandFrame.h"
#include "device/FrameAssembler.h"
#include "device/FrameDispatch.h"
#include "support/RecordingReport.h"

#include <fmt/format.h>
#include <gtest/gtest.h>
#include <tuple>

using namespace monctl;
using Frames = std::vector<std::string>;

namespace {

// The frame that sendCommand would build, or "" when it refuses.
std::string frameFor(int command, int value) {
    const auto admitted = CommandFrame::admittedValue(command, value);
    return admitted ? CommandFrame::format(static_cast<std::uint8_t>(command), *admitted) : "";
}

// The frames as "type re rq value" in hexadecimal, for easy comparison.
Frames feed(FrameAssembler& assembler, std::string_view chunk) {
    Frames texts;
    for (const auto& frame : assembler.feed(bytesOf(chunk))) {
        texts.push_back(fmt::format("{:02X} {:02X} {:02X} {:02X}", frame.command, frame.commandRe,
                                    frame.commandRq, frame.commandReValue));
        EXPECT_TRUE(frame.isComplete());
    }
    return texts;
}

} // namespace

TEST(CommandFrame, LayoutAndTheValuesTheCommandTableLetsThrough) {
    EXPECT_EQ(CommandFrame::format(0xF0, 0xAB), "5FF5F0AB000000000000A0FA");
    EXPECT_EQ(CommandFrame::lowerCase(CommandFrame::format(1, 5)), "5ff50105000000000000a0fa");
    EXPECT_EQ(frameFor(1, 9), "5FF50109000000000000A0FA");
    EXPECT_EQ(frameFor(1, 10), "5FF50101000000000000A0FA") << "out of range: replaced";
    EXPECT_EQ(frameFor(7, 300), "5FF5072C000000000000A0FA") << "outside the table: low 8 bits";
    const std::pair<int, int> refused[] = {{10, 5}, {10, 17}, {256, 1}, {-1, 1}};
    for (const auto& [command, value] : refused)
        EXPECT_EQ(frameFor(command, value), "") << command << " " << value;
    EXPECT_EQ(frameFor(10, 16), "5FF50A10000000000000A0FA");
}

TEST(DeviceFrame, ScansFiveFieldsOfUtf8TextUpToANul) {
    const auto identity = DeviceFrame::decode(bytesOf(" \r\n5ff5F00A1010whatever"));
    ASSERT_TRUE(identity);
    EXPECT_EQ(std::tuple(identity->header, identity->command, identity->commandRe,
                         identity->commandRq, identity->commandReValue, identity->fieldCount),
              std::tuple(0x5FF5u, 0xF0u, 10u, 16u, 16u, 5));
    // A chunk cut short is a frame only with the fields its type needs.
    for (const char* text : {"5FF50603", "5FF5000A0403", "5FF5010a\xe6\xb1\x89"})
        EXPECT_TRUE(DeviceFrame::decode(bytesOf(text))->isComplete()) << text;
    for (const char* text : {"5FF506", "5FF5F00A01", "", "000000000000A0FA", "5FF6F00A1010"})
        EXPECT_FALSE(DeviceFrame::decode(bytesOf(text))->isComplete()) << text;
    for (const Bytes& notUtf8 : {Bytes{'5', 'F', 'F', '5', 0xFF}, Bytes{0xC0, 0x80},
                                 Bytes{0xED, 0xA0, 0x80}, Bytes{0xE4, 0xB8}})
        EXPECT_FALSE(DeviceFrame::decode(notUtf8).has_value());
    EXPECT_EQ(DeviceFrame::decode(Bytes{'5', 'F', 'F', '5', 0, '0', '1'})->fieldCount, 1);
}

// Each case: the chunks fed one after the other, with the frames each one completes. That
// the cuts between the chunks change nothing is the frame-assembler fuzzer's.
TEST(FrameAssembler, JoinsSplitsAndDropsAsTheStreamRequires) {
    const std::string binary("\xff\x00\x13zz5F", 7);
    const std::vector<std::vector<std::pair<std::string, Frames>>> cases = {
        {{"5FF5F00A0107000000000000A0FA5FF5F00A0203000000000000A0FA",
          {"F0 0A 01 07", "F0 0A 02 03"}},
         {"5FF5F00A", {}},
         {"04", {}},
         {"05000000000000A0FA", {"F0 0A 04 05"}},
         {"junk5F", {}}, // cut inside the marker itself
         {"F50603", {"06 03 00 00"}}},
        // Settings and buttons need two fields, the other types four.
        {{"5FF5060", {}}, {"3", {"06 03 00 00"}}, {"5FF5030100", {}}, {"00", {"03 01 00 00"}}},
        {{"5ff5 F0\t0A 01\r\n07", {"F0 0A 01 07"}}}, // white space before a field
        // A partial frame is dropped at a new marker, also one that overlaps its own.
        {{"5FF5F00A5FF50604", {"06 04 00 00"}},
         {"5FF5F00A01", {}},
         {"5ff50111", {"01 11 00 00"}},
         {"5FF5FF50602000000000000A0FA", {"06 02 00 00"}},
         {binary + "F5040200", {"04 02 00 00"}}},
        // A broken frame's last digit could begin a marker: what follows decides.
        {{"5FF50G035FF50205", {}}, {"0", {"02 05 00 00"}}},
        // What waits is bounded, and a dropped frame does not swallow the next one.
        {{"5FF5", {}},
         {std::string(2 * FrameAssembler::capacity, ' '), {}},
         {"5FF50107", {"01 07 00 00"}},
         {std::string(10000, 'x') + "5FF50108", {"01 08 00 00"}}},
    };
    for (std::size_t at = 0; at < cases.size(); ++at) {
        FrameAssembler assembler;
        for (const auto& [chunk, frames] : cases[at])
            EXPECT_EQ(feed(assembler, chunk), frames) << "case " << at << ": " << chunk;
    }
}

TEST(FrameDispatch, ReportsAndRepliesReachTheDisplaysAndOnlyTheFullIdentityIdentifies) {
    const auto dispatched = [](std::string_view text) {
        test::RecordingReport report;
        FrameAssembler assembler;
        // The space after the last frame shows that no marker begins in its last digits.
        for (const auto& frame : assembler.feed(bytesOf(std::string(text) + " ")))
            dispatchFrame(frame, report);
        return report.calls;
    };
    EXPECT_EQ(dispatched("5FF50107 5ff5010a 5FF50203 5FF50405 5FF5F00A0107 5FF5F00A0302 "
                         "5FF5000A0403 5FF50301 5FF5F00B0107 5FF5F00A0507 5FF5F00A1010"),
              (Frames{"contrast 7", "contrast 10", "mode 3", "speed 5", "contrast 7", "mode 2",
                      "speed 3"}));
    EXPECT_EQ(dispatched("5FF50601 5FF50602 5FF50603 5FF50604 5FF50605 5FF50606 5FF50607 "
                         "5FF50608 5FF50609 5FF5060A 5FF5060B 5FF5060C 5FF50600 5FF5060D "
                         "5FF5060F 5FF50610 5FF50611 5FF50612 5FF50613 5FF50614 5FF50617 5FF50618"),
              (Frames{"key 121", "key 116", "key 125", "key 126", "key 49", "starter", "move -6 0",
                      "move 6 0", "move 0 6", "move 0 -6", "click 0", "click 1", "long move 0 -70",
                      "long move 0 70", "long move 70 0", "long move -70 0", "long move 0 0",
                      "long move 0 0"}));

    FrameAssembler assembler;
    std::vector<bool> identities;
    for (const auto& frame : assembler.feed(bytesOf("5FF5F00A10105FF5000A10105FF5F00A1011")))
        identities.push_back(isIdentityReply(frame));
    EXPECT_EQ(identities, (std::vector<bool>{true, true, false}));
}
