#pragma once

#include "bitmap/BitmapConversion.h"
#include "link/Channel.h"

#include <cstdint>
#include <filesystem>
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
void encodeBand(const LogoGeometry& g, std::span<const std::uint8_t> columnFile, int band, std::vector<std::uint8_t>& out);

// The logo in page mode: line spacing and the page area, every band, then print, feed, cut and
// recover. The parameter bytes of ESC 3 and ESC W go one at a time, the fixed commands as
// commands, each band as a block. Nothing without a route.
void SendLogo(link::PrinterChannel& channel, const LogoGeometry& g, std::span<const std::uint8_t> columnFile);

// How a print ended, and the text to show for it (empty when it was sent).
struct LogoPrintResult {
    enum class Outcome {
        Sent,             // sent over the channel (nothing, without a route)
        Refused,          // not a bitmap this print takes: a warning naming the file
        WorkFileFailed,   // a work file could not be written: nothing was sent
    };
    Outcome outcome = Outcome::Sent;
    std::string message;
};

// Prints the bitmap `name` of `folder`: checks it, converts it through the two work files in
// `workFolder` (made for the print and removed on every path; a left-over regular file is
// replaced, a link or anything else refused) and sends it.
LogoPrintResult PrintLogo(const std::filesystem::path& folder, const std::string& name,
                          const std::filesystem::path& workFolder, link::PrinterChannel& channel);

} // namespace printbench::bitmap
