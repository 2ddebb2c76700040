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

    std::int64_t atMs = 0;  // the host's monotonic clock
    Route route = Route::None;
    Direction direction = Direction::Sent;
    std::span<const std::uint8_t> bytes;  // valid only during the call
};

// Sees every byte the link sends and receives. The link asks for the time and builds the
// record only while a tap listens.
class Tap {
public:
    virtual ~Tap() = default;
    virtual void traffic(const Traffic& t) = 0;
};

} // namespace printbench::link
