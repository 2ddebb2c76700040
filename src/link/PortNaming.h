#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace printbench::link {

// What "COM<n>" reaches on this host.
struct PortTarget {
    std::optional<std::string> device;  // the device to open; none when nothing answers to it
    std::string description;            // one line for the port list's tooltip and messages
};

// The address of a raw TCP printer (the port that takes print data as it is, 9100 by custom).
struct TcpAddress {
    std::string host;  // a name or an address; an IPv6 address without its brackets
    std::uint16_t port = 9100;
    // "HOST:PORT", an IPv6 address in brackets.
    std::string text() const;
    // "tcp://HOST:PORT": the device of a port that reaches this printer.
    std::string device() const { return "tcp://" + text(); }
};

// "tcp://HOST[:PORT]" (PORT 1 to 65535, 9100 when left out; an IPv6 host in brackets),
// whitespace around it ignored; nullopt for anything else.
std::optional<TcpAddress> parseTcpAddress(std::string_view text);

// $XDG_CONFIG_HOME/printbench/ports, or ~/.config/printbench/ports.
std::filesystem::path defaultPortFolder();

// The host's serial devices in the order they are numbered: USB adapters (ttyUSB*, ttyACM*)
// first, then the others, each group sorted by name with numbers compared as numbers.
std::vector<std::string> orderHostDevices(std::vector<std::string> devices);

// "COM<n>" resolves, in order, to the entry named COM<n> in `folder`, otherwise to the n-th of
// `orderedHostDevices`. The entry is a link pointing at any tty (a USB adapter, a
// pseudo-terminal, a virtual printer), or a small text file holding tcp://HOST[:PORT] for a
// raw TCP printer, whose device is then "tcp://HOST:PORT"; a file holding anything else
// reaches no device, and its description says why.
PortTarget resolvePort(int n, const std::filesystem::path& folder, const std::vector<std::string>& orderedHostDevices);

}  // namespace printbench::link
