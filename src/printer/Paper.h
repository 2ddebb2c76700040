#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

namespace printbench::printer {

// A dot image: one byte per dot, 0 for blank paper, otherwise the print density it was
// printed at plus 6 (1 for the lightest, -5, to 11 for the darkest, +5).
struct Dots {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> dots;  // row after row

    Dots() = default;
    Dots(int w, int h) : width(w), height(h), dots(std::size_t(w) * std::size_t(h), 0) {}

    std::uint8_t* row(int y) { return dots.data() + std::size_t(y) * std::size_t(width); }
    const std::uint8_t* row(int y) const { return dots.data() + std::size_t(y) * std::size_t(width); }
    std::uint8_t at(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height ? row(y)[x] : 0; }
    void set(int x, int y, std::uint8_t v)
    {
        if (x >= 0 && y >= 0 && x < width && y < height) row(y)[x] = v;
    }
    void clear() { std::fill(dots.begin(), dots.end(), std::uint8_t{0}); }
};

// A finished piece of paper: `height` rows of `width` dots, of which only the first
// `dots.height` rows are held; the rest are blank.
struct Page {
    Dots dots;
    int height = 0;
    int number = 0;  // counting from 1 since the printer started
    int piece = 1;   // of one receipt longer than a page: counting from 1, on after each Continued

    enum class End { FullCut, PartialCut, Continued, PowerOff } end = End::FullCut;

    std::uint8_t at(int x, int y) const { return dots.at(x, y); }
};

const char* endName(Page::End end);

}  // namespace printbench::printer
