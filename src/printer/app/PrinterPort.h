#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace printbench::printer {

// The printer's end of its link to the host: a serial line (a pseudo-terminal) or a TCP port.
// The serve loop waits until fd() is readable and then calls receive(); the descriptor may
// change after each call (a TCP port waits for a client, then reads from it).
class PrinterPort {
public:
    virtual ~PrinterPort() = default;

    virtual int fd() const = 0;
    // Takes what fd() has to give: the number of bytes for the printer put into `buffer`,
    // 0 when nothing came for it (a client came or went, or a read was interrupted).
    virtual std::size_t receive(std::span<std::uint8_t> buffer) = 0;
    // Writes all of `n` bytes; false when they cannot go, and refusal() says why.
    virtual bool write(const void* data, std::size_t n) = 0;
    virtual std::string refusal() const = 0;
    // Where the host finds the printer, for the first line of the log.
    virtual std::string where() const = 0;
};

} // namespace printbench::printer
