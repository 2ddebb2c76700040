#include "support/Pty.h"

#include <poll.h>
#include <pty.h>

#include <cerrno>
#include <stdexcept>

namespace printbench::testkit {

// True once `fd` has bytes to read, false at `end`.
static bool readable(int fd, std::chrono::steady_clock::time_point end)
{
    for (pollfd p{fd, POLLIN, 0};;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count();
        const int n = ::poll(&p, 1, left > 0 ? int(left) : 0);
        if (n >= 0 || errno != EINTR) return n > 0 && (p.revents & POLLIN);
    }
}

Pty::Pty()
{
    char name[64] = {};
    if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0) throw std::runtime_error("openpty failed");
    m_slavePath = name;
}

std::vector<std::uint8_t> Pty::read(std::size_t count, std::chrono::milliseconds timeout)
{
    std::vector<std::uint8_t> out(count);
    std::size_t got = 0;
    const auto end = std::chrono::steady_clock::now() + timeout;
    for (ssize_t n = 0; got < count && readable(m_master, end) && (n = ::read(m_master, out.data() + got, count - got)) > 0;)
        got += static_cast<std::size_t>(n);
    out.resize(got);
    return out;
}

bool Pty::write(const std::vector<std::uint8_t>& bytes)
{
    return ::write(m_master, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()) &&
           readable(m_slave, std::chrono::steady_clock::now() + std::chrono::seconds(5));
}

} // namespace printbench::testkit
