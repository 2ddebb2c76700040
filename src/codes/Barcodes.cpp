#include "codes/Barcodes.h"

#include "codes/Code128.h"
#include "codes/CodeText.h"
#include "codes/Gs1.h"

namespace printbench::codes {

// What each symbology takes and what is sent:
// - UPC-A, EAN-13, EAN-8: the digits without the check digit (11, 12, 7) or with it (12, 13, 8).
//   A check digit typed is verified; the digits are sent as typed (the printer takes both).
// - UPC-E: number system 0 only. 6 digits are the body (number system 0 understood), 7 the
//   number system "0" and the body, 8 those and the check digit, verified over the UPC-A the
//   body stands for. Sent as typed.
// - ITF: an even number of digits, at least 2. CODE39: 0-9 A-Z space - . $ / + %, "*" only at
//   both ends (start and stop, sent as typed). CODABAR: A to D at both ends, 0-9 - $ : / . + between.
//   CODE93: ASCII 0 to 127. CODE128: see Code128.h.
// - GS1-128, DATABAR-EXPANDED: the element string with its AIs in parentheses, sent as typed
//   (the printer writes the FNC1 and separators).
// - DATABAR, -TRUNCATED, -LIMITED: the 13 digits of the GTIN without its check digit (the printer
//   adds it). 14 digits: the check digit verified, 13 sent. A leading "(01)" is dropped. LIMITED
//   begins with 0 or 1.
// Widths at a 3:1 ratio of wide to narrow elements, gaps between characters counted, without quiet
// zones: the printer prints nothing of a code wider than its print area, and the paper's margins
// beside the print area are the white the reader needs.

namespace {

using Result = std::variant<BarcodeData, std::string>;

std::vector<std::uint8_t> bytesOf(std::string_view s)
{
    return {s.begin(), s.end()};
}

std::string lengthRefusal(std::string_view name, std::string_view typed, std::size_t n, std::string_view takes)
{
    return std::string(name) + ": \"" + shownText(typed) + "\" has " + std::to_string(n) + " digits; " +
           std::string(name) + " takes " + std::string(takes);
}

std::string checkRefusal(std::string_view name, std::string_view typed, std::string_view over, char expected)
{
    return std::string(name) + ": \"" + shownText(typed) + "\" ends in check digit " + typed.back() +
           "; the check digit of " + std::string(over) + " is " + expected;
}

// Digits of one of two lengths, the longer ending in its check digit.
Result gtin(std::string_view name, std::string_view typed, std::size_t shortLength, std::string_view takes, int modules)
{
    if (std::string bad = nonDigit(name, typed); !bad.empty()) return bad;
    if (typed.size() != shortLength && typed.size() != shortLength + 1)
        return lengthRefusal(name, typed, typed.size(), takes);
    if (typed.size() == shortLength + 1) {
        if (const char check = gtinCheckDigit(typed.substr(0, shortLength)); typed.back() != check)
            return checkRefusal(name, typed, typed.substr(0, shortLength), check);
    }
    return BarcodeData{bytesOf(typed), modules};
}

Result upcE(std::string_view typed)
{
    constexpr std::string_view name = "UPC-E";
    if (std::string bad = nonDigit(name, typed); !bad.empty()) return bad;
    if (typed.size() < 6 || typed.size() > 8)
        return lengthRefusal(name, typed, typed.size(),
                             "6 digits, 7 with the number system 0 first, or 8 with the check digit last");
    if (typed.size() > 6 && typed[0] != '0')
        return std::string(name) + ": \"" + std::string(typed) + "\" has number system " + typed[0] +
               " at position 1; UPC-E takes number system 0";
    if (typed.size() == 8) {
        if (const char check = gtinCheckDigit(upceToUpca(typed.substr(1, 6))); typed.back() != check)
            return checkRefusal(name, typed, typed.substr(0, 7), check);
    }
    return BarcodeData{bytesOf(typed), 51};
}

// Characters of an alphabet; each character's width in modules, and the modules between them.
template <typename Width>
Result alphabet(std::string_view name, std::string_view typed, std::string_view takes, Width width, int gap)
{
    const std::vector<TextChar> chars = textChars(typed);
    if (chars.empty()) return std::string(name) + ": no data";
    int modules = 0;
    for (std::size_t i = 0; i < chars.size(); ++i) {
        const int w = width(chars[i].code, i, chars.size());
        if (w == 0) return badCharacter(name, typed, chars[i], i + 1, takes);
        modules += w + (i > 0 ? gap : 0);
    }
    return BarcodeData{bytesOf(typed), modules};
}

bool oneOf(char32_t c, std::string_view set)
{
    return c < 0x80 && set.find(static_cast<char>(c)) != set.npos;
}

Result code39(std::string_view typed)
{
    const bool starred = typed.size() >= 2 && typed.front() == '*' && typed.back() == '*';
    const std::size_t body = starred ? typed.size() - 2 : typed.size();
    if (body == 0) return std::string("CODE39: \"") + shownText(typed) + "\" has no characters";
    // Nine elements, three of them wide: 15 modules, and a narrow gap; start and stop added
    // when the technician did not type them.
    Result r = alphabet(
        "CODE39", typed, "CODE39 takes 0-9 A-Z space - . $ / + % (and * at both ends)",
        [&](char32_t c, std::size_t i, std::size_t n) {
            if (c == '*') return starred && (i == 0 || i == n - 1) ? 15 : 0;
            return c >= 'A' && c <= 'Z' ? 15 : oneOf(c, "0123456789 -.$/+%") ? 15 : 0;
        },
        1);
    if (auto* d = std::get_if<BarcodeData>(&r); d && !starred) d->modules += 2 * 16;
    return r;
}

Result codabar(std::string_view typed)
{
    constexpr std::string_view name = "CODABAR";
    const std::vector<TextChar> chars = textChars(typed);
    if (chars.size() < 3)
        return std::string(name) + ": \"" + shownText(typed) +
               "\" is too short; CODABAR takes A, B, C or D, at least one character, and A, B, C or D";
    for (const std::size_t end : {std::size_t(0), chars.size() - 1})
        if (chars[end].code < 'A' || chars[end].code > 'D')
            return badCharacter(name, typed, chars[end], end + 1, "CODABAR begins and ends with A, B, C or D");
    // Seven elements a character: digits, "-" and "$" have two wide (11 modules), ": / . +" and
    // the start and stop characters three (13); a narrow gap between characters.
    return alphabet(
        name, typed, "CODABAR takes 0-9 - $ : / . + between A, B, C or D at both ends",
        [&](char32_t c, std::size_t i, std::size_t n) {
            if (i == 0 || i == n - 1) return 13;
            return oneOf(c, "0123456789-$") ? 11 : oneOf(c, ":/.+") ? 13 : 0;
        },
        1);
}

Result code93(std::string_view typed)
{
    // Nine modules a symbol; a character outside the 47 of the basic set takes two. Start, two
    // check characters and stop, and the last bar.
    Result r = alphabet(
        "CODE93", typed, "CODE93 takes ASCII 0 to 127",
        [](char32_t c, std::size_t, std::size_t) {
            if (c > 0x7F) return 0;
            return (c >= 'A' && c <= 'Z') || oneOf(c, "0123456789 -.$/+%") ? 9 : 18;
        },
        0);
    if (auto* d = std::get_if<BarcodeData>(&r)) d->modules += 4 * 9 + 1;
    return r;
}

Result itf(std::string_view typed)
{
    constexpr std::string_view name = "ITF";
    if (std::string bad = nonDigit(name, typed); !bad.empty()) return bad;
    if (typed.empty() || typed.size() % 2 != 0)
        return lengthRefusal(name, typed, typed.size(), "an even number of digits, at least 2");
    // A digit is five elements, two wide: 9 modules; the start 4, the stop 5.
    return BarcodeData{bytesOf(typed), static_cast<int>(typed.size()) * 9 + 9};
}

Result databar(Symbology s, std::string_view name, std::string_view typed)
{
    const std::size_t prefix = typed.substr(0, 4) == "(01)" ? 4 : 0;
    const std::string_view digits = typed.substr(prefix);
    const std::vector<TextChar> chars = textChars(typed);
    for (std::size_t i = prefix; i < chars.size(); ++i)
        if (chars[i].code < '0' || chars[i].code > '9')
            return badCharacter(name, typed, chars[i], i + 1, std::string(name) + " takes digits only");
    if (digits.size() != 13 && digits.size() != 14)
        return lengthRefusal(name, typed, digits.size(), "the 13 digits of a GTIN, or 14 with the check digit");
    if (digits.size() == 14) {
        if (const char check = gtinCheckDigit(digits.substr(0, 13)); digits.back() != check)
            return checkRefusal(name, typed, digits.substr(0, 13), check);
    }
    if (s == Symbology::DataBarLimited && digits[0] > '1')
        return std::string(name) + ": \"" + std::string(typed) + "\" begins with " + digits[0] + "; " +
               std::string(name) + " takes a GTIN that begins with 0 or 1";
    return BarcodeData{bytesOf(digits.substr(0, 13)), s == Symbology::DataBarLimited ? 79 : 96};
}

Result gs1(Symbology s, std::string_view name, std::string_view typed)
{
    auto parsed = gs1Elements(name, typed);
    if (auto* refusal = std::get_if<std::string>(&parsed)) return *refusal;
    const auto& elements = std::get<std::vector<Gs1Element>>(parsed);
    if (s == Symbology::Gs1_128) {
        std::vector<int> chars = gs1Characters(elements);
        chars.insert(chars.begin(), -1);
        return BarcodeData{bytesOf(typed), 11 * code128Values(chars) + 35};
    }
    const int characters = databarExpandedCharacters(elements);
    if (characters > 22)
        return std::string(name) + ": \"" + std::string(typed) + "\" needs about " + std::to_string(characters) +
               " symbol characters; DATABAR-EXPANDED holds at most 22";
    // Pairs of 17-module characters around a 15-module finder; guards of 2 at either end.
    return BarcodeData{bytesOf(typed), 4 + 49 * (characters / 2) + 32 * (characters % 2)};
}

}  // namespace

std::variant<BarcodeData, std::string> barcodeData(Symbology s, std::string_view typed)
{
    const std::string_view name = symbologyInfo(s).name;
    switch (s) {
    case Symbology::UpcA: return gtin(name, typed, 11, "11 digits, or 12 with the check digit", 95);
    case Symbology::Ean13: return gtin(name, typed, 12, "12 digits, or 13 with the check digit", 95);
    case Symbology::Ean8: return gtin(name, typed, 7, "7 digits, or 8 with the check digit", 67);
    case Symbology::UpcE: return upcE(typed);
    case Symbology::Code39: return code39(typed);
    case Symbology::Itf: return itf(typed);
    case Symbology::Codabar: return codabar(typed);
    case Symbology::Code93: return code93(typed);
    case Symbology::Code128: {
        auto r = code128Data(name, typed);
        if (auto* refusal = std::get_if<std::string>(&r)) return *refusal;
        Code128Data& d = std::get<Code128Data>(r);
        // Start 11, check character 11, stop 13.
        return BarcodeData{std::move(d.bytes), 11 * d.values + 35};
    }
    case Symbology::Gs1_128:
    case Symbology::DataBarExpanded: return gs1(s, name, typed);
    case Symbology::DataBar:
    case Symbology::DataBarTruncated:
    case Symbology::DataBarLimited: return databar(s, name, typed);
    }
    return std::string(name) + ": unknown symbology";
}

}  // namespace printbench::codes
