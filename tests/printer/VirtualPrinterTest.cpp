#include "printer/Characters.h"
#include "printer/Decoder.h"
#include "printer/VirtualPrinter.h"
#include "support/Recorder.h"
#include "support/Streams.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <iconv.h>

#include <cstring>

namespace {

using namespace printbench::printer;
using Bytes = std::vector<std::uint8_t>;
using testing::ElementsAre;
using testing::Field;

// The printer fed through the decoder, keeping its replies and pages.
struct Printer : PrinterOutput {
    explicit Printer(const std::string& hex = "", GlyphSource* glyphs = nullptr) : font(glyphs) { send(hex); }
    void reply(std::uint8_t status) override { replies.push_back(status); }
    void note(const std::string& text) override { notes.push_back(text); }
    void page(const Page& p) override { pages.push_back(p); }
    void send(const std::string& hex) { decoder.feed(printbench::testkit::unhex(hex), printer); }
    // One row of the last page as text: '#' for a dot, '.' for blank paper.
    std::string row(int y, int from, int to) const
    {
        std::string s;
        for (int x = from; x < to; ++x) s += pages.back().at(x, y) ? '#' : '.';
        return s;
    }
    Bytes replies;
    std::vector<Page> pages;
    std::vector<std::string> notes;
    GlyphSource* font = nullptr;
    VirtualPrinter printer{432, *this, font, {.model = "KR-420", .serial = "PB-0042"}};
    Decoder decoder;
};

TEST(VirtualPrinterStatus, EachConditionAnswersItsByteOnlyAnErrorRecoversAndGsA1SendsChanges)
{
    // What the user types, its status byte, and the byte after DLE ENQ 2.
    const std::vector<std::tuple<const char*, std::uint8_t, std::uint8_t>> cases{
        {"ok", 0x12, 0x12},    {"paper-end", 0x32, 0x32},   {"cover-open", 0x04, 0x04},
        {"error", 0x52, 0x12}, {"status 0x05", 0x05, 0x05}, {" status 255 ", 0xFF, 0xFF}};
    for (const auto& [typed, status, afterRecovery] : cases) {
        SCOPED_TRACE(typed);
        Printer p;
        ASSERT_EQ(conditionByte(typed), status);
        p.printer.setStatus(status);
        p.send("10 04 02 10 05 02 10 04 02");
        EXPECT_EQ(p.replies, (Bytes{status, afterRecovery}));
    }
    for (const char* wrong : {"status 0x100", "status", "status 0xZZ", "paper end", "okay"}) {
        SCOPED_TRACE(wrong);
        EXPECT_EQ(conditionByte(wrong), std::nullopt);
    }

    // DLE EOT 1 to 4 answer the status byte; other values of n answer nothing. Changes are sent
    // unasked only after GS a 1, which sends the current status at once.
    Printer p;
    p.printer.setStatus(status::PaperEnd);
    p.send("10 04 01 10 04 03 10 04 04 10 04 00 10 04 05");
    p.printer.setStatus(status::Ok);
    p.send("1D 61 01");
    for (const std::uint8_t condition : {status::PaperEnd, status::PaperEnd, status::Error}) p.printer.setStatus(condition);
    p.send("10 05 02 1D 61 00");  // the error recovers
    p.printer.setStatus(status::CoverOpen);
    EXPECT_EQ(p.replies, (Bytes{0x32, 0x32, 0x32, 0x12, 0x32, 0x52, 0x12}));
}

// GS I is answered online and offline, as DLE EOT is; its n is never printed.
TEST(VirtualPrinterStatus, GsIAnswersTheIdByteOrTextBlockOfEachKindAndNothingForOthers)
{
    const std::vector<std::tuple<std::uint8_t, const char*, const char*>> cases{
        {status::Ok, "1D 49 01 1D 49 02 1D 49 03", "20 02 10"},
        {status::Ok, "1D 49 31 1D 49 32 1D 49 33", "20 02 10"},
        {status::Ok, "1D 49 41", "5F 31 2E 30 30 00"},
        {status::Ok, "1D 49 42", "5F 50 72 69 6E 74 42 65 6E 63 68 00"},
        {status::Ok, "1D 49 43", "5F 4B 52 2D 34 32 30 00"},
        {status::Ok, "1D 49 44", "5F 50 42 2D 30 30 34 32 00"},
        {status::Ok, "1D 49 45", "5F 46 4F 4E 54 20 41 2C 20 46 4F 4E 54 20 42 00"},
        {status::Ok, "1D 49 00 1D 49 04 1D 49 30 1D 49 34 1D 49 40 1D 49 46", ""},
        {status::CoverOpen, "1D 49 01 1D 49 44", "20 5F 50 42 2D 30 30 34 32 00"},
        {status::PaperEnd, "1D 49 33 10 04 02 1D 49 41", "10 32 5F 31 2E 30 30 00"},
    };
    for (const auto& [condition, sent, answer] : cases) {
        SCOPED_TRACE(sent);
        Printer p;
        p.printer.setStatus(condition);
        p.send(sent);
        EXPECT_EQ(printbench::testkit::hex(p.replies), answer);
        p.printer.setStatus(status::Ok);
        p.send("1B 69");
        EXPECT_TRUE(p.pages.empty());
    }
}

TEST(VirtualPrinterStatus, OfflineItPrintsNothingUntilTheFaultIsCleared)
{
    // DLE ENQ 2 clears what waits in the line (its LF feeds blank paper, which the cut still
    // hands over), and offline what arrives is lost: then one page of one line at the default spacing.
    Printer p{"41 42 10 05 02 0A 1B 69"};
    p.printer.setStatus(status::CoverOpen);
    p.send("41 42 0A 1B 69");
    p.printer.setStatus(status::Ok);
    p.send("41 42 0A 1B 69");
    ASSERT_THAT(p.pages, ElementsAre(Field(&Page::height, 32), testing::AllOf(Field(&Page::height, 32), Field(&Page::end, Page::End::FullCut))));
    EXPECT_EQ(p.pages[0].dots.dots, std::vector<std::uint8_t>(p.pages[0].dots.dots.size(), 0));
    EXPECT_LT(std::size_t(std::ranges::count(p.pages[1].dots.dots, 0)), p.pages[1].dots.dots.size());  // the second has the line
}

// The 10 x 3 logo as PrintBench sends it; its bitmap rows (a 0 bit black) were 0F 3F, F0 7F, 55 BF.
TEST(VirtualPrinterRendering, ALogoInPageModeLandsDotForDot)
{
    Printer p{printbench::testkit::kTenByThreeStream};
    ASSERT_THAT(p.pages, ElementsAre(Field(&Page::height, 520 + 127)));
    EXPECT_EQ(p.row(0, 0, 16) + " " + p.row(1, 0, 16) + " " + p.row(2, 0, 16),
              "####....##...... ....#####....... #.#.#.#..#......");
    for (int y = 3; y < 24; ++y) EXPECT_EQ(p.row(y, 0, 432), std::string(432, '.'));
}

// Rows of box-drawing cells: a horizontal line through the middle of every cell row, across
// the whole grid, and the columns' lines joined from the top row to the bottom one.
TEST(VirtualPrinterRendering, TheTileGridPrintsElevenRowsOfJoinedCells)
{
    const auto cells = [](const char* left, const char* inner, const char* right) {
        std::string s = left;
        for (int i = 0; i < 34; ++i) s += inner;
        return s + right + " 0A ";
    };
    std::string grid = "1D 61 01 1D 28 4B 02 00 31 00 1A 78 01 1C 2E 1B 33 18 " + cells("DA", " C2", " BF");
    for (int r = 0; r < 9; ++r) grid += cells("C3", " C5", " B4");
    Printer p{grid + cells("C0", " C1", " D9") + "0A 10 04 02 1B 33 20 1A 78 00 1B 69"};
    ASSERT_THAT(p.pages, ElementsAre(Field(&Page::height, 12 * 24)));
    int lines = 0;
    for (int y = 0; y < 12 * 24; ++y) lines += p.row(y, 5, 427) == std::string(422, '#');
    EXPECT_EQ(lines, 11 * 2);  // 2 dots thick
    EXPECT_EQ(p.row(11, 0, 30), ".....#########################");
    EXPECT_EQ(p.row(10, 0, 432) + p.row(10 * 24 + 13, 0, 432), std::string(2 * 432, '.'));  // nothing above or below
    for (int x = 5; x < 432; x += 12)
        for (int y = 11; y <= 10 * 24 + 12; ++y) ASSERT_TRUE(p.pages[0].at(x, y)) << "dot " << x << " row " << y;
}

TEST(VirtualPrinterRendering, PatternLinesPrintAcrossTheLineHeightAfterSubO)
{
    // Line 1 from dot 0 to 24 and 48 to 72, line 2 from 24 to 48; one pair printed.
    Printer p{"1A 31 1A 43 1A 32 1A 43 1B 33 18 1A 31 1A 57 00 00 18 00 1A 57 30 00 48 00 1A 32 1A 57 18 00 30 00 "
              "0A 1A 4F 1A 31 0A 1A 32 0A 1A 43 1A 46 1B 32 1B 69"};
    ASSERT_THAT(p.pages, ElementsAre(Field(&Page::height, 3 * 24)));
    EXPECT_EQ(p.row(0, 0, 80), std::string(80, '.'));  // the LF before SUB "O" only feeds
    const std::string line1 = std::string(25, '#') + std::string(23, '.') + std::string(25, '#') + std::string(7, '.');
    const std::string line2 = std::string(24, '.') + std::string(25, '#') + std::string(31, '.');
    for (int y = 24; y < 72; ++y) EXPECT_EQ(p.row(y, 0, 80), y < 48 ? line1 : line2) << "row " << y;
}

TEST(VirtualPrinterRendering, DensityDarkensTheDotsAndBlackMarksShowWhereTheyStop)
{
    Printer p{"1D 28 4B 02 00 31 FB 1B 2A 21 01 00 80 00 00 0A 1D 28 4B 02 00 31 05 1B 2A 21 01 00 80 00 00 0A "
              "1A 62 31 1A 62 00 1B 69 1B 69"};
    ASSERT_THAT(p.pages, ElementsAre(Field(&Page::height, 64 + 8 + 24)));  // a cut of blank paper writes none
    EXPECT_EQ(p.pages[0].at(0, 0), 1);    // -5: the lightest
    EXPECT_EQ(p.pages[0].at(0, 32), 11);  // +5: the darkest
    EXPECT_EQ(p.row(64, 0, 432) + p.row(71, 0, 432), std::string(2 * 432, '#'));  // the mark, 8 rows

    // ESC * 32, single density: each column 2 dots wide, 24 dots high.
    Printer single{"1B 2A 20 02 00 80 00 01 00 00 00 0A 1B 69"};
    EXPECT_EQ(single.row(0, 0, 6) + " " + single.row(23, 0, 6), "##.... ##....");
}

// Codes 80 to FF of each table ESC t offers read as iconv reads them in the table's character set.
TEST(CodeTables, EachTableReadsItsUpperHalfInItsCharacterSet)
{
    const std::vector<std::pair<std::uint8_t, const char*>> tables{{0, "CP437"},   {2, "CP850"},  {3, "CP860"},
                                                                   {4, "CP863"},   {5, "CP865"},  {16, "CP1252"},
                                                                   {17, "CP866"},  {18, "CP852"}, {19, "CP858"}};
    for (const auto& [n, charset] : tables) {
        iconv_t cd = iconv_open("UTF-32LE", charset);
        ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1)) << charset;
        for (unsigned code = 0x80; code <= 0xFF; ++code) {
            char in = char(code), *from = &in, out[4], *to = out;
            std::size_t inLeft = 1, outLeft = 4;
            const bool ok = iconv(cd, &from, &inLeft, &to, &outLeft) == 0;
            char32_t expected = U'\uFFFD';
            if (ok) std::memcpy(&expected, out, 4);
            EXPECT_EQ(unicodeOf(code, n), expected) << charset << " code " << code;
        }
        iconv_close(cd);
    }
    // Katakana: the half-width katakana A1 (U+FF61) to DF (U+FF9F) alone.
    for (unsigned code = 0x80; code <= 0xFF; ++code)
        EXPECT_EQ(unicodeOf(code, 1), code >= 0xA1 && code <= 0xDF ? char32_t(0xFF61 + code - 0xA1) : U'\uFFFD') << code;
    EXPECT_EQ(std::u32string({unicodeOf(0x80, 16), unicodeOf(0xD5, 19), unicodeOf(0x80, 17), unicodeOf(0x80, 7), unicodeOf(0xB0A1, 16)}),
              U"€€АÇ가");  // a table not offered reads as PC437; double-byte codes as CP949
}

