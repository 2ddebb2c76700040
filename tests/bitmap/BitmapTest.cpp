// The logo: the bitmap check, the geometry, the row and column files, and the print with its
// bands and work files, against the subsystem on a link of the recorder.

#include "bitmap/BitmapConversion.h"
#include "bitmap/LogoPrint.h"
#include "support/Benches.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <random>

using namespace printbench;
using namespace printbench::bitmap;
using testkit::hex;
using testkit::monochromeBmp;
using Outcome = LogoPrintResult::Outcome;
using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;

namespace {

const Bytes kTenByThree = monochromeBmp(10, 3, {{0x0F, 0x3F}, {0xF0, 0x7F}, {0x55, 0xBF}});
const std::string kTenByThreeStream =
    "1B 33 18 1B 4C 1B 54 00 1B 57 00 00 00 00 AF 01 08 02 "  // set-up
    "1B 2A 21 10 00 "                                            // ESC * 33, n = 16
    "A0 00 00 80 00 00 A0 00 00 80 00 00 60 00 00 40 00 00 60 00 00 40 00 00 C0 00 00 A0 00 00 "
    "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 0A "  // columns 10 to 15 blank, LF
    "1B 0C 1B 53 1B 4A 7F 1B 69 10 05 02";                       // print, feed, cut, recover

Bytes with(Bytes f, std::size_t at, std::uint32_t v)
{
    for (std::size_t i = 0; i < 4; ++i) f[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    return f;
}

struct Logo : testkit::Rig {
    testkit::TempDir pictures, work;
    LogoPrintResult print(const Bytes& bmp, link::PrinterChannel& channel)
    {
        testkit::writeFile(pictures.path() / "x.bmp", bmp);
        return PrintLogo(pictures.path(), "x.bmp", work.path(), channel);
    }
    bool workFilesLeft() const { return fs::exists(work.path() / "zq_logo.tmp") || fs::exists(work.path() / "zq_logo.ver"); }
};

} // namespace

TEST(BitmapGeometry, RowAndColumnBytesPaddingAndTheRowFileLength)
{
    // width, height, RowBytes, RowPad, ColumnBytes, PadRows
    const std::vector<std::array<int, 6>> table{{1, 8, 1, 3, 1, 0},   {32, 9, 4, 0, 2, 7},    {33, 1, 5, 3, 1, 7},
                                                {10, 3, 2, 2, 1, 5},  {300, 24, 38, 2, 3, 0}, {8, 17, 1, 3, 3, 7}};
    for (const auto& [w, h, rowBytes, rowPad, columnBytes, padRows] : table) {
        const LogoGeometry g = *logoGeometry(monochromeBmp(w, h, {})).geometry;
        EXPECT_EQ(std::vector<int>({g.RowBytes, g.RowPad, g.ColumnBytes, g.PadRows, int(g.RowFileBytes)}),
                  std::vector<int>({rowBytes, rowPad, columnBytes, padRows, h * rowBytes})) << w << "x" << h;
    }
    // Width 8: RowBytes 1, stride 4, so N = (declared size - 62) / 4 to the nearest, halves even.
    for (const auto& [pixelBytes, n] : std::vector<std::pair<std::uint32_t, std::int64_t>>{{6, 2}, {10, 2}, {14, 4}, {7, 2}, {16, 4}})
        EXPECT_EQ(logoGeometry(with(monochromeBmp(8, 4, {}), 2, 62 + pixelBytes)).geometry->RowFileBytes, n) << pixelBytes;
}

TEST(BitmapGeometry, RefusesWhatCannotBePrintedWithoutAllocating)
{
    const Bytes base = monochromeBmp(16, 4, {});
    const std::vector<std::pair<const char*, Bytes>> refused{
        {"negative height", with(base, 22, static_cast<std::uint32_t>(-4))}, {"huge width", with(base, 18, 0x80000000u)},
        {"zero width", with(base, 18, 0)},                                   {"zero height", with(base, 22, 0)},
        {"declared size below one row", with(base, 2, 62 + 3)},              {"declared size beyond the file", with(base, 2, 0x7FFFFFFF)},
        {"2^31 - 1 rows", with(base, 22, 0x7FFFFFFF)},                       {"wider than a band", with(base, 18, 32761)},
        {"width near 2^31", with(base, 18, 0x7FFFFFF9)},                     {"more than 255 bands", with(base, 22, 255 * 24 + 1)},
        {"60 bytes", Bytes(base.begin(), base.begin() + 60)},
    };
    for (const auto& [what, file] : refused) {
        const auto result = logoGeometry(file);
        EXPECT_FALSE(result.geometry) << what;
        EXPECT_FALSE(result.refusal.empty()) << what;
    }
    EXPECT_TRUE(logoGeometry(with(base, 22, 255 * 24)).geometry);  // 255 bands exactly
}

TEST(BitmapCheck, SignatureThenPaletteEntryZero)
{
    const Bytes good = monochromeBmp(8, 1, {{0}});
    Bytes bn = good;
    bn[1] = 'N';
    bn[54] = 1;  // the signature is tested first
    const std::vector<std::pair<Bytes, HeaderCheck>> table{
        {good, HeaderCheck::Valid}, {bn, HeaderCheck::NotABitmap}, {monochromeBmp(8, 1, {{0}}, 0x01000000), HeaderCheck::NotBlackFirst},
        {monochromeBmp(8, 1, {{0}}, 0x00FFFFFF), HeaderCheck::NotBlackFirst},  // white first
        {Bytes{'B', 'M', 0, 0}, HeaderCheck::TooShort}, {Bytes{}, HeaderCheck::NotABitmap}};
    for (const auto& [file, check] : table) EXPECT_EQ(CheckBitmapHeader(file), check) << hex(std::span(file).first(std::min<std::size_t>(2, file.size())));
}

TEST(BitmapConversion, WorkedExamplesAndBytesAfterTheDeclaredSize)
{
    // Rows top first; row 0 is stored last, at 70, row 2 first, at 62.
    EXPECT_EQ(hex(std::span(kTenByThree).subspan(62)), "55 BF 00 00 F0 7F 00 00 0F 3F 00 00");
    const LogoGeometry g = *logoGeometry(kTenByThree).geometry;
    const Bytes rows = WriteRowFile(kTenByThree, g);
    EXPECT_EQ(hex(rows), "F0 C0 0F 80 AA 40");  // the inverted bytes of offsets 70, 71, 66, 67, 62, 63
    // Column x: bit 7 row 0, bit 6 row 1, bit 5 row 2 (1 = black), bits 4..0 blank.
    EXPECT_EQ(hex(BuildColumnFile(rows, g)), "A0 80 A0 80 60 40 60 40 C0 A0");

    std::vector<Bytes> nine(9, {0xFF});
    nine[8] = {0x00};  // the bottom row black
    nine[0] = {0x7F};  // the top-left pixel black
    const Bytes tall = monochromeBmp(8, 9, nine);
    const LogoGeometry t = *logoGeometry(tall).geometry;
    EXPECT_EQ(hex(BuildColumnFile(WriteRowFile(tall, t), t)), "80 80 00 80 00 80 00 80 00 80 00 80 00 80 00 80");

    Bytes trailing = monochromeBmp(8, 2, {{0x00}, {0xFF}});
    trailing.insert(trailing.end(), {0xAA, 0xBB, 0xCC, 0xDD});  // beyond the declared 70 bytes
    EXPECT_EQ(hex(WriteRowFile(trailing, *logoGeometry(trailing).geometry)), "FF 00");
}

// Wide and tall pictures, every pixel checked against the bitmap's own bits: the column file
// holds column x, rows 8k to 8k+7 in byte k, black as 1, blank below the image.
TEST(BitmapConversion, EveryPixelOfLargePicturesLandsInItsColumn)
{
    std::mt19937 random(7);
    for (const auto& [w, h] : std::vector<std::pair<int, int>>{{300, 50}, {577, 19}, {13, 50}, {64, 8}}) {
        std::vector<Bytes> rows(std::size_t(h), Bytes(std::size_t(w + 7) / 8));
        for (auto& row : rows)
            for (auto& b : row) b = static_cast<std::uint8_t>(random());
        const Bytes file = monochromeBmp(w, h, rows);
        const LogoGeometry g = *logoGeometry(file).geometry;
        const Bytes columns = BuildColumnFile(WriteRowFile(file, g), g);
        ASSERT_EQ(columns.size(), std::size_t(w * g.ColumnBytes));
        int wrong = 0;
        for (int x = 0; x < w; ++x) {
            for (int y = 0; y < g.ColumnBytes * 8; ++y) {
                const bool dot = columns[std::size_t(x * g.ColumnBytes + y / 8)] & (0x80 >> (y % 8));
                const bool black = y < h && !(rows[std::size_t(y)][std::size_t(x / 8)] & (0x80 >> (x % 8)));
                wrong += dot != black;
            }
        }
        EXPECT_EQ(wrong, 0) << w << "x" << h;
    }
}

TEST(LogoPrint, TenByThreeIsTheWholeTransmissionOnBothRoutes)
{
    Logo s, u;
    EXPECT_EQ(s.print(kTenByThree, s.serial()).outcome, Outcome::Sent);
    EXPECT_EQ(s.rec.stream(), kTenByThreeStream);
    // The fixed commands as text, the parameters of ESC 3 and ESC W a byte each, a band at once.
    EXPECT_EQ(s.rec.count("serial text"), 8u);
    EXPECT_EQ(s.rec.count("serial bytes"), 12u);
    EXPECT_EQ(s.rec.only({"serial bytes 1B 2A"}), "serial bytes " + kTenByThreeStream.substr(54, 161));
    EXPECT_FALSE(s.workFilesLeft());
    u.print(kTenByThree, u.usb());
    EXPECT_EQ(u.rec.stream(), kTenByThreeStream);
    EXPECT_EQ(u.rec.count("usb byte"), 84u);

    Logo none;
    EXPECT_EQ(none.print(kTenByThree, none.link.channel(link::Route::None)).outcome, Outcome::Sent);
    EXPECT_EQ(none.rec.wire(), "");
    EXPECT_FALSE(none.workFilesLeft());
}

TEST(LogoPrint, BandsForTallerImages)
{
    // height, bands (ESC * 33 headers), bytes of the last band's first column
    for (const auto& [height, bands, lastColumn] :
         std::vector<std::tuple<int, std::size_t, std::string>>{{8, 1, "FF 00 00"}, {24, 1, "FF FF FF"}, {40, 2, "FF FF 00"}}) {
        Logo b;
        b.print(monochromeBmp(8, height, std::vector<Bytes>(std::size_t(height), {0x00})), b.serial());
        const std::string s = b.rec.stream();
        std::size_t headers = 0, at = 0, last = 0;
        while ((at = s.find("1B 2A 21 08 00", at)) != std::string::npos) last = at, ++headers, at += 3;
        EXPECT_EQ(headers, bands) << height;
        EXPECT_EQ(s.substr(last + 15, 8), lastColumn) << height;
    }
}

TEST(LogoPrint, RefusalsWarnWithTheFileNameAndLeaveNothing)
{
    Bytes bn = kTenByThree, negative = kTenByThree;
    bn[1] = 'N';
    negative[25] = 0xFF;
    const std::string w1 = "비트맵 파일이 틀립니다...\r\n파일명: x.bmp";
    const std::vector<std::tuple<const char*, Bytes, std::string>> cases{
        {"signature BN", bn, w1},
        {"palette 0 0 0 1", monochromeBmp(10, 3, {}, 0x01000000), "컬러가 흑백이 아닙니다. 흑백으로 바꿔주십시오...\r\n파일명: x.bmp"},
        {"negative height", negative, w1 + "\r\nThe height is negative (a bitmap stored top row first)."},
        {"30 bytes", Bytes(kTenByThree.begin(), kTenByThree.begin() + 30), w1 + "\r\nThe file is shorter than the 62-byte header of a bitmap."},
    };
    for (const auto& [what, bytes, message] : cases) {
        Logo b;
        const LogoPrintResult result = b.print(bytes, b.serial());
        EXPECT_EQ(result.outcome, Outcome::Refused) << what;
        EXPECT_EQ(result.message, message) << what;
        EXPECT_EQ(b.rec.wire(), "") << what;
        EXPECT_FALSE(b.workFilesLeft()) << what;
    }
    Logo missing;
    EXPECT_EQ(PrintLogo(missing.pictures.path(), "gone.bmp", missing.work.path(), missing.serial()).message,
              "비트맵 파일이 틀립니다...\r\n파일명: gone.bmp");
}

TEST(LogoPrint, WorkFilesAreNeverWrittenThroughALinkAndLeftOversAreReplaced)
{
    Logo b;
    std::ofstream(b.work.path() / "zq_logo.tmp") << "left over from an interrupted print";
    const fs::path target = b.work.path() / "precious.txt";
    std::ofstream(target) << "keep";
    fs::create_symlink(target, b.work.path() / "zq_logo.ver");
    const LogoPrintResult result = b.print(kTenByThree, b.serial());
    EXPECT_EQ(result.outcome, Outcome::WorkFileFailed);
    EXPECT_THAT(result.message, testing::HasSubstr("zq_logo.ver could not be written, so nothing was printed."));
    EXPECT_EQ(b.rec.wire(), "");
    EXPECT_FALSE(fs::exists(b.work.path() / "zq_logo.tmp"));
    EXPECT_TRUE(fs::is_symlink(b.work.path() / "zq_logo.ver"));
    EXPECT_EQ(testkit::readFile(target), "keep");
}

// The README's recipe makes a file the check takes; ImageMagick's own black-and-white file
// lists white first and is refused.
TEST(BitmapCheck, TheImageMagickRecipeIsAcceptedAndItsDefaultIsNot)
{
    if (std::system("command -v convert >/dev/null 2>&1") != 0) GTEST_SKIP() << "ImageMagick's convert is not installed";
    testkit::TempDir dir;
    const auto made = [&](const std::string& options) {
        const std::string picture = " -size 37x29 xc:white -fill black -draw 'circle 18,14 18,3' ";
        EXPECT_EQ(std::system(("cd '" + dir.path().string() + "' && convert -size 1x1 xc:black xc:white +append bw.gif && convert" +
                               picture + options + " BMP3:x.bmp").c_str()), 0);
        const std::string file = testkit::readFile(dir.path() / "x.bmp");
        return CheckBitmapHeader(Bytes(file.begin(), file.end()));
    };
    EXPECT_EQ(made("+dither -remap bw.gif -type palette -strip"), HeaderCheck::Valid);
    EXPECT_EQ(made("-type bilevel"), HeaderCheck::NotBlackFirst);
}
