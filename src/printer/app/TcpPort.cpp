#include "printer/app/TcpPort.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace printbench::printer {

namespace {

// "127.0.0.1:9100", "[::1]:9100"
std::string endpoint(const std::string& host, const std::string& port)
{
    return (host.find(':') != std::string::npos ? "[" + host + "]" : host) + ":" + port;
}

std::string endpoint(const sockaddr_storage& address, socklen_t length)
{
    char host[NI_MAXHOST] = "?", port[NI_MAXSERV] = "?";
    ::getnameinfo(reinterpret_cast<const sockaddr*>(&address), length, host, sizeof host, port, sizeof port,
                  NI_NUMERICHOST | NI_NUMERICSERV);
    return endpoint(host, port);
}

}  // namespace

TcpPort::TcpPort(const std::string& address, int port, std::function<void(const std::string&)> note)
    : m_note(std::move(note))
{
    const std::string service = std::to_string(port);
    const std::string asked = "cannot listen on " + endpoint(address, service) + ": ";
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICHOST | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    if (const int e = ::getaddrinfo(address.c_str(), service.c_str(), &hints, &found))
        throw std::runtime_error(asked + (e == EAI_NONAME ? "not an IPv4 or IPv6 address" : ::gai_strerror(e)));
    std::string reason = "no such address";
    for (const addrinfo* a = found; a && m_listener < 0; a = a->ai_next) {
        const int s = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, a->ai_protocol);
        const int on = 1;
        if (s >= 0 && ::setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) == 0 &&
            ::bind(s, a->ai_addr, a->ai_addrlen) == 0 && ::listen(s, 8) == 0) {
            m_listener = s;
        } else {
            reason = std::strerror(errno);
            if (s >= 0) ::close(s);
        }
    }
    ::freeaddrinfo(found);
    if (m_listener < 0) throw std::runtime_error(asked + reason);
    sockaddr_storage bound{};
    socklen_t length = sizeof bound;
    ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&bound), &length);
    m_address = endpoint(bound, length);
}

TcpPort::~TcpPort()
{
    drop();
    ::close(m_listener);
}

void TcpPort::drop()
{
    if (m_client >= 0) ::close(m_client);
    m_client = -1;
}

std::size_t TcpPort::receive(std::span<std::uint8_t> buffer)
{
    if (m_client < 0) {
        sockaddr_storage from{};
        socklen_t length = sizeof from;
        m_client = ::accept4(m_listener, reinterpret_cast<sockaddr*>(&from), &length, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (m_client >= 0) {
            const int on = 1;  // a status byte leaves at once, not with the next one
            ::setsockopt(m_client, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
            m_note("connection from " + endpoint(from, length));
        }
        return 0;
    }
    const ssize_t n = ::recv(m_client, buffer.data(), buffer.size(), 0);
    if (n > 0) return std::size_t(n);
    if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) return 0;
    // The client hung up or the connection broke: the printer keeps its paper and waits for the next.
    drop();
    m_note("connection closed");
    return 0;
}

bool TcpPort::write(const void* data, std::size_t n)
{
    return m_client >= 0 ? writeWhole(m_client, data, n, true) : n == 0;
}

std::string TcpPort::refusal() const
{
    return m_client < 0 ? "no client is connected" : "the connection refuses it";
}

}  // namespace printbench::printer
