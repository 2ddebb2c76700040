#include "cockpit/TimeText.h"

#include <cstdio>
#include <cstdlib>

namespace printbench::cockpit {

namespace {

struct Civil {
    std::int64_t year;
    int month, day, hour, minute, second, milli;
};

std::int64_t floorDiv(std::int64_t a, std::int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// Days since 1970-01-01 to a proleptic Gregorian date (H. Hinnant's civil_from_days).
Civil civil(std::int64_t wallMs, int utcOffsetMinutes)
{
    const std::int64_t ms = wallMs + std::int64_t(utcOffsetMinutes) * 60000;
    const std::int64_t days = floorDiv(ms, 86400000);
    const std::int64_t inDay = ms - days * 86400000;
    const std::int64_t z = days + 719468;
    const std::int64_t era = floorDiv(z, 146097);
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const int d = int(doy - (153 * mp + 2) / 5 + 1);
    const int m = int(mp < 10 ? mp + 3 : mp - 9);
    return {yoe + era * 400 + (m <= 2), m, d, int(inDay / 3600000), int(inDay / 60000 % 60), int(inDay / 1000 % 60),
            int(inDay % 1000)};
}

} // namespace

std::string clockText(std::int64_t wallMs, int utcOffsetMinutes)
{
    const Civil c = civil(wallMs, utcOffsetMinutes);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", c.hour, c.minute, c.second);
    return buf;
}

std::string stampText(std::int64_t wallMs, int utcOffsetMinutes)
{
    const Civil c = civil(wallMs, utcOffsetMinutes);
    char buf[24];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d.%03d", c.hour, c.minute, c.second, c.milli);
    return buf;
}

std::string dateText(std::int64_t wallMs, int utcOffsetMinutes)
{
    const Civil c = civil(wallMs, utcOffsetMinutes);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04lld-%02d-%02d", static_cast<long long>(c.year), c.month, c.day);
    return buf;
}

std::string isoText(std::int64_t wallMs, int utcOffsetMinutes)
{
    const int off = std::abs(utcOffsetMinutes);
    char zone[16];
    std::snprintf(zone, sizeof zone, "%c%02d:%02d", utcOffsetMinutes < 0 ? '-' : '+', off / 60, off % 60);
    return dateText(wallMs, utcOffsetMinutes) + "T" + stampText(wallMs, utcOffsetMinutes) + zone;
}

std::string durationText(std::int64_t ms)
{
    if (ms < 0) ms = 0;
    const std::int64_t s = ms / 1000;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02lld:%02d:%02d", static_cast<long long>(s / 3600), int(s / 60 % 60), int(s % 60));
    return buf;
}

} // namespace printbench::cockpit
