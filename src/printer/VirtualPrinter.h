#pragma once

#include "printer/Decoder.h"
#include "printer/Paper.h"
#include "printer/Symbols.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace printbench::printer {

// Where glyphs of the printer's font come from: the printer reads a code in its code table
// (Characters.h) and asks for the character's glyph, 12 dots wide for a single byte and 24 for
// a double-byte code. `mask` is width x 24 dots, 1 for ink; false when the font has no glyph
// for the character (the printer then draws the missing-glyph box).
class GlyphSource {
public:
    virtual ~GlyphSource() = default;
    virtual bool draw(char32_t character, int width, std::vector<std::uint8_t>& mask) = 0;
};

// What the printer gives back: bytes on the line (status bytes, identity answers a byte at a
// call) and finished paper.
class PrinterOutput {
public:
    virtual ~PrinterOutput() = default;
    virtual void reply(std::uint8_t byte) = 0;
    virtual void page(const Page& page) = 0;
    // A line of the printer's own log: why something it was sent did not print.
    virtual void note(const std::string& /*text*/) {}
};

// The status bytes of the named conditions. Their bits are those of the ESC/POS offline
// status where they fit: paper end 0x20 and error 0x40 with the two fixed bits 0x12, cover
// open 0x04 alone.
namespace status {
inline constexpr std::uint8_t Ok = 0x12;
inline constexpr std::uint8_t PaperEnd = 0x32;
inline constexpr std::uint8_t CoverOpen = 0x04;
inline constexpr std::uint8_t Error = 0x52;
}  // namespace status

// The byte a condition typed by name or as "status 0xNN" sets; none for anything else.
std::optional<std::uint8_t> conditionByte(std::string_view typed);

// The texts GS I 65 to 69 answer, in ASCII. The model is the one the printer was made as;
// whoever makes it names it.
struct Identity {
    std::string firmware = "1.00";
    std::string maker = "PrintBench";
    std::string model;
    std::string serial = "PB-0001";
    std::string fonts = "FONT A, FONT B";
};

// A printer of the family: it takes commands from the decoder, keeps its state and status
// byte, answers status and identity requests and renders what it prints onto paper
// `paperWidth` dots wide.
class VirtualPrinter : public CommandSink {
public:
    static constexpr int CellWidth = 12, CellHeight = 24;
    static constexpr int DefaultLineSpacing = 32;
    static constexpr int MaxPageRows = 16384;               // longer paper leaves as pieces of this length
    static constexpr int FontBWidth = 9, FontBHeight = 17;  // HRI font B: font A's glyphs scaled down
    static constexpr int NotPrintedFeed = 24;               // a code that does not print feeds this much

    VirtualPrinter(int paperWidth, PrinterOutput& output, GlyphSource* font = nullptr, Identity identity = {});

    void command(const Command& c) override;

    // A condition set by hand (a fault typed by the technician). With automatic status back
    // on, a change goes to the host at once.
    void setStatus(std::uint8_t status);
    // Paper end, cover open and error keep the printer from printing.
    bool offline() const { return (m_status & 0x64) != 0; }

    // Hands over the paper printed since the last cut, if any (the power going off).
    void finish();
    // The paper printed since the last cut, as it stands; none while it is blank.
    std::optional<Page> paperSoFar() const;

    int paperWidth() const { return m_width; }
    const Identity& identity() const { return m_identity; }

private:
    void initialize();
    void identify(int n);
    void clearBuffers();
    void render(const Command& c);
    void printLine();
    void printPage();
    void leavePageMode();
    void clearPage();
    // Ink has gone into the line, or into the page down to row `bottom`.
    void markUsed(int bottom);
    void feed(long rows);
    void pageFeed(long rows);
    // Makes room for `rows` rows from the print position, starting a new piece of paper when
    // the page would grow beyond its longest.
    void reserve(int rows);
    void endPage(Page::End end);
    void character(std::uint32_t code, std::uint8_t table);
    void codeTable(int n);
    void rasterImage(const Command& c);
    void graphics(const Command& c);
    // Rows of a raster image (8 dots a byte, the high bit leftmost), `widthDots` dots of each,
    // scaled; drawn from the left of the paper, or in page mode from m_rasterLeft at the page
    // position. Beyond the print area they fall off; the paper or page position moves down by
    // their height.
    void rasterRows(std::span<const std::uint8_t> rows, int rowBytes, int widthDots, int xScale, int yScale);
    void bitImage(const Command& c);
    void pattern(const Command& c);
    void blackMark(int move);
    void barcodeSetting(const Command& c);
    void code2D(const Command& c);
    // Prints a code at the print position (`what` names it in the log), or feeds a little and
    // logs why not.
    void printCode(const char* what, const Encoded& encoded);
    void drawSymbol(Dots& area, int left, int top, const Symbol& symbol);
    void drawHri(Dots& area, int centre, int top, const std::string& text);
    std::uint8_t ink() const { return static_cast<std::uint8_t>(m_density + 6); }
    // The glyph of a code read in a code table: by the character it stands for and the width.
    const std::vector<std::uint8_t>& glyph(std::uint32_t code, std::uint8_t table, int width);
    // Where characters and images go: the line buffer, or the page in page mode.
    Dots& target();
    void setPageArea(int left, int top, int width, int height);
    int targetY() const { return m_pageMode ? m_pageY : 0; }

    int m_width;
    PrinterOutput& m_output;
    GlyphSource* m_font;
    Identity m_identity;

    std::uint8_t m_status = status::Ok;
    bool m_autoStatusBack = false;

    int m_lineSpacing = DefaultLineSpacing;
    int m_density = 0;

    Dots m_line;  // one line of characters and images, waiting for LF
    int m_x = 0;  // next column in the line or the page
    bool m_lineUsed = false;

    bool m_pageMode = false;
    Dots m_page;         // the page mode print area
    int m_pageRows = 0;  // its rows above which all ink lies
    int m_pageLeft = 0, m_pageTop = 0, m_pageY = 0;

    std::array<std::vector<std::uint8_t>, 2> m_patternLines;
    std::vector<std::uint8_t> m_patternRow;  // the addressed line in ink, as it prints
    int m_patternAddressed = 0;              // 0 or 1
    bool m_patternPrinting = false;

    Dots m_paper;       // paper printed since the last cut; rows allocated as ink reaches them
    long m_paperY = 0;  // the print position on it
    bool m_inked = false;
    int m_pageNumber = 0;
    int m_piece = 0;  // pieces of the paper since the last cut already handed over

    std::unordered_map<std::uint32_t, std::vector<std::uint8_t>> m_glyphs;
    std::unordered_map<std::uint32_t, std::vector<std::uint8_t>> m_smallGlyphs;  // font B

    // Barcodes (GS h, GS w, GS H, GS f) and the 2-D codes' settings and stored data (GS ( k).
    int m_barHeight = 162;
    int m_barModule = 3;
    int m_hriPosition = 0;  // bit 0 above, bit 1 below
    bool m_hriFontB = false;
    int m_qrModel = 50, m_qrModule = 3, m_qrLevel = 1;
    std::vector<std::uint8_t> m_qrData;
    Pdf417Settings m_pdf417;
    std::vector<std::uint8_t> m_pdf417Data;

    // The raster image (GS v 0) being printed, and the graphics in the print buffer (GS ( L).
    bool m_rasterSkip = true;
    int m_rasterLeft = 0;
    struct StoredGraphics {
        int width = 0, height = 0, bx = 1, by = 1;
        std::vector<std::uint8_t> rows;
    } m_graphics;
};

}  // namespace printbench::printer
