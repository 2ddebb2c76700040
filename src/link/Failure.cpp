#include "link/Failure.h"

#include <array>

namespace printbench::link {

std::string_view failureKindId(FailureKind kind)
{
    static constexpr std::array<std::string_view, 13> kIds{
        "not-open",        "no-device",      "bad-speed",         "open-failed",     "write-failed",
        "write-timed-out", "lost",           "usb-not-connected", "usb-unavailable", "usb-no-answer",
        "not-a-bitmap",    "not-monochrome", "work-file-failed",
    };
    const auto i = static_cast<std::size_t>(kind);
    return i < kIds.size() ? kIds[i] : "unknown";
}

std::string_view usbResultMeaning(std::int32_t result)
{
    switch (result) {
    case -1: return "The USB printer did not answer";
    case 0: return "Connected";
    case 1: return "No USB printer was found";
    case 2: return "USB printers were found, but none of the chosen model";
    case 3: return "The USB printer may not be opened by this user (see the udev rule)";
    case 4: return "The USB printer is held by another program or driver";
    case 5: return "USB cannot be used on this computer (libusb did not start)";
    default: return "The USB printer could not be used";
    }
}

std::string portAndDevice(const Failure& f)
{
    if (f.device.empty() || f.device == f.port) return f.port;
    return f.port + " (" + f.device + ")";
}

}  // namespace printbench::link
