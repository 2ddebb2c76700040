#pragma once

// Literal byte streams that more than one test expects on the wire, in hex as tests write them.

#include "support/Recorder.h"

#include <string>
#include <vector>

namespace printbench::testkit {

// `hex` n times, space-separated: a literal repeated, as the printer receives it.
inline std::string times(const std::string& hex, int n)
{
    std::string out;
    for (int i = 0; i < n; ++i) out += (out.empty() ? "" : " ") + hex;
    return out;
}

// A 10 x 3 logo and what it prints as, on either route.
inline const std::vector<std::uint8_t> kTenByThree = monochromeBmp(10, 3, {{0x0F, 0x3F}, {0xF0, 0x7F}, {0x55, 0xBF}});
inline const std::string kTenByThreeStream =
    "1B 33 18 1B 4C 1B 54 00 1B 57 00 00 00 00 AF 01 08 02 "  // set-up
    "1B 2A 21 10 00 "                                            // ESC * 33, n = 16
    "A0 00 00 80 00 00 A0 00 00 80 00 00 60 00 00 40 00 00 60 00 00 40 00 00 C0 00 00 A0 00 00 "
    "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 0A "  // columns 10 to 15 blank, LF
    "1B 0C 1B 53 1B 4A 7F 1B 69 10 05 02";                       // print, feed, cut, recover

// The test pattern at 432 dots with the density list's step 10: what precedes the first
// repetition, how a repetition starts, and how the last one ends with the closing commands (on
// serial a status request before them). A repetition with the closing is 942 bytes on USB.
inline const std::string kTestPatternOpening =
    "1D 28 4B 02 00 31 05 1B 33 18 1A 31 1A 43 1A 32 1A 43 1A 31 1A 57 00 00 B0 01 1A 32";
inline const std::string kTestPatternRepetitionStart = "1A 57 00 00 01 00 1A 57 03 00 04 00";
inline std::string testPatternEnd(bool usb)
{
    return "1A 57 B0 01 B1 01 0A 1A 4F " + times("1A 31 0A", 10) + " 1A 46 0A 1A 4F " + times("1A 32 0A", 10) +
           (usb ? "" : " 10 04 02") + " 1A 46 1B 32";
}

} // namespace printbench::testkit
