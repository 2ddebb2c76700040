#pragma once

#include <cstdint>

namespace printbench::status {

// What a status byte received on the serial line asks of PrintBench.
enum class FaultClass {
    Normal,           // 0, 8, 10, 16 to 31
    Fault,            // 1 to 7, 9: stop, recover
    FaultWithSettle,  // 11 to 15, 32 to 255: stop, recover, wait 300 ms
};

FaultClass faultClass(std::uint8_t status);

} // namespace printbench::status
