#include "printer/VirtualPrinter.h"

#include "printer/Characters.h"
#include "protocol/CodeTables.h"
#include "protocol/Commands.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <utility>

namespace printbench::printer {

namespace {

constexpr int MarkHeight = 8;     // a black mark as drawn on the paper
constexpr int MarkToCutter = 24;  // feed of a black mark "out" move
constexpr int DefaultPageHeight = 1024;

// The single-line box-drawing characters (at B3 to DA in PC437 and most tables), drawn 2 dots
// wide through the middle of the cell so that they join their neighbours at a line spacing of
// 24 dots.
void drawBox(char32_t character, std::vector<std::uint8_t>& mask)
{
    constexpr int W = VirtualPrinter::CellWidth, H = VirtualPrinter::CellHeight;
    bool up = false, down = false, left = false, right = false;
    switch (character) {
    case U'│': up = down = true; break;
    case U'┤': up = down = left = true; break;
    case U'┐': left = down = true; break;
    case U'└': up = right = true; break;
    case U'┴': left = right = up = true; break;
    case U'┬': left = right = down = true; break;
    case U'├': up = down = right = true; break;
    case U'─': left = right = true; break;
    case U'┼': up = down = left = right = true; break;
    case U'┘': up = left = true; break;
    case U'┌': down = right = true; break;
    default: break;
    }
    const int cx = W / 2 - 1, cy = H / 2 - 1;  // the 2 x 2 dots in the middle
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
            const bool vertical = (x == cx || x == cx + 1) && ((up && y <= cy + 1) || (down && y >= cy));
            const bool horizontal = (y == cy || y == cy + 1) && ((left && x <= cx + 1) || (right && x >= cx));
            mask[std::size_t(y * W + x)] = vertical || horizontal;
        }
    }
}

// A character the font cannot show: an outline of the cell, so that nothing printed is lost
// from sight.
void drawMissing(int width, std::vector<std::uint8_t>& mask)
{
    for (int y = 2; y < VirtualPrinter::CellHeight - 2; ++y) {
        for (int x = 1; x < width - 1; ++x) {
            mask[std::size_t(y * width + x)] = y == 2 || y == VirtualPrinter::CellHeight - 3 || x == 1 ||
                                               x == width - 2;
        }
    }
}

// One dot row of a bit image: bit `shift` of every column's byte, merged into the row.
// Without a branch, so random image data costs no mispredictions and the loop vectorises.
template <int Stride>
void mergeBits(std::uint8_t* out, const std::uint8_t* in, int columns, int shift, std::uint8_t ink)
{
    for (int j = 0; j < columns; ++j) {
        const auto dot = static_cast<std::uint8_t>(((in[j * Stride] >> shift) & 1) * ink);
        out[j] = std::max(out[j], dot);
    }
}

// Merges a row of dots into another: the darker dot wins.
void mergeRow(std::uint8_t* __restrict to, const std::uint8_t* __restrict from, int n)
{
    for (int x = 0; x < n; ++x) to[x] = std::max(to[x], from[x]);
}

}  // namespace

const char* endName(Page::End end)
{
    switch (end) {
    case Page::End::FullCut: return "full cut";
    case Page::End::PartialCut: return "partial cut";
    case Page::End::Continued: return "paper continues on the next page";
    case Page::End::PowerOff: return "printer stopped";
    }
    return "";
}

std::optional<std::uint8_t> conditionByte(std::string_view typed)
{
    while (!typed.empty() && (typed.back() == ' ' || typed.back() == '\r' || typed.back() == '\t'))
        typed.remove_suffix(1);
    while (!typed.empty() && (typed.front() == ' ' || typed.front() == '\t')) typed.remove_prefix(1);
    if (typed == "ok") return status::Ok;
    if (typed == "paper-end") return status::PaperEnd;
    if (typed == "cover-open") return status::CoverOpen;
    if (typed == "error") return status::Error;
    if (typed.substr(0, 7) != "status ") return std::nullopt;
    std::string_view number = typed.substr(7);
    int base = 10;
    if (number.size() > 2 && number[0] == '0' && (number[1] == 'x' || number[1] == 'X')) {
        number.remove_prefix(2);
        base = 16;
    }
    unsigned value = 0;
    const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), value, base);
    if (ec != std::errc() || end != number.data() + number.size() || number.empty() || value > 255) return std::nullopt;
    return static_cast<std::uint8_t>(value);
}

