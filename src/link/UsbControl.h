#pragma once

#include "link/LinkStatus.h"

#include <cstdint>
#include <string>

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
} // namespace usb_result

// The USB printer control, known by its member numbers. Members 3 and 4 may gather bytes;
// flush() hands them to the printer in order.
class UsbControl {
public:
    virtual ~UsbControl() = default;

    virtual std::int32_t openByModel(const std::string& model) = 0;  // member 2
    virtual void sendByte(std::int16_t byte) = 0;                     // member 3, 0 to 255
    virtual void sendText(const std::string& text) = 0;               // member 4, UTF-8
    virtual std::int32_t readStatusOldFirmware() = 0;                 // member 5, -1 on failure
    virtual std::int32_t readStatus() = 0;                            // member 6, -1 on failure

    virtual LinkStatus flush() = 0;
};

// The text of a USB connect or status read that failed, with the result in decimal.
std::string usbErrorText(std::int32_t result);

} // namespace printbench::link
