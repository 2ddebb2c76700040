#pragma once

#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace printbench::testkit {

// A pseudo-terminal pair standing in for a printer on a serial line: the program opens
// slavePath(), the test plays the printer on the master. Its own slave stays open, so the line
// settings can be read; they start with echo and line editing, so what shows is what the program set.
class Pty {
public:
    Pty();  // throws std::runtime_error when the system has no pseudo-terminal to give
    ~Pty() { closeMaster(); ::close(m_slave); }
    Pty(Pty&&) = delete;  // and so no copies either
    const std::string& slavePath() const { return m_slavePath; }
    int masterFd() const { return m_master; }  // -1 once closed
    // What the program sent, until `count` bytes or `timeout`: fewer means they did not come.
    std::vector<std::uint8_t> read(std::size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // The printer answers; true once the bytes wait on the program's side.
    bool write(const std::vector<std::uint8_t>& bytes);
    void closeMaster() { if (m_master >= 0) ::close(std::exchange(m_master, -1)); }  // the printer goes away: a hang-up
    termios lineSettings() const { termios t{}; ::tcgetattr(m_slave, &t); return t; }

private:
    int m_master = -1, m_slave = -1;
    std::string m_slavePath;
};

} // namespace printbench::testkit
