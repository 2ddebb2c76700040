// libFuzzer target over the logo print: the header check, the geometry, the row file, the
// column file, the bands encodeBand makes of it and the page-mode stream bitmap::SendLogo
// sends, on the serial route for inputs of odd length and the USB route for the others. The
// link is the test kit's rig with nothing written down: its far ends only count bytes.
//
// Besides what the sanitizers catch, it stops on a row or column file of the wrong size, on a
// band that is not ESC * 33 nL nH, three bytes a column and LF, and on a band stream whose
// length differs from the set-up, the bands and the closing bytes.

#include "bitmap/BitmapConversion.h"
#include "bitmap/LogoPrint.h"
#include "support/Benches.h"

#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

namespace {

using namespace printbench;

// Both routes of one link: COM3 open on the recorder's serial port, and USB.
struct Routes {
    testkit::Rig rig;
    link::PrinterChannel* serial = nullptr;
    link::PrinterChannel* usb = nullptr;

    Routes()
    {
        rig.rec.recording = false;
        serial = &rig.serial();
        usb = &rig.usb();
    }
};

// A band as the printer takes it: 1B 2A 21, n low byte first, 3n bytes, 0A.
bool framedBand(const std::vector<std::uint8_t>& band, std::size_t n)
{
    return band.size() == 5 + 3 * n + 1 && band[0] == 0x1B && band[1] == 0x2A && band[2] == 0x21 &&
           band[3] == static_cast<std::uint8_t>(n & 0xFF) && band[4] == static_cast<std::uint8_t>(n >> 8) &&
           band.back() == 0x0A;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static Routes routes;
    const std::span<const std::uint8_t> file(data, size);
    // The print asks for the geometry only of a file the check lets through; the geometry and
    // the conversion are taken here whatever the check says, since neither relies on it.
    (void)bitmap::CheckBitmapHeader(file);
    const bitmap::GeometryResult result = bitmap::logoGeometry(file);
    if (!result.geometry) return 0;
    const bitmap::LogoGeometry& g = *result.geometry;

    const std::vector<std::uint8_t> rows = bitmap::WriteRowFile(file, g);
    if (rows.size() != static_cast<std::size_t>(g.RowFileBytes)) std::abort();
    const std::vector<std::uint8_t> columns = bitmap::BuildColumnFile(rows, g);
    if (columns.size() != static_cast<std::size_t>(g.ImageWidth) * static_cast<std::size_t>(g.ColumnBytes))
        std::abort();

    // The first band and the last, which may hold fewer than three bytes of each column.
    const std::size_t n = static_cast<std::size_t>(g.bandColumns());
    std::vector<std::uint8_t> band;
    for (const int b : {0, g.bands() - 1}) {
        bitmap::encodeBand(g, columns, b, band);
        if (!framedBand(band, n)) std::abort();
    }

    testkit::Recorder& rec = routes.rig.rec;
    rec.serial.bytesWritten = rec.usb.bytesWritten = 0;
    bitmap::SendLogo(size % 2 ? *routes.serial : *routes.usb, g, columns);
    // 18 set-up bytes, per band ESC * 33 n1 n2, three bytes a column and LF, 12 closing bytes,
    // all of them on the route chosen.
    const std::size_t expected = 18 + static_cast<std::size_t>(g.bands()) * (5 + 3 * n + 1) + 12;
    const std::uint64_t onRoute = size % 2 ? rec.serial.bytesWritten : rec.usb.bytesWritten;
    if (onRoute != expected || rec.serial.bytesWritten + rec.usb.bytesWritten != expected) std::abort();
    return 0;
}
