#pragma once

#include "link/LinkStatus.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace printbench::link {

// Results of member 2 (open by model name). 0 means connected; the others are shown to the
// user in decimal.
namespace usb_result {
inline constexpr std::int32_t Connected = 0;
inline constexpr std::int32_t NoPrinterFound = 1;    // no USB printer at all
inline constexpr std::int32_t NoSuchModel = 2;       // printers present, none of that model
inline constexpr std::int32_t PermissionDenied = 3;  // the device may not be opened by this user
inline constexpr std::int32_t Busy = 4;              // another program holds the printer
inline constexpr std::int32_t Unavailable = 5;       // the USB stack (libusb) could not be started
}  // namespace usb_result

// The USB printer control, known by its member numbers. Members 3 and 4 may gather bytes;
// flush() hands them to the printer in order.
class UsbControl {
public:
    virtual ~UsbControl() = default;

    // Member 2: connects the printer whose model name matches, letting go of the one connected
    // before; a usb_result. Bytes gathered and not flushed are dropped.
    virtual std::int32_t openByModel(const std::string& model) = 0;
    // Member 3: one byte (0 to 255), after every byte sent before it.
    virtual void sendByte(std::int16_t byte) = 0;
    // Member 4: text in UTF-8; it reaches the printer in the host's code page.
    virtual void sendText(const std::string& text) = 0;
    // Members 5 (printers with the older firmware) and 6: the printer's status byte, or -1 when
    // it cannot be read (nothing connected, no answer in time, the device gone).
    virtual std::int32_t readStatusOldFirmware() = 0;
    virtual std::int32_t readStatus() = 0;

    // Hands what members 3 and 4 gathered to the printer, in transfers of at most 16 KiB.
    // Nothing gathered: ok. Sent while no printer is connected: NotConnected; a printer that
    // went away: Lost, and it is no longer connected. What was gathered is gone either way.
    virtual LinkStatus flush() = 0;
    // The bytes gathered since the last flush, as for SerialPort::gathered.
    virtual std::optional<std::span<const std::uint8_t>> gathered() const { return std::nullopt; }

    // Beyond the members: what the printer sends back within `timeoutMs` (the answer to a query
    // sent and flushed before), empty when nothing came or nothing is connected; and the
    // connected printer's IEEE 1284 device ID ("MFG:...;MDL:...;SN:...;").
    virtual std::vector<std::uint8_t> readReply(int /*timeoutMs*/) { return {}; }
    virtual std::optional<std::string> deviceId() { return std::nullopt; }
};

}  // namespace printbench::link
