#include "patterns/PatternRuns.h"

namespace printbench::patterns {

namespace {

std::vector<DotRun> runs(int widthDots, int first, int step, int length)
{
    std::vector<DotRun> out;
    for (int s = first; s <= widthDots; s += step)
        out.push_back({static_cast<std::uint16_t>(s), static_cast<std::uint16_t>(s + length)});
    return out;
}

}  // namespace

std::vector<DotRun> bitPatternRuns(int widthDots, int line)
{
    return runs(widthDots, line == 1 ? 0 : 24, 48, 24);
}

std::vector<DotRun> testPatternRuns(int widthDots)
{
    return runs(widthDots, 0, 3, 1);
}

int tileInnerCount(int widthDots)
{
    switch (widthDots) {
    case 432:
    case 448:
    case 512:
    case 640: return widthDots / 12 - 2;
    default: return 0;
    }
}

std::vector<std::vector<std::uint8_t>> tileGridRows(int widthDots)
{
    const int n = tileInnerCount(widthDots);
    if (n == 0) return {};
    const auto row = [n](std::uint8_t first, std::uint8_t inner, std::uint8_t last) {
        std::vector<std::uint8_t> r(static_cast<std::size_t>(n) + 2, inner);
        r.front() = first;
        r.back() = last;
        return r;
    };
    std::vector<std::vector<std::uint8_t>> rows;
    rows.push_back(row(0xDA, 0xC2, 0xBF));                              // top: corner, tee down, corner
    for (int i = 0; i < 9; ++i) rows.push_back(row(0xC3, 0xC5, 0xB4));  // inner: tee, cross, tee
    rows.push_back(row(0xC0, 0xC1, 0xD9));                              // bottom: corner, tee up, corner
    return rows;
}

}  // namespace printbench::patterns
