#pragma once

#include "link/Route.h"

#include <cstdint>
#include <span>

namespace printbench::link {

// One passage of bytes through the link, as the printer gets them or as they came back.
// Sent bytes are those of one send operation, already in the host's code page; received
// bytes are those read from the serial port, or the byte a USB status read returned.
struct Traffic {
    enum class Direction { Sent, Received };

    // The host's monotonic clock: when sent bytes were handed to the operating system; when a
    // received byte reached the host (the port's own stamp where it keeps one, which may be
    // well before the receive handler read it), or when a USB status read returned.
    std::int64_t atMs = 0;
    Route route = Route::None;
    Direction direction = Direction::Sent;
    std::span<const std::uint8_t> bytes;  // valid only during the call
    // Received bytes that answer a query of the bench (the printer's identity): not statuses.
    bool answer = false;
};

// Sees every byte the link sends and receives. The link asks for the time and builds the
// record only while a tap listens.
class Tap {
public:
    virtual ~Tap() = default;
    virtual void traffic(const Traffic& t) = 0;
    // A status request left on `route` at `atMs` (the host's monotonic clock): DLE EOT 2 on the
    // serial line, or a USB status read about to be made. Its answer, if any, comes as received
    // traffic.
    virtual void statusRequested(Route /*route*/, std::int64_t /*atMs*/) {}
};

}  // namespace printbench::link
