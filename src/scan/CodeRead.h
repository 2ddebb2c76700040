#pragma once

#include <string>

namespace printbench::scan {

// One code a barcode reader found in a picture: its format as the reader names it ("EAN-13",
// "Code128", "QRCode", "DataBar", ...) and the text it read.
struct CodeRead {
    std::string format;
    std::string text;
};

}  // namespace printbench::scan
