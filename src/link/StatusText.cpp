#include "link/StatusText.h"

namespace printbench::link {

std::string upperHex(std::uint32_t value)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string out;
    do {
        out.insert(out.begin(), digits[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    return out;
}

std::string statusDisplayText(std::int32_t value)
{
    std::string text = "Hex : ";
    if (value < 16) text += "0";
    return text + upperHex(static_cast<std::uint32_t>(value));
}

} // namespace printbench::link
