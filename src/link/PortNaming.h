#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace printbench::link {

// What "COM<n>" reaches on this host.
struct PortTarget {
    std::optional<std::string> device;  // the device to open; none when nothing answers to it
    std::string description;            // one line for the port list's tooltip and messages
};

// $XDG_CONFIG_HOME/printbench/ports, or ~/.config/printbench/ports.
std::filesystem::path defaultPortFolder();

// The host's serial devices in the order they are numbered: USB adapters (ttyUSB*, ttyACM*)
// first, then the others, each group sorted by name with numbers compared as numbers.
std::vector<std::string> orderHostDevices(std::vector<std::string> devices);

// "COM<n>" resolves, in order, to a link named COM<n> in `folder` (pointing at any tty: a USB
// adapter, a pseudo-terminal, a virtual printer), otherwise to the n-th of `orderedHostDevices`.
PortTarget resolvePort(int n, const std::filesystem::path& folder,
                       const std::vector<std::string>& orderedHostDevices);

} // namespace printbench::link
