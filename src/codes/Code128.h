#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

// CODE128 as GS k takes it: the data carries its code sets ("{A", "{B", "{C"), its function
// characters ("{1" to "{4"), the shift ("{S") and "{{" for a "{"; in set C each pair of digits
// is one byte of value 0 to 99.
namespace printbench::codes {

// A CODE128 datum: GS k's data bytes and the symbol values they make after the start character
// (characters, digit pairs, code changes, shifts and function characters), which set the width.
struct Code128Data {
    std::vector<std::uint8_t> bytes;
    int values = 0;
};

// Text that begins with "{A", "{B" or "{C" is checked mark by mark (set C takes pairs of digits,
// set A ASCII 0 to 95, set B 32 to 127); any other text is plain: every character is one
// character of the code (a "{" among them is sent as "{{"), in the code sets that make the
// fewest symbols. The refusal names `name` and the character at fault.
std::variant<Code128Data, std::string> code128Data(std::string_view name, std::string_view typed);

// The fewest symbol values after the start character for characters 0 to 127 and FNC1 (-1).
int code128Values(const std::vector<int>& chars);

// What a reader reports of GS k data: marks removed, "{{" as "{", an FNC1 after the first
// position as GS (0x1D), a character after "{4" raised by 128 (as UTF-8).
std::string code128Text(const std::vector<std::uint8_t>& bytes);

}  // namespace printbench::codes
