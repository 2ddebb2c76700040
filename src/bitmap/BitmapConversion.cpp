#include "bitmap/BitmapConversion.h"

#include <cmath>

namespace printbench::bitmap {

std::int32_t ReadHeaderLong(std::span<const std::uint8_t> file, std::size_t offset)
{
    if (offset + 4 > file.size()) return 0;
    const std::uint32_t v = file[offset] | file[offset + 1] << 8 | file[offset + 2] << 16 |
                            static_cast<std::uint32_t>(file[offset + 3]) << 24;
    return static_cast<std::int32_t>(v);
}

HeaderCheck CheckBitmapHeader(std::span<const std::uint8_t> file)
{
    if (file.size() < 2 || file[0] != 66 || file[1] != 77) return HeaderCheck::NotABitmap;
    if (file.size() < kPixelDataOffset) return HeaderCheck::TooShort;
    for (std::size_t i = 54; i <= 57; ++i) {
        if (file[i] != 0) return HeaderCheck::NotBlackFirst;
    }
    return HeaderCheck::Valid;
}

GeometryResult logoGeometry(std::span<const std::uint8_t> file)
{
    if (file.size() < kPixelDataOffset) {
        return {std::nullopt, "The file is shorter than the 62-byte header of a monochrome bitmap."};
    }
    for (const std::size_t offset : {18u, 22u, 2u}) {
        if (file[offset + 3] >= 128) {
            return {std::nullopt, offset == 22 ? "The height is negative (a bitmap stored top row first)."
                                               : "A header field is out of range."};
        }
    }
    LogoGeometry g;
    g.ImageWidth = ReadHeaderLong(file, 18);
    g.ImageHeight = ReadHeaderLong(file, 22);
    g.DeclaredFileSize = ReadHeaderLong(file, 2);
    if (g.ImageWidth == 0 || g.ImageHeight == 0) return {std::nullopt, "The image has no width or no height."};
    // A band carries at most 32,767 columns, whole bytes of 8: 32,760 dots.
    if (g.ImageWidth > 32760) return {std::nullopt, "The image is wider than a band can carry (32,760 dots)."};

    g.RowBytes = g.ImageWidth / 8 + (g.ImageWidth % 8 ? 1 : 0);
    g.RowPad = static_cast<std::uint8_t>((4 - g.RowBytes % 4) % 4);
    g.ColumnBytes = g.ImageHeight / 8 + (g.ImageHeight % 8 ? 1 : 0);
    g.PadRows = static_cast<std::uint8_t>((8 - g.ImageHeight % 8) % 8);

    if (g.bands() > 255) return {std::nullopt, "The image is taller than 255 bands of 24 dots."};
    if (static_cast<std::int64_t>(g.DeclaredFileSize) < static_cast<std::int64_t>(kPixelDataOffset) + g.stride()) {
        return {std::nullopt, "The declared file size leaves no room for a row of pixels."};
    }
    if (static_cast<std::uint64_t>(g.DeclaredFileSize) > file.size()) {
        return {std::nullopt, "The file is shorter than its header says."};
    }
    // N = RowBytes / stride × (DeclaredFileSize − 62), to the nearest integer, halves to even.
    const double n = static_cast<double>(g.RowBytes) / g.stride() * (g.DeclaredFileSize - 62.0);
    g.RowFileBytes = static_cast<std::int64_t>(std::nearbyint(n));
    return {g, {}};
}

std::vector<std::uint8_t> WriteRowFile(std::span<const std::uint8_t> file, const LogoGeometry& g)
{
    std::vector<std::uint8_t> rows(static_cast<std::size_t>(g.RowFileBytes));
    const std::int64_t begin = static_cast<std::int64_t>(kPixelDataOffset);
    const std::int64_t end = std::min<std::int64_t>(g.DeclaredFileSize, static_cast<std::int64_t>(file.size()));
    const std::int64_t total = g.RowFileBytes;
    // Row r of the row file is the r-th stored row counted from the last, which starts one
    // stride before the declared end; the padding after each stored row is never read.
    std::int64_t from = static_cast<std::int64_t>(g.DeclaredFileSize) - g.stride();
    for (std::int64_t q = 0; q < total; q += g.RowBytes, from -= g.stride()) {
        const std::int64_t count = std::min<std::int64_t>(g.RowBytes, total - q);
        for (std::int64_t k = 0; k < count; ++k) {
            const std::int64_t p = from + k;
            rows[static_cast<std::size_t>(q + k)] =
                p >= begin && p < end ? static_cast<std::uint8_t>(~file[static_cast<std::size_t>(p)]) : 0;
        }
    }
    return rows;
}

std::vector<std::uint8_t> BuildColumnFile(std::span<const std::uint8_t> rowFile, const LogoGeometry& g)
{
    const std::size_t width = static_cast<std::size_t>(g.ImageWidth);
    const std::size_t columnBytes = static_cast<std::size_t>(g.ColumnBytes);
    const std::size_t rowBytes = static_cast<std::size_t>(g.RowBytes);
    std::vector<std::uint8_t> columns(width * columnBytes, 0);
    const std::size_t size = rowFile.size();
    // Eight rows at a time: the same byte of rows 8k..8k+7 is an 8 x 8 block of dots, and its
    // transpose is byte k of the block's eight columns. Rows past the row file are blank. The
    // image is taken in strips of 64 columns so that the rows read and the columns written
    // stay in the cache while a strip is done.
    for (std::size_t strip = 0; strip < rowBytes && strip * 8 < width; strip += 8) {
        const std::size_t stripEnd = std::min(rowBytes, strip + 8);
        for (std::size_t k = 0; k < columnBytes && 8 * k * rowBytes < size; ++k) {
            const std::size_t first = 8 * k * rowBytes;  // row 8k in the row file
            const bool whole = first + 8 * rowBytes <= size;
            for (std::size_t byteColumn = strip; byteColumn < stripEnd && byteColumn * 8 < width; ++byteColumn) {
                // Row 8k in the top byte, the leftmost dot in each byte's top bit.
                std::uint64_t m = 0;
                for (std::size_t r = 0; r < 8; ++r) {
                    const std::size_t at = first + r * rowBytes + byteColumn;
                    m = m << 8 | (whole || at < size ? rowFile[at] : 0u);
                }
                if (m == 0) continue;
                std::uint64_t t = (m ^ (m >> 7)) & 0x00AA00AA00AA00AAull;
                m ^= t ^ (t << 7);
                t = (m ^ (m >> 14)) & 0x0000CCCC0000CCCCull;
                m ^= t ^ (t << 14);
                t = (m ^ (m >> 28)) & 0x00000000F0F0F0F0ull;
                m ^= t ^ (t << 28);
                // Column byteColumn * 8 + i is now byte i from the top, the upper row in its top bit.
                std::uint8_t* out = columns.data() + byteColumn * 8 * columnBytes + k;
                const std::size_t dots = std::min<std::size_t>(8, width - byteColumn * 8);
                for (std::size_t i = 0; i < dots; ++i)
                    out[i * columnBytes] = static_cast<std::uint8_t>(m >> (56 - 8 * i));
            }
        }
    }
    return columns;
}

}  // namespace printbench::bitmap
