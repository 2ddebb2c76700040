// The virtual printer's behaviour: status bytes and faults, automatic status back, and what it
// prints for PrintBench's streams.

#include "printer/Decoder.h"
#include "printer/VirtualPrinter.h"
#include "support/Recorder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

namespace {

using namespace printbench::printer;
using Bytes = std::vector<std::uint8_t>;

struct Kept : PrinterOutput {
    void reply(std::uint8_t status) override { replies.push_back(status); }
    void page(const Page& p) override { pages.push_back(p); }
    Bytes replies;
    std::vector<Page> pages;
};

struct Printer {
    explicit Printer(int width = 432) : printer(width, out) {}
    void send(const std::string& hex)
    {
        const Bytes b = printbench::testkit::unhex(hex);
        decoder.feed(b, printer);
    }
    void send(const Bytes& b) { decoder.feed(b, printer); }
    // One row of the last page as text: '#' for a dot, '.' for blank paper.
    std::string row(int y, int from, int to) const
    {
        std::string s;
        for (int x = from; x < to; ++x) s += out.pages.back().at(x, y) ? '#' : '.';
        return s;
    }
    Kept out;
    VirtualPrinter printer;
    Decoder decoder;
};

TEST(VirtualPrinterStatus, EachConditionAnswersItsByteAndOnlyAnErrorRecovers)
{
    struct Case {
        const char* typed;
        std::uint8_t status;
        std::uint8_t afterRecovery;
    };
    for (const Case& c : {Case{"ok", 0x12, 0x12}, Case{"paper-end", 0x32, 0x32}, Case{"cover-open", 0x04, 0x04},
                          Case{"error", 0x52, 0x12}, Case{"status 0x05", 0x05, 0x05}, Case{" status 255 ", 0xFF, 0xFF}}) {
        Printer p;
        ASSERT_EQ(conditionByte(c.typed), c.status) << c.typed;
        p.printer.setStatus(c.status);
        p.send("10 04 02 10 05 02 10 04 02");
        EXPECT_EQ(p.out.replies, (Bytes{c.status, c.afterRecovery})) << c.typed;
    }
    for (const char* wrong : {"status 0x100", "status", "status 0xZZ", "paper end", "okay"})
        EXPECT_EQ(conditionByte(wrong), std::nullopt) << wrong;

    // DLE EOT 1 to 4 answer the status byte; other values of n answer nothing.
    Printer p;
    p.printer.setStatus(status::PaperEnd);
    p.send("10 04 01 10 04 04 10 04 00 10 04 05");
    EXPECT_EQ(p.out.replies, (Bytes{0x32, 0x32}));
}

TEST(VirtualPrinterStatus, SendsChangesUnaskedOnlyAfterGsA1)
{
    Printer p;
    p.printer.setStatus(status::PaperEnd);
    p.printer.setStatus(status::Ok);
    EXPECT_THAT(p.out.replies, testing::IsEmpty());

    p.send("1D 61 01");  // the current status at once, then every change
    p.printer.setStatus(status::PaperEnd);
    p.printer.setStatus(status::PaperEnd);
    p.printer.setStatus(status::Error);
    p.send("10 05 02");  // the error recovers
    EXPECT_EQ(p.out.replies, (Bytes{0x12, 0x32, 0x52, 0x12}));

    p.send("1D 61 00");
    p.printer.setStatus(status::CoverOpen);
    EXPECT_EQ(p.out.replies.size(), 4u);
}

TEST(VirtualPrinterStatus, OfflineItPrintsNothingUntilTheFaultIsCleared)
{
    // DLE ENQ 2 clears what waits in the line: nothing is left to print.
    Printer cleared;
    cleared.send("41 42 10 05 02 0A 1B 69");
    EXPECT_THAT(cleared.out.pages, testing::IsEmpty());

    Printer p;
    p.printer.setStatus(status::CoverOpen);
    p.send("41 42 0A 1B 69");
    EXPECT_THAT(p.out.pages, testing::IsEmpty());
    p.printer.setStatus(status::Ok);
    p.send("41 42 0A 1B 69");
    ASSERT_EQ(p.out.pages.size(), 1u);
    EXPECT_EQ(p.out.pages[0].end, Page::End::FullCut);
    EXPECT_EQ(p.out.pages[0].height, 32);  // one line at the default spacing
}

// The 10 x 3 logo as PrintBench sends it: its bitmap rows, a 0 bit black, were 0F 3F, F0 7F,
// 55 BF.
TEST(VirtualPrinterRendering, ALogoInPageModeLandsDotForDot)
{
    Printer p;
    p.send("1B 33 18 1B 4C 1B 54 00 1B 57 00 00 00 00 AF 01 08 02 1B 2A 21 10 00 "
           "A0 00 00 80 00 00 A0 00 00 80 00 00 60 00 00 40 00 00 60 00 00 40 00 00 C0 00 00 "
           "A0 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 0A "
           "1B 0C 1B 53 1B 4A 7F 1B 69 10 05 02");
    ASSERT_EQ(p.out.pages.size(), 1u);
    EXPECT_EQ(p.out.pages[0].height, 520 + 127);
    EXPECT_EQ(p.row(0, 0, 16), "####....##......");
    EXPECT_EQ(p.row(1, 0, 16), "....#####.......");
    EXPECT_EQ(p.row(2, 0, 16), "#.#.#.#..#......");
    for (int y = 3; y < 24; ++y) EXPECT_EQ(p.row(y, 0, 432), std::string(432, '.'));
}

// Rows of box-drawing cells: a horizontal line through the middle of every cell row, across
// the whole grid, and the columns' lines joined from the top row to the bottom one.
TEST(VirtualPrinterRendering, TheTileGridPrintsElevenRowsOfJoinedCells)
{
    Printer p(432);
    std::string grid = "1D 61 01 1D 28 4B 02 00 31 00 1A 78 01 1C 2E 1B 33 18 DA";
    for (int i = 0; i < 34; ++i) grid += " C2";
    grid += " BF 0A";
    for (int r = 0; r < 9; ++r) {
        grid += " C3";
        for (int i = 0; i < 34; ++i) grid += " C5";
        grid += " B4 0A";
    }
    grid += " C0";
    for (int i = 0; i < 34; ++i) grid += " C1";
    grid += " D9 0A 0A 10 04 02 1B 33 20 1A 78 00 1B 69";
    p.send(grid);
    ASSERT_EQ(p.out.pages.size(), 1u);
    const Page& page = p.out.pages[0];
    EXPECT_EQ(page.height, 12 * 24);

    int lines = 0;
    for (int y = 0; y < page.height; ++y) lines += p.row(y, 5, 427) == std::string(422, '#');
    EXPECT_EQ(lines, 11 * 2);  // 2 dots thick
    EXPECT_EQ(p.row(11, 0, 30), ".....#########################");
    for (int column = 0; column <= 35; ++column) {
        const int x = column * 12 + 5;
        for (int y = 11; y <= 10 * 24 + 12; ++y) ASSERT_TRUE(page.at(x, y)) << "column " << column << " row " << y;
        EXPECT_FALSE(page.at(x, 10)) << "nothing above the top row";
        EXPECT_FALSE(page.at(x, 10 * 24 + 13)) << "nothing below the bottom row";
    }
}

TEST(VirtualPrinterRendering, PatternLinesPrintAcrossTheLineHeightAfterSubO)
{
    Printer p(432);
    // Line 1 from dot 0 to 24 and 48 to 72, line 2 from 24 to 48; one pair printed.
    p.send("1A 31 1A 43 1A 32 1A 43 1B 33 18 1A 31 1A 57 00 00 18 00 1A 57 30 00 48 00 1A 32 1A 57 18 00 30 00 "
           "0A 1A 4F 1A 31 0A 1A 32 0A 1A 43 1A 46 1B 32 1B 69");
    ASSERT_EQ(p.out.pages.size(), 1u);
    EXPECT_EQ(p.out.pages[0].height, 3 * 24);
    EXPECT_EQ(p.row(0, 0, 80), std::string(80, '.'));  // the LF before SUB "O" only feeds
    for (int y = 24; y < 48; ++y) EXPECT_EQ(p.row(y, 0, 80), std::string(25, '#') + std::string(23, '.') + std::string(25, '#') + ".......");
    for (int y = 48; y < 72; ++y) EXPECT_EQ(p.row(y, 0, 80), std::string(24, '.') + std::string(25, '#') + std::string(31, '.'));
}

TEST(VirtualPrinterRendering, DensityDarkensTheDotsAndBlackMarksShowWhereTheyStop)
{
    Printer p(432);
    p.send("1D 28 4B 02 00 31 FB 1B 2A 21 01 00 80 00 00 0A 1D 28 4B 02 00 31 05 1B 2A 21 01 00 80 00 00 0A "
           "1A 62 31 1A 62 00 1B 69 1B 69");
    ASSERT_EQ(p.out.pages.size(), 1u) << "a cut of blank paper writes no receipt";
    const Page& page = p.out.pages[0];
    EXPECT_EQ(page.at(0, 0), 1);      // -5: the lightest
    EXPECT_EQ(page.at(0, 32), 11);    // +5: the darkest
    EXPECT_EQ(p.row(64, 0, 432), std::string(432, '#'));  // the mark, 8 rows
    EXPECT_EQ(p.row(71, 0, 432), std::string(432, '#'));
    EXPECT_EQ(page.height, 64 + 8 + 24);

    // ESC * 32, single density: each column 2 dots wide, 24 dots high.
    Printer single(432);
    single.send("1B 2A 20 02 00 80 00 01 00 00 00 0A 1B 69");
    EXPECT_EQ(single.row(0, 0, 6), "##....");
    EXPECT_EQ(single.row(23, 0, 6), "##....");
}

} // namespace
