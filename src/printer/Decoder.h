#pragma once

#include "protocol/Commands.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace printbench::printer {

// What a command asks of the printer. The comments give the bytes and the meaning of the
// fields a to d.
enum class Op : std::uint8_t {
    Char,                // a printable character; a = its code: one byte, or lead << 8 | trail; b = the
                         // code table a single byte reads in (ESC t; 0 for box-drawing bytes in SUB "x" 1)
    LineFeed,            // LF
    CarriageReturn,      // CR
    FormFeed,            // FF
    Initialize,          // ESC @
    DefaultLineSpacing,  // ESC 2
    LineSpacing,         // ESC 3 n; a = n
    PrintAndFeed,        // ESC J n; a = n
    FeedLines,           // ESC d n; a = n
    FullCut,             // ESC i
    PartialCut,          // ESC m
    BitImage,            // ESC * m nL nH d...; a = m, b = columns, data = the dot bytes
    PageMode,            // ESC L
    StandardMode,        // ESC S
    PageDirection,       // ESC T n; a = n
    PageArea,            // ESC W xL xH yL yH dxL dxH dyL dyH; a = x, b = y, c = width, d = height
    PrintPage,           // ESC FF
    AutoStatusBack,      // GS a n; a = n
    Density,             // GS ( K pL pH 49 m; a = m as a signed step
    GsCut,               // GS V m [n]; a = m, b = n
    PrinterId,           // GS I n; a = n
    KanjiOn,             // FS &
    KanjiOff,            // FS .
    StatusRequest,       // DLE EOT n; a = n
    Recover,             // DLE ENQ n; a = n
    PatternAddress,      // SUB "1" or SUB "2"; a = 1 or 2
    PatternClear,        // SUB "C"
    PatternRun,          // SUB "W" sL sH eL eH; a = s, b = e
    PatternStart,        // SUB "O"
    PatternFinish,       // SUB "F"
    BoxTable,            // SUB "x" n; a = n
    BlackMark,           // SUB "b" n; a = n
    BarcodeHeight,       // GS h n; a = n, the bars' height in dots
    BarcodeWidth,        // GS w n; a = n, a module's width in dots
    HriPosition,         // GS H n; a = n: 0 none, 1 above, 2 below, 3 both (or '0' to '3')
    HriFont,             // GS f n; a = n: 0 font A, 1 font B (or '0', '1')
    Barcode,             // GS k m d... 00 (form A, m 0-6) or GS k m n d1...dn (form B, m 65-78); a = the
                         // Symbology, b = m, data = the data (without the NUL or n)
    QrCode,              // GS ( k pL pH 49 fn ...; a = fn, b and c = the bytes after it (fn 65: n1 n2, fn 67
                         // and 69: n, fn 80 and 81: 48), data = what fn 80 stores
    Pdf417,              // GS ( k pL pH 48 fn ...; a = fn, b and c = the bytes after it (fn 69: m n), data =
                         // what fn 80 stores
    CodeTable,           // ESC t n; a = n
    RasterImage,         // GS v 0 m xL xH yL yH d...; a = m, b = bytes a row (x), c = rows (y), d = the
                         // first row `data` holds, data = whole rows from row d on. A large image comes
                         // as several commands, its rows in order, the first with d = 0 (see `continues`)
    Graphics,            // GS ( L pL pH m fn ... or GS 8 L p1 p2 p3 p4 m fn ...; a = fn, b = m, c = 1 for
                         // GS 8 L, d = the bytes after fn as the length says, data = them (d = -1 and
                         // data empty when more than Decoder::MaxGraphicsBytes: consumed, not kept)
    Unknown,             // bytes this printer does not understand; data = them
    Incomplete,          // the input ended inside a command; data = its bytes so far; a = the bytes of a
                         // raster image or of unkept graphics still missing (0 for other commands)
};

// The barcodes GS k prints, in the order of m (form A: 0 to 6; form B: 65 to 78).
using protocol::Symbology;

// "UPC-A", "CODE128", "GS1 DataBar Omnidirectional", ...
const char* symbologyName(Symbology s);

struct Command;

