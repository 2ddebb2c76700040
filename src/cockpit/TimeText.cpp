#include "cockpit/TimeText.h"

#include <cstdio>
#include <cstdlib>

namespace printbench::cockpit {

namespace {

struct Civil {
    std::int64_t year;
    int month, day, hour, minute, second, milli;
};

std::int64_t floorDiv(std::int64_t a, std::int64_t b)
{
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

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

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's days_from_civil).
std::int64_t daysFromCivil(std::int64_t y, int m, int d)
{
    y -= m <= 2;
    const std::int64_t era = floorDiv(y, 400);
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

}  // namespace

std::optional<IsoTime> parseIsoText(std::string_view text)
{
    // 2026-12-07T14:02:11.123+09:00
    if (text.size() != 29 || text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' ||
        text[16] != ':' || text[19] != '.' || (text[23] != '+' && text[23] != '-') || text[26] != ':')
        return std::nullopt;
    const auto number = [&](std::size_t at, std::size_t n) -> std::optional<int> {
        int v = 0;
        for (std::size_t i = at; i < at + n; ++i) {
            if (text[i] < '0' || text[i] > '9') return std::nullopt;
            v = v * 10 + (text[i] - '0');
        }
        return v;
    };
    const auto y = number(0, 4), mo = number(5, 2), d = number(8, 2), h = number(11, 2), mi = number(14, 2),
               s = number(17, 2), ms = number(20, 3), oh = number(24, 2), om = number(27, 2);
    if (!y || !mo || !d || !h || !mi || !s || !ms || !oh || !om || *mo < 1 || *mo > 12 || *d < 1 || *d > 31)
        return std::nullopt;
    const int offset = (text[23] == '-' ? -1 : 1) * (*oh * 60 + *om);
    const std::int64_t local = daysFromCivil(*y, *mo, *d) * 86400000 + std::int64_t(*h) * 3600000 + *mi * 60000 +
                               *s * 1000 + *ms;
    return IsoTime{local - std::int64_t(offset) * 60000, offset};
}

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

}  // namespace printbench::cockpit