// The characters the printer asks its font for: by table, each once; box-drawing bytes of
// SUB "x" 1 and codes without a character never.
TEST(VirtualPrinterRendering, CodesDrawTheGlyphOfTheirTable)
{
    struct Recording : GlyphSource {
        std::u32string asked;
        bool draw(char32_t character, int, std::vector<std::uint8_t>& mask) override
        {
            asked += character;
            std::fill(mask.begin(), mask.end(), std::uint8_t{1});
            return true;
        }
    } font;
    Printer p{"1B 74 10 80 1B 74 00 80 1B 74 10 80 1C 2E 1A 78 01 C4 1A 78 00 C4 1B 74 01 B1 80 1B 74 07 80 0A 1B 69", &font};
    EXPECT_EQ(font.asked, U"€ÇÄｱ");
    EXPECT_EQ(p.notes, std::vector<std::string>{"ESC t 7: no character code table 7 here; codes 80 to FF print as in PC437 (table 0)"});
    // Last cell row: € Ç € full, the box line none, Ä ｱ full, the missing-glyph box none, Ç full.
    EXPECT_EQ(p.row(23, 0, 96), std::string(36, '#') + std::string(12, '.') + std::string(24, '#') + std::string(12, '.') +
                                     std::string(12, '#'));
}

// The rows' bytes (16 dots a row; GS ( L keeps the first 10) land at the left, inked at the
// density's ink, and the paper moves by their height.
TEST(VirtualPrinterRendering, RasterImagesAndStoredGraphicsLandDotForDot)
{
    const std::string rows = "FF FF 80 40 AA 81";
    const std::vector<std::tuple<std::string, int, std::vector<std::string>>> cases{
        {"1D 76 30 00 02 00 03 00 " + rows, 0, {"################", "#........#......", "#.#.#.#.#......#"}},
        {"1D 28 4C 10 00 30 70 30 01 01 31 0A 00 03 00 " + rows + " 1D 28 4C 02 00 30 32", 0,
         {"##########......", "#........#......", "#.#.#.#.#......."}},
        {"1B 33 18 0A 1D 38 4C 10 00 00 00 30 70 30 01 01 31 0A 00 03 00 " + rows + " 1D 28 4C 02 00 30 32", 24,
         {"##########......", "#........#......", "#.#.#.#.#......."}},
        {"1D 76 30 33 01 00 01 00 A0", 0, {"##..##..........", "##..##.........."}},
    };
    for (const auto& [bytes, top, dots] : cases) {
        SCOPED_TRACE(bytes);
        Printer p{bytes + " 1B 69"};
        ASSERT_THAT(p.pages, ElementsAre(Field(&Page::height, top + int(dots.size()))));
        std::size_t inked = 0;
        for (int y = 0; y < int(dots.size()); ++y) {
            EXPECT_EQ(p.row(top + y, 0, 16), dots[std::size_t(y)]);
            inked += std::size_t(std::ranges::count(dots[std::size_t(y)], '#'));
        }
        EXPECT_EQ(std::size_t(std::ranges::count(p.pages[0].dots.dots, 6)), inked);  // density 0, nothing else
    }
    // Wider than the paper: the part beyond it falls off.
    std::string wide = "1D 76 30 00 38 00 01 00";
    for (int i = 0; i < 56; ++i) wide += " FF";
    EXPECT_EQ(Printer(wide + " 1B 69").row(0, 0, 432), std::string(432, '#'));
}

// Page mode: GS v 0 at the print position; GS ( L printing, and GS v 0 after text on the line in
// standard mode, print nothing and say why.
TEST(VirtualPrinterRendering, RasterImagesInPageModeAndAfterText)
{
    Printer page{"1B 4C 41 1D 76 30 00 01 00 01 00 F0 1B 0C 1B 53 1B 69"};
    EXPECT_EQ(page.row(0, 0, 24), "............####........");
    Printer refused{"1D 28 4C 10 00 30 70 30 01 01 31 0A 00 03 00 FF FF 80 40 AA 81 1B 4C 1D 28 4C 02 00 30 32 1B 53 41 "
                    "1D 76 30 00 01 00 01 00 F0 1D 28 4C 02 00 30 32 0A 1D 28 4C 02 00 30 32 1D 28 4C 02 00 30 32"};
    EXPECT_EQ(refused.notes, (std::vector<std::string>{"GS ( L print graphics: ignored in page mode",
                                                       "GS v 0 raster image of 8 x 1 dots not printed: the line holds data (send LF first)",
                                                       "GS ( L print graphics: not printed, the line holds data (send LF first)",
                                                       "GS ( L print graphics: no graphics in the print buffer"}));
}

} // namespace
