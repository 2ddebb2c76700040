#include "pictures/Pictures.h"
#include "pictures/PicturePrint.h"
#include "support/Benches.h"
#include "support/Receipts.h"

#include <gtest/gtest.h>

#include <numeric>

namespace {

using namespace printbench;
using pictures::Dither;
using pictures::DotPicture;
using pictures::GreyPicture;
using pictures::ImageMode;
using Bytes = std::vector<std::uint8_t>;

GreyPicture flat(int w, int h, int grey)
{
    return {w, h, std::vector<std::uint8_t>(std::size_t(w) * std::size_t(h), std::uint8_t(grey))};
}

double inkShare(const DotPicture& d)
{
    return double(std::accumulate(d.dots.begin(), d.dots.end(), 0)) / double(d.dots.size());
}

Bytes cat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

// Floyd–Steinberg and ordered dots keep a flat grey's share of ink (1 − grey/255) within 3 %;
// Atkinson's share only grows as the patches get darker, from none on white to all on black.
TEST(Pictures, DitheringKeepsTheShareOfInkOfAFlatGrey)
{
    for (const int grey : {8, 32, 64, 96, 128, 160, 192, 224, 248}) {
        SCOPED_TRACE(grey);
        for (const Dither method : {Dither::FloydSteinberg, Dither::Ordered})
            EXPECT_NEAR(inkShare(pictures::dither(flat(64, 64, grey), method)), 1.0 - grey / 255.0, 0.03)
                << pictures::ditherName(method);
    }
    double lighter = 0;
    for (int grey = 255; grey >= 0; grey -= 5) {
        SCOPED_TRACE(grey);
        const double share = inkShare(pictures::dither(flat(64, 64, grey), Dither::Atkinson));
        EXPECT_GE(share, lighter);
        lighter = share;
    }
    EXPECT_EQ(inkShare(pictures::dither(flat(64, 64, 255), Dither::Atkinson)), 0.0);
    EXPECT_EQ(lighter, 1.0);
    // It drops a quarter of each error: darker than Floyd–Steinberg on every dark patch, lighter on
    // every light one.
    for (const int grey : {16, 48, 80, 112, 144, 176, 208, 240}) {
        SCOPED_TRACE(grey);
        const double atkinson = inkShare(pictures::dither(flat(64, 64, grey), Dither::Atkinson));
        const double floyd = inkShare(pictures::dither(flat(64, 64, grey), Dither::FloydSteinberg));
        EXPECT_EQ(grey < 128 ? atkinson > floyd : atkinson < floyd, true) << atkinson << " against " << floyd;
    }
}

// Ink below the level, paper at it and above.
TEST(Pictures, ThresholdInksBelowItsLevelExactly)
{
    for (const int level : {1, 90, 128, 254}) {
        SCOPED_TRACE(level);
        const GreyPicture rows{2, 3, {std::uint8_t(level - 1), std::uint8_t(level - 1), std::uint8_t(level),
                                      std::uint8_t(level), std::uint8_t(level + 1), std::uint8_t(level + 1)}};
        EXPECT_EQ(pictures::dither(rows, Dither::Threshold, level).dots, (Bytes{1, 1, 0, 0, 0, 0}));
    }
    EXPECT_EQ(pictures::dither(flat(4, 1, 0), Dither::Threshold, 0).dots, (Bytes{0, 0, 0, 0}));
}

TEST(Pictures, ABlackAndWhitePictureIsTheSameInEveryMethod)
{
    GreyPicture bw{37, 29, {}};
    for (int i = 0; i < 37 * 29; ++i) bw.grey.push_back((i * 7919 % 13) < 6 ? 0 : 255);
    const DotPicture expected = pictures::dither(bw, Dither::Threshold);
    EXPECT_EQ(inkShare(expected) > 0.3 && inkShare(expected) < 0.6, true);
    for (const Dither method : {Dither::Ordered, Dither::FloydSteinberg, Dither::Atkinson})
        EXPECT_EQ(pictures::dither(bw, method), expected) << pictures::ditherName(method);
}

// A 10×3 picture: the top row inked, the middle row's first and last dots, the bottom row blank.
TEST(Pictures, TheBytesOfEachMode)
{
    DotPicture d{10, 3, Bytes(30, 0)};
    for (int x = 0; x < 10; ++x) d.dots[std::size_t(x)] = 1;
    d.dots[10] = d.dots[19] = 1;
    Bytes columns{0xC0, 0, 0};
    for (int x = 1; x < 9; ++x) columns.insert(columns.end(), {0x80, 0, 0});
    columns.insert(columns.end(), {0xC0, 0, 0});
    const std::pair<ImageMode, Bytes> rows[] = {
        {ImageMode::Raster, {0x1D, 0x76, 0x30, 0x00, 0x02, 0x00, 0x03, 0x00, 0xFF, 0xC0, 0x80, 0x40, 0x00, 0x00}},
        {ImageMode::Graphics, {0x1D, 0x28, 0x4C, 0x10, 0x00, 0x30, 0x70, 0x30, 0x01, 0x01, 0x31, 0x0A, 0x00, 0x03, 0x00,
                               0xFF, 0xC0, 0x80, 0x40, 0x00, 0x00, 0x1D, 0x28, 0x4C, 0x02, 0x00, 0x30, 0x32}},
        {ImageMode::Column, cat({{0x1B, 0x33, 0x18, 0x1B, 0x2A, 0x21, 0x0A, 0x00}, columns, {0x0A, 0x1B, 0x32}})},
    };
    for (const auto& [mode, bytes] : rows) EXPECT_EQ(pictures::encode(d, mode).joined(), bytes) << pictures::modeName(mode);
}

// GS v 0 takes 256 rows a command; GS ( L as many as 65,535 parameter bytes hold.
TEST(Pictures, LongPicturesGoInBands)
{
    const auto headers = [](const pictures::PictureBytes& b, std::size_t n) {
        std::vector<Bytes> h;
        for (const Bytes& band : b.bands) h.emplace_back(band.begin(), band.begin() + std::ptrdiff_t(n));
        return h;
    };
    const auto raster = pictures::encode(DotPicture{8, 300, Bytes(2400, 1)}, ImageMode::Raster);
    EXPECT_EQ(headers(raster, 8), (std::vector<Bytes>{{0x1D, 0x76, 0x30, 0x00, 0x01, 0x00, 0x00, 0x01},
                                                      {0x1D, 0x76, 0x30, 0x00, 0x01, 0x00, 0x2C, 0x00}}));
    EXPECT_EQ(raster.bands[1].size(), 8u + 44u);
    const auto graphics = pictures::encode(DotPicture{800, 700, Bytes(560000, 0)}, ImageMode::Graphics);
    EXPECT_EQ(headers(graphics, 15),
              (std::vector<Bytes>{{0x1D, 0x28, 0x4C, 0xE6, 0xFF, 0x30, 0x70, 0x30, 0x01, 0x01, 0x31, 0x20, 0x03, 0x8F, 0x02},
                                  {0x1D, 0x28, 0x4C, 0x9E, 0x11, 0x30, 0x70, 0x30, 0x01, 0x01, 0x31, 0x20, 0x03, 0x2D, 0x00}}));
    EXPECT_EQ(graphics.bands[0].size(), 15u + 65500u + 7u);
}

// What the virtual printer prints of each mode is the preview, dot for dot.
TEST(Pictures, ThePrintedPictureIsItsPreview)
{
    GreyPicture photo{100, 60, {}};
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 100; ++x) photo.grey.push_back(std::uint8_t((x * 255 / 99 + y * 37 % 50) % 256));
    const DotPicture preview = pictures::dither(photo, Dither::FloydSteinberg);
    for (const ImageMode mode : {ImageMode::Column, ImageMode::Raster, ImageMode::Graphics}) {
        SCOPED_TRACE(pictures::modeName(mode));
        testkit::PaperPrinter paper(432);
        paper.feed(cat({{0x1B, 0x40}, pictures::encode(preview, mode).joined(), {0x1B, 0x4A, 0x78, 0x1B, 0x69}}));
        ASSERT_EQ(paper.pages.size(), 1u);
        const printer::Page& page = paper.pages[0];
        int differ = 0, inkOutside = 0;
        for (int y = 0; y < page.height; ++y)
            for (int x = 0; x < page.dots.width; ++x) {
                const bool inside = x < 100 && y < 60;
                if (inside && (page.at(x, y) != 0) != (preview.dots[std::size_t(y * 100 + x)] != 0)) ++differ;
                if (!inside && page.at(x, y)) ++inkOutside;
            }
        EXPECT_EQ(differ, 0);
        EXPECT_EQ(inkOutside, 0);
    }
}

}  // namespace