VirtualPrinter::VirtualPrinter(int paperWidth, PrinterOutput& output, GlyphSource* font, Identity identity)
    : m_width(paperWidth), m_output(output), m_font(font), m_identity(std::move(identity)),
      m_line(paperWidth, CellHeight)
{
    m_paper.width = paperWidth;
    initialize();
}

void VirtualPrinter::initialize()
{
    clearBuffers();
    m_lineSpacing = DefaultLineSpacing;
    m_density = 0;
    m_pageMode = false;
    setPageArea(0, 0, m_width, DefaultPageHeight);
    for (auto& line : m_patternLines) line.assign(std::size_t(m_width), 0);
    m_patternAddressed = 0;
    m_patternPrinting = false;
    m_barHeight = 162;
    m_barModule = 3;
    m_hriPosition = 0;
    m_hriFontB = false;
    m_qrModel = 50;
    m_qrModule = 3;
    m_qrLevel = 1;
    m_qrData.clear();
    m_pdf417 = {};
    m_pdf417Data.clear();
}

void VirtualPrinter::clearBuffers()
{
    m_line.clear();
    clearPage();
    m_x = 0;
    m_pageY = 0;
    m_lineUsed = false;
    m_rasterSkip = true;
    m_graphics = {};
}

void VirtualPrinter::setStatus(std::uint8_t status)
{
    if (status == m_status) return;
    m_status = status;
    if (m_autoStatusBack) m_output.reply(m_status);
}

void VirtualPrinter::command(const Command& c)
{
    // Real-time commands, identity requests and automatic status back are served whatever
    // state the printer is in.
    switch (c.op) {
    case Op::StatusRequest:
        if (c.a >= 1 && c.a <= 4) m_output.reply(m_status);
        return;
    case Op::Recover:
        if (c.a == 2) clearBuffers();
        if ((c.a == 1 || c.a == 2) && m_status == status::Error) setStatus(status::Ok);
        return;
    case Op::PrinterId: identify(c.a); return;
    case Op::AutoStatusBack:
        // Switching it on sends the current status once; from then on every change.
        if (c.a != 0 && !m_autoStatusBack) m_output.reply(m_status);
        m_autoStatusBack = c.a != 0;
        return;
    default: break;
    }
    // Offline, the printer takes nothing else: what arrives is lost, as a cleared buffer (the
    // rest of a raster image too).
    if (offline()) {
        if (c.op == Op::RasterImage) m_rasterSkip = true;
        return;
    }
    render(c);
}

void VirtualPrinter::identify(int n)
{
    using enum protocol::PrinterId;
    const std::string* text = nullptr;
    switch (n) {
    case int(Model):
    case '1': m_output.reply(0x20); return;
    case int(Type):
    case '2': m_output.reply(0x02); return;
    case int(RomVersion):
    case '3': m_output.reply(0x10); return;
    case int(Firmware): text = &m_identity.firmware; break;
    case int(Maker): text = &m_identity.maker; break;
    case int(ModelName): text = &m_identity.model; break;
    case int(Serial): text = &m_identity.serial; break;
    case int(Fonts): text = &m_identity.fonts; break;
    default: return;
    }
    m_output.reply(0x5F);
    for (const char ch : *text) m_output.reply(static_cast<std::uint8_t>(ch));
    m_output.reply(0x00);
}

