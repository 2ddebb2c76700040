#pragma once

#include <termios.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace printbench::testkit {

// A pseudo-terminal pair standing in for a printer on a serial line. The program under test
// opens slavePath(); the test plays the printer on the master side. The pair's own slave
// descriptor stays open until destruction, so the master never sees "no slave" between a
// close and a reopen, and the line's settings can be read while the program holds it.
class Pty {
public:
    // Throws std::runtime_error when the system has no pseudo-terminals to give.
    Pty();
    ~Pty();
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    // "/dev/pts/N"; the node goes away once the master is closed.
    const std::string& slavePath() const { return m_slavePath; }
    // -1 once closed.
    int masterFd() const { return m_master; }

    // Bytes the program sent, until `count` have arrived or `timeout` passes without enough
    // of them: fewer than `count` means they did not come.
    std::vector<std::uint8_t> read(std::size_t count,
                                   std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // The printer sends bytes back; false when the master is closed or refuses them.
    bool write(std::span<const std::uint8_t> bytes);
    // True once bytes the printer sent are waiting on the program's side of the line, false
    // if none arrive within `timeout`.
    bool waitForSlaveInput(std::chrono::milliseconds timeout = std::chrono::seconds(5)) const;
    // The printer goes away: the slave side is hung up.
    void closeMaster();

    // The line settings as the program left them; nullopt when they cannot be read.
    std::optional<termios> lineSettings() const;

private:
    int m_master = -1;
    int m_slave = -1;
    std::string m_slavePath;
};

} // namespace printbench::testkit
