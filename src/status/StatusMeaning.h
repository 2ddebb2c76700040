#pragma once

#include <cstdint>
#include <string>

namespace printbench::status {

// What a status byte received on the serial line asks of the bench.
enum class FaultClass {
    Normal,           // 0, 8, 10, 16 to 31
    Fault,            // 1 to 7, 9: stop, recover
    FaultWithSettle,  // 11 to 15, 32 to 255: stop, recover, wait 300 ms
};

FaultClass faultClass(std::uint8_t status);

// "Hex : " then "0" below 16, then the value in upper-case hexadecimal: 5 -> "Hex : 05",
// 255 -> "Hex : FF". A negative value shows its 32-bit two's complement: -2 -> "Hex : 0FFFFFFFE".
std::string statusDisplayText(std::int32_t value);

// Upper-case hexadecimal without leading zeros, of the value's 32-bit pattern.
std::string upperHex(std::uint32_t value);

}  // namespace printbench::status
