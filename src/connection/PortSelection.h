#pragma once

#include "link/PrinterLink.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace printbench::connection {

// Opens COM<n> at the speed of the speed list's text, with no parity, 8 data bits, 1 stop bit,
// RTS/CTS handshaking and RTS asserted (an open port is closed first), and sends GS a 1 to turn
// on automatic status back. On failure the port stays closed and the text to show comes back.
std::optional<std::string> OpenSerialPort(link::PrinterLink& link, int portNumber, std::string_view speedText);

// The USB printer of a model: connected (result 0) or not, with the text to show either way.
struct UsbConnection {
    std::int32_t result = 0;
    std::string message;
    bool connected() const { return result == 0; }
};
UsbConnection ConnectUsb(link::PrinterLink& link, const std::string& model);

} // namespace printbench::connection
