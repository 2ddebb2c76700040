#include "printer/CommandLog.h"

#include "printer/Characters.h"
#include "protocol/CodeTables.h"

#include <cstdio>

namespace printbench::printer {

namespace {

std::string hexBytes(std::span<const std::uint8_t> bytes)
{
    std::string s;
    char buf[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i == 32) return s + " ...";
        std::snprintf(buf, sizeof buf, i ? " %02X" : "%02X", bytes[i]);
        s += buf;
    }
    return s;
}

std::string n(std::int32_t v)
{
    return std::to_string(v);
}
std::string dots(std::int32_t v)
{
    return n(v) + (v == 1 ? " dot" : " dots");
}

// A SUB parameter the way it was sent: the digit characters in quotes, bytes as numbers.
std::string subParameter(std::int32_t v)
{
    if (v < '0' || v > '9') return n(v);
    std::string quoted = "\"0\"";
    quoted[1] = char(v);
    return quoted;
}

std::string bitImage(const Command& c)
{
    const char* what = "8-dot single-density band";
    if (c.a == 1) what = "8-dot double-density band";
    if (c.a == 32) what = "24-dot single-density band";
    if (c.a == 33) what = "24-dot double-density band";
    return "ESC * " + n(c.a) + " n=" + n(c.b) + ": " + what;
}

std::string blackMark(std::int32_t v)
{
    switch (v) {
    case 1:
    case '1': return "black mark forward: feed to the next mark";
    case 0:
    case '0': return "black mark out forward: feed from the mark to the cut position";
    case 3:
    case '3': return "black mark reverse: back to the mark";
    case 2:
    case '2': return "black mark out reverse: back from the cut position to the mark";
    default: return "black mark move with an unknown parameter (ignored)";
    }
}

std::string statusKind(std::int32_t v)
{
    switch (v) {
    case 1: return "send the printer status";
    case 2: return "send the offline status";
    case 3: return "send the error status";
    case 4: return "send the paper sensor status";
    default: return "status request of an unknown kind (ignored)";
    }
}

std::string printerIdKind(std::int32_t v)
{
    switch (v) {
    case 1:
    case '1': return "transmit the printer ID (model)";
    case 2:
    case '2': return "transmit the printer ID (type)";
    case 3:
    case '3': return "transmit the printer ID (ROM version)";
    case 65: return "transmit the firmware version";
    case 66: return "transmit the maker name";
    case 67: return "transmit the model name";
    case 68: return "transmit the serial number";
    case 69: return "transmit the fonts";
    default: return "printer ID request of an unknown kind (ignored)";
    }
}

std::string hriPosition(std::int32_t v)
{
    switch (v) {
    case 0:
    case '0': return "no HRI characters";
    case 1:
    case '1': return "HRI characters above the barcode";
    case 2:
    case '2': return "HRI characters below the barcode";
    case 3:
    case '3': return "HRI characters above and below the barcode";
    default: return "HRI position of an unknown kind (ignored)";
    }
}

std::string hriFont(std::int32_t v)
{
    if (v == 0 || v == '0') return "HRI characters in font A";
    if (v == 1 || v == '1') return "HRI characters in font B";
    return "HRI font of an unknown kind (ignored)";
}

// Data as sent: printable ASCII as it is, other bytes as \xNN; long data cut short.
std::string dataText(std::span<const std::uint8_t> data)
{
    std::string s;
    char buf[8];
    for (std::size_t i = 0; i < data.size(); ++i) {
        if (i == 64) return s + " ...";
        if (data[i] >= 0x20 && data[i] < 0x7F) {
            s += char(data[i]);
        } else {
            std::snprintf(buf, sizeof buf, "\\x%02X", data[i]);
            s += buf;
        }
    }
    return s;
}

std::string bytes(std::size_t count)
{
    return std::to_string(count) + (count == 1 ? " byte" : " bytes");
}

std::string barcode(const Command& c)
{
    return std::string("GS k ") + symbologyName(Symbology(c.a)) + (c.b >= 65 ? " (form B, " : " (form A, ") +
           bytes(c.data.size()) + ") " + dataText(c.data);
}

std::string qrCode(const Command& c)
{
    const std::string head = "GS ( k QR ";
    switch (c.a) {
    case 65:
        if (c.b == 49) return head + "model 1";
        if (c.b == 50) return head + "model 2";
        if (c.b == 51) return head + "model Micro QR";
        return head + "model " + n(c.b) + " (unknown, ignored)";
    case 67: return head + "module size " + dots(c.b);
    case 69: {
        static const char levels[] = "LMQH";
        if (c.b >= 48 && c.b <= 51) return head + "error correction " + levels[c.b - 48];
        return head + "error correction " + n(c.b) + " (unknown, ignored)";
    }
    case 80: return head + "store " + bytes(c.data.size());
    case 81: return head + "print";
    default: return head + "function " + n(c.a) + " (ignored)";
    }
}

std::string pdf417(const Command& c)
{
    const std::string head = "GS ( k PDF417 ";
    const auto count = [](std::int32_t v) { return v == 0 ? std::string("automatic") : n(v); };
    switch (c.a) {
    case 65: return head + "columns " + count(c.b);
    case 66: return head + "rows " + count(c.b);
    case 67: return head + "module width " + dots(c.b);
    case 68: return head + "row height " + n(c.b) + " times the module width";
    case 69:
        if (c.b == 48) return head + "error correction level " + n(c.c - 48);
        return head + "error correction ratio " + n(c.c) + "0 %";
    case 70: return head + (c.b == 1 ? "truncated" : c.b == 0 ? "standard" : "options " + n(c.b) + " (ignored)");
    case 80: return head + "store " + bytes(c.data.size());
    case 81: return head + "print";
    default: return head + "function " + n(c.a) + " (ignored)";
    }
}

std::string codeTable(std::int32_t n)
{
    const std::string head = "ESC t " + std::to_string(n) + ": character code table ";
    if (const auto table = protocol::codeTable(static_cast<std::uint8_t>(n))) return head + std::string(table->name);
    return head + std::to_string(n) + " (not offered; read as PC437)";
}

std::string rasterImage(const Command& c)
{
    static const char* const sizes[] = {"", ", double width", ", double height", ", double width and height"};
    const bool known = (c.a >= 0 && c.a <= 3) || (c.a >= 48 && c.a <= 51);
    return "GS v 0 m=" + n(c.a) + ": raster image " + n(c.b * 8) + " x " + dots(c.c) +
           (known ? sizes[c.a % 48] : " (unknown mode, ignored)");
}

// GS ( L / GS 8 L by function: what it is, and whether this printer does it.
std::string graphics(const Command& c)
{
    std::string head = (c.c ? "GS 8 L fn " : "GS ( L fn ") + n(c.a) + ": ";
    if (c.b != 48) return head + "m=" + n(c.b) + " (unknown, ignored)";
    const std::string kept = c.d < 0 ? "more than " + bytes(Decoder::MaxGraphicsBytes) + ", not kept"
                                     : bytes(std::size_t(c.d));
    switch (c.a) {
    case 2:
    case 50: return head + "print the graphics in the print buffer";
    case 112:
        if (const auto r = graphicsRaster(c))
            return head + "store graphics " + n(r->width) + " x " + dots(r->height) +
                   (r->bx * r->by > 1 ? ", scaled " + n(r->bx) + " x " + n(r->by) : "");
        return head + "store graphics (" + kept + "; not a monochrome raster this printer takes, ignored)";
    case 0:
    case 48: return head + "transmit the NV graphics capacity (not done here, ignored)";
    case 1:
    case 49: return head + "set the reference dot density (ignored)";
    case 113: return head + "store column graphics (" + kept + "; not done here, ignored)";
    default: return head + "graphics function of " + kept + " (not done here, ignored)";
    }
}

}  // namespace

