#pragma once

#include "status/StatusMeaning.h"

#include <cstdint>
#include <string>

namespace printbench::cockpit {

// How a status reads at a glance: green, amber, red.
enum class Severity { Good, Warning, Bad };

// A status value in words. The class is the bench's own (what it does on the byte); the
// conditions are the bits of the ESC/POS offline status the bench asks for with DLE EOT 2:
// 0x04 cover open, 0x08 offline (paper fed by the feed button), 0x20 paper end, 0x40 error.
struct StatusReading {
    std::int32_t value = 0;
    status::FaultClass faultClass = status::FaultClass::Normal;
    // The named conditions joined by ", ", or the class when the byte names none:
    // "normal", "fault", "fault, needs time to settle". Values outside 0 to 255 (a USB
    // status member can return them) read "not a status byte".
    std::string meaning;
    Severity severity = Severity::Good;
};

StatusReading readStatus(std::int32_t value);

// "0x32": the value as two hexadecimal digits (more for values above 255).
std::string hexValue(std::int32_t value);

// "normal", "fault", "fault that needs time to settle".
const char* classText(status::FaultClass c);

}  // namespace printbench::cockpit
