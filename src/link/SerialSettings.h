#pragma once

#include "link/SerialPort.h"

#include <optional>
#include <string>

namespace printbench::link {

// "19200" -> "19200,n,8,1": the speed, no parity, 8 data bits, 1 stop bit.
std::string lineSettingsString(const std::string& speedText);

// A settings string taken apart, for an adapter that configures a real port.
struct LineSettings {
    int baud = 0;
    char parity = 'n';  // n, e, o, m, s
    int dataBits = 8;
    int stopBits = 1;   // 1 or 2; 15 for 1.5
};

// Parses "speed,parity,data,stop"; nullopt when any field is unusable.
std::optional<LineSettings> parseLineSettings(const std::string& settings);

} // namespace printbench::link
