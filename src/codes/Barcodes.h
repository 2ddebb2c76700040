#pragma once

#include "codes/Codes.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

// The data of a 1-D barcode checked per symbology: the bytes GS k sends and the width of the
// bars in modules (narrow elements; wide ones counted at three).
namespace printbench::codes {

struct BarcodeData {
    std::vector<std::uint8_t> bytes;
    int modules = 0;
};

// The bytes and width, or the refusal naming the symbology and the character or length at fault.
std::variant<BarcodeData, std::string> barcodeData(Symbology symbology, std::string_view typed);

}  // namespace printbench::codes
