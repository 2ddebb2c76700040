#pragma once

#include "bitmap/BitmapConversion.h"
#include "link/Channel.h"
#include "link/Failure.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace printbench::bitmap {

// The work files of a logo print, in the folder given for them.
inline constexpr const char* kRowFileName = "zq_logo.tmp";
inline constexpr const char* kColumnFileName = "zq_logo.ver";

// Band `band` (counting from 0) of the column file as the printer takes it: ESC * 33 nL nH,
// three bytes for each of the n columns (the part of the band a column holds; blank past the
// image or below its last row), LF. `out` is resized to 5 + 3n + 1 bytes.
void encodeBand(const LogoGeometry& g, std::span<const std::uint8_t> columnFile, int band,
                std::vector<std::uint8_t>& out);

// The logo in page mode: line spacing and the page area, every band, then print, feed, cut and
// recover. The parameter bytes of ESC 3 and ESC W go one at a time, the fixed commands as
// commands, each band as a block. Nothing without a route.
void SendLogo(link::PrinterChannel& channel, const LogoGeometry& g, std::span<const std::uint8_t> columnFile);

// How a print ended: sent, or why not (kind NotABitmap or NotMonochrome: not a bitmap this
// print takes, `file` naming it; WorkFileFailed: a work file could not be written, `file` its
// path). Nothing is sent when it fails.
struct LogoPrintResult {
    std::optional<link::Failure> failure;
    bool sent() const { return !failure; }
};

// Prints the bitmap `name` of `folder`: checks it, converts it through the two work files in
// `workFolder` (made for the print and removed on every path; a left-over regular file is
// replaced, a link or anything else refused) and sends it.
LogoPrintResult PrintLogo(const std::filesystem::path& folder, const std::string& name,
                          const std::filesystem::path& workFolder, link::PrinterChannel& channel);

}  // namespace printbench::bitmap
