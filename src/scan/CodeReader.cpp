#include "scan/CodeReader.h"

#define ZX_USE_UTF8 1  // text() as UTF-8
#include <ZXing/ReadBarcode.h>

#include <algorithm>

namespace printbench::scan {

std::vector<CodeRead> readCodes(const std::uint8_t* grey, int width, int height)
{
    std::vector<CodeRead> found;
    if (!grey || width <= 0 || height <= 0) return found;
    ZXing::DecodeHints hints;
    hints.setTryHarder(true);
    hints.setTryRotate(true);
    hints.setMaxNumberOfSymbols(255);
    // Codabar's start and stop characters are part of what was sent; keep them.
    hints.setReturnCodabarStartEnd(true);
    const ZXing::ImageView image(grey, width, height, ZXing::ImageFormat::Lum);
    struct Found {
        int top, left;
        CodeRead code;
    };
    std::vector<Found> results;
    for (const ZXing::Result& r : ZXing::ReadBarcodes(image, hints)) {
        if (!r.isValid()) continue;
        const auto position = r.position();
        const int top =
            std::min({position.topLeft().y, position.topRight().y, position.bottomLeft().y, position.bottomRight().y});
        const int left =
            std::min({position.topLeft().x, position.topRight().x, position.bottomLeft().x, position.bottomRight().x});
        results.push_back({top, left, {ZXing::ToString(r.format()), r.text()}});
    }
    std::stable_sort(results.begin(), results.end(),
                     [](const Found& a, const Found& b) { return a.top != b.top ? a.top < b.top : a.left < b.left; });
    for (Found& f : results) found.push_back(std::move(f.code));
    return found;
}

}  // namespace printbench::scan
