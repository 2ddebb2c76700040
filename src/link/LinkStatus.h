#pragma once

#include <string>
#include <utility>

namespace printbench::link {

// Why an operation of the link did not reach the printer.
enum class LinkFailure {
    None,
    NotOpen,        // a write while the serial port is closed
    OpenFailed,     // the device could not be opened (missing, busy, no permission, ...)
    WriteFailed,    // the operating system refused the bytes
    WriteTimedOut,  // the bytes were not taken in time (printer holding CTS, USB stall)
    Lost,           // the device went away while open
    NotConnected,   // no USB printer is connected
};

// Small result type of the link: a category and the system's reason, empty on success.
struct LinkStatus {
    LinkFailure failure = LinkFailure::None;
    std::string reason;

    static LinkStatus ok() { return {}; }
    static LinkStatus fail(LinkFailure f, std::string why) { return {f, std::move(why)}; }
    bool isOk() const { return failure == LinkFailure::None; }
};

}  // namespace printbench::link
