#pragma once

#include "link/Route.h"

#include <cstdint>
#include <span>
#include <string>

namespace printbench::link {

using Bytes = std::span<const std::uint8_t>;

// The printer, reached over one route. Every subsystem sends through this; each route keeps
// the call pattern of its own send operations, so the bytes on the wire are the same either
// way and only the split into calls differs.
class PrinterChannel {
public:
    virtual ~PrinterChannel() = default;

    virtual Route route() const = 0;

    // A fixed command (codes below 128): one text write on serial, one member-3 call a byte
    // on USB.
    virtual void command(Bytes bytes) = 0;
    // One byte of any value alone: a one-byte byte-array write on serial, one member-3 call
    // on USB.
    virtual void byte(std::uint8_t b) = 0;
    // A block of bytes of any value: one byte-array write on serial, one member-3 call a byte
    // on USB.
    virtual void bytes(Bytes bytes) = 0;
    // Text for the printer (UTF-8): a text write in the host's code page on serial, one
    // member-4 call on USB.
    virtual void text(const std::string& utf8) = 0;
    // Asks for the printer's status: DLE EOT 2 on serial, whose answer comes back through the
    // receive event; a status read on USB, reported at once (LinkEvents::usbStatusRead).
    virtual void requestStatus() = 0;

    // A blocking wait and an event pass. Both are flush points: what has been sent leaves
    // first.
    virtual void wait(std::int64_t ms) = 0;
    virtual void letEventsIn() = 0;
};

}  // namespace printbench::link
