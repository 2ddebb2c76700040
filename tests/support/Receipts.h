#pragma once

#include "printer/Decoder.h"
#include "printer/VirtualPrinter.h"
#include "scan/CodeReader.h"

#include <span>
#include <string>
#include <vector>

namespace printbench::testkit {

// The virtual printer in memory, `width` dots wide, fed through its decoder; it keeps its
// finished pages and its log's notes.
struct PaperPrinter : printer::PrinterOutput {
    explicit PaperPrinter(int width) : printer(width, *this) {}
    void feed(std::span<const std::uint8_t> bytes) { decoder.feed(bytes, printer); }
    void reply(std::uint8_t) override {}
    void page(const printer::Page& p) override { pages.push_back(p); }
    void note(const std::string& text) override { notes.push_back(text); }

    std::vector<printer::Page> pages;
    std::vector<std::string> notes;
    printer::VirtualPrinter printer;
    printer::Decoder decoder;
};

// A page as a barcode reader sees it: blank paper white, ink black.
inline scan::Reading readPage(const printer::Page& p)
{
    std::vector<std::uint8_t> grey(std::size_t(p.dots.width) * std::size_t(p.height), 255);
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.dots.width; ++x)
            if (p.at(x, y)) grey[std::size_t(y) * std::size_t(p.dots.width) + std::size_t(x)] = 0;
    return scan::readCodes(grey.data(), p.dots.width, p.height);
}

}  // namespace printbench::testkit
