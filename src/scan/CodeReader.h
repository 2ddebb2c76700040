#pragma once

#include "scan/CodeRead.h"

#include <cstdint>
#include <string>
#include <vector>

namespace printbench::scan {

// A code found, with where it was seen: the box around the points the reader found it by, in
// pixels of the picture (for a barcode, the lines it was read on; for a 2-D code, its corners).
struct CodeFound {
    CodeRead code;
    int left = 0, top = 0, right = 0, bottom = 0;
};

struct Reading {
    std::vector<CodeFound> codes;  // top to bottom, left to right
    // Empty when the whole picture was read; else the rows the reader could not read (it stopped
    // on them), whose codes are missing from `codes`.
    std::string trouble;

    std::vector<CodeRead> reads() const;
};

// Every code a barcode reader (zxing-cpp) finds in a grey picture: `width` x `height` bytes,
// row after row, 0 black to 255 white.
Reading readCodes(const std::uint8_t* grey, int width, int height);

}  // namespace printbench::scan
