#pragma once

#include <QImage>

#include <string>
#include <vector>

namespace printbench::testkit {

// printbench-printer's log of two passes of "Full Cut" and "Feed" at the start-up settings, from
// the GS a 1 of the port's opening on; `receipt` is the file the second pass's cut writes.
inline std::string twoPassesOfFullCutAndFeed(const std::string& receipt)
{
    return "00000000  GS a 1: automatic status back on\n# status 0x12 sent\n00000003  GS ( K 49 m=0: print density 0\n"
           "0000000A  ESC i: full cut\n0000000C  DLE EOT 2: send the offline status\n# status 0x12 sent\n"
           "0000000F  DLE EOT 2: send the offline status\n# status 0x12 sent\n00000012  ESC J 100: print and feed 100 dots\n"
           "00000015  ESC i: full cut\n# receipt " + receipt + ": 432 x 100 dots, full cut\n"
           "00000017  DLE EOT 2: send the offline status\n# status 0x12 sent\n"
           "0000001A  DLE EOT 2: send the offline status\n# status 0x12 sent\n0000001D  ESC J 100: print and feed 100 dots\n";
}

// The dots of a receipt from row `top` on that differ from a 1-bit bitmap's rows (a 0 bit is
// black), over 48 rows and the receipt's width.
inline int dotsUnlikeTheBitmap(const QImage& receipt, int top, const std::vector<std::vector<std::uint8_t>>& rows, int width)
{
    int differing = 0;
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < receipt.width(); ++x) {
            const bool inside = y < int(rows.size()) && x < width;
            const bool black = inside && !((rows[std::size_t(y)][std::size_t(x / 8)] >> (7 - x % 8)) & 1);
            differing += (qGray(receipt.pixel(x, top + y)) < 128) != black;
        }
    return differing;
}

} // namespace printbench::testkit
