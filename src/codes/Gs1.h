#pragma once

#include <string>
#include <string_view>
#include <variant>
#include <vector>

// GS1 element strings as the technician types them for GS1-128 and DataBar Expanded:
// "(01)09501101530003(17)250101", each application identifier (AI) in parentheses before its data.
namespace printbench::codes {

struct Gs1Element {
    std::string ai, data;
};

// The elements, or the refusal naming `name`: the text begins with "(", an AI is 2 to 4 digits,
// its data is printable ASCII without parentheses (at least one character), AI 01 and 02 take
// 14 digits whose last is their check digit.
std::variant<std::vector<Gs1Element>, std::string> gs1Elements(std::string_view name, std::string_view typed);

// Whether the AI's data has a predefined length (00, 01, 11 to 20, 31 to 36, 41, ...): no FNC1
// separates it from the element after it.
bool gs1FixedLength(std::string_view ai);

// The characters the symbol carries after its leading FNC1: AIs and data, an FNC1 (-1) after
// every element of variable length but the last.
std::vector<int> gs1Characters(const std::vector<Gs1Element>& elements);

// The same as a reader reports them: the FNC1 separators as GS (0x1D).
std::string gs1ReaderText(const std::vector<Gs1Element>& elements);

// The symbol characters of a DataBar Expanded (check character included), estimated from the
// bits of its encodation: 4 + 44 bits when it begins with AI 01 (the GTIN compressed), 5 bits
// otherwise, then 3.5 bits a digit, 5 to 6 an upper-case letter and 8 any other character, with
// the latches between them. Exact for the usual element strings; a few characters off at worst.
int databarExpandedCharacters(const std::vector<Gs1Element>& elements);

}  // namespace printbench::codes
