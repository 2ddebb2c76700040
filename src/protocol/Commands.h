#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

// Every command PrintBench sends, named once: the ESC/POS commands it uses and the printer
// family's own commands introduced by SUB (0x1A). Parameters that vary are left to the sender
// (the amount of ESC J, the density of GS ( K, the positions of SUB "W", a band's data).
namespace printbench::protocol {

using Bytes = std::span<const std::uint8_t>;

template <std::size_t N>
using Command = std::array<std::uint8_t, N>;

// clang-format off
// --- Status and recovery -------------------------------------------------------------------
inline constexpr Command<3> AutoStatusBackOn{0x1D, 0x61, 0x01};  // GS a 1
inline constexpr Command<3> StatusRequest{0x10, 0x04, 0x02};     // DLE EOT 2: the offline status
inline constexpr Command<3> Recover{0x10, 0x05, 0x02};           // DLE ENQ 2: recover, clearing the buffers
inline constexpr Command<2> Initialize{0x1B, 0x40};              // ESC @

// GS I n: transmit the printer ID; n follows. Model, Type and RomVersion (also asked as the
// digits "1" to "3") answer one byte; Firmware to Fonts answer 5F, the text in ASCII, 00.
inline constexpr Command<2> PrinterIdQuery{0x1D, 0x49};
enum class PrinterId : std::uint8_t {
    Model = 1, Type = 2, RomVersion = 3,
    Firmware = 65, Maker = 66, ModelName = 67, Serial = 68, Fonts = 69,
};

// GS ( K pL pH fn with pL = 2, pH = 0, fn = 49: select print density; the step m follows.
inline constexpr Command<6> DensityPrefix{0x1D, 0x28, 0x4B, 0x02, 0x00, 0x31};
// The density list's index (0 "-5" ... 5 "0" ... 10 "+5") as the signed step in one byte:
// index 0 is 0xFB, index 4 is 0xFF, index 5 is 0x00, index 10 is 0x05.
constexpr std::uint8_t densityStep(int index)
{
    return static_cast<std::uint8_t>(index > 4 ? index - 5 : index + 251);
}

// --- Paper ---------------------------------------------------------------------------------
inline constexpr Command<2> FullCut{0x1B, 0x69};     // ESC i
inline constexpr Command<2> PartialCut{0x1B, 0x6D};  // ESC m
inline constexpr Command<2> PrintAndFeed{0x1B, 0x4A};  // ESC J; the amount n (0 to 255) follows
inline constexpr std::uint8_t MaxFeedDots = 255;
inline constexpr Command<3> PrintAndFeed127{0x1B, 0x4A, 0x7F};  // ESC J 127
inline constexpr Command<1> LineFeed{0x0A};                     // LF

// SUB "b" n: black-mark moves. The parameter differs by route: over the serial line the moves
// take 1, 0, 3, 2; over USB the forward and reverse moves take the digits "1", "3", "2".
enum class BlackMark { Forward, OutForward, Reverse, OutReverse };
constexpr Command<3> blackMark(BlackMark move, bool usb)
{
    switch (move) {
    case BlackMark::Forward: return {0x1A, 0x62, static_cast<std::uint8_t>(usb ? 0x31 : 0x01)};
    case BlackMark::OutForward: return {0x1A, 0x62, 0x00};
    case BlackMark::Reverse: return {0x1A, 0x62, static_cast<std::uint8_t>(usb ? 0x33 : 0x03)};
    case BlackMark::OutReverse: return {0x1A, 0x62, static_cast<std::uint8_t>(usb ? 0x32 : 0x02)};
    }
    return {0x1A, 0x62, 0x00};
}

// --- Line spacing --------------------------------------------------------------------------
inline constexpr Command<3> LineSpacing24{0x1B, 0x33, 0x18};  // ESC 3 24
inline constexpr Command<3> LineSpacing32{0x1B, 0x33, 0x20};  // ESC 3 32
inline constexpr Command<2> DefaultLineSpacing{0x1B, 0x32};   // ESC 2
// ESC 3 "2" (50 dots), as the tile pattern closes over USB: ESC and 3 as bytes, "2" as text.
inline constexpr Command<2> LineSpacingPrefix{0x1B, 0x33};

// --- Pattern lines (SUB) -------------------------------------------------------------------
inline constexpr Command<2> PatternLine1{0x1A, 0x31};   // SUB "1": address pattern line 1
inline constexpr Command<2> PatternLine2{0x1A, 0x32};   // SUB "2": address pattern line 2
inline constexpr Command<2> PatternClear{0x1A, 0x43};   // SUB "C": clear the addressed line
inline constexpr Command<2> PatternRun{0x1A, 0x57};     // SUB "W": sL sH eL eH follow
inline constexpr Command<2> PatternStart{0x1A, 0x4F};   // SUB "O": start printing pattern lines
inline constexpr Command<2> PatternFinish{0x1A, 0x46};  // SUB "F": finish printing pattern lines

// A run's two positions, low byte first: the four bytes after SUB "W".
constexpr Command<4> runPositions(std::uint16_t start, std::uint16_t end)
{
    return {static_cast<std::uint8_t>(start & 0xFF), static_cast<std::uint8_t>(start >> 8),
            static_cast<std::uint8_t>(end & 0xFF), static_cast<std::uint8_t>(end >> 8)};
}

// --- Box-drawing characters (SUB "x") and double-byte mode ---------------------------------
inline constexpr Command<3> BoxTableOn{0x1A, 0x78, 0x01};       // SUB "x" 1, serial
inline constexpr Command<3> BoxTableOnDigit{0x1A, 0x78, 0x31};  // SUB "x" "1", USB
inline constexpr Command<3> BoxTableOff{0x1A, 0x78, 0x00};      // SUB "x" 0
inline constexpr Command<2> KanjiOff{0x1C, 0x2E};               // FS .: cancel double-byte mode
inline constexpr std::uint8_t Sub = 0x1A;
inline constexpr std::uint8_t Esc = 0x1B;

// --- Page mode and bit images --------------------------------------------------------------
inline constexpr Command<2> PageMode{0x1B, 0x4C};             // ESC L
inline constexpr Command<3> PageDirectionLeftToRight{0x1B, 0x54, 0x00};  // ESC T 0
inline constexpr Command<2> PageArea{0x1B, 0x57};             // ESC W; the eight area bytes follow
// x = 0, y = 0, 431 dots wide (AF 01), 520 dots high (08 02): the logo's print area.
inline constexpr Command<8> LogoPageArea{0x00, 0x00, 0x00, 0x00, 0xAF, 0x01, 0x08, 0x02};
inline constexpr Command<2> PrintPage{0x1B, 0x0C};            // ESC FF
inline constexpr Command<2> StandardMode{0x1B, 0x53};         // ESC S
// ESC * 33: a 24-dot double-density band; nL nH (the columns) and three bytes a column follow.
inline constexpr Command<3> BitImage24{0x1B, 0x2A, 0x21};

// --- Barcodes (GS k) and 2-D codes (GS ( k) ------------------------------------------------
inline constexpr Command<2> BarcodeHeight{0x1D, 0x68};       // GS h; the height n (1 to 255 dots) follows
inline constexpr Command<2> BarcodeModuleWidth{0x1D, 0x77};  // GS w; the module width n (2 to 6 dots) follows
inline constexpr Command<2> BarcodeHri{0x1D, 0x48};          // GS H; n: 0 none, 1 above, 2 below, 3 both
inline constexpr Command<2> BarcodeHriFont{0x1D, 0x66};      // GS f; n: 0 font A, 1 font B
// GS k: form A is m (0 to 6), the data and NUL; form B is m (65 and up), the length n and the data.
inline constexpr Command<2> PrintBarcode{0x1D, 0x6B};
// clang-format on
// The barcodes of GS k, in the order of m: form B's m is 65 and the symbology's place, form A's
// its place alone, for the first seven.
enum class Symbology : std::uint8_t {
    UpcA,
    UpcE,
    Ean13,
    Ean8,
    Code39,
    Itf,
    Codabar,
    Code93,
    Code128,
    Gs1_128,
    DataBar,
    DataBarTruncated,
    DataBarLimited,
    DataBarExpanded,
};
inline constexpr std::uint8_t SymbologyCount = 14;
constexpr std::uint8_t barcodeFormB(Symbology s)
{
    return static_cast<std::uint8_t>(65 + static_cast<int>(s));
}
constexpr std::optional<std::uint8_t> barcodeFormA(Symbology s)
{
    return s <= Symbology::Codabar ? std::optional(static_cast<std::uint8_t>(s)) : std::nullopt;
}
// The symbology of GS k's m, in either form; none for an m that is none.
constexpr std::optional<Symbology> symbologyOfM(std::uint8_t m)
{
    if (m <= 6) return static_cast<Symbology>(m);
    if (m >= 65 && m < 65 + SymbologyCount) return static_cast<Symbology>(m - 65);
    return std::nullopt;
}
// clang-format off
// GS ( k pL pH cn fn: a 2-D code's function. pL pH count cn, fn and the parameters after them.
inline constexpr Command<3> Code2dPrefix{0x1D, 0x28, 0x6B};
inline constexpr std::uint8_t Pdf417Code = 0x30;  // cn 48
inline constexpr std::uint8_t QrCode = 0x31;      // cn 49
// fn of either code: settings 65 to 70 (QR: model 65, module size 67, error correction 69;
// PDF417: columns 65, rows 66, module width 67, row height 68, error correction 69, options 70),
// then store the data (80, m = 48 before it) and print it (81, m = 48).
enum class Code2dFunction : std::uint8_t {
    Columns = 0x41, QrModel = 0x41, Rows = 0x42, ModuleSize = 0x43, RowHeight = 0x44,
    ErrorCorrection = 0x45, Options = 0x46, Store = 0x50, Print = 0x51,
};
inline constexpr std::uint8_t Code2dDataMode = 0x30;  // m 48 of store and print
inline constexpr Command<3> PrintAndFeed120{0x1B, 0x4A, 0x78};  // ESC J 120: the feed after a page of codes

// --- Character code tables and double-byte mode --------------------------------------------
inline constexpr Command<2> SelectCodeTable{0x1B, 0x74};  // ESC t; the table's n follows
inline constexpr Command<2> KanjiOn{0x1C, 0x26};          // FS &: double-byte mode on

// --- Raster images (GS v 0) and graphics (GS ( L) ------------------------------------------
// GS v 0 m = 0 (normal size); xL xH (bytes a row), yL yH (rows) and the rows follow, 8 dots a
// byte, the leftmost dot in the high bit.
inline constexpr Command<4> RasterImage{0x1D, 0x76, 0x30, 0x00};
inline constexpr std::uint16_t RasterImageMaxRows = 256;  // rows PrintBench sends in one GS v 0
// GS ( L pL pH m fn ...: pL pH count the bytes from m on.
inline constexpr Command<3> GraphicsPrefix{0x1D, 0x28, 0x4C};
// m fn a bx by c of "store graphics in the print buffer" (fn 112): one-bit raster, normal size,
// colour 1; xL xH (dots a row), yL yH (rows) and the rows follow, as GS v 0 packs them.
inline constexpr Command<6> GraphicsStore{0x30, 0x70, 0x30, 0x01, 0x01, 0x31};
inline constexpr std::uint32_t GraphicsMaxParameterBytes = 65535;  // pL pH's largest count
// GS ( L pL pH 48 50: print the graphics in the print buffer.
inline constexpr Command<7> GraphicsPrint{0x1D, 0x28, 0x4C, 0x02, 0x00, 0x30, 0x32};
// clang-format on

}  // namespace printbench::protocol
