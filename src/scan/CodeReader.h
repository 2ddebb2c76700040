#pragma once

#include "scan/CodeRead.h"

#include <cstdint>
#include <vector>

namespace printbench::scan {

// Every code a barcode reader (zxing-cpp) finds in a grey picture: `width` x `height` bytes,
// row after row, 0 black to 255 white. In the order found, top to bottom; none: an empty list.
std::vector<CodeRead> readCodes(const std::uint8_t* grey, int width, int height);

// The same with where each code was seen: the box around the points the reader found it by, in
// pixels of the picture (for a barcode, the lines it was read on; for a 2-D code, its corners).
struct CodeFound {
    CodeRead code;
    int left = 0, top = 0, right = 0, bottom = 0;
};
std::vector<CodeFound> findCodes(const std::uint8_t* grey, int width, int height);

}  // namespace printbench::scan
