// The decoder against every command PrintBench sends, whole, cut at every byte boundary, and
// over the complete streams of PrintBench's own handlers on both routes.

#include "bitmap/BitmapTestFiles.h"
#include "bitmap/Form3.h"
#include "printer/CommandLog.h"
#include "printer/Decoder.h"
#include "support/Bench.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

using printbench::printer::CommandLog;
using printbench::printer::Decoder;
using printbench::shell::Control;
using Bytes = std::vector<std::uint8_t>;

// The log of `bytes` read in the given pieces, one line per entry.
std::vector<std::string> decode(const Bytes& bytes, const std::vector<std::size_t>& cuts = {}, std::uint64_t* unknown = nullptr)
{
    std::ostringstream out;
    {
        CommandLog log(out);
        Decoder decoder;
        std::size_t from = 0;
        for (std::size_t cut : cuts) {
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
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

struct Row {
    const char* bytes;
    std::vector<std::string> lines;  // without their offsets
};

// Every command of PrintBench, as it leaves on either route.
const std::vector<Row> kCommands = {
    {"1D 61 01", {"GS a 1: automatic status back on"}},
    {"1D 28 4B 02 00 31 FB", {"GS ( K 49 m=-5: print density -5"}},
    {"1D 28 4B 02 00 31 00", {"GS ( K 49 m=0: print density 0"}},
    {"1D 28 4B 02 00 31 05", {"GS ( K 49 m=5: print density +5"}},
    {"1B 69", {"ESC i: full cut"}},
    {"1B 6D", {"ESC m: partial cut"}},
    {"1A 62 01", {"SUB \"b\" 1: black mark forward: feed to the next mark"}},
    {"1A 62 31", {"SUB \"b\" \"1\": black mark forward: feed to the next mark"}},
    {"1A 62 00", {"SUB \"b\" 0: black mark out forward: feed from the mark to the cut position"}},
    {"1A 62 03", {"SUB \"b\" 3: black mark reverse: back to the mark"}},
    {"1A 62 33", {"SUB \"b\" \"3\": black mark reverse: back to the mark"}},
    {"1A 62 02", {"SUB \"b\" 2: black mark out reverse: back from the cut position to the mark"}},
    {"1A 62 32", {"SUB \"b\" \"2\": black mark out reverse: back from the cut position to the mark"}},
    {"1B 4A FF 1B 4A 01", {"ESC J 255: print and feed 255 dots", "ESC J 1: print and feed 1 dot"}},
    {"10 04 02", {"DLE EOT 2: send the offline status"}},
    {"10 05 02", {"DLE ENQ 2: recover from an error, clearing the buffers"}},
    {"1B 40", {"ESC @: initialise the printer"}},
    {"41 42 43 0D 0A", {"text (3 characters): \"ABC\"", "CR: carriage return (lines end at LF)", "LF: print and line feed"}},
    {"C7 D1 B1 DB 0A", {"text (2 characters): \"한글\"", "LF: print and line feed"}},
    {"1B 33 18", {"ESC 3 24: line spacing 24 dots"}},
    {"1B 33 32", {"ESC 3 50: line spacing 50 dots"}},
    {"1B 32", {"ESC 2: default line spacing (32 dots)"}},
    {"1A 31 1A 43 1A 32", {"SUB \"1\": address pattern line 1", "SUB \"C\": clear the addressed pattern line",
                           "SUB \"2\": address pattern line 2"}},
    {"1A 57 B0 01 C8 01", {"SUB \"W\" 432-456: pattern run from dot 432 to dot 456"}},
    {"1A 4F 1A 46", {"SUB \"O\": start printing pattern lines", "SUB \"F\": finish printing pattern lines"}},
    {"1A 78 01", {"SUB \"x\" 1: box-drawing table on"}},
    {"1A 78 31", {"SUB \"x\" \"1\": box-drawing table on"}},
    {"1A 78 00", {"SUB \"x\" 0: box-drawing table off"}},
    {"1C 2E", {"FS .: double-byte characters off"}},
    {"1C 2E DA C2 BF", {"FS .: double-byte characters off", "text (3 characters): \"┌┬┐\""}},
    {"1A 78 01 C3 C5 B4", {"SUB \"x\" 1: box-drawing table on", "text (3 characters): \"├┼┤\""}},
    {"1B 4C 1B 54 00", {"ESC L: select page mode", "ESC T 0: page print direction, left to right from the upper left"}},
    {"1B 57 00 00 00 00 AF 01 08 02", {"ESC W x=0 y=0 width=431 height=520: page mode print area"}},
    {"1B 2A 21 02 00 A0 00 00 80 00 00", {"ESC * 33 n=2: 24-dot double-density band"}},
    {"1B 0C 1B 53", {"ESC FF: print the page", "ESC S: select standard mode"}},
};

TEST(Decoder, NamesEveryCommandPrintBenchSends)
{
    for (const Row& row : kCommands) {
        std::uint64_t unknown = 99;
        std::vector<std::string> lines = decode(printbench::testkit::unhex(row.bytes), {}, &unknown);
        for (auto& line : lines) line = line.substr(10);
        EXPECT_EQ(lines, row.lines) << row.bytes;
        EXPECT_EQ(unknown, 0u) << row.bytes;
    }
}

TEST(Decoder, ACommandCutAnywhereBetweenReadsDecodesTheSame)
{
    Bytes all;
    for (const Row& row : kCommands) {
        const Bytes b = printbench::testkit::unhex(row.bytes);
        all.insert(all.end(), b.begin(), b.end());
    }
    const auto whole = decode(all);
    ASSERT_EQ(whole.front(), "00000000  GS a 1: automatic status back on");
    ASSERT_EQ(whole.back(), "00000093  ESC S: select standard mode");
    for (std::size_t cut = 1; cut < all.size(); ++cut) ASSERT_EQ(decode(all, {cut}), whole) << "cut at " << cut;

    std::vector<std::size_t> everyByte;
    for (std::size_t i = 1; i < all.size(); ++i) everyByte.push_back(i);
    EXPECT_EQ(decode(all, everyByte), whole);
}

TEST(Decoder, ReportsWhatItDoesNotUnderstandAndSkipsNothing)
{
    // A bell, ESC q, a GS ( command of another function (skipped by its length), a lead byte
    // without a trail byte, and a bit image cut off by the end of the input.
    const Bytes bytes = printbench::testkit::unhex("07 1B 71 1D 28 41 02 00 30 31 42 B0 0A 1B 2A 21 10 00 A0");
    std::uint64_t unknown = 0;
    EXPECT_THAT(decode(bytes, {}, &unknown),
                testing::ElementsAre("00000000  unknown: 07", "00000001  unknown: 1B 71", "00000003  unknown: 1D 28 41 02 00 30 31",
                                     "0000000A  text (2 characters): \"B\xE2\x96\x91\"", "0000000C  LF: print and line feed",
                                     "0000000D  incomplete at the end of the input: 1B 2A 21 10 00 A0"));
    EXPECT_EQ(unknown, 4u);
}

// Every stream PrintBench's handlers send, on the serial route and over USB, decodes without
// a byte left unknown.
class EveryStream : public testing::TestWithParam<bool> {};

TEST_P(EveryStream, DecodesWithNothingUnknown)
{
    const bool usb = GetParam();
    printbench::testkit::Bench b;
    printbench::testkit::TempDir pictures, work;
    const auto bmp = printbench::testkit::monochromeBmp(10, 30, std::vector<std::vector<std::uint8_t>>(30, {0x0F, 0x3F}));
    printbench::testkit::writeFile(pictures.path() / "logo.bmp", bmp);
    usb ? b.usb() : b.serial();
    b.rec.timeline.clear();

    b.type(Control::Text1, "Korean 한글 text\r\nsecond line");
    b.type(Control::Text10, "1010");
    b.type(Control::Text5, "0");
    for (const char* entry : {"Full Cut", "Partial Cut", "BlackMark(Forward)", "BlackMark Out(Forward)", "BlackMark(Reverse)",
                              "BlackMark Out(Reverse)", "Feed", "Text Output", "Print H"})
        b.add(entry);
    for (int density = 0; density <= 10; ++density) {
        b.choose(Control::Combo3, density);
        b.form.Command2_Click();
    }
    for (int model = 0; model < 9; ++model) {
        b.choose(Control::Combo4, model);
        b.form.Command10_Click();
        b.form.Command11_Click();
        b.form.Command9_Click();
        b.form.Command8_Click();
    }
    b.form.Command5_Click();
    b.form.Command4_Click();
    b.rec.setText(Control::Dir1, pictures.path().string());
    printbench::bitmap::Form3 window(b.form, b.rec, work.path());
    window.Form_Load();
    window.File1_DblClick("logo.bmp");
    window.Command1_Click();

    const Bytes bytes = printbench::testkit::unhex(b.rec.stream());
    ASSERT_GT(bytes.size(), 30000u);
    std::uint64_t unknown = 99;
    const auto lines = decode(bytes, {}, &unknown);
    EXPECT_EQ(unknown, 0u);
    for (const auto& line : lines) EXPECT_THAT(line, testing::Not(testing::HasSubstr("unknown"))) << line;
}

INSTANTIATE_TEST_SUITE_P(SerialAndUsb, EveryStream, testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Usb" : "Serial"; });

} // namespace
