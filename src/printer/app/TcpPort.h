#pragma once

#include "printer/app/PrinterPort.h"

#include <functional>
#include <string>

namespace printbench::printer {

// The printer on a TCP port, taking a raw stream as network printers do on port 9100. It serves
// one client at a time: while one is connected the next waits in the listen queue (its
// connection is made and what it sends is kept) until the first disconnects.
class TcpPort : public PrinterPort {
public:
    // Listens on `address` (a numeric IPv4 or IPv6 address) and `port` (0: one the system
    // picks). Throws std::runtime_error with a one-line message when it cannot. `note` is told
    // of each client coming and going.
    TcpPort(const std::string& address, int port, std::function<void(const std::string&)> note);
    ~TcpPort() override;
    TcpPort(const TcpPort&) = delete;
    TcpPort& operator=(const TcpPort&) = delete;

    int fd() const override { return m_client >= 0 ? m_client : m_listener; }
    std::size_t receive(std::span<std::uint8_t> buffer) override;
    bool write(const void* data, std::size_t n) override;
    std::string refusal() const override;
    std::string where() const override { return "tcp " + m_address; }

private:
    void drop();

    int m_listener = -1;
    int m_client = -1;
    std::string m_address;  // where it listens, with the port
    std::function<void(const std::string&)> m_note;
};

}  // namespace printbench::printer
