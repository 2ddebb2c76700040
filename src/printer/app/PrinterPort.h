#pragma once

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
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

// Writes all of `n` bytes to a non-blocking descriptor, a socket (sent without SIGPIPE) or
// not; false when it fails, or stays full for 200 ms because nobody reads the other end.
inline bool writeWhole(int fd, const void* data, std::size_t n, bool socket)
{
    const auto* p = static_cast<const unsigned char*>(data);
    while (n > 0) {
        const ssize_t w = socket ? ::send(fd, p, n, MSG_NOSIGNAL) : ::write(fd, p, n);
        if (w < 0 && errno == EINTR) continue;
        if (w < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd out{fd, POLLOUT, 0};
            if (::poll(&out, 1, 200) <= 0) return false;
            continue;
        }
        if (w <= 0) return false;
        p += w;
        n -= std::size_t(w);
    }
    return true;
}

}  // namespace printbench::printer