// ESC @, then a band after each event pass with Stop heard before it; ESC J 120 and the Full Cut
// with its status requests at the end. Stopped, nothing more leaves.
TEST(Pictures, ThePrintIsFramedAndStopsBetweenBands)
{
    const pictures::PictureBytes bytes = pictures::encode(DotPicture{8, 300, Bytes(2400, 0)}, ImageMode::Raster);
    testkit::Rig r;
    EXPECT_EQ(pictures::PrintPicture(r.serial(), bytes, r.state, r.rec, 500), commands::RunEnd::Complete);
    EXPECT_EQ(r.rec.only({"events", "repeated", "sleep"}), "repeated 1 | events 1 | events 2 | sleep 500");
    const std::string sent = r.rec.stream(0);
    EXPECT_EQ(sent.substr(0, 30), "1B 40 1D 76 30 00 01 00 00 01 ");
    EXPECT_NE(sent.find("00 1D 76 30 00 01 00 2C 00 00"), std::string::npos);
    EXPECT_EQ(sent.substr(sent.size() - 35), "00 1B 4A 78 1B 69 10 04 02 10 04 02");
    testkit::Rig s;
    s.rec.atEventPass(2, [&] { s.state.StopRequested = 1; });
    EXPECT_EQ(pictures::PrintPicture(s.usb(), bytes, s.state, s.rec, 500), commands::RunEnd::Stopped);
    EXPECT_EQ(s.rec.stream(s.rec.find("events 2")), "");
}
