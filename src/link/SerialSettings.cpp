#include "link/SerialSettings.h"

#include <charconv>
#include <sstream>
#include <vector>

namespace printbench::link {

std::string lineSettingsString(const std::string& speedText)
{
    return speedText + "," + "n" + "," + "8" + ",1";
}

namespace {

std::optional<int> number(const std::string& s)
{
    int v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size() || s.empty()) return std::nullopt;
    return v;
}

} // namespace

std::optional<LineSettings> parseLineSettings(const std::string& settings)
{
    std::vector<std::string> parts;
    std::stringstream in(settings);
    for (std::string part; std::getline(in, part, ',');) parts.push_back(part);
    if (parts.size() != 4) return std::nullopt;

    LineSettings out;
    const auto baud = number(parts[0]);
    const auto data = number(parts[2]);
    if (!baud || *baud <= 0 || !data || *data < 5 || *data > 8) return std::nullopt;
    out.baud = *baud;
    out.dataBits = *data;
    if (parts[1].size() != 1 || std::string("neoms").find(static_cast<char>(parts[1][0] | 0x20)) == std::string::npos)
        return std::nullopt;
    out.parity = static_cast<char>(parts[1][0] | 0x20);
    if (parts[3] == "1") out.stopBits = 1;
    else if (parts[3] == "2") out.stopBits = 2;
    else if (parts[3] == "1.5") out.stopBits = 15;
    else return std::nullopt;
    return out;
}

} // namespace printbench::link
