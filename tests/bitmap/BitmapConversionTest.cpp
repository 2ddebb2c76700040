#include "bitmap/BitmapConversion.h"

#include "bitmap/BitmapTestFiles.h"
#include "support/Recorder.h"

#include <gtest/gtest.h>

using namespace printbench::bitmap;
using printbench::testkit::hex;
using printbench::testkit::monochromeBmp;

TEST(BitmapGeometry, RowAndColumnBytesAndPadding)
{
    // width, height, RowBytes, RowPad, ColumnBytes, PadRows
    const std::vector<std::array<int, 6>> table{
        {1, 8, 1, 3, 1, 0},   {32, 9, 4, 0, 2, 7},    {33, 1, 5, 3, 1, 7},
        {10, 3, 2, 2, 1, 5},  {300, 24, 38, 2, 3, 0}, {8, 17, 1, 3, 3, 7},
    };
    for (const auto& [w, h, rowBytes, rowPad, columnBytes, padRows] : table) {
        const auto file = monochromeBmp(w, h, std::vector<std::vector<std::uint8_t>>(static_cast<std::size_t>(h)));
        const auto result = logoGeometry(file);
        ASSERT_TRUE(result.geometry) << w << "x" << h << ": " << result.refusal;
        const LogoGeometry& g = *result.geometry;
        EXPECT_EQ(g.RowBytes, rowBytes) << w;
        EXPECT_EQ(g.RowPad, rowPad) << w;
        EXPECT_EQ(g.ColumnBytes, columnBytes) << h;
        EXPECT_EQ(g.PadRows, padRows) << h;
        EXPECT_EQ(g.RowFileBytes, h * rowBytes) << w << "x" << h;
    }
}

TEST(BitmapGeometry, RowFileLengthRoundsHalvesToEven)
{
    // Width 8: RowBytes 1, stride 4, so N = (declared size - 62) / 4 to the nearest, halves even.
    const std::vector<std::pair<std::uint32_t, std::int64_t>> table{{6, 2}, {10, 2}, {14, 4}, {7, 2}, {16, 4}};
    for (const auto& [pixelBytes, n] : table) {
        auto file = monochromeBmp(8, 4, std::vector<std::vector<std::uint8_t>>(4));
        const std::uint32_t declared = 62 + pixelBytes;
        for (int i = 0; i < 4; ++i) file[2 + i] = static_cast<std::uint8_t>(declared >> (8 * i));
        EXPECT_EQ(logoGeometry(file).geometry->RowFileBytes, n) << pixelBytes;
    }
}

TEST(BitmapConversion, TenByThreeWorkedExample)
{
    // Stored rows (top first): distinct bytes so that every offset shows where it went.
    auto file = monochromeBmp(10, 3, {{0x0F, 0x3F}, {0xF0, 0x7F}, {0x55, 0xBF}});
    ASSERT_EQ(file.size(), 74u);
    // Row 0 (top) is stored last, at 70; row 2 first, at 62.
    EXPECT_EQ(hex(std::span(file).subspan(62, 12)), "55 BF 00 00 F0 7F 00 00 0F 3F 00 00");
    const LogoGeometry g = *logoGeometry(file).geometry;
    EXPECT_EQ(g.RowFileBytes, 6);

    const auto rows = WriteRowFile(file, g);
    // The inverted bytes of offsets 70, 71, then 66, 67, then 62, 63.
    EXPECT_EQ(hex(rows), "F0 C0 0F 80 AA 40");

    // Column x: bit 7 row 0, bit 6 row 1, bit 5 row 2 (1 = black), bits 4..0 blank.
    const auto columns = BuildColumnFile(rows, g);
    EXPECT_EQ(hex(columns), "A0 80 A0 80 60 40 60 40 C0 A0");
}

TEST(BitmapConversion, HeightNineLeavesOnlyTheTopBitOfEachColumnsSecondByte)
{
    std::vector<std::vector<std::uint8_t>> rows(9, {0xFF});
    rows[8] = {0x00};  // the bottom row black
    rows[0] = {0x7F};  // the top-left pixel black
    const auto file = monochromeBmp(8, 9, rows);
    const LogoGeometry g = *logoGeometry(file).geometry;
    const auto columns = BuildColumnFile(WriteRowFile(file, g), g);
    EXPECT_EQ(hex(columns), "80 80 00 80 00 80 00 80 00 80 00 80 00 80 00 80");
}

TEST(BitmapConversion, BytesAfterTheDeclaredSizeAreIgnored)
{
    auto file = monochromeBmp(8, 2, {{0x00}, {0xFF}});
    file.insert(file.end(), {0xAA, 0xBB, 0xCC, 0xDD});  // beyond the declared 70 bytes
    const LogoGeometry g = *logoGeometry(file).geometry;
    EXPECT_EQ(hex(WriteRowFile(file, g)), "FF 00");
}

TEST(BitmapCheck, SignatureThenPaletteEntryZero)
{
    auto good = monochromeBmp(8, 1, {{0}});
    EXPECT_EQ(CheckBitmapHeader(good), HeaderCheck::Valid);
    auto bn = good;
    bn[1] = 'N';
    bn[54] = 1;  // the signature is tested first
    EXPECT_EQ(CheckBitmapHeader(bn), HeaderCheck::NotABitmap);
    EXPECT_EQ(CheckBitmapHeader(monochromeBmp(8, 1, {{0}}, 0x01000000)), HeaderCheck::NotBlackFirst);
    EXPECT_EQ(CheckBitmapHeader(monochromeBmp(8, 1, {{0}}, 0x00FFFFFF)), HeaderCheck::NotBlackFirst);  // white first
    EXPECT_EQ(CheckBitmapHeader(std::vector<std::uint8_t>{'B', 'M', 0, 0}), HeaderCheck::TooShort);
    EXPECT_EQ(CheckBitmapHeader(std::vector<std::uint8_t>{}), HeaderCheck::NotABitmap);
}

TEST(BitmapGeometry, RefusesWhatCannotBePrintedWithoutAllocating)
{
    const auto base = monochromeBmp(16, 4, std::vector<std::vector<std::uint8_t>>(4));
    const auto with = [&](std::size_t at, std::uint32_t v) {
        auto f = base;
        for (int i = 0; i < 4; ++i) f[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
        return f;
    };
    const std::vector<std::pair<const char*, std::vector<std::uint8_t>>> refused{
        {"negative height", with(22, static_cast<std::uint32_t>(-4))},
        {"huge width", with(18, 0x80000000u)},
        {"zero width", with(18, 0)},
        {"zero height", with(22, 0)},
        {"declared size below one row", with(2, 62 + 3)},
        {"declared size beyond the file", with(2, 0x7FFFFFFF)},
        {"2^31 - 1 rows", with(22, 0x7FFFFFFF)},
        {"wider than a band", with(18, 32761)},
        {"width near 2^31", with(18, 0x7FFFFFF9)},
        {"more than 255 bands", with(22, 255 * 24 + 1)},
        {"60 bytes", std::vector<std::uint8_t>(base.begin(), base.begin() + 60)},
    };
    for (const auto& [what, file] : refused) {
        const auto result = logoGeometry(file);
        EXPECT_FALSE(result.geometry) << what;
        EXPECT_FALSE(result.refusal.empty()) << what;
    }
    EXPECT_TRUE(logoGeometry(with(22, 255 * 24)).geometry);  // 255 bands exactly
}
