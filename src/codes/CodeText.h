#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The pieces of a code's text the checks, the encoders and the scan check share: characters
// with their positions, texts shown in messages, and the check digits of the GTIN family.
namespace printbench::codes {

// One character of a technician's text: its code point (0xFFFD for a byte that is not UTF-8)
// and how a message shows it ("A", "한", "\x09" for a control character or a stray byte).
struct TextChar {
    char32_t code;
    std::string shown;
};
// The characters of UTF-8 text, in order; a message counts positions from 1 over these.
std::vector<TextChar> textChars(std::string_view utf8);

// The text as a message shows it in quotes: control characters and stray bytes as \xNN.
std::string shownText(std::string_view utf8);
// The text as a title line prints it: ASCII, every other character (and every control
// character) as "?".
std::string asciiText(std::string_view utf8);

// `NAME: "TEXT" has "C" at position P; WHAT`
std::string badCharacter(std::string_view name, std::string_view text, const TextChar& c, std::size_t position,
                         std::string_view what);

bool isDigits(std::string_view s);
// The first character that is not a digit, as a refusal; empty when all are digits.
std::string nonDigit(std::string_view name, std::string_view text);

// The check digit of the GTIN family (EAN-8, UPC-A, EAN-13, GTIN-14) over the digits before it:
// weights 3 and 1 from the rightmost digit.
char gtinCheckDigit(std::string_view body);
// A UPC-E of number system 0 (its six body digits) as the UPC-A it stands for, without the
// check digit: 11 digits.
std::string upceToUpca(std::string_view body6);

}  // namespace printbench::codes