// More rows of a raster image already begun: logs describe the image once, at its first rows.
bool continues(const Command& c);

// The monochrome raster of GS ( L / GS 8 L fn 112 (store graphics in the print buffer):
// a = 48, bx by 1 or 2, c = 49 (colour 1), xL xH dots a row, yL yH rows, then the rows packed as
// GS v 0 packs them, ceil(x / 8) bytes a row.
struct GraphicsRaster {
    int width = 0;   // dots a row
    int height = 0;  // rows
    int bx = 1, by = 1;
    std::span<const std::uint8_t> rows;
};
// The raster a store command holds; none for another function, another tone or colour, a scale
// other than 1 or 2, or data of another length than its size says.
std::optional<GraphicsRaster> graphicsRaster(const Command& c);

struct Command {
    Op op = Op::Unknown;
    std::uint64_t offset = 0;  // of the command's first byte in the stream
    std::uint32_t length = 0;  // bytes the command spans
    std::int32_t a = 0, b = 0, c = 0, d = 0;
    std::span<const std::uint8_t> data;  // valid only during the call that hands it over
};

class CommandSink {
public:
    virtual ~CommandSink() = default;
    virtual void command(const Command& c) = 0;
};

// Turns a byte stream into commands, whatever pieces it arrives in: a command cut in two
// between reads decodes exactly as it would have whole. No byte is skipped: bytes it does not
// understand come out as Unknown commands.
//
// Characters above 0x7F depend on two modes the stream itself sets: in double-byte (Kanji)
// mode, on at start and after ESC @, a lead byte 81-FE followed by a trail byte 41-FE is one
// double-byte character (CP949 for the Korean models); FS . turns the mode off, FS & on.
// While the box-drawing table is on (SUB "x" 1), B3-DA are always single box-drawing
// characters.
//
// ESC t n selects the code table single bytes 80-FF are read in (0 at start and after ESC @);
// the decoder keeps it and hands it with every character.
//
// Commands carrying data are consumed exactly as their lengths say, without holding more than
// a bounded amount: GS v 0 hands its rows over as they arrive (at most one row is held between
// reads), GS ( L holds at most its 65535 parameter bytes, and GS 8 L's data beyond
// MaxGraphicsBytes is consumed without being kept.
//
// GS k form A ends at its NUL: 255 data bytes without one leave GS k m as an Unknown command
// and the bytes after it as what they are.
class Decoder {
public:
    static constexpr std::uint32_t MaxGraphicsBytes = 1U << 20;  // GS 8 L data kept

    void feed(std::span<const std::uint8_t> bytes, CommandSink& sink);
    // The end of the input: a command cut short is reported as Incomplete.
    void finish(CommandSink& sink);

    std::uint64_t offset() const;

private:
    struct Parse {
        bool complete;
        std::size_t length;  // when complete; otherwise the fewest bytes that could complete it
    };
    Parse parse(const std::uint8_t* p, std::size_t n) const;
    void deliver(const std::uint8_t* p, std::size_t length, CommandSink& sink);

    std::size_t fresh(std::span<const std::uint8_t> bytes, CommandSink& sink);
    std::size_t completePending(std::span<const std::uint8_t> bytes, CommandSink& sink);
    std::size_t body(std::span<const std::uint8_t> bytes, CommandSink& sink);
    void rows(const std::uint8_t* data, int count, std::size_t length, CommandSink& sink);

    // The data of a GS v 0 being handed over, or of a GS 8 L being skipped.
    struct Body {
        bool skip = false;
        std::uint64_t left = 0;  // bytes to skip
        int m = 0, rowBytes = 0, rows = 0, done = 0;
        std::size_t head = 0;            // header bytes at the start of `part`, until the first rows go
        std::vector<std::uint8_t> part;  // the header and a row begun
    };
    std::optional<Body> m_body;
    std::vector<std::uint8_t> m_pending;  // the start of a command still cut short
    std::uint64_t m_offset = 0;           // stream offset of the next command's first byte
    bool m_kanji = true;
    bool m_box = false;
    std::uint8_t m_table = 0;
};

}  // namespace printbench::printer
