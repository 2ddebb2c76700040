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

    g.RowBytes = g.ImageWidth / 8 + (g.ImageWidth % 8 ? 1 : 0);
    g.RowPad = static_cast<std::uint8_t>((4 - g.RowBytes % 4) % 4);
    g.ColumnBytes = g.ImageHeight / 8 + (g.ImageHeight % 8 ? 1 : 0);
    g.PadRows = static_cast<std::uint8_t>((8 - g.ImageHeight % 8) % 8);

    if (g.bandColumns() > 32767) return {std::nullopt, "The image is wider than a band can carry (4,095 bytes a row)."};
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
    const std::int64_t end = std::min<std::int64_t>(g.DeclaredFileSize, static_cast<std::int64_t>(file.size()));
    std::int64_t p = static_cast<std::int64_t>(g.DeclaredFileSize) - g.stride();
    std::int64_t copied = 0;
    for (auto& out : rows) {
        out = p >= static_cast<std::int64_t>(kPixelDataOffset) && p < end
                  ? static_cast<std::uint8_t>(~file[static_cast<std::size_t>(p)])
                  : 0;
        ++p;
        // From the end of the row just copied to the start of the row stored before it.
        if (++copied % g.RowBytes == 0) p -= 2 * g.RowBytes + g.RowPad;
    }
    return rows;
}

std::vector<std::uint8_t> BuildColumnFile(std::span<const std::uint8_t> rowFile, const LogoGeometry& g)
{
    const std::size_t width = static_cast<std::size_t>(g.ImageWidth);
    const std::size_t columnBytes = static_cast<std::size_t>(g.ColumnBytes);
    const std::size_t rowBytes = static_cast<std::size_t>(g.RowBytes);
    std::vector<std::uint8_t> columns(width * columnBytes, 0);
    const std::size_t rows = std::min(columnBytes * 8, rowFile.size() / rowBytes + 1);
    // Row by row: each row-file byte gives one bit to eight neighbouring columns.
    for (std::size_t y = 0; y < rows; ++y) {
        const std::size_t k = y / 8;
        const std::uint8_t rowBit = static_cast<std::uint8_t>(0x80u >> (y % 8));
        for (std::size_t byteColumn = 0; byteColumn < rowBytes; ++byteColumn) {
            const std::size_t at = y * rowBytes + byteColumn;
            if (at >= rowFile.size()) break;
            const std::uint8_t v = rowFile[at];
            if (v == 0) continue;
            for (std::size_t bit = 0; bit < 8; ++bit) {
                const std::size_t x = byteColumn * 8 + bit;
                if (x >= width) break;
                if (v & (0x80u >> bit)) columns[x * columnBytes + k] |= rowBit;
            }
        }
    }
    return columns;
}

} // namespace printbench::bitmap
