#include "bitmap/BitmapConversion.h"

#include "support/Recorder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <tuple>

using namespace printbench::bitmap;
using printbench::testkit::hex;
using printbench::testkit::TempDir;

namespace {

// Bitmaps as ImageMagick writes them, in a folder of their own, with bw.gif: two pixels, black
// then white, whose colours -remap makes the palette of an output. The reference decoding is
// ImageMagick's too: the same file read back and written as raw PBM.
struct Magick {
    TempDir dir;
    bool ready = convert("-size 1x1 xc:black xc:white +append bw.gif");

    static bool available() { return std::system("command -v convert >/dev/null 2>&1") == 0; }

    // Runs `convert <args>` in the folder; false when it fails.
    bool convert(const std::string& args) const
    {
        return std::system(("cd '" + dir.path().string() + "' && convert " + args + " 2>/dev/null").c_str()) == 0;
    }
    std::vector<std::uint8_t> read(const std::string& name) const
    {
        std::ifstream in(dir.path() / name, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    // `picture` (an ImageMagick image description) as a 1-bit BMP3 with black at entry 0.
    std::vector<std::uint8_t> blackFirst(const std::string& picture) const
    {
        return convert(picture + " +dither -remap bw.gif -type palette -strip BMP3:x.bmp") ? read("x.bmp")
                                                                                            : std::vector<std::uint8_t>{};
    }
};

// Raw PBM (P4): width, height, then rows padded to whole bytes, 1 = black. 0 x 0 if malformed.
struct Pbm {
    int width = 0, height = 0;
    std::vector<std::uint8_t> bits;
    explicit Pbm(const std::vector<std::uint8_t>& file)
    {
        std::istringstream in(std::string(file.begin(), file.end()));
        std::string magic;
        in >> magic >> width >> height;
        in.get();  // the single whitespace before the data
        bits.assign(std::istreambuf_iterator<char>(in), {});
        if (magic != "P4" || bits.size() != static_cast<std::size_t>((width + 7) / 8 * height)) width = height = 0;
    }
    bool black(int x, int y) const { return bits[static_cast<std::size_t>(y * ((width + 7) / 8) + x / 8)] & (0x80 >> (x % 8)); }
};

} // namespace

TEST(ImageMagickBitmaps, ConvertPixelForPixelAsImageMagickDecodesThem)
{
    if (!Magick::available()) GTEST_SKIP() << "ImageMagick's convert is not installed";
    const std::vector<std::pair<const char*, bool>> pictures{  // picture, has both colours
        {"-size 37x29 xc:white -fill black -draw 'circle 18,14 18,3' -draw 'line 0,28 36,0'", true},
        {"-size 8x8 xc:white -fill black -draw 'rectangle 0,0 2,7' -draw 'point 7,7'", true},
        {"-size 1x1 xc:black", false},
        {"-size 300x5 xc:white -fill black -draw 'rectangle 3,1 296,2' -draw 'point 299,4'", true},
        {"-size 13x50 pattern:gray50", true},  // three bands, the last one partial
    };
    Magick im;
    ASSERT_TRUE(im.ready);
    for (const auto& [picture, mixed] : pictures) {
        const auto file = im.blackFirst(picture);
        ASSERT_GT(file.size(), 62u) << picture;
        EXPECT_EQ(hex(std::span(file).subspan(54, 8)), "00 00 00 00 FF FF FF 00") << picture;
        ASSERT_EQ(CheckBitmapHeader(file), HeaderCheck::Valid) << picture;
        const auto result = logoGeometry(file);
        ASSERT_TRUE(result.geometry) << picture << ": " << result.refusal;
        const LogoGeometry& g = *result.geometry;
        const auto columns = BuildColumnFile(WriteRowFile(file, g), g);

        ASSERT_TRUE(im.convert("x.bmp pbm:x.pbm")) << picture;
        const Pbm pbm(im.read("x.pbm"));
        ASSERT_EQ(pbm.width, g.ImageWidth) << picture;
        ASSERT_EQ(pbm.height, g.ImageHeight) << picture;
        ASSERT_EQ(columns.size(), static_cast<std::size_t>(pbm.width * g.ColumnBytes)) << picture;
        int wrong = 0, blacks = 0;
        for (int x = 0; x < pbm.width; ++x) {
            for (int y = 0; y < g.ColumnBytes * 8; ++y) {  // rows below the image are blank
                const bool dot = columns[static_cast<std::size_t>(x * g.ColumnBytes + y / 8)] & (0x80 >> (y % 8));
                const bool expected = y < pbm.height && pbm.black(x, y);
                blacks += expected;
                if (dot != expected && ++wrong <= 5) ADD_FAILURE() << picture << ": pixel " << x << "," << y;
            }
        }
        EXPECT_EQ(wrong, 0) << picture;
        EXPECT_TRUE(!mixed || (blacks > 0 && blacks < pbm.width * pbm.height)) << picture << " is all one colour";
    }
}

TEST(ImageMagickBitmaps, PaletteOrderDecidesBetweenPrintAndTheColourWarning)
{
    if (!Magick::available()) GTEST_SKIP() << "ImageMagick's convert is not installed";
    const std::string circle = "-size 37x29 xc:white -fill black -draw 'circle 18,14 18,3'";
    // picture and options, the palette's first two entries as ImageMagick writes them, the check
    const std::vector<std::tuple<std::string, std::string, HeaderCheck>> cases{
        {circle + " -type bilevel", "FF FF FF 00 00 00 00 00", HeaderCheck::NotBlackFirst},
        {"-size 40x10 xc:white -type bilevel", "FF FF FF 00 00 00 00 00", HeaderCheck::NotBlackFirst},
        {circle + " +dither -remap bw.gif -type bilevel", "00 00 00 00 FF FF FF 00", HeaderCheck::Valid},
        {"-size 40x10 xc:white +dither -remap bw.gif -type palette", "00 00 00 00 FF FF FF 00", HeaderCheck::Valid},
    };
    Magick im;
    ASSERT_TRUE(im.ready);
    for (const auto& [picture, palette, check] : cases) {
        ASSERT_TRUE(im.convert(picture + " BMP3:x.bmp")) << picture;
        const auto file = im.read("x.bmp");
        ASSERT_GE(file.size(), 62u) << picture;
        // A 1-bit, uncompressed file with its pixels at 62, whichever colour comes first.
        EXPECT_EQ(hex(std::span(file).subspan(10, 4)), "3E 00 00 00") << picture;
        EXPECT_EQ(hex(std::span(file).subspan(28, 6)), "01 00 00 00 00 00") << picture;
        EXPECT_EQ(hex(std::span(file).subspan(54, 8)), palette) << picture;
        EXPECT_EQ(CheckBitmapHeader(file), check) << picture;
    }
}
