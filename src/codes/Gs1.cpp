#include "codes/Gs1.h"

#include "codes/CodeText.h"

#include <array>

namespace printbench::codes {

std::variant<std::vector<Gs1Element>, std::string> gs1Elements(std::string_view name, std::string_view typed)
{
    const std::vector<TextChar> chars = textChars(typed);
    const std::string head = std::string(name) + ": \"" + shownText(typed) + "\"";
    if (chars.empty()) return std::string(name) + ": no data";
    if (chars[0].code != '(')
        return badCharacter(name, typed, chars[0], 1, "an element string begins with an AI in parentheses");
    std::vector<Gs1Element> elements;
    std::size_t i = 0;
    while (i < chars.size()) {
        const std::size_t open = i++;
        Gs1Element e;
        while (i < chars.size() && chars[i].code >= '0' && chars[i].code <= '9')
            e.ai += static_cast<char>(chars[i++].code);
        if (i >= chars.size() || chars[i].code != ')')
            return i < chars.size()
                       ? badCharacter(name, typed, chars[i], i + 1, "an AI is 2 to 4 digits in parentheses")
                       : head + " ends inside the AI at position " + std::to_string(open + 1);
        if (e.ai.size() < 2 || e.ai.size() > 4)
            return head + " has AI (" + e.ai + ") at position " + std::to_string(open + 1) + "; an AI is 2 to 4 digits";
        ++i;
        for (; i < chars.size() && chars[i].code != '('; ++i) {
            if (chars[i].code <= 0x20 || chars[i].code >= 0x7F || chars[i].code == ')')
                return badCharacter(name, typed, chars[i], i + 1, "AI data is printable ASCII without parentheses");
            e.data += static_cast<char>(chars[i].code);
        }
        if (e.data.empty()) return head + " has no data after AI (" + e.ai + ")";
        if (e.ai == "01" || e.ai == "02") {
            if (e.data.size() != 14 || !isDigits(e.data))
                return head + " has \"" + e.data + "\" after AI (" + e.ai + "); it takes 14 digits";
            const char check = gtinCheckDigit(std::string_view(e.data).substr(0, 13));
            if (e.data[13] != check)
                return head + " has check digit " + e.data[13] + " in AI (" + e.ai + "); the check digit of " +
                       e.data.substr(0, 13) + " is " + check;
        }
        elements.push_back(std::move(e));
    }
    return elements;
}

bool gs1FixedLength(std::string_view ai)
{
    static constexpr std::array<std::string_view, 22> kFixed{"00", "01", "02", "03", "04", "11", "12", "13",
                                                             "14", "15", "16", "17", "18", "19", "20", "31",
                                                             "32", "33", "34", "35", "36", "41"};
    for (const std::string_view f : kFixed)
        if (ai.substr(0, 2) == f) return true;
    return false;
}

std::vector<int> gs1Characters(const std::vector<Gs1Element>& elements)
{
    std::vector<int> chars;
    for (std::size_t k = 0; k < elements.size(); ++k) {
        for (const char c : elements[k].ai + elements[k].data) chars.push_back(static_cast<unsigned char>(c));
        if (k + 1 < elements.size() && !gs1FixedLength(elements[k].ai)) chars.push_back(-1);
    }
    return chars;
}

std::string gs1ReaderText(const std::vector<Gs1Element>& elements)
{
    std::string text;
    for (const int c : gs1Characters(elements)) text += c < 0 ? '\x1D' : static_cast<char>(c);
    return text;
}

int databarExpandedCharacters(const std::vector<Gs1Element>& elements)
{
    std::vector<Gs1Element> rest = elements;
    int bits = 5;
    if (!rest.empty() && rest[0].ai == "01") {
        bits = 4 + 44;
        rest.erase(rest.begin());
    }
    enum { Numeric, Alpha, Iso } mode = Numeric;
    const std::vector<int> chars = gs1Characters(rest);
    const auto digitOrFnc = [](int c) { return c < 0 || (c >= '0' && c <= '9'); };
    const auto upper = [](int c) {
        return c < 0 || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || c == '*' || c == ',' || c == '-' ||
               c == '.' || c == '/';
    };
    for (std::size_t i = 0; i < chars.size();) {
        const int c = chars[i];
        // Back to numeric for a run of four digits or more.
        bool run = mode != Numeric;
        for (std::size_t k = i; run && k < i + 4; ++k) run = k < chars.size() && digitOrFnc(chars[k]);
        if (run) bits += 3, mode = Numeric;
        if (mode == Numeric && digitOrFnc(c) && (i + 1 == chars.size() || digitOrFnc(chars[i + 1]))) {
            bits += i + 1 < chars.size() ? 7 : 4;
            i += 2;
            continue;
        }
        if (mode == Numeric) bits += 4, mode = Alpha;
        if (mode == Alpha && !upper(c)) bits += 5, mode = Iso;
        bits += (c >= '0' && c <= '9') || c < 0 ? 5 : mode == Alpha ? 6 : 8;
        ++i;
    }
    return (bits + 11) / 12 + 1;
}

}  // namespace printbench::codes