void VirtualPrinter::render(const Command& c)
{
    switch (c.op) {
    case Op::Char: character(std::uint32_t(c.a), static_cast<std::uint8_t>(c.b)); break;
    case Op::CodeTable: codeTable(c.a); break;
    case Op::RasterImage: rasterImage(c); break;
    case Op::Graphics: graphics(c); break;
    case Op::LineFeed:
        if (m_pageMode) {
            pageFeed(m_lineSpacing);
        } else if (m_patternPrinting && !m_lineUsed) {
            pattern(c);
        } else {
            printLine();
            feed(m_lineSpacing);
        }
        break;
    case Op::CarriageReturn: break;
    case Op::FormFeed:
        if (!m_pageMode) break;
        printPage();
        leavePageMode();
        break;
    case Op::Initialize: initialize(); break;
    case Op::DefaultLineSpacing: m_lineSpacing = DefaultLineSpacing; break;
    case Op::LineSpacing: m_lineSpacing = c.a; break;
    case Op::PrintAndFeed:
    case Op::FeedLines: {
        const long rows = c.op == Op::PrintAndFeed ? c.a : long(c.a) * m_lineSpacing;
        if (m_pageMode) {
            pageFeed(rows);
        } else {
            printLine();
            feed(rows);
        }
        break;
    }
    case Op::FullCut:
    case Op::PartialCut:
    case Op::GsCut: {
        if (m_pageMode) break;
        const bool partial = c.op == Op::PartialCut || (c.op == Op::GsCut && (c.a == 1 || c.a == 49 || c.a == 66));
        printLine();
        endPage(partial ? Page::End::PartialCut : Page::End::FullCut);
        break;
    }
    case Op::BitImage: bitImage(c); break;
    case Op::PageMode:
        if (!m_pageMode) {
            printLine();
            m_pageMode = true;
            clearPage();
            m_x = 0;
            m_pageY = 0;
        }
        break;
    case Op::StandardMode: leavePageMode(); break;
    case Op::PageArea: {
        // The area is clipped to the paper; its top offset is kept as blank paper above it.
        const int left = std::min(c.a, m_width);
        setPageArea(left, std::min(c.b, MaxPageRows / 2), std::max(0, std::min(c.c, m_width - left)),
                    std::min(c.d, MaxPageRows / 2));
        m_x = 0;
        m_pageY = 0;
        break;
    }
    case Op::PrintPage:
        if (m_pageMode) printPage();
        break;
    case Op::Density: m_density = std::clamp(c.a, -5, 5); break;
    case Op::PatternAddress:
    case Op::PatternClear:
    case Op::PatternRun:
    case Op::PatternStart:
    case Op::PatternFinish: pattern(c); break;
    case Op::BlackMark: blackMark(c.a); break;
    case Op::BarcodeHeight:
    case Op::BarcodeWidth:
    case Op::HriPosition:
    case Op::HriFont: barcodeSetting(c); break;
    case Op::Barcode: {
        const auto symbology = Symbology(c.a);
        printCode(symbologyName(symbology), encodeBarcode(symbology, c.data, m_barModule, m_barHeight));
        break;
    }
    case Op::QrCode:
    case Op::Pdf417: code2D(c); break;
    // Decoding modes, real-time commands and what is not understood change nothing here.
    default: break;
    }
}

void VirtualPrinter::printPage()
{
    // The page mode data stays, to be printed again by the next ESC FF.
    const int rows = m_pageTop + m_page.height;
    reserve(rows);
    for (int y = 0; y < m_pageRows; ++y) {
        const std::uint8_t* from = m_page.row(y);
        std::uint8_t* to = m_paper.row(int(m_paperY) + m_pageTop + y) + m_pageLeft;
        mergeRow(to, from, m_page.width);
    }
    m_inked = true;
    feed(rows);
}

void VirtualPrinter::setPageArea(int left, int top, int width, int height)
{
    // Its memory is taken when the first dot goes into it.
    m_pageLeft = left;
    m_pageTop = top;
    m_page.width = width;
    m_page.height = height;
    m_page.dots.clear();
    m_pageRows = 0;
}

Dots& VirtualPrinter::target()
{
    if (!m_pageMode) return m_line;
    if (m_page.dots.empty()) m_page.dots.assign(std::size_t(m_page.width) * std::size_t(m_page.height), 0);
    return m_page;
}

void VirtualPrinter::markUsed(int bottom)
{
    if (m_pageMode) m_pageRows = std::clamp(bottom, m_pageRows, m_page.height);
    else m_lineUsed = true;
}

void VirtualPrinter::clearPage()
{
    std::fill_n(m_page.dots.begin(), std::size_t(m_pageRows) * std::size_t(m_page.width), std::uint8_t{0});
    m_pageRows = 0;
}

void VirtualPrinter::leavePageMode()
{
    m_pageMode = false;
    clearPage();
    m_x = 0;
    m_pageY = 0;
}

