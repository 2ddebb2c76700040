#include "link/PortNaming.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <system_error>

namespace printbench::link {

namespace fs = std::filesystem;

fs::path defaultPortFolder()
{
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    fs::path base;
    if (xdg && *xdg == '/') {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        base = fs::path(home && *home ? home : "/") / ".config";
    }
    return base / "printbench" / "ports";
}

namespace {

bool isUsbAdapter(const std::string& device)
{
    const std::string name = fs::path(device).filename().string();
    return name.rfind("ttyUSB", 0) == 0 || name.rfind("ttyACM", 0) == 0;
}

// "ttyS2" before "ttyS10": runs of digits compare by value.
bool naturalLess(const std::string& a, const std::string& b)
{
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (std::isdigit(static_cast<unsigned char>(a[i])) && std::isdigit(static_cast<unsigned char>(b[j]))) {
            std::size_t ie = i, je = j;
            while (ie < a.size() && std::isdigit(static_cast<unsigned char>(a[ie]))) ++ie;
            while (je < b.size() && std::isdigit(static_cast<unsigned char>(b[je]))) ++je;
            std::string_view na(a.data() + i, ie - i), nb(b.data() + j, je - j);
            while (na.size() > 1 && na.front() == '0') na.remove_prefix(1);
            while (nb.size() > 1 && nb.front() == '0') nb.remove_prefix(1);
            if (na.size() != nb.size()) return na.size() < nb.size();
            if (na != nb) return na < nb;
            i = ie;
            j = je;
        } else {
            if (a[i] != b[j]) return a[i] < b[j];
            ++i;
            ++j;
        }
    }
    return a.size() - i < b.size() - j;
}

} // namespace

std::vector<std::string> orderHostDevices(std::vector<std::string> devices)
{
    std::sort(devices.begin(), devices.end(), [](const std::string& a, const std::string& b) {
        const bool ua = isUsbAdapter(a), ub = isUsbAdapter(b);
        if (ua != ub) return ua;
        const std::string na = fs::path(a).filename().string(), nb = fs::path(b).filename().string();
        if (naturalLess(na, nb)) return true;
        if (naturalLess(nb, na)) return false;
        return a < b;
    });
    devices.erase(std::unique(devices.begin(), devices.end()), devices.end());
    return devices;
}

PortTarget resolvePort(int n, const fs::path& folder, const std::vector<std::string>& orderedHostDevices)
{
    const std::string com = "COM" + std::to_string(n);
    const fs::path link = folder / com;
    std::error_code ec;
    const auto st = fs::symlink_status(link, ec);
    if (!ec && fs::exists(st)) {
        fs::path target = link;
        if (fs::is_symlink(st)) {
            target = fs::read_symlink(link, ec);
            if (ec) return {link.string(), com + ": " + link.string() + " (unreadable link)"};
            if (target.is_relative()) target = folder / target;
            target = target.lexically_normal();
        }
        std::error_code missing;
        if (!fs::exists(target, missing)) {
            return {target.string(), com + ": " + target.string() + " (link in " + folder.string() +
                                         "; that device does not exist)"};
        }
        return {target.string(), com + ": " + target.string() + " (link in " + folder.string() + ")"};
    }

    if (n >= 1 && static_cast<std::size_t>(n) <= orderedHostDevices.size()) {
        const std::string& device = orderedHostDevices[static_cast<std::size_t>(n - 1)];
        return {device, com + ": " + device};
    }
    const std::size_t count = orderedHostDevices.size();
    return {std::nullopt, com + ": no device (no link " + com + " in " + folder.string() + ", and the host lists " +
                              std::to_string(count) + (count == 1 ? " serial device)" : " serial devices)")};
}

} // namespace printbench::link
