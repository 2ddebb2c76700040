#include "support/Pty.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <pty.h>
#include <stdexcept>

namespace printbench::testkit {

namespace {

bool readable(int fd, std::chrono::milliseconds timeout)
{
    pollfd p{fd, POLLIN, 0};
    int n = 0;
    while ((n = ::poll(&p, 1, static_cast<int>(std::max<std::int64_t>(timeout.count(), 0)))) < 0 && errno == EINTR) {}
    return n > 0 && (p.revents & POLLIN);
}

} // namespace

Pty::Pty()
{
    char name[64] = {};
    if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0) throw std::runtime_error("openpty failed");
    m_slavePath = name;
    // Raw from the start: a fresh pair echoes and translates line ends.
    if (termios raw{}; ::tcgetattr(m_slave, &raw) == 0) ::cfmakeraw(&raw), ::tcsetattr(m_slave, TCSANOW, &raw);
}

Pty::~Pty()
{
    closeMaster();
    if (m_slave >= 0) ::close(m_slave);
}

std::vector<std::uint8_t> Pty::read(std::size_t count, std::chrono::milliseconds timeout)
{
    std::vector<std::uint8_t> out(count);
    std::size_t got = 0;
    for (const auto end = std::chrono::steady_clock::now() + timeout; got < count && m_master >= 0;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !readable(m_master, left)) break;
        const ssize_t n = ::read(m_master, out.data() + got, count - got);
        if (n > 0) got += static_cast<std::size_t>(n);
        else if (n == 0 || (errno != EINTR && errno != EAGAIN)) break;
    }
    out.resize(got);
    return out;
}

bool Pty::write(std::span<const std::uint8_t> bytes)
{
    std::size_t done = 0;
    while (done < bytes.size() && m_master >= 0) {
        const ssize_t n = ::write(m_master, bytes.data() + done, bytes.size() - done);
        if (n > 0) done += static_cast<std::size_t>(n);
        else if (n == 0 || errno != EINTR) return false;
    }
    return done == bytes.size();
}

bool Pty::waitForSlaveInput(std::chrono::milliseconds timeout) const
{
    return m_slave >= 0 && readable(m_slave, timeout);
}

} // namespace printbench::testkit