void VirtualPrinter::reserve(int rows)
{
    if (m_paper.dots.capacity() == 0) m_paper.dots.reserve(std::size_t(m_width) * 2048);  // 25 cm without growing
    if (m_paperY + rows > MaxPageRows) endPage(Page::End::Continued);
    const int needed = int(std::min<long>(m_paperY + rows, MaxPageRows));
    if (needed > m_paper.height) {
        m_paper.dots.resize(std::size_t(needed) * std::size_t(m_width), 0);
        m_paper.height = needed;
    }
}

void VirtualPrinter::pageFeed(long rows)
{
    // Below the area nothing prints; the position stops there.
    m_x = 0;
    m_pageY = int(std::min<long>(m_pageY + std::max(0L, rows), m_page.height));
}

void VirtualPrinter::feed(long rows)
{
    m_paperY += std::max(0L, rows);
    if (m_paperY > MaxPageRows) endPage(Page::End::Continued);
}

void VirtualPrinter::printLine()
{
    if (m_lineUsed) {
        reserve(CellHeight);
        for (int y = 0; y < CellHeight; ++y) {
            const std::uint8_t* from = m_line.row(y);
            std::uint8_t* to = m_paper.row(int(m_paperY) + y);
            mergeRow(to, from, m_width);
        }
        m_inked = true;
        m_line.clear();
    }
    m_lineUsed = false;
    m_x = 0;
}

void VirtualPrinter::endPage(Page::End end)
{
    // Paper that moved leaves as a receipt, blank or not: the cutter counts pieces, not ink.
    const bool paper = m_inked || m_paperY > 0;
    if (paper) {
        Page page;
        page.height = int(std::min<long>(std::max<long>(m_paperY, m_paper.height), MaxPageRows));
        page.dots = std::move(m_paper);
        page.number = ++m_pageNumber;
        page.piece = m_piece + 1;
        page.end = end;
        m_output.page(page);
        m_paper = std::move(page.dots);  // its memory serves the next page
    }
    if (end != Page::End::Continued) m_piece = 0;
    else if (paper) ++m_piece;
    m_paper.dots.clear();
    m_paper.height = 0;
    m_paper.width = m_width;
    m_paperY = 0;
    m_inked = false;
}

std::optional<Page> VirtualPrinter::paperSoFar() const
{
    if (!m_inked) return std::nullopt;
    Page page;
    page.dots = m_paper;
    page.height = int(std::min<long>(std::max<long>(m_paperY, m_paper.height), MaxPageRows));
    page.number = m_pageNumber + 1;
    page.piece = m_piece + 1;
    page.end = Page::End::PowerOff;
    return page;
}

void VirtualPrinter::finish()
{
    printLine();
    endPage(Page::End::PowerOff);
}

const std::vector<std::uint8_t>& VirtualPrinter::glyph(std::uint32_t code, std::uint8_t table, int width)
{
    // The same character at the same width is the same glyph, whichever table it came from.
    const char32_t character = unicodeOf(code, table);
    const std::uint32_t key = std::uint32_t(character) | (width == CellWidth ? 0 : 1U << 31);
    auto found = m_glyphs.find(key);
    if (found != m_glyphs.end()) return found->second;
    std::vector<std::uint8_t> mask(std::size_t(width * CellHeight), 0);
    if (width == CellWidth && isSingleLineBox(character)) {
        drawBox(character, mask);
    } else if (character != U' ' && (character == U'\uFFFD' || !(m_font && m_font->draw(character, width, mask)))) {
        std::fill(mask.begin(), mask.end(), std::uint8_t{0});
        drawMissing(width, mask);
    }
    return m_glyphs.emplace(key, std::move(mask)).first->second;
}

