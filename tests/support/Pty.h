#pragma once

#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace printbench::testkit {

// A pseudo-terminal pair standing in for a printer on a serial line: the program opens
// slavePath(), the test plays the printer on the master. The pair keeps its own slave
// descriptor open, so the master always has a slave and the line settings can be read.
class Pty {
public:
    Pty();  // throws std::runtime_error when the system has no pseudo-terminal to give
    ~Pty();
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    const std::string& slavePath() const { return m_slavePath; }
    int masterFd() const { return m_master; }  // -1 once closed
    // What the program sent, until `count` bytes or `timeout`: fewer means they did not come.
    std::vector<std::uint8_t> read(std::size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // The printer answers; false when the master is closed or refuses the bytes.
    bool write(std::span<const std::uint8_t> bytes);
    // True once the printer's bytes wait on the program's side, false after `timeout`.
    bool waitForSlaveInput(std::chrono::milliseconds timeout = std::chrono::seconds(5)) const;
    // The printer goes away: the slave side is hung up.
    void closeMaster() { if (m_master >= 0) ::close(std::exchange(m_master, -1)); }
    // The line settings as the program left them; nullopt when they cannot be read.
    std::optional<termios> lineSettings() const
    {
        termios t{};
        return m_slave >= 0 && ::tcgetattr(m_slave, &t) == 0 ? std::optional(t) : std::nullopt;
    }

private:
    int m_master = -1, m_slave = -1;
    std::string m_slavePath;
};

} // namespace printbench::testkit
