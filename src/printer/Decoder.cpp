#include "printer/Decoder.h"

#include <algorithm>

namespace printbench::printer {

namespace {

constexpr std::uint8_t LF = 0x0A, FF = 0x0C, CR = 0x0D, DLE = 0x10, SUB = 0x1A, ESC = 0x1B, FS = 0x1C, GS = 0x1D;

int word(const std::uint8_t* p)
{
    return p[0] | (p[1] << 8);
}
std::uint64_t dword(const std::uint8_t* p)
{
    return std::uint64_t(word(p)) | std::uint64_t(word(p + 2)) << 16;
}

constexpr std::size_t RasterHeader = 8;      // GS v 0 m xL xH yL yH
constexpr std::size_t LongGraphicsHead = 9;  // GS 8 L p1 p2 p3 p4 m fn

bool isLead(std::uint8_t b)
{
    return b >= 0x81 && b <= 0xFE;
}
bool isTrail(std::uint8_t b)
{
    return b >= 0x41 && b <= 0xFE;
}
bool isBoxByte(std::uint8_t b)
{
    return b >= 0xB3 && b <= 0xDA;
}

// Length of a command from its first two bytes, where that is all it takes; 0 when more of it
// must be seen.
std::size_t fixedLength(std::uint8_t first, std::uint8_t second)
{
    switch (first) {
    case ESC:
        switch (second) {
        case '@':
        case '2':
        case 'i':
        case 'm':
        case 'L':
        case 'S':
        case FF: return 2;
        case '3':
        case 'J':
        case 'd':
        case 'T':
        case 't': return 3;
        case 'W': return 10;
        case '*': return 0;
        default: return 2;  // unknown
        }
    case GS:
        switch (second) {
        case 'a':
        case 'I':
        case 'h':
        case 'w':
        case 'H':
        case 'f': return 3;
        case '(':
        case 'k':
        case 'V':
        case 'v':
        case '8': return 0;
        default: return 2;
        }
    case FS: return 2;
    case DLE: return second == 0x04 || second == 0x05 ? 3 : 2;
    case SUB:
        switch (second) {
        case 'W': return 6;
        case 'x':
        case 'b': return 3;
        default: return 2;
        }
    default: return 1;
    }
}

constexpr std::size_t MaxFormA = 255;  // data bytes of GS k form A before its NUL

bool isFormA(std::uint8_t m)
{
    return m < 65 && protocol::symbologyOfM(m);
}
bool isFormB(std::uint8_t m)
{
    return m >= 65 && protocol::symbologyOfM(m);
}

}  // namespace

const char* symbologyName(Symbology s)
{
    switch (s) {
    case Symbology::UpcA: return "UPC-A";
    case Symbology::UpcE: return "UPC-E";
    case Symbology::Ean13: return "EAN-13";
    case Symbology::Ean8: return "EAN-8";
    case Symbology::Code39: return "CODE39";
    case Symbology::Itf: return "ITF";
    case Symbology::Codabar: return "CODABAR";
    case Symbology::Code93: return "CODE93";
    case Symbology::Code128: return "CODE128";
    case Symbology::Gs1_128: return "GS1-128";
    case Symbology::DataBar: return "GS1 DataBar Omnidirectional";
    case Symbology::DataBarTruncated: return "GS1 DataBar Truncated";
    case Symbology::DataBarLimited: return "GS1 DataBar Limited";
    case Symbology::DataBarExpanded: return "GS1 DataBar Expanded";
    }
    return "barcode";
}

Decoder::Parse Decoder::parse(const std::uint8_t* p, std::size_t n) const
{
    const std::uint8_t b = p[0];
    if (b >= 0x80) {
        if (m_kanji && isLead(b) && !(m_box && isBoxByte(b))) {
            if (n < 2) return {false, 2};
            return {true, std::size_t{isTrail(p[1]) ? 2u : 1u}};
        }
        return {true, 1};
    }
    if (b != ESC && b != GS && b != FS && b != DLE && b != SUB) return {true, 1};
    if (n < 2) return {false, 2};
    if (const std::size_t fixed = fixedLength(b, p[1])) return fixed <= n ? Parse{true, fixed} : Parse{false, fixed};

    if (b == ESC) {  // ESC * m nL nH, then n columns of 1 or 3 bytes
        if (n < 5) return {false, 5};
        const int m = p[2];
        if (m != 0 && m != 1 && m != 32 && m != 33) return {true, 2};  // unknown mode: ESC * alone
        const std::size_t total = 5 + std::size_t(word(p + 3)) * (m >= 32 ? 3 : 1);
        return {total <= n, total};
    }
    if (p[1] == '(') {  // GS ( x pL pH and that many bytes
        if (n < 5) return {false, 5};
        const std::size_t total = 5 + std::size_t(word(p + 3));
        return {total <= n, total};
    }
    if (n < 3) return {false, 3};
    if (p[1] == 'v') {  // GS v 0 and its header; the rows follow as the body
        if (p[2] != '0') return {true, 2};
        return {n >= RasterHeader, RasterHeader};
    }
    if (p[1] == '8') {  // GS 8 L p1 p2 p3 p4 and that many bytes, or its head when too many to keep
        if (p[2] != 'L') return {true, 2};
        if (n < 7) return {false, 7};
        const std::uint64_t count = dword(p + 3);
        const std::size_t total = count <= Decoder::MaxGraphicsBytes ? 7 + std::size_t(count) : LongGraphicsHead;
        return {total <= n, total};
    }
    if (p[1] == 'k') {
        if (isFormB(p[2])) {  // GS k m n, then n bytes
            if (n < 4) return {false, 4};
            const std::size_t total = 4 + std::size_t(p[3]);
            return {total <= n, total};
        }
        if (!isFormA(p[2])) return {true, 3};  // unknown m: GS k m alone
        const std::size_t end = std::min(n, 3 + MaxFormA);
        const auto* nul = std::find(p + 3, p + end, std::uint8_t{0});
        if (nul != p + end) return {true, std::size_t(nul - p) + 1};
        return end == 3 + MaxFormA ? Parse{true, 3} : Parse{false, n + 1};
    }
    // GS V m, with one more byte n for m = 65 or 66
    const std::size_t total = p[2] == 65 || p[2] == 66 ? 4 : 3;
    return {total <= n, total};
}

void Decoder::deliver(const std::uint8_t* p, std::size_t length, CommandSink& sink)
{
    Command c;
    c.offset = m_offset;
    c.length = static_cast<std::uint32_t>(length);
    m_offset += length;
    const std::uint8_t b = p[0];
    const std::uint8_t x = length > 1 ? p[1] : 0;
    auto op = [&](Op o, std::int32_t a = 0) {
        c.op = o;
        c.a = a;
    };
    auto unknown = [&] {
        c.op = Op::Unknown;
        c.data = {p, length};
    };

    if (b >= 0x20 && b != 0x7F) {
        op(Op::Char, length == 2 ? (b << 8 | x) : b);
        c.b = length == 1 && !(m_box && isBoxByte(b)) ? m_table : 0;
    } else if (b == LF) {
        op(Op::LineFeed);
    } else if (b == CR) {
        op(Op::CarriageReturn);
    } else if (b == FF) {
        op(Op::FormFeed);
    } else if (length == 1) {
        unknown();
    } else if (b == ESC) {
        switch (x) {
        case '@':
            op(Op::Initialize);
            m_kanji = true;
            m_box = false;
            m_table = 0;
            break;
        case 't':
            op(Op::CodeTable, p[2]);
            m_table = p[2];
            break;
        case '2': op(Op::DefaultLineSpacing); break;
        case '3': op(Op::LineSpacing, p[2]); break;
        case 'J': op(Op::PrintAndFeed, p[2]); break;
        case 'd': op(Op::FeedLines, p[2]); break;
        case 'i': op(Op::FullCut); break;
        case 'm': op(Op::PartialCut); break;
        case 'L': op(Op::PageMode); break;
        case 'S': op(Op::StandardMode); break;
        case 'T': op(Op::PageDirection, p[2]); break;
        case FF: op(Op::PrintPage); break;
        case 'W':
            op(Op::PageArea, word(p + 2));
            c.b = word(p + 4);
            c.c = word(p + 6);
            c.d = word(p + 8);
            break;
        case '*':
            if (length == 2) {
                unknown();
            } else {
                op(Op::BitImage, p[2]);
                c.b = word(p + 3);
                c.data = {p + 5, length - 5};
            }
            break;
        default: unknown();
        }
    } else if (b == GS) {
        if (x == 'a') {
            op(Op::AutoStatusBack, p[2]);
        } else if (x == 'I') {
            op(Op::PrinterId, p[2]);
        } else if (x == 'V') {
            op(Op::GsCut, p[2]);
            c.b = length == 4 ? p[3] : 0;
        } else if (x == '(' && p[2] == 'K' && length == 7 && p[5] == 49) {
            op(Op::Density, static_cast<std::int8_t>(p[6]));
        } else if (x == '(' && p[2] == 'k' && length >= 7 && (p[5] == 48 || p[5] == 49)) {
            op(p[5] == 49 ? Op::QrCode : Op::Pdf417, p[6]);
            c.b = length > 7 ? p[7] : -1;
            c.c = length > 8 ? p[8] : -1;
            if (p[6] == 80 && length > 8) c.data = {p + 8, length - 8};
        } else if ((x == '(' && p[2] == 'L' && length >= 7) || (x == '8' && length >= LongGraphicsHead)) {
            const std::size_t head = x == '8' ? LongGraphicsHead : 7;
            op(Op::Graphics, p[head - 1]);
            c.b = p[head - 2];
            c.c = x == '8';
            const std::uint64_t count = x == '8' ? dword(p + 3) - 2 : length - head;
            if (head + count == length) {
                c.d = static_cast<std::int32_t>(count);
                c.data = {p + head, length - head};
            } else {  // more than is kept: the rest goes by unread
                c.d = -1;
                m_body = Body{.skip = true, .left = count, .part = {}};
            }
        } else if (x == 'v' && length == RasterHeader) {
            const int rowBytes = word(p + 4), rows = word(p + 6);
            if (rowBytes > 0 && rows > 0) {  // the rows are handed over as they come
                m_offset = c.offset;
                m_body = Body{.m = p[3], .rowBytes = rowBytes, .rows = rows, .head = length, .part = {}};
                m_body->part.assign(p, p + length);
                return;
            }
            op(Op::RasterImage, p[3]);
            c.b = rowBytes;
            c.c = rows;
        } else if (x == 'h' || x == 'w' || x == 'H' || x == 'f') {
            op(x == 'h'   ? Op::BarcodeHeight
               : x == 'w' ? Op::BarcodeWidth
               : x == 'H' ? Op::HriPosition
                          : Op::HriFont,
               p[2]);
        } else if (x == 'k' && length > 3) {
            const bool formB = isFormB(p[2]);
            op(Op::Barcode, static_cast<int>(*protocol::symbologyOfM(p[2])));
            c.b = p[2];
            c.data = formB ? std::span(p + 4, length - 4) : std::span(p + 3, length - 4);
        } else {
            unknown();
        }
    } else if (b == FS && (x == '&' || x == '.')) {
        op(x == '&' ? Op::KanjiOn : Op::KanjiOff);
        m_kanji = x == '&';
    } else if (b == DLE && (x == 0x04 || x == 0x05) && length == 3) {
        op(x == 0x04 ? Op::StatusRequest : Op::Recover, p[2]);
    } else if (b == SUB) {
        switch (x) {
        case '1':
        case '2': op(Op::PatternAddress, x - '0'); break;
        case 'C': op(Op::PatternClear); break;
        case 'O': op(Op::PatternStart); break;
        case 'F': op(Op::PatternFinish); break;
        case 'W':
            op(Op::PatternRun, word(p + 2));
            c.b = word(p + 4);
            break;
        case 'x':
            op(Op::BoxTable, p[2]);
            m_box = p[2] == 1 || p[2] == '1';
            break;
        case 'b': op(Op::BlackMark, p[2]); break;
        default: unknown();
        }
    } else {
        unknown();
    }
    sink.command(c);
}

std::size_t Decoder::fresh(std::span<const std::uint8_t> bytes, CommandSink& sink)
{
    std::size_t pos = 0;
    while (pos < bytes.size() && !m_body) {
        const Parse r = parse(bytes.data() + pos, bytes.size() - pos);
        if (!r.complete) {
            m_pending.assign(bytes.begin() + static_cast<std::ptrdiff_t>(pos), bytes.end());
            return bytes.size();
        }
        deliver(bytes.data() + pos, r.length, sink);
        pos += r.length;
    }
    return pos;
}

std::size_t Decoder::completePending(std::span<const std::uint8_t> bytes, CommandSink& sink)
{
    // The command cut short by the last read, taking no more than it needs.
    const Parse need = parse(m_pending.data(), m_pending.size());
    const std::size_t take = std::min(need.length - m_pending.size(), bytes.size());
    m_pending.insert(m_pending.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(take));
    const Parse r = parse(m_pending.data(), m_pending.size());
    if (!r.complete) return take;
    std::vector<std::uint8_t> whole;
    whole.swap(m_pending);
    deliver(whole.data(), r.length, sink);
    // A lead byte without a trail byte is a character of its own; what followed it starts
    // the next command.
    if (r.length < whole.size()) feed(std::span(whole).subspan(r.length), sink);
    return take;
}

void Decoder::rows(const std::uint8_t* data, int count, std::size_t length, CommandSink& sink)
{
    Body& body = *m_body;
    Command c;
    c.op = Op::RasterImage;
    c.offset = m_offset;
    c.length = static_cast<std::uint32_t>(length);
    c.a = body.m;
    c.b = body.rowBytes;
    c.c = body.rows;
    c.d = body.done;
    c.data = {data, std::size_t(count) * std::size_t(body.rowBytes)};
    m_offset += length;
    body.done += count;
    body.head = 0;
    sink.command(c);
}

std::size_t Decoder::body(std::span<const std::uint8_t> bytes, CommandSink& sink)
{
    Body& body = *m_body;
    if (body.skip) {
        const std::size_t n = std::size_t(std::min<std::uint64_t>(body.left, bytes.size()));
        body.left -= n;
        m_offset += n;
        if (body.left == 0) m_body.reset();
        return n;
    }
    const auto rowBytes = std::size_t(body.rowBytes);
    std::size_t used = 0;
    if (body.part.size() > body.head) {  // a row begun in an earlier read
        const std::size_t take = std::min(rowBytes - (body.part.size() - body.head), bytes.size());
        body.part.insert(body.part.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(take));
        used = take;
        if (body.part.size() - body.head < rowBytes) return used;
        rows(body.part.data() + body.head, 1, body.part.size(), sink);
        body.part.clear();
    }
    // Whole rows straight from the bytes read.
    const auto whole = int(std::min<std::size_t>((bytes.size() - used) / rowBytes, std::size_t(body.rows - body.done)));
    if (whole > 0) {
        rows(bytes.data() + used, whole, body.part.size() + std::size_t(whole) * rowBytes, sink);
        body.part.clear();
        used += std::size_t(whole) * rowBytes;
    }
    if (body.done == body.rows) {
        m_body.reset();
        return used;
    }
    body.part.insert(body.part.end(), bytes.begin() + static_cast<std::ptrdiff_t>(used), bytes.end());
    return bytes.size();
}

void Decoder::feed(std::span<const std::uint8_t> bytes, CommandSink& sink)
{
    while (!bytes.empty()) {
        if (m_body) bytes = bytes.subspan(body(bytes, sink));
        else if (!m_pending.empty()) bytes = bytes.subspan(completePending(bytes, sink));
        else bytes = bytes.subspan(fresh(bytes, sink));
    }
}

std::uint64_t Decoder::offset() const
{
    return m_offset + m_pending.size() + (m_body ? m_body->part.size() : 0);
}

void Decoder::finish(CommandSink& sink)
{
    Command c;
    c.op = Op::Incomplete;
    c.offset = m_offset;
    if (m_body) {
        const Body& body = *m_body;
        const std::uint64_t missing = body.skip ? body.left
                                                : std::uint64_t(body.rows - body.done) * std::uint64_t(body.rowBytes) -
                                                      (body.part.size() - body.head);
        c.a = static_cast<std::int32_t>(std::min<std::uint64_t>(missing, INT32_MAX));
        c.length = static_cast<std::uint32_t>(body.part.size());
        c.data = body.part;
        sink.command(c);
        m_offset += body.part.size();
        m_body.reset();
        return;
    }
    if (m_pending.empty()) return;
    c.length = static_cast<std::uint32_t>(m_pending.size());
    c.data = m_pending;
    sink.command(c);
    m_offset += m_pending.size();
    m_pending.clear();
}

bool continues(const Command& c)
{
    return c.op == Op::RasterImage && c.d > 0;
}

std::optional<GraphicsRaster> graphicsRaster(const Command& c)
{
    const std::span<const std::uint8_t> p = c.data;  // a bx by c xL xH yL yH d...
    if (c.op != Op::Graphics || c.b != 48 || c.a != 112 || p.size() < 8) return std::nullopt;
    GraphicsRaster r;
    r.bx = p[1];
    r.by = p[2];
    r.width = word(p.data() + 4);
    r.height = word(p.data() + 6);
    if (p[0] != 48 || p[3] != 49 || r.bx < 1 || r.bx > 2 || r.by < 1 || r.by > 2) return std::nullopt;
    if (p.size() - 8 != std::size_t((r.width + 7) / 8) * std::size_t(r.height)) return std::nullopt;
    r.rows = p.subspan(8);
    return r;
}

}  // namespace printbench::printer
