#pragma once

#include "scan/CodeRead.h"

#include <cstdint>
#include <vector>

namespace printbench::scan {

// Every code a barcode reader (zxing-cpp) finds in a grey picture: `width` x `height` bytes,
// row after row, 0 black to 255 white. In the order found, top to bottom; none: an empty list.
std::vector<CodeRead> readCodes(const std::uint8_t* grey, int width, int height);

}  // namespace printbench::scan
