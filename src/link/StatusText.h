#pragma once

#include <cstdint>
#include <string>

namespace printbench::link {

// "Hex : " then "0" below 16, then the value in upper-case hexadecimal: 5 -> "Hex : 05",
// 255 -> "Hex : FF". A negative value shows its 32-bit two's complement: -2 -> "Hex : 0FFFFFFFE".
std::string statusDisplayText(std::int32_t value);

// Upper-case hexadecimal without leading zeros, of the value's 32-bit pattern.
std::string upperHex(std::uint32_t value);

} // namespace printbench::link
