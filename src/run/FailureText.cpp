#include "run/FailureText.h"

namespace printbench::run {

using link::FailureKind;

namespace {

std::string usbResultText(const link::Failure& f)
{
    const std::int32_t r = f.usbResult.value_or(-1);
    return std::string(link::usbResultMeaning(r)) + " (result " + std::to_string(r) + ")";
}

}  // namespace

std::string failureReason(const link::Failure& f)
{
    switch (f.kind) {
    case FailureKind::NotOpen: return "the port is not open, so nothing was sent";
    case FailureKind::BadSpeed: return "the speed \"" + f.reason + "\" is not a number";
    case FailureKind::UsbUnavailable:
    case FailureKind::UsbNoAnswer: return usbResultText(f);
    case FailureKind::NotABitmap:
        return f.file + " is not a bitmap that can be printed" + (f.reason.empty() ? "" : ": " + f.reason);
    case FailureKind::NotMonochrome: return f.file + " is not black and white: convert it to monochrome";
    case FailureKind::WorkFileFailed: return "the work file " + f.file + " could not be written: " + f.reason;
    default: break;
    }
    return f.reason.empty() ? "the link failed" : f.reason;
}

std::string failureLine(const link::Failure& f)
{
    std::string port = f.route == link::Route::Usb ? "the USB printer" : link::portAndDevice(f);
    if (port.empty()) port = "the serial port";
    switch (f.kind) {
    case FailureKind::NotOpen: return port + " is not open, so nothing was sent";
    case FailureKind::NoDevice: return f.reason;  // names the port and what it leads to
    case FailureKind::BadSpeed:
    case FailureKind::OpenFailed: return port + " could not be opened: " + failureReason(f);
    case FailureKind::UsbUnavailable: return "the USB printer could not be connected: " + usbResultText(f);
    case FailureKind::UsbNoAnswer: return "the USB printer's status could not be read: " + usbResultText(f);
    case FailureKind::Lost: return "the connection to " + port + " was lost: " + failureReason(f);
    case FailureKind::NotABitmap:
    case FailureKind::NotMonochrome:
    case FailureKind::WorkFileFailed: return "nothing was printed: " + failureReason(f);
    case FailureKind::WriteFailed:
    case FailureKind::WriteTimedOut:
    case FailureKind::UsbNotConnected: break;
    }
    return "sending to " + port + " failed: " + failureReason(f);
}

std::string stopDetail(const RunRecord& r)
{
    return r.failure ? failureReason(*r.failure) : std::string();
}

}  // namespace printbench::run
