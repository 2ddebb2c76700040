#pragma once

#include "link/Failure.h"

#include <cstdint>

namespace printbench::link {

// What the link tells the layer above it. The link itself never shows a message and never
// stops a run: the window layer implements this.
class LinkEvents {
public:
    virtual ~LinkEvents() = default;

    // Bytes from the printer wait on the serial port (the receive event, code 2). Runs inside
    // a handler scope of its own.
    virtual void serialDataArrived() = 0;

    // A status read asked for through the USB channel has returned `value` (-1: the status
    // could not be read).
    virtual void usbStatusRead(std::int32_t value) = 0;

    // A send failed or the line was lost: whatever runs must end at its next check.
    // `reported`: this handler has reported a failure already, so this one is not shown again.
    virtual void linkFailed(const Failure& failure, bool reported) = 0;
};

}  // namespace printbench::link
