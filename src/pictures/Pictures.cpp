#include "pictures/Pictures.h"

#include "protocol/Commands.h"

#include <algorithm>
#include <array>

namespace printbench::pictures {

namespace p = protocol;

namespace {

constexpr std::array<std::string_view, 4> kDitherNames{"threshold", "ordered", "floyd-steinberg", "atkinson"};
constexpr std::array<std::string_view, 3> kModeNames{"column", "raster", "graphics"};

// The 8×8 Bayer matrix: each cell's rank 0 to 63.
// clang-format off
constexpr std::array<std::array<std::uint8_t, 8>, 8> kBayer{{
    { 0, 32,  8, 40,  2, 34, 10, 42},
    {48, 16, 56, 24, 50, 18, 58, 26},
    {12, 44,  4, 36, 14, 46,  6, 38},
    {60, 28, 52, 20, 62, 30, 54, 22},
    { 3, 35, 11, 43,  1, 33,  9, 41},
    {51, 19, 59, 27, 49, 17, 57, 25},
    {15, 47,  7, 39, 13, 45,  5, 37},
    {63, 31, 55, 23, 61, 29, 53, 21},
}};
// clang-format on

void threshold(const GreyPicture& picture, int level, std::uint8_t* out)
{
    const std::uint8_t* in = picture.grey.data();
    const std::size_t n = picture.grey.size();
    for (std::size_t i = 0; i < n; ++i) out[i] = in[i] < level ? 1 : 0;
}

void ordered(const GreyPicture& picture, std::uint8_t* out)
{
    const int w = picture.width;
    std::vector<std::uint8_t> limits(std::size_t(w) + 8);
    for (int y = 0; y < picture.height; ++y) {
        // The row's limits, laid along the row once: the inner loop is a compare a dot.
        const auto& cells = kBayer[std::size_t(y % 8)];
        for (int x = 0; x < w; ++x) limits[std::size_t(x)] = std::uint8_t(4 * cells[std::size_t(x % 8)] + 2);
        const std::uint8_t* in = picture.grey.data() + std::size_t(y) * std::size_t(w);
        std::uint8_t* row = out + std::size_t(y) * std::size_t(w);
        for (int x = 0; x < w; ++x) row[x] = in[x] < limits[std::size_t(x)] ? 1 : 0;
    }
}

// Errors are kept in sixteenths, so each share is a whole number and nothing is lost to rounding
// but the one rounding of a dot's value.
void floydSteinberg(const GreyPicture& picture, std::uint8_t* out)
{
    const int w = picture.width;
    std::vector<int> a(std::size_t(w) + 2, 0), b(std::size_t(w) + 2, 0);
    int* cur = a.data() + 1;
    int* next = b.data() + 1;
    for (int y = 0; y < picture.height; ++y) {
        const std::uint8_t* in = picture.grey.data() + std::size_t(y) * std::size_t(w);
        std::uint8_t* row = out + std::size_t(y) * std::size_t(w);
        // The share for the right neighbour stays in a register; the branchless choice keeps
        // noise from costing mispredictions.
        int right = cur[0];
        for (int x = 0; x < w; ++x) {
            const int value = in[x] + ((right + 8) >> 4);
            const int ink = value < 128;
            row[x] = std::uint8_t(ink);
            const int e = value - (255 & (ink - 1));
            right = cur[x + 1] + 7 * e;
            next[x - 1] += 3 * e;
            next[x] += 5 * e;
            next[x + 1] = e;
        }
        std::swap(cur, next);
        next[-1] = next[0] = 0;
    }
}

// Errors in eighths: each of the six neighbours takes one. The two shares to the right stay in
// registers; the row two down is written whole by each row, so no row is cleared but its edges.
void atkinson(const GreyPicture& picture, std::uint8_t* out)
{
    const int w = picture.width;
    std::array<std::vector<int>, 3> rows;
    for (auto& r : rows) r.assign(std::size_t(w) + 3, 0);
    int* r0 = rows[0].data() + 1;
    int* r1 = rows[1].data() + 1;
    int* r2 = rows[2].data() + 1;
    for (int y = 0; y < picture.height; ++y) {
        const std::uint8_t* in = picture.grey.data() + std::size_t(y) * std::size_t(w);
        std::uint8_t* row = out + std::size_t(y) * std::size_t(w);
        int next1 = 0, next2 = 0;
        for (int x = 0; x < w; ++x) {
            const int value = in[x] + ((r0[x] + next1 + 4) >> 3);
            const int ink = value < 128;
            row[x] = std::uint8_t(ink);
            const int e = value - (255 & (ink - 1));
            next1 = next2 + e;
            next2 = e;
            r1[x - 1] += e;
            r1[x] += e;
            r1[x + 1] += e;
            r2[x] = e;
        }
        int* done = r0;
        r0 = r1;
        r1 = r2;
        r2 = done;
        r2[-1] = r2[w] = 0;  // the shares that fell off the edges, never read
    }
}

void put16(std::vector<std::uint8_t>& out, std::size_t n)
{
    out.push_back(std::uint8_t(n & 0xFF));
    out.push_back(std::uint8_t((n >> 8) & 0xFF));
}

template <std::size_t N>
void put(std::vector<std::uint8_t>& out, const p::Command<N>& command)
{
    for (const std::uint8_t b : command) out.push_back(b);
}

// One row of dots as bytes, the highest bit leftmost; bits past the width are 0.
void packRow(const std::uint8_t* dots, int width, std::uint8_t* out)
{
    const int whole = width / 8;
    for (int i = 0; i < whole; ++i) {
        const std::uint8_t* d = dots + 8 * i;
        out[i] = std::uint8_t(d[0] << 7 | d[1] << 6 | d[2] << 5 | d[3] << 4 | d[4] << 3 | d[5] << 2 | d[6] << 1 | d[7]);
    }
    if (width % 8 != 0) {
        std::uint8_t last = 0;
        for (int x = whole * 8; x < width; ++x) last |= std::uint8_t(dots[x] << (7 - x % 8));
        out[whole] = last;
    }
}

// Rows [first, first + count) packed, row after row, onto `out`.
void packRows(const DotPicture& picture, int width, int first, int count, std::vector<std::uint8_t>& out)
{
    const std::size_t rowBytes = (std::size_t(width) + 7) / 8;
    const std::size_t at = out.size();
    out.resize(at + rowBytes * std::size_t(count));
    for (int r = 0; r < count; ++r)
        packRow(picture.dots.data() + std::size_t(first + r) * std::size_t(picture.width), width,
                out.data() + at + std::size_t(r) * rowBytes);
}

}  // namespace

std::string_view ditherName(Dither dither)
{
    return kDitherNames[std::size_t(dither)];
}

std::optional<Dither> ditherByName(std::string_view name)
{
    for (std::size_t i = 0; i < kDitherNames.size(); ++i)
        if (kDitherNames[i] == name) return Dither(i);
    return std::nullopt;
}

std::string_view modeName(ImageMode mode)
{
    return kModeNames[std::size_t(mode)];
}

std::optional<ImageMode> modeByName(std::string_view name)
{
    for (std::size_t i = 0; i < kModeNames.size(); ++i)
        if (kModeNames[i] == name) return ImageMode(i);
    return std::nullopt;
}

DotPicture dither(const GreyPicture& picture, Dither method, int level)
{
    if (picture.width <= 0 || picture.height <= 0 ||
        picture.grey.size() != std::size_t(picture.width) * std::size_t(picture.height))
        return DotPicture{};
    DotPicture dots{picture.width, picture.height, std::vector<std::uint8_t>(picture.grey.size())};
    switch (method) {
    case Dither::Threshold: threshold(picture, std::clamp(level, 0, 255), dots.dots.data()); break;
    case Dither::Ordered: ordered(picture, dots.dots.data()); break;
    case Dither::FloydSteinberg: floydSteinberg(picture, dots.dots.data()); break;
    case Dither::Atkinson: atkinson(picture, dots.dots.data()); break;
    }
    return dots;
}

GreyPicture cropToWidth(const GreyPicture& picture, int widthDots)
{
    if (widthDots <= 0 || picture.width <= widthDots) return picture;
    GreyPicture cropped{widthDots, picture.height, std::vector<std::uint8_t>(std::size_t(widthDots) * picture.height)};
    for (int y = 0; y < picture.height; ++y)
        std::copy_n(picture.grey.begin() + std::ptrdiff_t(y) * picture.width, widthDots,
                    cropped.grey.begin() + std::ptrdiff_t(y) * widthDots);
    return cropped;
}

std::string croppedNotice(int widthDots)
{
    return "cropped at " + std::to_string(widthDots) + " dots";
}

std::vector<std::uint8_t> PictureBytes::joined() const
{
    std::vector<std::uint8_t> all(start);
    for (const auto& band : bands) all.insert(all.end(), band.begin(), band.end());
    all.insert(all.end(), end.begin(), end.end());
    return all;
}

PictureBytes encode(const DotPicture& picture, ImageMode mode)
{
    PictureBytes bytes;
    // Every mode's width field holds at most 65,535 dots; a wider picture leaves its right part out.
    const int width = std::min(picture.width, 65535);
    const int height = picture.height;
    if (width <= 0 || height <= 0 || picture.dots.size() != std::size_t(picture.width) * std::size_t(height))
        return bytes;
    const std::size_t rowBytes = (std::size_t(width) + 7) / 8;
    switch (mode) {
    case ImageMode::Column: {
        put(bytes.start, p::LineSpacing24);
        const std::vector<std::uint8_t> blank(std::size_t(width), 0);
        for (int top = 0; top < height; top += 24) {
            std::vector<std::uint8_t> band;
            band.reserve(5 + 3 * std::size_t(width) + 1);
            put(band, p::BitImage24);
            put16(band, std::size_t(width));
            band.resize(band.size() + 3 * std::size_t(width), 0);
            std::uint8_t* columns = band.data() + 5;
            // A column's 24 dots gathered from the band's rows; rows past the picture are blank.
            std::array<const std::uint8_t*, 24> rows{};
            for (int r = 0; r < 24; ++r)
                rows[std::size_t(r)] = top + r < height
                                           ? picture.dots.data() + std::size_t(top + r) * std::size_t(picture.width)
                                           : blank.data();
            for (int x = 0; x < width; ++x) {
                std::uint32_t bits = 0;
                for (std::size_t r = 0; r < 24; ++r) bits = bits << 1 | rows[r][x];
                columns[3 * x] = std::uint8_t(bits >> 16);
                columns[3 * x + 1] = std::uint8_t(bits >> 8);
                columns[3 * x + 2] = std::uint8_t(bits);
            }
            put(band, p::LineFeed);
            bytes.bands.push_back(std::move(band));
        }
        put(bytes.end, p::DefaultLineSpacing);
        break;
    }
    case ImageMode::Raster:
        for (int top = 0; top < height; top += p::RasterImageMaxRows) {
            const int rows = std::min<int>(p::RasterImageMaxRows, height - top);
            std::vector<std::uint8_t> band;
            band.reserve(8 + rowBytes * std::size_t(rows));
            put(band, p::RasterImage);
            put16(band, rowBytes);
            put16(band, std::size_t(rows));
            packRows(picture, width, top, rows, band);
            bytes.bands.push_back(std::move(band));
        }
        break;
    case ImageMode::Graphics: {
        // As many rows a band as its count allows: 10 bytes of parameters and the data.
        const int most = int((p::GraphicsMaxParameterBytes - p::GraphicsStore.size() - 4) / rowBytes);
        for (int top = 0; top < height; top += most) {
            const int rows = std::min(most, height - top);
            const std::size_t data = rowBytes * std::size_t(rows);
            std::vector<std::uint8_t> band;
            band.reserve(15 + data + p::GraphicsPrint.size());
            put(band, p::GraphicsPrefix);
            put16(band, p::GraphicsStore.size() + 4 + data);
            put(band, p::GraphicsStore);
            put16(band, std::size_t(width));
            put16(band, std::size_t(rows));
            packRows(picture, width, top, rows, band);
            put(band, p::GraphicsPrint);
            bytes.bands.push_back(std::move(band));
        }
        break;
    }
    }
    return bytes;
}

}  // namespace printbench::pictures
