#pragma once

#include <cstdint>
#include <vector>

namespace printbench::patterns {

// A run of black dots on a pattern line, from `start` to `end`; both go to the printer as
// 16-bit values, low byte first, and `end` is not clipped to the print width.
struct DotRun {
    std::uint16_t start;
    std::uint16_t end;
};

// The bit pattern's two lines: 24-dot runs every 48 dots from 0 (line 1) or from 24 (line 2),
// for every start not beyond the width.
std::vector<DotRun> bitPatternRuns(int widthDots, int line);

// The test pattern's line 2: runs of two dots (s, s + 1) every three dots, for every s not
// beyond the width.
std::vector<DotRun> testPatternRuns(int widthDots);

// Inner characters per row of the tile grid: 34 at 432, 35 at 448, 40 at 512, 51 at 640; 0 for
// any other width (894 among them), which has no grid.
int tileInnerCount(int widthDots);

// The tile grid's rows of box-drawing characters (code page 437), LF not included: one top
// row, nine inner rows, one bottom row, each of N + 2 characters. Empty without a grid.
std::vector<std::vector<std::uint8_t>> tileGridRows(int widthDots);

}  // namespace printbench::patterns
