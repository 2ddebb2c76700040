#include "cockpit/StatusNames.h"

#include <algorithm>
#include <cstdio>

namespace printbench::cockpit {

std::string hexValue(std::int32_t value)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%02X", static_cast<unsigned>(value));
    return buf;
}

const char* classText(status::FaultClass c)
{
    switch (c) {
    case status::FaultClass::Normal: return "normal";
    case status::FaultClass::Fault: return "fault";
    case status::FaultClass::FaultWithSettle: return "fault that needs time to settle";
    }
    return "";
}

StatusReading readStatus(std::int32_t value)
{
    StatusReading r;
    r.value = value;
    if (value < 0 || value > 255) {
        r.faultClass = status::FaultClass::Normal;
        r.meaning = "not a status byte";
        r.severity = Severity::Warning;
        return r;
    }
    const auto v = static_cast<std::uint8_t>(value);
    r.faultClass = status::faultClass(v);
    r.severity = r.faultClass == status::FaultClass::Normal  ? Severity::Good
                 : r.faultClass == status::FaultClass::Fault ? Severity::Warning
                                                             : Severity::Bad;

    struct Bit {
        std::uint8_t mask;
        const char* name;
        Severity severity;
    };
    static constexpr Bit bits[] = {
        {0x20, "paper end", Severity::Bad},
        {0x04, "cover open", Severity::Bad},
        {0x40, "error", Severity::Bad},
        {0x08, "offline", Severity::Warning},
    };
    for (const Bit& b : bits) {
        if ((v & b.mask) == 0) continue;
        if (!r.meaning.empty()) r.meaning += ", ";
        r.meaning += b.name;
        r.severity = std::max(r.severity, b.severity);
    }
    if (r.meaning.empty()) {
        r.meaning = r.faultClass == status::FaultClass::FaultWithSettle ? "fault, needs time to settle"
                                                                        : classText(r.faultClass);
    }
    return r;
}

}  // namespace printbench::cockpit
