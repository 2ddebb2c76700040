#include "codes/CodeText.h"

#include <cstdio>

namespace printbench::codes {

namespace {

std::string hexEscape(unsigned char b)
{
    char text[8];
    std::snprintf(text, sizeof text, "\\x%02X", b);
    return text;
}

// The length of the UTF-8 sequence that starts with `lead`, 0 for a byte that starts none.
std::size_t sequenceLength(unsigned char lead)
{
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

}  // namespace

std::vector<TextChar> textChars(std::string_view utf8)
{
    std::vector<TextChar> chars;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        std::size_t n = sequenceLength(lead);
        char32_t code = n == 2 ? lead & 0x1F : n == 3 ? lead & 0x0F : lead & 0x07;
        for (std::size_t k = 1; k < n; ++k) {
            const auto next = i + k < utf8.size() ? static_cast<unsigned char>(utf8[i + k]) : 0;
            if ((next & 0xC0) != 0x80) n = 0;
            else code = (code << 6) | (next & 0x3F);
        }
        if (n == 0) {
            chars.push_back({0xFFFD, hexEscape(lead)});
            ++i;
            continue;
        }
        if (n == 1) code = lead;
        const bool control = code < 0x20 || code == 0x7F;
        chars.push_back({code, control ? hexEscape(static_cast<unsigned char>(code)) : std::string(utf8.substr(i, n))});
        i += n;
    }
    return chars;
}

std::string shownText(std::string_view utf8)
{
    std::string shown;
    for (const TextChar& c : textChars(utf8)) shown += c.shown;
    return shown;
}

std::string asciiText(std::string_view utf8)
{
    std::string ascii;
    for (const TextChar& c : textChars(utf8))
        ascii += c.code >= 0x20 && c.code < 0x7F ? static_cast<char>(c.code) : '?';
    return ascii;
}

std::string badCharacter(std::string_view name, std::string_view text, const TextChar& c, std::size_t position,
                         std::string_view what)
{
    return std::string(name) + ": \"" + shownText(text) + "\" has \"" + c.shown + "\" at position " +
           std::to_string(position) + "; " + std::string(what);
}

bool isDigits(std::string_view s)
{
    for (const char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

std::string nonDigit(std::string_view name, std::string_view text)
{
    const std::vector<TextChar> chars = textChars(text);
    for (std::size_t i = 0; i < chars.size(); ++i)
        if (chars[i].code < '0' || chars[i].code > '9')
            return badCharacter(name, text, chars[i], i + 1, std::string(name) + " takes digits only");
    return {};
}

char gtinCheckDigit(std::string_view body)
{
    int sum = 0;
    for (std::size_t i = 0; i < body.size(); ++i) {
        const int digit = body[body.size() - 1 - i] - '0';
        sum += i % 2 == 0 ? 3 * digit : digit;
    }
    return static_cast<char>('0' + (10 - sum % 10) % 10);
}

std::string upceToUpca(std::string_view b)
{
    // The last body digit says where the zeros of the manufacturer and product numbers went.
    const std::string s(b);
    switch (b[5]) {
    case '0':
    case '1':
    case '2': return "0" + s.substr(0, 2) + s[5] + "0000" + s.substr(2, 3);
    case '3': return "0" + s.substr(0, 3) + "00000" + s.substr(3, 2);
    case '4': return "0" + s.substr(0, 4) + "00000" + s[4];
    default: return "0" + s.substr(0, 5) + "0000" + s[5];
    }
}

}  // namespace printbench::codes
