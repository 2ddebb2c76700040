#pragma once

#include <cstdint>
#include <vector>

namespace printbench::commands {

// The parameters of the ESC J parts of a feed: one part of `dots` up to 255, otherwise parts
// of 255 and a last part of the rest (1 to 255). 760 -> 255 255 250.
std::vector<std::uint8_t> feedParts(std::uint64_t dots);

// Letters in one line of H at a print width: 36 at 432, 37 at 448, 42 at 512, 53 at 640;
// 0 for any other width (894 among them), which prints no lines.
int hLineLength(int widthDots);

// Lines of H in one block.
inline constexpr int kHLinesPerBlock = 21;

} // namespace printbench::commands
