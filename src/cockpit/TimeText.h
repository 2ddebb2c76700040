#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace printbench::cockpit {

// Wall-clock times (milliseconds since 1970, UTC) shown in a local time `utcOffsetMinutes`
// ahead of UTC.
std::string clockText(std::int64_t wallMs, int utcOffsetMinutes);  // "14:02:11"
std::string stampText(std::int64_t wallMs, int utcOffsetMinutes);  // "14:02:11.123"
std::string dateText(std::int64_t wallMs, int utcOffsetMinutes);   // "2026-12-07"
std::string isoText(std::int64_t wallMs, int utcOffsetMinutes);    // "2026-12-07T14:02:11.123+09:00"
// The wall-clock time and the offset of a text isoText wrote; none for anything else.
struct IsoTime {
    std::int64_t wallMs = 0;
    int utcOffsetMinutes = 0;
};
std::optional<IsoTime> parseIsoText(std::string_view text);
// A length of time: "00:03:12", hours growing past 99 as needed.
std::string durationText(std::int64_t ms);

}  // namespace printbench::cockpit
