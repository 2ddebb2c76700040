#include "printer/app/PseudoTerminal.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <stdexcept>
#include <system_error>
#include <termios.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace printbench::printer {

PseudoTerminal::PseudoTerminal(const fs::path& portFolder, int comNumber)
{
    if (comNumber < 1 || comNumber > 11)
        throw std::runtime_error("COM" + std::to_string(comNumber) + " is not a port of PrintBench: choose 1 to 11");
    char name[256] = {};
    termios raw{};
    cfmakeraw(&raw);
    cfsetspeed(&raw, B19200);
    if (openpty(&m_master, &m_slave, name, &raw, nullptr) != 0)
        throw std::runtime_error(std::string("cannot open a pseudo-terminal: ") + std::strerror(errno));
    m_device = name;
    fcntl(m_master, F_SETFD, FD_CLOEXEC);
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
    fcntl(m_slave, F_SETFD, FD_CLOEXEC);

    std::error_code ec;
    fs::create_directories(portFolder, ec);
    const fs::path link = portFolder / ("COM" + std::to_string(comNumber));
    if (fs::is_symlink(fs::symlink_status(link, ec))) {
        // A link left by a printer that did not end cleanly leads nowhere and may go.
        if (fs::exists(link, ec)) {
            const std::string target = fs::read_symlink(link, ec).string();
            ::close(m_master);
            ::close(m_slave);
            throw std::runtime_error(
                link.string() + " already leads to " + target +
                " (another virtual printer or a real port): choose another --com or remove the link");
        }
        fs::remove(link, ec);
    } else if (fs::exists(fs::symlink_status(link, ec))) {
        ::close(m_master);
        ::close(m_slave);
        throw std::runtime_error(link.string() + " exists and is not a link: choose another --com");
    }
    fs::create_symlink(m_device, link, ec);
    if (ec) {
        ::close(m_master);
        ::close(m_slave);
        throw std::runtime_error("cannot link " + link.string() + " to " + m_device + ": " + ec.message());
    }
    m_link = link;
}

PseudoTerminal::~PseudoTerminal()
{
    std::error_code ec;
    if (!m_link.empty() && fs::is_symlink(fs::symlink_status(m_link, ec)) && fs::read_symlink(m_link, ec) == m_device)
        fs::remove(m_link, ec);
    ::close(m_slave);
    ::close(m_master);
}

std::size_t PseudoTerminal::receive(std::span<std::uint8_t> buffer)
{
    const ssize_t n = ::read(m_master, buffer.data(), buffer.size());
    return n > 0 ? std::size_t(n) : 0;
}

bool PseudoTerminal::write(const void* data, std::size_t n)
{
    return writeWhole(m_master, data, n, false);
}

}  // namespace printbench::printer
