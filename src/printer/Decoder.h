#pragma once

#include "protocol/Commands.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace printbench::printer {

// What a command asks of the printer. The comments give the bytes and the meaning of the
// fields a to d.
enum class Op : std::uint8_t {
    Char,                // a printable character; a = its code: one byte, or lead << 8 | trail
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
    Unknown,             // bytes this printer does not understand; data = them
    Incomplete,          // the input ended inside a command; data = its bytes so far
};

// The barcodes GS k prints, in the order of m (form A: 0 to 6; form B: 65 to 78).
using protocol::Symbology;

// "UPC-A", "CODE128", "GS1 DataBar Omnidirectional", ...
const char* symbologyName(Symbology s);

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
// GS k form A ends at its NUL: 255 data bytes without one leave GS k m as an Unknown command
// and the bytes after it as what they are.
class Decoder {
public:
    void feed(std::span<const std::uint8_t> bytes, CommandSink& sink);
    // The end of the input: a command cut short is reported as Incomplete.
    void finish(CommandSink& sink);

    std::uint64_t offset() const { return m_offset + m_pending.size(); }

private:
    struct Parse {
        bool complete;
        std::size_t length;  // when complete; otherwise the fewest bytes that could complete it
    };
    Parse parse(const std::uint8_t* p, std::size_t n) const;
    void deliver(const std::uint8_t* p, std::size_t length, CommandSink& sink);
    void feedFresh(std::span<const std::uint8_t> bytes, CommandSink& sink);

    std::vector<std::uint8_t> m_pending;  // the start of a command still cut short
    std::uint64_t m_offset = 0;           // stream offset of the next command's first byte
    bool m_kanji = true;
    bool m_box = false;
};

}  // namespace printbench::printer
