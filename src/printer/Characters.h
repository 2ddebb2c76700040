#pragma once

#include <cstdint>
#include <string>

namespace printbench::printer {

// The character a printed code stands for: a single byte in code page 437 (ESC/POS table 0),
// a double-byte code (lead << 8 | trail) in CP949. U+FFFD when it stands for none.
char32_t unicodeOf(std::uint32_t code);

// The same as UTF-8, for logs and file names.
std::string utf8Of(std::uint32_t code);

// The single-line box-drawing characters of code page 437 the tile grid prints.
bool isSingleLineBox(std::uint32_t code);

}  // namespace printbench::printer
