#include "link/SerialSettings.h"

#include <charconv>

namespace printbench::link {

std::optional<SerialSettings> SerialSettings::forPort(int portNumber, std::string_view speedText)
{
    int baud = 0;
    const auto [end, ec] = std::from_chars(speedText.data(), speedText.data() + speedText.size(), baud);
    if (ec != std::errc() || end != speedText.data() + speedText.size() || baud <= 0) return std::nullopt;
    SerialSettings s;
    s.portNumber = portNumber;
    s.baud = baud;
    return s;
}

std::string SerialSettings::text() const
{
    static constexpr char parities[] = {'n', 'e', 'o', 'm', 's'};
    const char* stop = stopBits == StopBits::One ? "1" : stopBits == StopBits::Two ? "2" : "1.5";
    return std::to_string(baud) + "," + parities[static_cast<int>(parity)] + "," + std::to_string(dataBits) + "," +
           stop;
}

}  // namespace printbench::link
