// The logo: the bitmap check and geometry, the row and column files, the print and its work files.

#include "bitmap/BitmapConversion.h"
#include "bitmap/LogoPrint.h"
#include "support/Benches.h"
#include "support/Streams.h"

#include <gtest/gtest.h>

#include "window/Messages.h"

#include <fstream>
#include <random>

using namespace printbench;
using namespace printbench::bitmap;
using testkit::hex;
using testkit::kTenByThree;
using testkit::kTenByThreeStream;
using testkit::monochromeBmp;
using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;

namespace {

Bytes with(Bytes f, std::size_t at, std::uint32_t v)
{
    for (std::size_t i = 0; i < 4; ++i) f[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    return f;
}

// The row file and the column file of a bitmap, in hex: "rows / columns".
std::string converted(const Bytes& bmp)
{
    const LogoGeometry g = *logoGeometry(bmp).geometry;
    const Bytes rows = WriteRowFile(bmp, g);
    return hex(rows) + " / " + hex(BuildColumnFile(rows, g));
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

TEST(BitmapHeader, GeometryRefusalsAndTheCheckOrder)
{
    // width, height, RowBytes, RowPad, ColumnBytes, PadRows
    for (const auto& [w, h, rowBytes, rowPad, columnBytes, padRows] : std::vector<std::array<int, 6>>{
             {1, 8, 1, 3, 1, 0}, {32, 9, 4, 0, 2, 7}, {33, 1, 5, 3, 1, 7}, {10, 3, 2, 2, 1, 5}, {300, 24, 38, 2, 3, 0},
             {8, 17, 1, 3, 3, 7}}) {
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        const LogoGeometry g = *logoGeometry(monochromeBmp(w, h, {})).geometry;
        EXPECT_EQ(std::vector<int>({g.RowBytes, g.RowPad, g.ColumnBytes, g.PadRows, int(g.RowFileBytes)}),
                  std::vector<int>({rowBytes, rowPad, columnBytes, padRows, h * rowBytes}));
    }
    // Width 8: RowBytes 1, stride 4, so N = (declared size - 62) / 4 to the nearest, halves even.
    for (const auto& [pixelBytes, n] : std::vector<std::pair<std::uint32_t, int>>{{6, 2}, {10, 2}, {14, 4}, {7, 2}, {16, 4}}) {
        SCOPED_TRACE(pixelBytes);
        EXPECT_EQ(logoGeometry(with(monochromeBmp(8, 4, {}), 2, 62 + pixelBytes)).geometry->RowFileBytes, n);
    }

    // Refused with a reason before anything is allocated: a declared size (at 2) below one stored
    // row or beyond the file, a negative, zero or huge width (at 18) or height (at 22), more than
    // a band's 32,760 dots or 255 bands, fewer than 62 bytes. Taken: 255 bands, one stored row,
    // the widest band.
    const Bytes base = monochromeBmp(16, 4, {});  // 78 bytes, rows of 4
    for (const Bytes& file : {with(base, 2, 62 + 3), with(base, 2, 78 + 1), with(base, 2, 0x7FFFFFFF), with(base, 22, -4u),
                              with(base, 18, 0x80000000u), with(base, 18, 0), with(base, 22, 0), with(base, 22, 0x7FFFFFFF),
                              with(base, 18, 0x7FFFFFF9), monochromeBmp(32761, 1, {}), with(base, 22, 255 * 24 + 1),
                              Bytes(base.begin(), base.begin() + 60)}) {
        SCOPED_TRACE(hex(std::span(file).first(26)));
        EXPECT_TRUE(!logoGeometry(file).geometry && !logoGeometry(file).refusal.empty());
    }
    EXPECT_TRUE(logoGeometry(with(base, 22, 255 * 24)).geometry && logoGeometry(with(base, 2, 62 + 4)).geometry &&
                logoGeometry(monochromeBmp(32760, 1, {})).geometry);

    // The check: the signature first ("BN" with palette entry 0 not black), then entry 0 black.
    for (const auto& [file, check] : std::vector<std::pair<Bytes, HeaderCheck>>{
             {monochromeBmp(8, 1, {{0}}), HeaderCheck::Valid}, {Bytes{}, HeaderCheck::NotABitmap},
             {Bytes{'B', 'M'}, HeaderCheck::TooShort}, {with(monochromeBmp(8, 1, {{0}}, 1), 0, 0x4E42), HeaderCheck::NotABitmap},
             {monochromeBmp(8, 1, {{0}}, 0x01000000), HeaderCheck::NotBlackFirst},
             {monochromeBmp(8, 1, {{0}}, 0x00FFFFFF), HeaderCheck::NotBlackFirst}}) {  // white first
        SCOPED_TRACE(hex(file));
        EXPECT_EQ(CheckBitmapHeader(file), check);
    }
}

TEST(BitmapConversion, WorkedExamplesTrailingBytesAndLargePictures)
{
    // Rows top first, stored bottom first: 10 x 3's row 0 at 70, row 2 at 62, inverted. Column x:
    // bit 7 row 0, bit 6 row 1, bit 5 row 2 (1 = black), bits 4..0 blank.
    EXPECT_EQ(converted(kTenByThree), "F0 C0 0F 80 AA 40 / A0 80 A0 80 60 40 60 40 C0 A0");
    // 8 x 9, the top-left pixel and the bottom row black: two bytes a column.
    EXPECT_EQ(converted(monochromeBmp(8, 9, {{0x7F}, {0xFF}, {0xFF}, {0xFF}, {0xFF}, {0xFF}, {0xFF}, {0xFF}, {0x00}})),
              "80 00 00 00 00 00 00 00 FF / 80 80 00 80 00 80 00 80 00 80 00 80 00 80 00 80");
    Bytes trailing = monochromeBmp(8, 2, {{0x00}, {0xFF}});
    trailing.insert(trailing.end(), {0xAA, 0xBB, 0xCC, 0xDD});  // beyond the declared 70 bytes
    EXPECT_EQ(converted(trailing), "FF 00 / 80 80 80 80 80 80 80 80");

    std::mt19937 random(7);
    for (const auto& [w, h] : std::vector<std::pair<int, int>>{{577, 19}, {13, 50}}) {
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        std::vector<Bytes> rows(std::size_t(h), Bytes(std::size_t(w + 7) / 8));
        for (auto& row : rows) std::generate(row.begin(), row.end(), [&] { return static_cast<std::uint8_t>(random()); });
        const LogoGeometry g = *logoGeometry(monochromeBmp(w, h, rows)).geometry;
        const Bytes columns = BuildColumnFile(WriteRowFile(monochromeBmp(w, h, rows), g), g);
        int wrong = 0;
        for (int x = 0; x < w; ++x)
            for (int y = 0; y < g.ColumnBytes * 8; ++y)  // blank below the image
                wrong += bool(columns.at(std::size_t(x * g.ColumnBytes + y / 8)) & (0x80 >> (y % 8))) !=
                         (y < h && !(rows[std::size_t(y)][std::size_t(x / 8)] & (0x80 >> (x % 8))));
        EXPECT_EQ(wrong, 0);
    }
}

TEST(LogoPrint, TheTransmissionOnEachRouteAndTheBands)
{
    // Calls (serial texts/serial bytes/USB bytes): on serial the fixed commands as text, the parameters
    // of ESC 3 and ESC W a byte each, a band at once; on USB a call a byte. No work file is left.
    for (const auto& [route, seen] : std::vector<std::pair<link::Route, std::string>>{
             {link::Route::Serial, kTenByThreeStream + " / 8/12/0 / serial bytes " + kTenByThreeStream.substr(54, 161)},
             {link::Route::Usb, kTenByThreeStream + " / 0/0/84 / "}, {link::Route::None, " / 0/0/0 / "}}) {
        SCOPED_TRACE(route == link::Route::Serial ? "serial" : route == link::Route::Usb ? "USB" : "no route");
        Logo b;
        link::PrinterChannel& channel = route == link::Route::None ? b.link.channel(route) : b.route(route == link::Route::Usb);
        EXPECT_TRUE(b.print(kTenByThree, channel).sent());
        EXPECT_EQ(b.rec.stream() + " / " + std::to_string(b.rec.count("serial text")) + "/" +
                      std::to_string(b.rec.count("serial bytes")) + "/" + std::to_string(b.rec.count("usb byte")) + " / " +
                      b.rec.only({"serial bytes 1B 2A"}) + (b.workFilesLeft() ? " / work files left" : ""),
                  seen);
    }

    // Black pictures 8 wide: height, the bands (ESC * 33 lines) and the last band's first column.
    for (const auto& [height, seen] : std::vector<std::pair<int, std::string>>{
             {8, "1 FF 00 00"}, {24, "1 FF FF FF"}, {40, "2 FF FF 00"}}) {
        SCOPED_TRACE(height);
        Logo b;
        b.print(monochromeBmp(8, height, std::vector<Bytes>(std::size_t(height), {0x00})), b.serial());
        const std::string bands = b.rec.only({"serial bytes 1B 2A 21 08 00"});
        EXPECT_EQ(std::to_string(b.rec.count("serial bytes 1B 2A")) + " " + bands.substr(bands.rfind("08 00 ") + 6, 8), seen);
    }
    Logo wide;  // 300 dots: n = 304 columns, nL 48, nH 1
    wide.print(monochromeBmp(300, 1, {}), wide.serial());
    EXPECT_EQ(wide.rec.stream().substr(54, 14), "1B 2A 21 30 01");
}

TEST(LogoPrint, RefusalsAndWorkFileFailuresSendNothing)
{
    const std::string w1 = "비트맵 파일이 틀립니다...\r\n파일명: x.bmp";
    const std::vector<std::pair<Bytes, std::string>> cases{
        {with(kTenByThree, 0, 0x4E42), w1},  // "BN"
        {monochromeBmp(10, 3, {}, 0x01000000), "컬러가 흑백이 아닙니다. 흑백으로 바꿔주십시오...\r\n파일명: x.bmp"},
        {with(kTenByThree, 22, -3u), w1 + "\r\nThe height is negative (a bitmap stored top row first)."},
        {Bytes{'B', 'M'}, w1 + "\r\nThe file is shorter than the 62-byte header of a bitmap."},
    };
    // The window's message for each refusal.
    const auto shown = [](const LogoPrintResult& r) {
        if (!r.failure) return std::string("sent");
        return (r.failure->kind == link::FailureKind::WorkFileFailed ? "" : "refused: ") + window::failureMessage(*r.failure).text();
    };
    for (const auto& [bytes, message] : cases) {
        SCOPED_TRACE(message);
        Logo b;
        EXPECT_EQ(shown(b.print(bytes, b.serial())) + b.rec.wire() + (b.workFilesLeft() ? " / work files left" : ""),
                  "refused: " + message);
    }
    Logo b;
    EXPECT_EQ(shown(PrintLogo(b.pictures.path(), "gone.bmp", b.work.path(), b.serial())),
              "refused: 비트맵 파일이 틀립니다...\r\n파일명: gone.bmp");

    // Work files are never written through a link; a left-over regular file is replaced.
    std::ofstream(b.work.path() / "zq_logo.tmp") << "left over from an interrupted print";
    const fs::path target = b.work.path() / "precious.txt";
    std::ofstream(target) << "keep";
    fs::create_symlink(target, b.work.path() / "zq_logo.ver");
    EXPECT_EQ(shown(b.print(kTenByThree, b.serial())),
              "The work file " + (b.work.path() / "zq_logo.ver").string() + " could not be written, so nothing was printed.\r\n"
              "Reason: it exists and is not a regular file (a link, a folder or a device)");
    EXPECT_EQ(b.rec.wire() + "tmp " + (fs::exists(b.work.path() / "zq_logo.tmp") ? "left" : "gone") + ", ver " +
                  (fs::is_symlink(b.work.path() / "zq_logo.ver") ? "a link" : "replaced") + " to " + testkit::readFile(target),
              "tmp gone, ver a link to keep");
}

// The README's recipe makes a file the check takes; ImageMagick's own lists white first.
TEST(BitmapCheck, TheImageMagickRecipeIsAcceptedAndItsDefaultIsNot)
{
    if (std::system("command -v convert >/dev/null 2>&1") != 0) GTEST_SKIP() << "ImageMagick's convert is not installed";
    testkit::TempDir dir;
    const auto made = [&](const std::string& options) {
        const std::string command = "cd '" + dir.path().string() +
                                    "' && convert -size 1x1 xc:black xc:white +append bw.gif && convert -size 37x29 xc:white "
                                    "-fill black -draw 'circle 18,14 18,3' " + options + " BMP3:x.bmp";
        EXPECT_EQ(std::system(command.c_str()), 0);
        const std::string file = testkit::readFile(dir.path() / "x.bmp");
        return CheckBitmapHeader(Bytes(file.begin(), file.end()));
    };
    EXPECT_EQ(made("+dither -remap bw.gif -type palette -strip"), HeaderCheck::Valid);
    EXPECT_EQ(made("-type bilevel"), HeaderCheck::NotBlackFirst);
}
