#include "scan/CodeReader.h"

#define ZX_USE_UTF8 1  // text() as UTF-8
#include <ZXing/ReadBarcode.h>

#include <algorithm>

namespace printbench::scan {

namespace {

void read(const std::uint8_t* grey, int width, int height, int scale, std::vector<CodeFound>& results)
{
    ZXing::DecodeHints hints;
    hints.setTryHarder(true);
    hints.setTryRotate(true);
    hints.setMaxNumberOfSymbols(255);
    // zxing-cpp 1.4 stops on an assertion when it reads several EAN/UPC codes of one picture in
    // its downscaled copies too (a receipt with UPC-A, UPC-E and EAN-13): the reader never
    // downscales by itself; a large picture is read again at half size (below).
    hints.setTryDownscale(false);
    // Codabar's start and stop characters are part of what was sent; keep them.
    hints.setReturnCodabarStartEnd(true);
    const ZXing::ImageView image(grey, width, height, ZXing::ImageFormat::Lum);
    for (const ZXing::Result& r : ZXing::ReadBarcodes(image, hints)) {
        if (!r.isValid()) continue;
        const auto p = r.position();
        const auto xs = {p.topLeft().x, p.topRight().x, p.bottomLeft().x, p.bottomRight().x};
        const auto ys = {p.topLeft().y, p.topRight().y, p.bottomLeft().y, p.bottomRight().y};
        results.push_back({{ZXing::ToString(r.format()), r.text()},
                           std::min(xs) * scale,
                           std::min(ys) * scale,
                           std::max(xs) * scale,
                           std::max(ys) * scale});
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
