#pragma once

#include <string>

namespace printbench::scan {

// One code a barcode reader found in a picture: its format as the reader names it ("EAN-13",
// "Code128", "QRCode", "DataBar", ...), the text it read, and the bytes the code holds as they
// were stored, before the reader guessed their character set (none when it does not say).
struct CodeRead {
    std::string format;
    std::string text;
    std::string bytes = {};
};

}  // namespace printbench::scan