void VirtualPrinter::character(std::uint32_t code, std::uint8_t table)
{
    const int width = code > 0xFF ? 2 * CellWidth : CellWidth;
    Dots& area = target();
    if (width > area.width) return;
    if (m_x + width > area.width) {  // the line is full: it prints, and the character starts the next
        if (m_pageMode) {
            pageFeed(m_lineSpacing);
        } else {
            printLine();
            feed(m_lineSpacing);
        }
    }
    const std::vector<std::uint8_t>& mask = glyph(code, table, width);
    const int top = targetY();
    const std::uint8_t ink = this->ink();
    for (int y = 0; y < CellHeight; ++y) {
        if (top + y < 0 || top + y >= area.height) continue;
        std::uint8_t* row = area.row(top + y) + m_x;
        const std::uint8_t* bits = mask.data() + std::size_t(y * width);
        for (int x = 0; x < width; ++x) {
            if (bits[x]) row[x] = ink;
        }
    }
    m_x += width;
    markUsed(top + CellHeight);
}

void VirtualPrinter::bitImage(const Command& c)
{
    const bool tall = c.a >= 32;                       // 24 dots a column, else 8 drawn 3 rows each
    const int xScale = c.a == 0 || c.a == 32 ? 2 : 1;  // single density: each column 2 dots wide
    const int yScale = tall ? 1 : 3;
    const int bytesPerColumn = tall ? 3 : 1;
    Dots& area = target();
    const int top = targetY();
    const std::uint8_t ink = this->ink();
    const std::uint8_t* data = c.data.data();
    const int columns = std::clamp((area.width - m_x + xScale - 1) / xScale, 0, c.b);  // the rest falls off the edge
    // Row by row: each dot row of the band takes one bit of every column.
    for (int row = 0; row < 8 * bytesPerColumn; ++row) {
        const int k = row / 8;
        const int shift = 7 - row % 8;
        for (int y = top + row * yScale; y < top + (row + 1) * yScale; ++y) {
            if (y < 0 || y >= area.height) continue;
            std::uint8_t* out = area.row(y) + m_x;
            const std::uint8_t* in = data + k;
            if (xScale == 1 && bytesPerColumn == 3) {
                mergeBits<3>(out, in, columns, shift, ink);
            } else if (xScale == 1) {
                mergeBits<1>(out, in, columns, shift, ink);
            } else {
                for (int j = 0; j < columns; ++j) {
                    if (!((in[j * bytesPerColumn] >> shift) & 1)) continue;
                    out[2 * j] = ink;
                    if (m_x + 2 * j + 1 < area.width) out[2 * j + 1] = ink;
                }
            }
        }
    }
    m_x = std::min(area.width, m_x + c.b * xScale);
    markUsed(top + 24);
}

void VirtualPrinter::codeTable(int n)
{
    // The decoder reads the codes in the table; a table not listed reads as PC437.
    if (!protocol::codeTable(static_cast<std::uint8_t>(n)))
        m_output.note("ESC t " + std::to_string(n) + ": no character code table " + std::to_string(n) +
                      " here; codes 80 to FF print as in PC437 (table 0)");
}

void VirtualPrinter::rasterImage(const Command& c)
{
    // m 0 to 3 (or 48 to 51): normal, double width, double height, both.
    const int m = c.a >= 48 ? c.a - 48 : c.a;
    if (c.d == 0) {  // the image's first rows: whether it prints, and where
        const std::string what = "GS v 0 raster image of " + std::to_string(c.b * 8) + " x " + std::to_string(c.c) +
                                 " dots not printed: ";
        m_rasterSkip = true;
        if (m < 0 || m > 3) {
            m_output.note(what + "mode m=" + std::to_string(c.a) + " is none of 0 to 3 and 48 to 51");
        } else if (!m_pageMode && (m_lineUsed || m_x > 0)) {
            // In standard mode a raster image prints only when the line buffer is empty.
            m_output.note(what + "the line holds data (send LF first)");
        } else {
            m_rasterSkip = false;
            m_rasterLeft = m_pageMode ? m_x : 0;
        }
    }
    if (m_rasterSkip || c.b <= 0) return;
    rasterRows(c.data, c.b, c.b * 8, (m & 1) + 1, (m >> 1) + 1);
}