std::string describe(const Command& c)
{
    switch (c.op) {
    case Op::Char: return "character " + utf8Of(std::uint32_t(c.a), static_cast<std::uint8_t>(c.b));
    case Op::LineFeed: return "LF: print and line feed";
    case Op::CarriageReturn: return "CR: carriage return (lines end at LF)";
    case Op::FormFeed: return "FF: in page mode print the page and return to standard mode";
    case Op::Initialize: return "ESC @: initialise the printer";
    case Op::DefaultLineSpacing: return "ESC 2: default line spacing (32 dots)";
    case Op::LineSpacing: return "ESC 3 " + n(c.a) + ": line spacing " + dots(c.a);
    case Op::PrintAndFeed: return "ESC J " + n(c.a) + ": print and feed " + dots(c.a);
    case Op::FeedLines: return "ESC d " + n(c.a) + ": print and feed " + n(c.a) + " lines";
    case Op::FullCut: return "ESC i: full cut";
    case Op::PartialCut: return "ESC m: partial cut";
    case Op::BitImage: return bitImage(c);
    case Op::PageMode: return "ESC L: select page mode";
    case Op::StandardMode: return "ESC S: select standard mode";
    case Op::PageDirection:
        return "ESC T " + n(c.a) + ": page print direction" +
               (c.a == 0 || c.a == '0' ? ", left to right from the upper left" : "");
    case Op::PageArea:
        return "ESC W x=" + n(c.a) + " y=" + n(c.b) + " width=" + n(c.c) + " height=" + n(c.d) +
               ": page mode print area";
    case Op::PrintPage: return "ESC FF: print the page";
    case Op::AutoStatusBack: return "GS a " + n(c.a) + ": automatic status back " + (c.a ? "on" : "off");
    case Op::Density: return "GS ( K 49 m=" + n(c.a) + ": print density " + (c.a > 0 ? "+" : "") + n(c.a);
    case Op::GsCut: return "GS V " + n(c.a) + ": " + (c.a == 0 || c.a == 48 || c.a == 65 ? "full cut" : "partial cut");
    case Op::PrinterId: return "GS I " + n(c.a) + ": " + printerIdKind(c.a);
    case Op::KanjiOn: return "FS &: double-byte characters on";
    case Op::KanjiOff: return "FS .: double-byte characters off";
    case Op::StatusRequest: return "DLE EOT " + n(c.a) + ": " + statusKind(c.a);
    case Op::Recover:
        return "DLE ENQ " + n(c.a) + ": " +
               (c.a == 2   ? "recover from an error, clearing the buffers"
                : c.a == 1 ? "recover from an error"
                           : "real-time request of an unknown kind (ignored)");
    case Op::PatternAddress: return "SUB \"" + n(c.a) + "\": address pattern line " + n(c.a);
    case Op::PatternClear: return "SUB \"C\": clear the addressed pattern line";
    case Op::PatternRun:
        return "SUB \"W\" " + n(c.a) + "-" + n(c.b) + ": pattern run from dot " + n(c.a) + " to dot " + n(c.b);
    case Op::PatternStart: return "SUB \"O\": start printing pattern lines";
    case Op::PatternFinish: return "SUB \"F\": finish printing pattern lines";
    case Op::BoxTable:
        return "SUB \"x\" " + subParameter(c.a) + ": box-drawing table " + (c.a == 1 || c.a == '1' ? "on" : "off");
    case Op::BlackMark: return "SUB \"b\" " + subParameter(c.a) + ": " + blackMark(c.a);
    case Op::BarcodeHeight: return "GS h " + n(c.a) + " (barcode height)";
    case Op::BarcodeWidth: return "GS w " + n(c.a) + " (barcode module width)";
    case Op::HriPosition: return "GS H " + n(c.a) + " (" + hriPosition(c.a) + ")";
    case Op::HriFont: return "GS f " + n(c.a) + " (" + hriFont(c.a) + ")";
    case Op::Barcode: return barcode(c);
    case Op::QrCode: return qrCode(c);
    case Op::Pdf417: return pdf417(c);
    case Op::CodeTable: return codeTable(c.a);
    case Op::RasterImage: return rasterImage(c);
    case Op::Graphics: return graphics(c);
    case Op::Unknown: return "unknown: " + hexBytes(c.data);
    case Op::Incomplete:
        return "incomplete at the end of the input" + (c.a > 0 ? ", " + bytes(std::size_t(c.a)) + " short" : "") +
               ": " + hexBytes(c.data);
    }
    return "unknown";
}

void CommandLog::line(std::uint64_t offset, const std::string& text)
{
    char at[24];
    std::snprintf(at, sizeof at, "%08llX  ", static_cast<unsigned long long>(offset));
    m_out << at << text << '\n';
}

void CommandLog::flush()
{
    if (m_textCount == 0) return;
    line(m_textOffset, "text (" + std::to_string(m_textCount) + (m_textCount == 1 ? " character" : " characters") +
                           "): \"" + m_text + "\"");
    m_text.clear();
    m_textCount = 0;
}

void CommandLog::command(const Command& c)
{
    if (c.op == Op::Char) {
        if (m_textCount == 0) m_textOffset = c.offset;
        m_text += utf8Of(std::uint32_t(c.a), static_cast<std::uint8_t>(c.b));
        ++m_textCount;
        return;
    }
    if (continues(c)) return;
    flush();
    if (c.op == Op::Unknown || c.op == Op::Incomplete) ++m_unknown;
    line(c.offset, describe(c));
}

}  // namespace printbench::printer
