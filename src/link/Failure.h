#pragma once

#include "link/Route.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace printbench::link {

// What did not reach the printer, and why. The link, the port choice and the logo print give
// failures as these values; each program words them where it shows them (the window's message
// boxes, printbench-run's lines, the run log's fields).
enum class FailureKind {
    NotOpen,          // a send while the serial port is closed: nothing was sent
    NoDevice,         // the COM entry leads to no device (`reason` says what it leads to)
    BadSpeed,         // the speed list's text is not a number (`reason` holds it)
    OpenFailed,       // the device could not be opened
    WriteFailed,      // the operating system refused the bytes
    WriteTimedOut,    // the bytes were not taken in time (printer holding CTS, USB stall)
    Lost,             // the device went away while open
    UsbNotConnected,  // a send on USB with no USB printer connected
    UsbUnavailable,   // the USB printer of the model could not be connected (`usbResult` 1 to 5)
    UsbNoAnswer,      // a USB status read returned nothing (`usbResult` -1)
    NotABitmap,       // a logo print refused: not a bitmap this print takes (`reason`: what is wrong, if known)
    NotMonochrome,    // a logo print refused: its palette does not start with black
    WorkFileFailed,   // a logo print's work file could not be written: nothing was sent
};

struct Failure {
    FailureKind kind = FailureKind::OpenFailed;
    Route route = Route::None;
    std::string port;    // as the technician named it: "COM3", "USB", a device path, an address
    std::string device;  // what the port reached: "/dev/ttyS2", "tcp://192.168.1.50:9100"
    std::string reason;  // the operating system's or the driver's words (see the kinds above)
    std::optional<std::int32_t> usbResult;
    std::string file;  // the bitmap refused, or the work file not written

    static Failure of(FailureKind kind, Route route, std::string port = {}, std::string device = {},
                      std::string reason = {})
    {
        Failure f;
        f.kind = kind, f.route = route, f.port = std::move(port), f.device = std::move(device);
        f.reason = std::move(reason);
        return f;
    }
    Failure& withUsbResult(std::int32_t result) { return usbResult = result, *this; }
    Failure& withFile(std::string name) { return file = std::move(name), *this; }

    // A failure of the print itself rather than of the way to the printer.
    bool ofThePrint() const { return kind >= FailureKind::NotABitmap; }
};

// A stable English name of a kind: "not-open", "open-failed", "lost", ... (the run log's `kind`).
std::string_view failureKindId(FailureKind kind);
// What a result of the USB route means, in English: -1 to 5.
std::string_view usbResultMeaning(std::int32_t result);
// "COM3 (/dev/ttyS2)": the port, with the device it reached when that says more.
std::string portAndDevice(const Failure& f);

}  // namespace printbench::link
