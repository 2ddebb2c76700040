#include "integration/Pty.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <unistd.h>

namespace printbench::testkit {

Pty::Pty()
{
    if (::openpty(&m_master, &m_slave, nullptr, nullptr, nullptr) != 0)
        throw std::runtime_error(std::string("openpty failed: ") + std::strerror(errno));
    // A fresh pair echoes and translates line ends; raw mode lets 0x00 to 0xFF through as
    // they are even before the program sets up the line.
    termios raw{};
    if (::tcgetattr(m_slave, &raw) == 0) {
        ::cfmakeraw(&raw);
        ::tcsetattr(m_slave, TCSANOW, &raw);
    }
    const char* name = ::ttyname(m_slave);
    if (!name) {
        const int e = errno;
        ::close(m_slave);
        ::close(m_master);
        throw std::runtime_error(std::string("ttyname failed: ") + std::strerror(e));
    }
    m_slavePath = name;
}

Pty::~Pty()
{
    closeMaster();
    if (m_slave >= 0) ::close(m_slave);
}

std::vector<std::uint8_t> Pty::read(std::size_t count, std::chrono::milliseconds timeout)
{
    std::vector<std::uint8_t> out;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (out.size() < count && m_master >= 0) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd p{m_master, POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) break;
        std::uint8_t buf[4096];
        const std::size_t want = std::min(sizeof buf, count - out.size());
        const ssize_t n = ::read(m_master, buf, want);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n <= 0) break;
        out.insert(out.end(), buf, buf + n);
    }
    return out;
}

bool Pty::write(std::span<const std::uint8_t> bytes)
{
    std::size_t done = 0;
    while (done < bytes.size() && m_master >= 0) {
        const ssize_t n = ::write(m_master, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return done == bytes.size();
}

bool Pty::waitForSlaveInput(std::chrono::milliseconds timeout) const
{
    if (m_slave < 0) return false;
    pollfd p{m_slave, POLLIN, 0};
    int ready = 0;
    do {
        ready = ::poll(&p, 1, static_cast<int>(timeout.count()));
    } while (ready < 0 && errno == EINTR);
    return ready > 0 && (p.revents & POLLIN);
}

void Pty::closeMaster()
{
    if (m_master >= 0) ::close(m_master);
    m_master = -1;
}

std::optional<termios> Pty::lineSettings() const
{
    termios t{};
    if (m_slave < 0 || ::tcgetattr(m_slave, &t) != 0) return std::nullopt;
    return t;
}

} // namespace printbench::testkit
