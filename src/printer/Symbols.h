#pragma once

#include "printer/Decoder.h"

#include <cstdint>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace printbench::printer {

// A barcode or 2-D code as the printer lays it down: rows of modules, each module
// `moduleWidth` dots wide and its row `rowHeights[row]` dots high.
struct Symbol {
    int columns = 0;                    // modules a row
    int moduleWidth = 1;                // dots
    std::vector<std::uint8_t> modules;  // row after row, 1 for a dark module
    std::vector<int> rowHeights;        // dots, one a row
    int quietZone = 0;                  // light modules wanted on each side
    std::string hri;                    // the text a barcode's HRI characters print; empty for a 2-D code

    int widthDots() const { return columns * moduleWidth; }
    int heightDots() const
    {
        int h = 0;
        for (const int r : rowHeights) h += r;
        return h;
    }
};

// The symbol, or why the data cannot be printed as asked.
using Encoded = std::variant<Symbol, std::string>;

// GS k: the bars of `data` with modules `moduleWidth` dots wide and `height` dots high (the GS
// DataBar kinds take the height of their kind instead: 33, 13, 10 and 34 modules). CODE128 is
// drawn from the code sets as sent ({A, {B, {C, {S, {1 to {4, {{); the others by zint.
Encoded encodeBarcode(Symbology symbology, std::span<const std::uint8_t> data, int moduleWidth, int height);

// GS ( k QR: model 49 (model 1, which nothing here draws), 50 (model 2) or 51 (Micro QR), error
// correction 1 to 4 (L, M, Q, H), modules `moduleSize` dots square.
Encoded encodeQr(int model, int level, int moduleSize, std::span<const std::uint8_t> data);

// GS ( k PDF417. Columns and rows 0 for automatic; level -1 for automatic, else 0 to 8.
struct Pdf417Settings {
    int columns = 0;
    int rows = 0;
    int moduleWidth = 3;  // dots
    int rowHeight = 3;    // module widths
    int level = -1;
    bool truncated = false;
};
Encoded encodePdf417(const Pdf417Settings& settings, std::span<const std::uint8_t> data);

}  // namespace printbench::printer
