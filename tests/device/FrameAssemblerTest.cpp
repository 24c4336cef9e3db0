#include "device/FrameAssembler.h"

#include "device/DeviceFrame.h"

#include <gtest/gtest.h>

using namespace monctl;

namespace {

// The frames as "type re rq value" in hexadecimal, for easy comparison.
std::vector<std::string> feed(FrameAssembler& assembler, std::string_view chunk) {
    std::vector<std::string> texts;
    for (const auto& frame : assembler.feed(bytesOf(chunk))) {
        char text[32];
        std::snprintf(text, sizeof text, "%02X %02X %02X %02X", frame.command, frame.commandRe,
                      frame.commandRq, frame.commandReValue);
        texts.emplace_back(text);
        EXPECT_TRUE(frame.isComplete());
    }
    return texts;
}

using Frames = std::vector<std::string>;

} // namespace

TEST(FrameAssembler, DecodesWhatTheSingleChunkDecoderDecodes) {
    for (const std::string_view chunk : {"5FF5F00A1010whatever", "5FF5000A0403", "5ff5010a",
                                         " \r\n5FF50603", "5FF50107000000000000A0FA"}) {
        FrameAssembler assembler;
        const auto frames = assembler.feed(bytesOf(chunk));
        const auto single = DeviceFrame::decode(bytesOf(chunk));
        ASSERT_EQ(frames.size(), 1u) << chunk;
        EXPECT_EQ(frames[0].command, single->command) << chunk;
        EXPECT_EQ(frames[0].commandRe, single->commandRe) << chunk;
        if (single->isParameterReply()) {
            EXPECT_EQ(frames[0].commandRq, single->commandRq) << chunk;
            EXPECT_EQ(frames[0].commandReValue, single->commandReValue) << chunk;
        }
    }
}

TEST(FrameAssembler, JoinedAndSplitFramesAreAllFound) {
    FrameAssembler assembler;
    EXPECT_EQ(feed(assembler, "5FF5F00A0107000000000000A0FA5FF5F00A0203000000000000A0FA"),
              (Frames{"F0 0A 01 07", "F0 0A 02 03"}));
    EXPECT_EQ(feed(assembler, "5FF5F00A"), Frames{});
    EXPECT_EQ(feed(assembler, "04"), Frames{});
    EXPECT_EQ(feed(assembler, "05000000000000A0FA"), Frames{"F0 0A 04 05"});
    // Cut inside the marker itself.
    EXPECT_EQ(feed(assembler, "junk5F"), Frames{});
    EXPECT_EQ(feed(assembler, "F50603"), Frames{"06 03 00 00"});
}

TEST(FrameAssembler, ShortTypesNeedEightCharactersOthersTwelve) {
    FrameAssembler assembler;
    EXPECT_EQ(feed(assembler, "5FF5060"), Frames{});
    EXPECT_EQ(feed(assembler, "3"), Frames{"06 03 00 00"});
    EXPECT_EQ(feed(assembler, "5FF5030100"), Frames{});
    EXPECT_EQ(feed(assembler, "00"), Frames{"03 01 00 00"});
}

TEST(FrameAssembler, BrokenFramesAreDroppedAndTheNextOneFound) {
    FrameAssembler assembler;
    // A partial frame followed by a new marker.
    EXPECT_EQ(feed(assembler, "5FF5F00A5FF50604"), Frames{"06 04 00 00"});
    EXPECT_EQ(feed(assembler, "5FF5F00A01"), Frames{});
    EXPECT_EQ(feed(assembler, "5ff50111"), Frames{"01 11 00 00"});
    // A character that is no hexadecimal digit. The last digit could begin a marker that
    // cuts the frame short, so the frame waits for what follows.
    EXPECT_EQ(feed(assembler, "5FF50G035FF50205"), Frames{});
    EXPECT_EQ(feed(assembler, "0"), Frames{"02 05 00 00"});
    // A truncated marker that overlaps the next one.
    EXPECT_EQ(feed(assembler, "5FF5FF50602000000000000A0FA"), Frames{"06 02 00 00"});
    // Garbage, also binary, before a frame.
    const std::string garbage("\xff\x00\x13zz5F", 7);
    EXPECT_EQ(feed(assembler, garbage + "F5040200"), Frames{"04 02 00 00"});
}

TEST(FrameAssembler, WhatWaitsIsBounded) {
    FrameAssembler assembler;
    EXPECT_EQ(feed(assembler, "5FF5"), Frames{});
    EXPECT_EQ(feed(assembler, std::string(2 * FrameAssembler::capacity, ' ')), Frames{});
    // The dropped partial frame does not swallow the next one.
    EXPECT_EQ(feed(assembler, "5FF50107"), Frames{"01 07 00 00"});
    EXPECT_EQ(feed(assembler, std::string(10000, 'x') + "5FF50108"), Frames{"01 08 00 00"});
}

// Every way of cutting the stream into three reads with the second no longer than a frame,
// and into single bytes.
static void expectSameFramesHoweverCut(const std::string& stream, const Frames& expected) {
    for (std::size_t first = 0; first <= stream.size(); ++first) {
        for (std::size_t second = first; second <= std::min(stream.size(), first + 24); ++second) {
            FrameAssembler assembler;
            auto frames = feed(assembler, stream.substr(0, first));
            for (auto& frame : feed(assembler, stream.substr(first, second - first)))
                frames.push_back(std::move(frame));
            for (auto& frame : feed(assembler, stream.substr(second)))
                frames.push_back(std::move(frame));
            ASSERT_EQ(frames, expected) << "cut at " << first << " and " << second;
        }
    }
    FrameAssembler byteByByte;
    Frames frames;
    for (const char c : stream) {
        for (auto& frame : feed(byteByByte, std::string_view(&c, 1)))
            frames.push_back(std::move(frame));
    }
    EXPECT_EQ(frames, expected);
}

TEST(FrameAssembler, HowTheStreamIsCutIntoReadsChangesNothing) {
    const std::string stream = std::string("5FF5F00A0107000000000000A0FA") + "5FF" +
                               "5FF50602000000000000A0FA" + "5F" +
                               std::string("\x00\xfe  5ff5", 8) + "5FF5010 5FF5FF5FF50611" +
                               "5FF50605FF5F00A02" + "03000000000000A0FA5FF5 04 0 3 5F5FF5030";
    FrameAssembler whole;
    const auto expected = feed(whole, stream);
    EXPECT_EQ(expected, (Frames{"F0 0A 01 07", "06 02 00 00", "06 11 00 00", "F0 0A 02 03"}));
    expectSameFramesHoweverCut(stream, expected);
    // A frame too long to wait for, then one that is not.
    expectSameFramesHoweverCut("5FF503" + std::string(FrameAssembler::capacity, ' ') + "5FF5020400",
                               Frames{"02 04 00 00"});
}
