#pragma once

#include <cstdint>
#include <string>

namespace printbench::printer {

// The character a printed code stands for. A single byte 0x80 to 0xFF reads in the character
// code table ESC t `table` selected (protocol::kCodeTables; a table not listed reads as table 0,
// PC437); a double-byte code (lead << 8 | trail, above 0xFF) reads in CP949 whatever the
// table. U+FFFD when the code stands for none.
char32_t unicodeOf(std::uint32_t code, std::uint8_t table = 0);

// The same as UTF-8, for logs and file names.
std::string utf8Of(std::uint32_t code, std::uint8_t table = 0);

// The single-line box-drawing characters (│ ┤ ┐ └ ┴ ┬ ├ ─ ┼ ┘ ┌) the tile grid prints, which
// the printer draws joined to their neighbours.
bool isSingleLineBox(char32_t character);

}  // namespace printbench::printer
