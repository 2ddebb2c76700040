#pragma once

#include <cstdint>
#include <string>

namespace printbench::cockpit {

// Wall-clock times (milliseconds since 1970, UTC) shown in a local time `utcOffsetMinutes`
// ahead of UTC.
std::string clockText(std::int64_t wallMs, int utcOffsetMinutes);  // "14:02:11"
std::string stampText(std::int64_t wallMs, int utcOffsetMinutes);  // "14:02:11.123"
std::string dateText(std::int64_t wallMs, int utcOffsetMinutes);   // "2026-12-07"
std::string isoText(std::int64_t wallMs, int utcOffsetMinutes);    // "2026-12-07T14:02:11.123+09:00"
// A length of time: "00:03:12", hours growing past 99 as needed.
std::string durationText(std::int64_t ms);

} // namespace printbench::cockpit
