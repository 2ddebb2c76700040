#include "link/PortNaming.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <fstream>
#include <iterator>
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

std::string TcpAddress::text() const
{
    const std::string name = host.find(':') == std::string::npos ? host : "[" + host + "]";
    return name + ":" + std::to_string(port);
}

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
    return text;
}

}  // namespace

std::optional<TcpAddress> parseTcpAddress(std::string_view text)
{
    constexpr std::string_view scheme = "tcp://";
    text = trimmed(text);
    if (!text.starts_with(scheme)) return std::nullopt;
    text.remove_prefix(scheme.size());

    std::string_view host = text, port;
    if (text.starts_with('[')) {  // [IPv6]
        const std::size_t close = text.find(']');
        if (close == std::string_view::npos) return std::nullopt;
        host = text.substr(1, close - 1);
        if (host.find(':') == std::string_view::npos ||
            host.find_first_not_of("0123456789abcdefABCDEF:.") != std::string_view::npos)
            return std::nullopt;
        text.remove_prefix(close + 1);
        if (!text.empty() && !text.starts_with(':')) return std::nullopt;
        port = text.empty() ? "9100" : text.substr(1);
    } else {
        const std::size_t colon = text.find(':');
        host = text.substr(0, colon);
        port = colon == std::string_view::npos ? "9100" : text.substr(colon + 1);
        const bool nameChars = std::all_of(host.begin(), host.end(), [](char c) {
            return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '.' || c == '_';
        });
        if (host.empty() || !nameChars) return std::nullopt;
    }
    unsigned value = 0;
    const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), value);
    if (port.empty() || error != std::errc() || end != port.data() + port.size() || value < 1 || value > 65535)
        return std::nullopt;
    return TcpAddress{std::string(host), static_cast<std::uint16_t>(value)};
}

namespace {

// A regular file in the port folder: the address of a raw TCP printer, or a description of
// why it is not one. Only a small file is read; an address fits on one line.
PortTarget portFile(const std::string& com, const fs::path& file, const fs::path& folder)
{
    constexpr std::uintmax_t kLargest = 256;
    const std::string unusable = com + ": not usable: " + file.string();
    const std::string expected = ", not an address tcp://HOST[:PORT]";
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(file, ec);
    if (ec) return {std::nullopt, unusable + " cannot be read (" + ec.message() + ")"};
    if (size > kLargest)
        return {std::nullopt, unusable + " is a file of " + std::to_string(size) + " bytes" + expected};
    std::ifstream in(file, std::ios::binary);
    if (!in) return {std::nullopt, unusable + " cannot be read (" + std::generic_category().message(errno) + ")"};
    const std::string content{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};

    if (const std::optional<TcpAddress> address = parseTcpAddress(content)) {
        return {address->device(),
                com + ": raw TCP printer at " + address->text() + " (address in " + folder.string() + ")"};
    }
    // What it holds, on one line: control characters as "?", long contents cut.
    std::string shown(trimmed(content));
    if (shown.empty()) return {std::nullopt, unusable + " is empty" + expected};
    std::replace_if(
        shown.begin(), shown.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }, '?');
    if (shown.size() > 40) {
        std::size_t cut = 40;
        while (cut > 0 && (static_cast<unsigned char>(shown[cut]) & 0xC0) == 0x80)
            --cut;  // not inside a UTF-8 character
        shown = shown.substr(0, cut) + "...";
    }
    return {std::nullopt, unusable + " holds \"" + shown + "\"" + expected};
}

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

}  // namespace

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
    if (!ec && fs::is_regular_file(st)) return portFile(com, link, folder);
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
            return {target.string(),
                    com + ": " + target.string() + " (link in " + folder.string() + "; that device does not exist)"};
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

}  // namespace printbench::link
