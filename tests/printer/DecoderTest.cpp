// The decoder against the bench's command vocabulary, whole and cut at every byte boundary.

#include "printer/CommandLog.h"
#include "printer/Decoder.h"
#include "protocol/Commands.h"
#include "support/Recorder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

namespace {

namespace p = printbench::protocol;
using printbench::printer::CommandLog;
using printbench::printer::Decoder;
using printbench::testkit::hex;
using printbench::testkit::unhex;
using Bytes = std::vector<std::uint8_t>;

// The log of `bytes` read in the given pieces, one line per entry, without the offsets unless
// asked for.
std::vector<std::string> decode(const Bytes& bytes, const std::vector<std::size_t>& cuts = {},
                                std::uint64_t* unknown = nullptr, bool offsets = false)
{
    std::ostringstream out;
    {
        CommandLog log(out);
        Decoder decoder;
        std::size_t from = 0;
        for (const std::size_t cut : cuts) {
            decoder.feed(std::span(bytes).subspan(from, cut - from), log);
            from = cut;
        }
        decoder.feed(std::span(bytes).subspan(from), log);
        decoder.finish(log);
        log.flush();
        if (unknown) *unknown = log.unknownCount();
    }
    std::vector<std::string> lines;
    std::istringstream in(out.str());
    for (std::string line; std::getline(in, line);) lines.push_back(offsets ? line : line.substr(10));
    return lines;
}

struct Row {
    p::Bytes named;  // the vocabulary's bytes; empty for a stream made of several
    const char* bytes;
    std::vector<std::string> lines;
};

Bytes markBytes(p::BlackMark move, bool usb)
{
    const auto c = p::blackMark(move, usb);
    return {c.begin(), c.end()};
}

const Bytes kForward = markBytes(p::BlackMark::Forward, false), kForwardUsb = markBytes(p::BlackMark::Forward, true),
            kOutForward = markBytes(p::BlackMark::OutForward, false), kReverse = markBytes(p::BlackMark::Reverse, false),
            kReverseUsb = markBytes(p::BlackMark::Reverse, true), kOutReverse = markBytes(p::BlackMark::OutReverse, false),
            kOutReverseUsb = markBytes(p::BlackMark::OutReverse, true);

// Every command of the bench: its name in the vocabulary, its bytes written out, its meaning.
const std::vector<Row> kCommands = {
    {p::AutoStatusBackOn, "1D 61 01", {"GS a 1: automatic status back on"}},
    {{}, "1D 28 4B 02 00 31 FB", {"GS ( K 49 m=-5: print density -5"}},
    {{}, "1D 28 4B 02 00 31 05", {"GS ( K 49 m=5: print density +5"}},
    {p::FullCut, "1B 69", {"ESC i: full cut"}},
    {p::PartialCut, "1B 6D", {"ESC m: partial cut"}},
    {kForward, "1A 62 01", {"SUB \"b\" 1: black mark forward: feed to the next mark"}},
    {kForwardUsb, "1A 62 31", {"SUB \"b\" \"1\": black mark forward: feed to the next mark"}},
    {kOutForward, "1A 62 00", {"SUB \"b\" 0: black mark out forward: feed from the mark to the cut position"}},
    {kReverse, "1A 62 03", {"SUB \"b\" 3: black mark reverse: back to the mark"}},
    {kReverseUsb, "1A 62 33", {"SUB \"b\" \"3\": black mark reverse: back to the mark"}},
    {kOutReverse, "1A 62 02", {"SUB \"b\" 2: black mark out reverse: back from the cut position to the mark"}},
    {kOutReverseUsb, "1A 62 32", {"SUB \"b\" \"2\": black mark out reverse: back from the cut position to the mark"}},
    {{}, "1B 4A FF 1B 4A 01", {"ESC J 255: print and feed 255 dots", "ESC J 1: print and feed 1 dot"}},
    {p::PrintAndFeed127, "1B 4A 7F", {"ESC J 127: print and feed 127 dots"}},
    {p::StatusRequest, "10 04 02", {"DLE EOT 2: send the offline status"}},
    {p::Recover, "10 05 02", {"DLE ENQ 2: recover from an error, clearing the buffers"}},
    {p::Initialize, "1B 40", {"ESC @: initialise the printer"}},
    {{}, "41 42 43 0D 0A", {"text (3 characters): \"ABC\"", "CR: carriage return (lines end at LF)", "LF: print and line feed"}},
    {{}, "C7 D1 B1 DB 0A", {"text (2 characters): \"한글\"", "LF: print and line feed"}},
    {p::LineSpacing24, "1B 33 18", {"ESC 3 24: line spacing 24 dots"}},
    {p::LineSpacing32, "1B 33 20", {"ESC 3 32: line spacing 32 dots"}},
    {{}, "1B 33 32", {"ESC 3 50: line spacing 50 dots"}},
    {p::DefaultLineSpacing, "1B 32", {"ESC 2: default line spacing (32 dots)"}},
    {p::PatternLine1, "1A 31", {"SUB \"1\": address pattern line 1"}},
    {p::PatternLine2, "1A 32", {"SUB \"2\": address pattern line 2"}},
    {p::PatternClear, "1A 43", {"SUB \"C\": clear the addressed pattern line"}},
    {{}, "1A 57 B0 01 C8 01", {"SUB \"W\" 432-456: pattern run from dot 432 to dot 456"}},
    {p::PatternStart, "1A 4F", {"SUB \"O\": start printing pattern lines"}},
    {p::PatternFinish, "1A 46", {"SUB \"F\": finish printing pattern lines"}},
    {p::BoxTableOn, "1A 78 01", {"SUB \"x\" 1: box-drawing table on"}},
    {p::BoxTableOnDigit, "1A 78 31", {"SUB \"x\" \"1\": box-drawing table on"}},
    {p::BoxTableOff, "1A 78 00", {"SUB \"x\" 0: box-drawing table off"}},
    {p::KanjiOff, "1C 2E", {"FS .: double-byte characters off"}},
    {{}, "1C 2E DA C2 BF", {"FS .: double-byte characters off", "text (3 characters): \"┌┬┐\""}},
    {{}, "1A 78 01 C3 C5 B4", {"SUB \"x\" 1: box-drawing table on", "text (3 characters): \"├┼┤\""}},
    {p::PageMode, "1B 4C", {"ESC L: select page mode"}},
    {p::PageDirectionLeftToRight, "1B 54 00", {"ESC T 0: page print direction, left to right from the upper left"}},
    {{}, "1B 57 00 00 00 00 AF 01 08 02", {"ESC W x=0 y=0 width=431 height=520: page mode print area"}},
    {{}, "1B 2A 21 02 00 A0 00 00 80 00 00", {"ESC * 33 n=2: 24-dot double-density band"}},
    {p::PrintPage, "1B 0C", {"ESC FF: print the page"}},
    {p::StandardMode, "1B 53", {"ESC S: select standard mode"}},
    {{}, "1D 56 41 05 1B 69", {"GS V 65: full cut", "ESC i: full cut"}},
    {{}, "1D 56 31 1B 69", {"GS V 49: partial cut", "ESC i: full cut"}},
};

TEST(Decoder, NamesEveryCommandOfTheVocabulary)
{
    for (const Row& row : kCommands) {
        EXPECT_EQ(row.named.empty() ? row.bytes : hex(row.named), row.bytes);
        std::uint64_t unknown = 99;
        EXPECT_EQ(decode(unhex(row.bytes), {}, &unknown), row.lines) << row.bytes;
        EXPECT_EQ(unknown, 0u) << row.bytes;
    }
    EXPECT_EQ(hex(p::runPositions(432, 456)), "B0 01 C8 01");
    EXPECT_EQ(hex(p::LogoPageArea), "00 00 00 00 AF 01 08 02");
    EXPECT_EQ(hex(p::BitImage24), "1B 2A 21");
    EXPECT_EQ(hex(p::DensityPrefix), "1D 28 4B 02 00 31");
    EXPECT_EQ(hex(p::PageArea) + " " + hex(p::PatternRun) + " " + hex(p::PrintAndFeed) + " " + hex(p::LineFeed),
              "1B 57 1A 57 1B 4A 0A");
}

TEST(Decoder, ACommandCutAnywhereBetweenReadsDecodesTheSame)
{
    Bytes all;
    for (const Row& row : kCommands) {
        const Bytes b = unhex(row.bytes);
        all.insert(all.end(), b.begin(), b.end());
    }
    // A lead byte whose next byte cannot complete it, and one followed by a byte below the
    // trail range: single characters, however the reads fall.
    // ESC @ first: double-byte mode is on again.
    const Bytes tail{0x1B, 0x40, 0xB0, 0x0A, 0xB0, 0x40, 0x0A};
    all.insert(all.end(), tail.begin(), tail.end());
    const auto whole = decode(all, {}, nullptr, true);
    ASSERT_EQ(whole.front(), "00000000  GS a 1: automatic status back on");
    ASSERT_THAT(std::vector<std::string>(whole.end() - 3, whole.end()),
                testing::ElementsAre(testing::EndsWith("LF: print and line feed"),
                                     testing::EndsWith("text (2 characters): \"░@\""),
                                     testing::EndsWith("LF: print and line feed")));
    for (std::size_t cut = 1; cut < all.size(); ++cut) ASSERT_EQ(decode(all, {cut}, nullptr, true), whole) << "cut at " << cut;
    std::vector<std::size_t> everyByte;
    for (std::size_t i = 1; i < all.size(); ++i) everyByte.push_back(i);
    EXPECT_EQ(decode(all, everyByte, nullptr, true), whole);
}

TEST(Decoder, ReportsWhatItDoesNotUnderstandAndSkipsNothing)
{
    // A bell, ESC q, a GS ( command of another function (skipped by its length), a lead byte
    // without a trail byte, and a bit image cut off by the end of the input.
    std::uint64_t unknown = 0;
    EXPECT_THAT(decode(unhex("07 1B 71 1D 28 41 02 00 30 31 42 B0 0A 1B 2A 21 10 00 A0"), {}, &unknown, true),
                testing::ElementsAre("00000000  unknown: 07", "00000001  unknown: 1B 71", "00000003  unknown: 1D 28 41 02 00 30 31",
                                     "0000000A  text (2 characters): \"B\xE2\x96\x91\"", "0000000C  LF: print and line feed",
                                     "0000000D  incomplete at the end of the input: 1B 2A 21 10 00 A0"));
    EXPECT_EQ(unknown, 4u);
}

} // namespace
