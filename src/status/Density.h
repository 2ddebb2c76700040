#pragma once

#include <cstdint>

namespace printbench::status {

// The density list's index (0 "-5" ... 5 "0" ... 10 "+5") as the signed step in one byte:
// index 0 is 0xFB, index 4 is 0xFF, index 5 is 0x00, index 10 is 0x05.
std::uint8_t densityByte(int index);

} // namespace printbench::status