void VirtualPrinter::graphics(const Command& c)
{
    const std::string name = c.c ? "GS 8 L" : "GS ( L";
    if (c.b != 48) return;
    if (c.a == 112) {  // store: replaces what the buffer held
        if (const auto r = graphicsRaster(c)) {
            m_graphics = {r->width, r->height, r->bx, r->by, {r->rows.begin(), r->rows.end()}};
        } else {
            m_output.note(name + " graphics not stored: " +
                          (c.d < 0 ? "more data than this printer keeps"
                                   : "not a one-bit raster of colour 1 scaled 1 or 2 whose data matches its size"));
        }
        return;
    }
    if (c.a != 50 && c.a != 2) return;
    const std::string what = name + " print graphics: ";
    if (m_graphics.width == 0 || m_graphics.height == 0) {
        m_output.note(what + "no graphics in the print buffer");
    } else if (m_pageMode) {
        m_output.note(what + "ignored in page mode");  // ESC/POS does not print them there
    } else if (m_lineUsed || m_x > 0) {
        m_output.note(what + "not printed, the line holds data (send LF first)");
    } else {
        // Printed from the left, the paper fed by their height; the print buffer is then empty.
        m_rasterLeft = 0;
        const StoredGraphics g = std::move(m_graphics);
        m_graphics = {};
        rasterRows(g.rows, (g.width + 7) / 8, g.width, g.bx, g.by);
    }
}

void VirtualPrinter::rasterRows(std::span<const std::uint8_t> rows, int rowBytes, int widthDots, int xScale, int yScale)
{
    const int count = int(rows.size() / std::size_t(rowBytes));
    const std::uint8_t ink = this->ink();
    const auto drawRow = [&](std::uint8_t* out, int room, const std::uint8_t* in) {
        const int columns = std::min(widthDots, (room + xScale - 1) / xScale);  // the rest falls off
        for (int x = 0; x < columns; ++x) {
            if (!((in[x >> 3] >> (7 - (x & 7))) & 1)) continue;
            for (int k = 0; k < xScale && x * xScale + k < room; ++k) out[x * xScale + k] = ink;
        }
    };
    if (m_pageMode) {
        Dots& area = target();
        const int room = area.width - m_rasterLeft;
        for (int r = 0; r < count; ++r) {
            for (int k = 0; k < yScale; ++k) {
                const int y = m_pageY + r * yScale + k;
                if (y < area.height && room > 0)
                    drawRow(area.row(y) + m_rasterLeft, room, rows.data() + std::size_t(r) * std::size_t(rowBytes));
            }
        }
        markUsed(m_pageY + count * yScale);
        pageFeed(long(count) * yScale);
        return;
    }
    // Standard mode: onto the paper a band at a time, so that a long image may cross the pieces
    // paper is handed over in.
    constexpr int Band = 256;
    for (int first = 0; first < count; first += Band) {
        const int n = std::min(Band, count - first);
        reserve(n * yScale);
        for (int r = 0; r < n; ++r) {
            const std::uint8_t* in = rows.data() + std::size_t(first + r) * std::size_t(rowBytes);
            for (int k = 0; k < yScale; ++k) drawRow(m_paper.row(int(m_paperY) + r * yScale + k), m_width, in);
        }
        m_inked = true;
        feed(n * yScale);
    }
    m_x = 0;
}

void VirtualPrinter::pattern(const Command& c)
{
    std::vector<std::uint8_t>& line = m_patternLines[std::size_t(m_patternAddressed)];
    switch (c.op) {
    case Op::PatternAddress: m_patternAddressed = c.a - 1; break;
    case Op::PatternClear: std::fill(line.begin(), line.end(), std::uint8_t{0}); break;
    case Op::PatternRun:  // both ends are dots of the run
        for (int x = std::max(0, c.a); x <= c.b && x < m_width; ++x) line[std::size_t(x)] = 1;
        break;
    case Op::PatternStart: m_patternPrinting = true; break;
    case Op::PatternFinish: m_patternPrinting = false; break;
    case Op::LineFeed: {  // the addressed line printed across the line height
        const int rows = std::clamp(m_lineSpacing, 0, MaxPageRows / 2);
        reserve(rows);
        const std::uint8_t ink = this->ink();
        std::vector<std::uint8_t>& dots = m_patternRow;
        dots.resize(std::size_t(m_width));
        for (int x = 0; x < m_width; ++x) dots[std::size_t(x)] = line[std::size_t(x)] ? ink : 0;
        for (int y = 0; y < rows; ++y) mergeRow(m_paper.row(int(m_paperY) + y), dots.data(), m_width);
        m_inked = m_inked || rows > 0;
        feed(rows);
        break;
    }
    default: break;
    }
}

