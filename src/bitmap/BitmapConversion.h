#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace printbench::bitmap {

// Offsets of the fields a logo print reads; the pixel data is taken to start at 62, after a
// 14-byte file header, a 40-byte information header and a two-entry palette.
inline constexpr std::size_t kPixelDataOffset = 62;

// The 4-byte little-endian field at `offset` as a signed 32-bit value; 0 past the end.
std::int32_t ReadHeaderLong(std::span<const std::uint8_t> file, std::size_t offset);

enum class HeaderCheck {
    Valid,
    NotABitmap,     // W1: the signature is not "BM"
    TooShort,       // W1 as well: shorter than the 62-byte header
    NotBlackFirst,  // W2: palette entry 0 is not black
};

// The signature at 0 and 1 must be 66 77 ("BM"); the four bytes of palette entry 0 (54..57)
// must be 0, tested in that order.
HeaderCheck CheckBitmapHeader(std::span<const std::uint8_t> file);

// The geometry of the bitmap being printed. Fields named as the conversion names them.
struct LogoGeometry {
    std::int32_t ImageWidth = 0;
    std::int32_t ImageHeight = 0;
    std::int32_t DeclaredFileSize = 0;
    std::int32_t RowBytes = 0;      // ImageWidth in whole bytes
    std::uint8_t RowPad = 0;        // stored rows are padded to 4 bytes
    std::int32_t ColumnBytes = 0;   // ImageHeight in whole bytes
    std::uint8_t PadRows = 0;       // blank rows below the image up to a multiple of 8
    std::int64_t RowFileBytes = 0;  // N: pixel-data bytes the row file receives

    std::int32_t stride() const { return RowBytes + RowPad; }
    std::int32_t bandColumns() const { return RowBytes * 8; }     // n
    std::int32_t bands() const { return (ColumnBytes + 2) / 3; }  // full bands and a partial one
};

// The geometry from the header, or why this file cannot be printed as a logo: a field with its
// top byte at 128 or more, a zero width or height, a declared size below one stored row of
// pixel data or beyond the file's length, or dimensions the band command cannot carry (more
// than 32,760 dots across, more than 255 bands).
struct GeometryResult {
    std::optional<LogoGeometry> geometry;
    std::string refusal;
};
GeometryResult logoGeometry(std::span<const std::uint8_t> file);

// The row file zq_logo.tmp: rows of RowBytes without padding, top image row first, every byte
// inverted so that a 1 bit is a black dot. The last stored row is found from the declared
// size; bytes past it are ignored and padding is never read. A byte that would lie before the
// pixel data reads as blank.
std::vector<std::uint8_t> WriteRowFile(std::span<const std::uint8_t> file, const LogoGeometry& g);

// The column file zq_logo.ver: ImageWidth columns of ColumnBytes each; byte k of a column holds
// image rows 8k to 8k+7, the upper row in the most significant bit. Rows past the row file
// (the PadRows below the image) are blank.
std::vector<std::uint8_t> BuildColumnFile(std::span<const std::uint8_t> rowFile, const LogoGeometry& g);

}  // namespace printbench::bitmap
