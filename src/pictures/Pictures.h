#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Pictures of any source printed as one-bit images: a grey picture dithered to dots, and the
// dots as the bytes of ESC * 33 (column), GS v 0 (raster) or GS ( L (graphics).
namespace printbench::pictures {

// A grey picture, row by row from the top: 0 is black, 255 white (paper).
struct GreyPicture {
    int width = 0, height = 0;
    std::vector<std::uint8_t> grey;  // width × height
};

// A one-bit picture, row by row from the top, one byte a dot: 1 is ink, 0 paper.
struct DotPicture {
    int width = 0, height = 0;
    std::vector<std::uint8_t> dots;  // width × height
    bool operator==(const DotPicture&) const = default;
};

// How grey becomes dots.
// - Threshold: ink where grey < level (0 to 255): at level 128, 127 is ink and 128 paper;
//   level 0 inks nothing, 255 everything but white.
// - Ordered: an 8×8 Bayer matrix; ink where grey < 4·m + 2 for the cell's m (0 to 63).
// - FloydSteinberg: the error of each dot to its right (7/16) and to the next row (3, 5, 1/16).
// - Atkinson: 1/8 of the error to each of six neighbours; the other 2/8 are dropped, so light and
//   dark areas come out flatter and with more contrast than Floyd–Steinberg's.
enum class Dither { Threshold, Ordered, FloydSteinberg, Atkinson };
inline constexpr int kDefaultThreshold = 128;

// How the dots are sent.
// - Column: ESC 3 24, then each band of 24 rows as ESC * 33 nL nH (n = width in dots), three bytes
//   a column (top byte first, its highest bit the top dot) and LF, then ESC 2. The last band is
//   padded with blank rows.
// - Raster: GS v 0 0 xL xH yL yH and the rows (x = ⌈width/8⌉ bytes, the highest bit leftmost,
//   padding bits 0), at most 256 rows a command.
// - Graphics: each band stored with GS ( L pL pH 48 112 48 1 1 49 xL xH yL yH (x in dots,
//   pL pH = 10 + its data bytes, at most 65,535), then printed with GS ( L 2 0 48 50.
enum class ImageMode { Column, Raster, Graphics };

// Names as printbench-run takes them: "threshold", "ordered", "floyd-steinberg", "atkinson";
// "column", "raster", "graphics".
std::string_view ditherName(Dither dither);
std::optional<Dither> ditherByName(std::string_view name);
std::string_view modeName(ImageMode mode);
std::optional<ImageMode> modeByName(std::string_view name);

// The picture as dots. `level` is the threshold's (clamped to 0..255); the other methods ignore it.
DotPicture dither(const GreyPicture& picture, Dither method, int level = kDefaultThreshold);

// The left `widthDots` columns of a picture wider than that; the picture itself otherwise.
GreyPicture cropToWidth(const GreyPicture& picture, int widthDots);
// What the technician is told of a crop: "cropped at 576 dots".
std::string croppedNotice(int widthDots);

// A picture made to fit a print width, and what was done to it when that is worth telling
// ("cropped at 576 dots"); empty otherwise.
struct FittedPicture {
    GreyPicture picture;
    std::string notice;
};

// The bytes of a picture in one mode: what goes before the bands, each band (sent whole, with an
// event pass and a stop check between bands), and what ends them.
struct PictureBytes {
    std::vector<std::uint8_t> start;
    std::vector<std::vector<std::uint8_t>> bands;
    std::vector<std::uint8_t> end;
    // All of them in order.
    std::vector<std::uint8_t> joined() const;
};
PictureBytes encode(const DotPicture& picture, ImageMode mode);

}  // namespace printbench::pictures