void VirtualPrinter::blackMark(int move)
{
    printLine();
    switch (move) {
    case 1:
    case '1':  // forward to the mark, and 3: back to it; the paper shows the mark
    case 3:
    case '3': {
        reserve(MarkHeight);
        for (int y = 0; y < MarkHeight; ++y) std::memset(m_paper.row(int(m_paperY) + y), ink(), std::size_t(m_width));
        m_inked = true;
        feed(MarkHeight);
        break;
    }
    case 0:
    case '0': feed(MarkToCutter); break;  // from the mark out to the cutter
    default: break;                       // back from the cutter: nothing to show
    }
}

void VirtualPrinter::barcodeSetting(const Command& c)
{
    // Values out of range leave the setting as it was.
    const int n = c.a;
    switch (c.op) {
    case Op::BarcodeHeight:
        if (n >= 1) m_barHeight = n;
        break;
    case Op::BarcodeWidth:
        if (n >= 1 && n <= 6) m_barModule = n;
        break;
    case Op::HriPosition:
        if (n >= 0 && n <= 3) m_hriPosition = n;
        if (n >= '0' && n <= '3') m_hriPosition = n - '0';
        break;
    case Op::HriFont:
        if (n == 0 || n == 1 || n == '0' || n == '1') m_hriFontB = n == 1 || n == '1';
        break;
    default: break;
    }
}

void VirtualPrinter::code2D(const Command& c)
{
    if (c.op == Op::QrCode) {
        switch (c.a) {
        case 65:
            if (c.b >= 49 && c.b <= 51) m_qrModel = c.b;
            break;
        case 67:
            if (c.b >= 1 && c.b <= 16) m_qrModule = c.b;
            break;
        case 69:
            if (c.b >= 48 && c.b <= 51) m_qrLevel = c.b - 47;
            break;
        case 80: m_qrData.assign(c.data.begin(), c.data.end()); break;
        case 81: {
            const char* name = m_qrModel == 51 ? "Micro QR" : "QR code";
            if (m_qrData.empty()) printCode(name, std::string("no data stored"));
            else printCode(name, encodeQr(m_qrModel, m_qrLevel, m_qrModule, m_qrData));
            break;
        }
        default: break;
        }
        return;
    }
    switch (c.a) {
    case 65:
        if (c.b >= 0 && c.b <= 30) m_pdf417.columns = c.b;
        break;
    case 66:
        if (c.b == 0 || (c.b >= 3 && c.b <= 90)) m_pdf417.rows = c.b;
        break;
    case 67:
        if (c.b >= 2 && c.b <= 8) m_pdf417.moduleWidth = c.b;
        break;
    case 68:
        if (c.b >= 2 && c.b <= 8) m_pdf417.rowHeight = c.b;
        break;
    case 69:  // a level 0 to 8; a ratio is left to the encoder
        if (c.b == 48 && c.c >= 48 && c.c <= 56) m_pdf417.level = c.c - 48;
        if (c.b == 49) m_pdf417.level = -1;
        break;
    case 70:
        if (c.b == 0 || c.b == 1) m_pdf417.truncated = c.b == 1;
        break;
    case 80: m_pdf417Data.assign(c.data.begin(), c.data.end()); break;
    case 81:
        if (m_pdf417Data.empty()) printCode("PDF417", std::string("no data stored"));
        else printCode("PDF417", encodePdf417(m_pdf417, m_pdf417Data));
        break;
    default: break;
    }
}

