#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace printbench::protocol {

// A character code table ESC t n selects: its n, the name printers give it, and the character
// set iconv knows it by (the glyphs of 0x80 to 0xFF). Katakana is JIS X 0201's: only its
// half-width katakana A1 to DF have a character set; its other codes are the maker's own.
struct CodeTable {
    std::uint8_t n;
    std::string_view name;
    std::string_view charset;
};

// The tables the models offer unless Settings say otherwise, in the order of n.
inline constexpr std::array<CodeTable, 10> kCodeTables{{
    {0, "PC437", "CP437"},
    {1, "Katakana", "SHIFT_JIS"},
    {2, "PC850", "CP850"},
    {3, "PC860", "CP860"},
    {4, "PC863", "CP863"},
    {5, "PC865", "CP865"},
    {16, "WPC1252", "CP1252"},
    {17, "PC866", "CP866"},
    {18, "PC852", "CP852"},
    {19, "PC858", "CP858"},
}};

constexpr std::optional<CodeTable> codeTable(std::uint8_t n)
{
    for (const CodeTable& t : kCodeTables) {
        if (t.n == n) return t;
    }
    return std::nullopt;
}

// The double-byte characters of the Korean models (FS &): KS X 1001 in CP949, a row being one
// lead byte with the trail bytes A1 to FE. The chart prints these rows.
inline constexpr std::uint8_t KsSymbolRow = 0xA1;
inline constexpr std::uint8_t KsFirstHangulRow = 0xB0;
inline constexpr std::uint8_t KsLastHangulRow = 0xC8;
inline constexpr std::uint8_t KsHanjaRow = 0xCA;
inline constexpr std::uint8_t KsFirstTrail = 0xA1, KsLastTrail = 0xFE;

}  // namespace printbench::protocol
