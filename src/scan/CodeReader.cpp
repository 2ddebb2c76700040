#include "scan/CodeReader.h"

#define ZX_USE_UTF8 1  // text() as UTF-8
#include <ZXing/ReadBarcode.h>

#include <algorithm>

namespace printbench::scan {

namespace {

CodeFound found(const ZXing::Result& r, int dx, int dy, int scale)
{
    const auto p = r.position();
    const auto xs = {p.topLeft().x, p.topRight().x, p.bottomLeft().x, p.bottomRight().x};
    const auto ys = {p.topLeft().y, p.topRight().y, p.bottomLeft().y, p.bottomRight().y};
    return {{ZXing::ToString(r.format()), r.text()},
            (std::min(xs) + dx) * scale,
            (std::min(ys) + dy) * scale,
            (std::max(xs) + dx) * scale,
            (std::max(ys) + dy) * scale};
}

// A band of rows with ink, between rows without: on a receipt, a line of text or one code.
struct Band {
    int top, bottom;  // bottom exclusive
};

std::vector<Band> bands(const std::uint8_t* grey, int width, int height)
{
    constexpr int Gap = 6;  // blank rows that part two bands
    std::vector<Band> out;
    int blank = Gap, top = -1;
    for (int y = 0; y <= height; ++y) {
        const std::uint8_t* row = grey + std::size_t(y) * std::size_t(width);
        const bool ink = y < height && *std::min_element(row, row + width) < 128;
        if (ink) {
            if (top < 0) top = y;
            blank = 0;
        } else if (top >= 0 && ++blank >= Gap) {
            out.push_back({top, y - blank + 1});
            top = -1;
        }
        if (y == height && top >= 0) out.push_back({top, height});
    }
    return out;
}

// Every code of a picture. zxing-cpp 1.4 stops on an assertion when one call reads several
// EAN/UPC codes (it compares their results): each call here asks for one code, which is then
// painted out of a copy of the band it lies in, and the band is read again. A receipt is read
// band by band, so that one code's scan lines never meet another's.
void read(const std::uint8_t* grey, int width, int height, int scale, std::vector<CodeFound>& results)
{
    ZXing::DecodeHints hints;
    hints.setTryHarder(true);
    hints.setTryRotate(true);
    hints.setMaxNumberOfSymbols(1);
    // Codabar's start and stop characters are part of what was sent; keep them.
    hints.setReturnCodabarStartEnd(true);
    constexpr int Margin = 8;  // white rows around a band, as the reader wants a quiet zone
    for (const Band& band : bands(grey, width, height)) {
        // The band alone, on white: rows of the next band would be read as codes of their own.
        const int top = band.top - Margin, rows = band.bottom - band.top + 2 * Margin;
        std::vector<std::uint8_t> copy(std::size_t(rows) * std::size_t(width), 255);
        std::copy(grey + std::size_t(band.top) * std::size_t(width),
                  grey + std::size_t(band.bottom) * std::size_t(width), copy.begin() + std::ptrdiff_t(Margin) * width);
        for (int tries = 0; tries < 64; ++tries) {
            const ZXing::ImageView image(copy.data(), width, rows, ZXing::ImageFormat::Lum);
            const ZXing::Result r = ZXing::ReadBarcode(image, hints);
            if (!r.isValid()) break;
            CodeFound code = found(r, 0, 0, 1);
            // Paint it out: a barcode across the band's height between its ends (its position is
            // the lines it was read on), a 2-D code within its corners.
            const bool linear = ZXing::BarcodeFormats(ZXing::BarcodeFormat::LinearCodes).testFlag(r.format());
            const int x0 = std::clamp(code.left - 2, 0, width), x1 = std::clamp(code.right + 3, 0, width);
            const int y0 = linear ? 0 : std::clamp(code.top - 2, 0, rows);
            const int y1 = linear ? rows : std::clamp(code.bottom + 3, 0, rows);
            if (x1 <= x0 || y1 <= y0) break;
            for (int y = y0; y < y1; ++y)
                std::fill_n(copy.begin() + std::ptrdiff_t(y) * width + x0, x1 - x0, std::uint8_t{255});
            results.push_back(found(r, 0, top, scale));
        }
    }
}

}  // namespace

std::vector<CodeRead> readCodes(const std::uint8_t* grey, int width, int height)
{
    std::vector<CodeRead> read;
    for (CodeFound& f : findCodes(grey, width, height)) read.push_back(std::move(f.code));
    return read;
}

std::vector<CodeFound> findCodes(const std::uint8_t* grey, int width, int height)
{
    std::vector<CodeFound> results;
    if (!grey || width <= 0 || height <= 0) return results;
    read(grey, width, height, 1, results);
    // A photo of a receipt: its bars may be too fine for the reader at full size. Codes found
    // only at half size join those found already.
    if (std::min(width, height) >= 1200) {
        const int w = width / 2, h = height / 2;
        std::vector<std::uint8_t> half(std::size_t(w) * std::size_t(h));
        for (int y = 0; y < h; ++y) {
            const std::uint8_t* a = grey + std::size_t(2 * y) * std::size_t(width);
            const std::uint8_t* b = a + width;
            for (int x = 0; x < w; ++x)
                half[std::size_t(y) * std::size_t(w) + std::size_t(x)] =
                    std::uint8_t((a[2 * x] + a[2 * x + 1] + b[2 * x] + b[2 * x + 1] + 2) / 4);
        }
        std::vector<CodeFound> more;
        read(half.data(), w, h, 2, more);
        for (CodeFound& f : more) {
            const bool known = std::any_of(results.begin(), results.end(), [&](const CodeFound& r) {
                return r.code.format == f.code.format && r.code.text == f.code.text;
            });
            if (!known) results.push_back(std::move(f));
        }
    }
    std::stable_sort(results.begin(), results.end(), [](const CodeFound& a, const CodeFound& b) {
        return a.top != b.top ? a.top < b.top : a.left < b.left;
    });
    return results;
}

}  // namespace printbench::scan
