#pragma once

#include "link/PrinterLink.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace printbench::connection {

// Opens COM<n> at the speed of the speed list's text, with no parity, 8 data bits, 1 stop bit,
// RTS/CTS handshaking and RTS asserted (an open port is closed first), and sends GS a 1 to turn
// on automatic status back. On failure the port stays closed and the failure comes back.
std::optional<link::Failure> OpenSerialPort(link::PrinterLink& link, int portNumber, std::string_view speedText);

// The USB printer of a model: connected (result 0) or not.
struct UsbConnection {
    std::int32_t result = 0;
    std::string model;
    bool connected() const { return result == 0; }
    // Why it is not connected (kind UsbUnavailable, with the result).
    link::Failure failure() const;
};
UsbConnection ConnectUsb(link::PrinterLink& link, const std::string& model);

}  // namespace printbench::connection
