#include "status/StatusMeaning.h"

namespace printbench::status {

FaultClass faultClass(std::uint8_t v)
{
    if (v == 0 || v == 8 || v == 10 || (v >= 16 && v <= 31)) return FaultClass::Normal;
    if (v <= 9) return FaultClass::Fault;
    return FaultClass::FaultWithSettle;
}

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

}  // namespace printbench::status
