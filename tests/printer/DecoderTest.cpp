#include "printer/CommandLog.h"
#include "printer/Decoder.h"
#include "protocol/Commands.h"
#include "support/Recorder.h"

#include <gtest/gtest.h>

#include <numeric>
#include <sstream>

namespace {

namespace p = printbench::protocol;
using namespace printbench::printer;
using printbench::testkit::hex;
using printbench::testkit::unhex;
using Bytes = std::vector<std::uint8_t>;

// The log of `bytes` read in pieces ending at `cuts`, one line per entry, offsets cut off unless asked for.
std::vector<std::string> decode(const Bytes& bytes, std::vector<std::size_t> cuts = {},
                                std::uint64_t* unknown = nullptr, bool offsets = false)
{
    std::ostringstream out;
    CommandLog log(out);
    Decoder decoder;
    std::size_t from = 0;
    cuts.push_back(bytes.size());
    for (const std::size_t cut : cuts) {
        decoder.feed(std::span(bytes).subspan(from, cut - from), log);
        from = cut;
    }
    decoder.finish(log);
    log.flush();
    if (unknown) *unknown = log.unknownCount();
    std::vector<std::string> lines;
    std::istringstream in(out.str());
    for (std::string line; std::getline(in, line);) lines.push_back(offsets ? line : line.substr(10));
    return lines;
}

// Every command of the bench: the vocabulary's bytes it starts with (empty if none), its bytes
// written out, its meaning.
using Row = std::tuple<std::string, const char*, std::vector<std::string>>;
using M = p::BlackMark;
std::string mark(M move, bool usb) { return hex(p::blackMark(move, usb)); }
const std::vector<Row> kCommands = {
    {hex(p::AutoStatusBackOn), "1D 61 01", {"GS a 1: automatic status back on"}},
    {hex(p::DensityPrefix), "1D 28 4B 02 00 31 FB", {"GS ( K 49 m=-5: print density -5"}},
    {hex(p::DensityPrefix), "1D 28 4B 02 00 31 05", {"GS ( K 49 m=5: print density +5"}},
    {hex(p::FullCut), "1B 69", {"ESC i: full cut"}}, {hex(p::PartialCut), "1B 6D", {"ESC m: partial cut"}},
    {mark(M::Forward, false), "1A 62 01", {"SUB \"b\" 1: black mark forward: feed to the next mark"}},
    {mark(M::Forward, true), "1A 62 31", {"SUB \"b\" \"1\": black mark forward: feed to the next mark"}},
    {mark(M::OutForward, false), "1A 62 00", {"SUB \"b\" 0: black mark out forward: feed from the mark to the cut position"}},
    {mark(M::Reverse, false), "1A 62 03", {"SUB \"b\" 3: black mark reverse: back to the mark"}},
    {mark(M::Reverse, true), "1A 62 33", {"SUB \"b\" \"3\": black mark reverse: back to the mark"}},
    {mark(M::OutReverse, false), "1A 62 02", {"SUB \"b\" 2: black mark out reverse: back from the cut position to the mark"}},
    {mark(M::OutReverse, true), "1A 62 32", {"SUB \"b\" \"2\": black mark out reverse: back from the cut position to the mark"}},
    {hex(p::PrintAndFeed), "1B 4A FF 1B 4A 01", {"ESC J 255: print and feed 255 dots", "ESC J 1: print and feed 1 dot"}},
    {hex(p::PrintAndFeed127), "1B 4A 7F", {"ESC J 127: print and feed 127 dots"}},
    {hex(p::StatusRequest), "10 04 02", {"DLE EOT 2: send the offline status"}},
    {hex(p::Recover), "10 05 02", {"DLE ENQ 2: recover from an error, clearing the buffers"}},
    {hex(p::PrinterIdQuery), "1D 49 01 1D 49 02 1D 49 03 1D 49 31 1D 49 33",
     {"GS I 1: transmit the printer ID (model)", "GS I 2: transmit the printer ID (type)",
      "GS I 3: transmit the printer ID (ROM version)", "GS I 49: transmit the printer ID (model)",
      "GS I 51: transmit the printer ID (ROM version)"}},
    {hex(p::PrinterIdQuery), "1D 49 41 1D 49 42 1D 49 43 1D 49 44 1D 49 45 1D 49 04",
     {"GS I 65: transmit the firmware version", "GS I 66: transmit the maker name", "GS I 67: transmit the model name",
      "GS I 68: transmit the serial number", "GS I 69: transmit the fonts",
      "GS I 4: printer ID request of an unknown kind (ignored)"}},
    {{}, "41 42 43 0D 0A", {"text (3 characters): \"ABC\"", "CR: carriage return (lines end at LF)", "LF: print and line feed"}},
    {hex(p::LineFeed), "0A", {"LF: print and line feed"}},
    {{}, "C7 D1 B1 DB 0A", {"text (2 characters): \"한글\"", "LF: print and line feed"}},
    {hex(p::LineSpacing24), "1B 33 18", {"ESC 3 24: line spacing 24 dots"}},
    {hex(p::LineSpacing32), "1B 33 20", {"ESC 3 32: line spacing 32 dots"}},
    {hex(p::LineSpacingPrefix), "1B 33 32", {"ESC 3 50: line spacing 50 dots"}},
    {hex(p::DefaultLineSpacing), "1B 32", {"ESC 2: default line spacing (32 dots)"}},
    {hex(p::PatternLine1), "1A 31", {"SUB \"1\": address pattern line 1"}},
    {hex(p::PatternLine2), "1A 32", {"SUB \"2\": address pattern line 2"}},
    {hex(p::PatternClear), "1A 43", {"SUB \"C\": clear the addressed pattern line"}},
    {hex(p::PatternRun) + " " + hex(p::runPositions(432, 456)), "1A 57 B0 01 C8 01",
     {"SUB \"W\" 432-456: pattern run from dot 432 to dot 456"}},
    {hex(p::PatternStart), "1A 4F", {"SUB \"O\": start printing pattern lines"}},
    {hex(p::PatternFinish), "1A 46", {"SUB \"F\": finish printing pattern lines"}},
    {hex(p::BoxTableOnDigit), "1A 78 31 B3 C5", {"SUB \"x\" \"1\": box-drawing table on", "text (2 characters): \"│┼\""}},
    {hex(p::BoxTableOff), "1A 78 00", {"SUB \"x\" 0: box-drawing table off"}},
    {hex(p::KanjiOff), "1C 2E DA C2 BF", {"FS .: double-byte characters off", "text (3 characters): \"┌┬┐\""}},
    {hex(p::BoxTableOn), "1A 78 01 C3 C5 B4", {"SUB \"x\" 1: box-drawing table on", "text (3 characters): \"├┼┤\""}},
    {hex(p::PageMode), "1B 4C", {"ESC L: select page mode"}},
    {hex(p::PageDirectionLeftToRight), "1B 54 00", {"ESC T 0: page print direction, left to right from the upper left"}},
    {hex(p::PageArea) + " " + hex(p::LogoPageArea), "1B 57 00 00 00 00 AF 01 08 02",
     {"ESC W x=0 y=0 width=431 height=520: page mode print area"}},
    {hex(p::BitImage24), "1B 2A 21 02 00 A0 00 00 80 00 00", {"ESC * 33 n=2: 24-dot double-density band"}},
    {hex(p::PrintPage), "1B 0C", {"ESC FF: print the page"}}, {hex(p::StandardMode), "1B 53", {"ESC S: select standard mode"}},
    {{}, "1D 56 41 05 1B 69", {"GS V 65: full cut", "ESC i: full cut"}},
    {{}, "1D 56 31 1B 69", {"GS V 49: partial cut", "ESC i: full cut"}},
    {{}, "1D 56 42 05 41", {"GS V 66: partial cut", "text (1 character): \"A\""}},
    {{}, "1D 68 A2 1D 77 03 1D 48 02 1D 48 31 1D 66 01",
     {"GS h 162 (barcode height)", "GS w 3 (barcode module width)", "GS H 2 (HRI characters below the barcode)",
      "GS H 49 (HRI characters above the barcode)", "GS f 1 (HRI characters in font B)"}},
    {{}, "1D 6B 02 34 39 30 31 32 33 34 35 36 37 38 39 00 1D 6B 49 0B 7B 42 4E 6F 2E 20 7B 43 01 00 2D",
     {"GS k EAN-13 (form A, 12 bytes) 490123456789", "GS k CODE128 (form B, 11 bytes) {BNo. {C\\x01\\x00-"}},
    {{}, "1D 6B 4E 04 28 30 31 29 1D 6B 4C 00",
     {"GS k GS1 DataBar Expanded (form B, 4 bytes) (01)", "GS k GS1 DataBar Truncated (form B, 0 bytes) "}},
    {{}, "1D 28 6B 04 00 31 41 32 00 1D 28 6B 03 00 31 43 08 1D 28 6B 03 00 31 45 33 1D 28 6B 06 00 31 50 30 41 00 43 "
         "1D 28 6B 03 00 31 51 30",
     {"GS ( k QR model 2", "GS ( k QR module size 8 dots", "GS ( k QR error correction H", "GS ( k QR store 3 bytes",
      "GS ( k QR print"}},
    {{}, "1D 28 6B 03 00 30 41 00 1D 28 6B 03 00 30 42 05 1D 28 6B 03 00 30 43 02 1D 28 6B 03 00 30 44 04 "
         "1D 28 6B 04 00 30 45 30 33 1D 28 6B 03 00 30 46 01 1D 28 6B 04 00 30 50 30 58 1D 28 6B 03 00 30 51 30",
     {"GS ( k PDF417 columns automatic", "GS ( k PDF417 rows 5", "GS ( k PDF417 module width 2 dots",
      "GS ( k PDF417 row height 4 times the module width", "GS ( k PDF417 error correction level 3",
      "GS ( k PDF417 truncated", "GS ( k PDF417 store 1 byte", "GS ( k PDF417 print"}},
    // ESC @ turns double-byte mode on again; then a lead byte whose next byte cannot complete
    // it, and one followed by a byte below the trail range: single characters.
    {hex(p::Initialize), "1B 40 B0 0A B0 40 0A",
     {"ESC @: initialise the printer", "text (1 character): \"░\"", "LF: print and line feed",
      "text (2 characters): \"░@\"", "LF: print and line feed"}},
    // In double-byte mode lead bytes still pair up as CP949 under ESC t; ESC @ goes back to table 0.
    {hex(p::SelectCodeTable), "1B 74 10 80 B0 A1 1C 2E B0 A1 1B 74 07 80 1B 40 80 0A",
     {"ESC t 16: character code table WPC1252", "text (2 characters): \"€가\"", "FS .: double-byte characters off",
      "text (2 characters): \"°¡\"", "ESC t 7: character code table 7 (not offered; read as PC437)",
      "text (1 character): \"Ç\"", "ESC @: initialise the printer", "text (1 character): \"Ç\"", "LF: print and line feed"}},
    {hex(p::RasterImage), "1D 76 30 00 02 00 03 00 FF C0 80 40 AA 80 1D 76 30 33 01 00 01 00 80",
     {"GS v 0 m=0: raster image 16 x 3 dots", "GS v 0 m=51: raster image 8 x 1 dot, double width and height"}},
    {hex(p::GraphicsPrefix), "1D 28 4C 10 00 30 70 30 01 01 31 0A 00 03 00 FF C0 80 40 AA 80",
     {"GS ( L fn 112: store graphics 10 x 3 dots"}},
    {hex(p::GraphicsPrint), "1D 28 4C 02 00 30 32", {"GS ( L fn 50: print the graphics in the print buffer"}},
    {hex(p::GraphicsPrefix), "1D 28 4C 02 00 30 30 1D 28 4C 06 00 30 45 20 20 01 01 1D 28 4C 0B 00 30 70 30 03 01 31 08 00 01 00 FF",
     {"GS ( L fn 48: transmit the NV graphics capacity (not done here, ignored)",
      "GS ( L fn 69: graphics function of 4 bytes (not done here, ignored)",
      "GS ( L fn 112: store graphics (9 bytes; not a monochrome raster this printer takes, ignored)"}},
    {{}, "1D 38 4C 10 00 00 00 30 70 30 02 02 31 0A 00 03 00 FF C0 80 40 AA 80",
     {"GS 8 L fn 112: store graphics 10 x 3 dots, scaled 2 x 2"}},
};

TEST(Decoder, NamesEveryCommandOfTheVocabularyWholeAndCutAnywhereBetweenReads)
{
    std::string stream;
    std::vector<std::string> lines;
    for (const auto& [named, bytes, rowLines] : kCommands) {
        SCOPED_TRACE(bytes);
        EXPECT_TRUE((std::string(bytes) + " ").starts_with(named.empty() ? "" : named + " "));
        EXPECT_EQ(decode(unhex(bytes)), rowLines);
        stream += std::string(bytes) + " ";
        lines.insert(lines.end(), rowLines.begin(), rowLines.end());
    }
    const Bytes all = unhex(stream);
    std::uint64_t unknown = 99;
    ASSERT_EQ(decode(all, {}, &unknown), lines);
    EXPECT_EQ(unknown, 0u);
    const auto whole = decode(all, {}, nullptr, true);
    for (std::size_t cut = 1; cut < all.size(); ++cut) ASSERT_EQ(decode(all, {cut}, nullptr, true), whole) << cut;
    std::vector<std::size_t> everyByte(all.size() - 1);
    std::iota(everyByte.begin(), everyByte.end(), 1);
    EXPECT_EQ(decode(all, everyByte, nullptr, true), whole);
}

TEST(Decoder, ReportsWhatItDoesNotUnderstandAndSkipsNothing)
{
    // A bell, ESC q, a GS ( command of another function (skipped by its length), a lead byte
    // without a trail byte, GS k of an unknown m, and a bit image cut off by the end of the input.
    std::uint64_t unknown = 0;
    EXPECT_EQ(decode(unhex("07 1B 71 1D 28 41 02 00 30 31 42 B0 0A 1D 6B 07 41 1B 2A 21 10 00 A0"), {}, &unknown, true),
              (std::vector<std::string>{"00000000  unknown: 07", "00000001  unknown: 1B 71",
                                        "00000003  unknown: 1D 28 41 02 00 30 31", "0000000A  text (2 characters): \"B░\"",
                                        "0000000C  LF: print and line feed", "0000000D  unknown: 1D 6B 07",
                                        "00000010  text (1 character): \"A\"",
                                        "00000011  incomplete at the end of the input: 1B 2A 21 10 00 A0"}));
    EXPECT_EQ(unknown, 5u);
    // Form A without its NUL: cut short at the end, and after 255 data bytes GS k m alone.
    EXPECT_EQ(decode(unhex("1D 6B 04 41 42")), (std::vector<std::string>{"incomplete at the end of the input: 1D 6B 04 41 42"}));
    std::string noNul = "1D 6B 04";
    for (int i = 0; i < 255; ++i) noNul += " 41";
    // A raster image or graphics cut short by the end of the input; graphics beyond what is kept go by.
    EXPECT_EQ(decode(unhex("1D 76 30 00 02 00 03 00 FF C0 80")),
              (std::vector<std::string>{"GS v 0 m=0: raster image 16 x 3 dots", "incomplete at the end of the input, 3 bytes short: 80"}));
    EXPECT_EQ(decode(unhex("1D 76 31 1D 38 4B")), (std::vector<std::string>{"unknown: 1D 76", "text (1 character): \"1\"", "unknown: 1D 38", "text (1 character): \"K\""}));
    EXPECT_EQ(decode(unhex("1D 76 30 00 02")), (std::vector<std::string>{"incomplete at the end of the input: 1D 76 30 00 02"}));
    Bytes huge = unhex("1D 38 4C 02 00 20 00 30 70");
    huge.resize(huge.size() + 0x200000);
    huge.push_back('A');
    EXPECT_EQ(decode(huge, {5, 100, 4096, 0x100000}),
              (std::vector<std::string>{"GS 8 L fn 112: store graphics (more than 1048576 bytes, not kept; not a monochrome raster this printer takes, ignored)",
                                        "text (1 character): \"A\""}));
    EXPECT_EQ(decode(unhex(noNul + " 00")),
              (std::vector<std::string>{"unknown: 1D 6B 04", "text (255 characters): \"" + std::string(255, 'A') + "\"", "unknown: 00"}));
}

} // namespace