void VirtualPrinter::printCode(const char* what, const Encoded& encoded)
{
    // A line in progress prints first, so that the code starts on a line of its own.
    if (!m_pageMode && m_lineUsed) {
        printLine();
        feed(m_lineSpacing);
    }
    Dots& area = target();
    const int room = area.width - m_x;
    const Symbol* symbol = std::get_if<Symbol>(&encoded);
    std::string why = symbol ? "" : std::get<std::string>(encoded);
    if (symbol && symbol->widthDots() > room) {
        why = std::to_string(symbol->columns) + " modules of " + std::to_string(symbol->moduleWidth) + " dots are " +
              std::to_string(symbol->widthDots()) + " dots wide, wider than the " + std::to_string(room) +
              " dots of paper";
        symbol = nullptr;
    }
    if (!symbol) {
        m_output.note(std::string(what) + " not printed: " + why);
        if (m_pageMode) pageFeed(NotPrintedFeed);
        else feed(NotPrintedFeed);
        return;
    }
    // Quiet zones as far as the paper allows, the same on both sides.
    const int quiet = std::min(symbol->quietZone * symbol->moduleWidth, (room - symbol->widthDots()) / 2);
    const int left = m_x + quiet;
    const bool hri = !symbol->hri.empty();
    const int textHeight = m_hriFontB ? FontBHeight : CellHeight;
    const int above = hri && (m_hriPosition & 1) ? textHeight : 0;
    const int below = hri && (m_hriPosition & 2) ? textHeight : 0;
    const int height = above + symbol->heightDots() + below;
    const int centre = left + symbol->widthDots() / 2;
    if (m_pageMode) {
        const int top = m_pageY;
        if (above) drawHri(area, centre, top, symbol->hri);
        drawSymbol(area, left, top + above, *symbol);
        if (below) drawHri(area, centre, top + height - below, symbol->hri);
        markUsed(top + height);
        pageFeed(height);
        return;
    }
    reserve(height);
    const int top = int(m_paperY);
    if (above) drawHri(m_paper, centre, top, symbol->hri);
    drawSymbol(m_paper, left, top + above, *symbol);
    if (below) drawHri(m_paper, centre, top + height - below, symbol->hri);
    m_inked = true;
    feed(height);
}

void VirtualPrinter::drawSymbol(Dots& area, int left, int top, const Symbol& symbol)
{
    const std::uint8_t ink = this->ink();
    const int w = symbol.moduleWidth;
    const int right = std::min(area.width, left + symbol.widthDots());
    int y = top;
    for (std::size_t r = 0; r < symbol.rowHeights.size(); ++r) {
        const std::uint8_t* modules = symbol.modules.data() + r * std::size_t(symbol.columns);
        // The row's dots once, then copied down the row's height.
        const int first = y;
        for (int dy = 0; dy < symbol.rowHeights[r]; ++dy, ++y) {
            if (y < 0 || y >= area.height) continue;
            std::uint8_t* row = area.row(y);
            if (y > first && first >= 0) {
                std::memcpy(row + left, area.row(first) + left, std::size_t(right - left));
                continue;
            }
            for (int x = 0; x < symbol.columns; ++x) {
                const int run = std::min(w, right - left - x * w);
                if (modules[x] && run > 0) std::memset(row + left + x * w, ink, std::size_t(run));
            }
        }
    }
}

void VirtualPrinter::drawHri(Dots& area, int centre, int top, const std::string& text)
{
    const int cellWidth = m_hriFontB ? FontBWidth : CellWidth;
    const int cellHeight = m_hriFontB ? FontBHeight : CellHeight;
    int x = centre - int(text.size()) * cellWidth / 2;
    const std::uint8_t ink = this->ink();
    for (const char ch : text) {
        const auto code = std::uint32_t(static_cast<unsigned char>(ch));
        const std::vector<std::uint8_t>* mask = &glyph(code, 0, CellWidth);
        if (m_hriFontB) {  // font A's glyph scaled to the smaller cell, dot for nearest dot
            auto found = m_smallGlyphs.find(code);
            if (found == m_smallGlyphs.end()) {
                std::vector<std::uint8_t> small(std::size_t(FontBWidth * FontBHeight));
                for (int y = 0; y < FontBHeight; ++y)
                    for (int sx = 0; sx < FontBWidth; ++sx)
                        small[std::size_t(y * FontBWidth + sx)] = (*mask)[std::size_t(
                            y * CellHeight / FontBHeight * CellWidth + sx * CellWidth / FontBWidth)];
                found = m_smallGlyphs.emplace(code, std::move(small)).first;
            }
            mask = &found->second;
        }
        for (int y = 0; y < cellHeight; ++y)
            for (int dx = 0; dx < cellWidth; ++dx)
                if ((*mask)[std::size_t(y * cellWidth + dx)]) area.set(x + dx, top + y, ink);
        x += cellWidth;
    }
}

}  // namespace printbench::printer
