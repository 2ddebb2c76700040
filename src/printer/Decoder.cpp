#include "printer/Decoder.h"

#include <algorithm>

namespace printbench::printer {

namespace {

constexpr std::uint8_t LF = 0x0A, FF = 0x0C, CR = 0x0D, DLE = 0x10, SUB = 0x1A, ESC = 0x1B, FS = 0x1C, GS = 0x1D;

int word(const std::uint8_t* p)
{
    return p[0] | (p[1] << 8);
}

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
        case 'T': return 3;
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
        case 'V': return 0;
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

void Decoder::feedFresh(std::span<const std::uint8_t> bytes, CommandSink& sink)
{
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        const Parse r = parse(bytes.data() + pos, bytes.size() - pos);
        if (!r.complete) {
            m_pending.assign(bytes.begin() + static_cast<std::ptrdiff_t>(pos), bytes.end());
            return;
        }
        deliver(bytes.data() + pos, r.length, sink);
        pos += r.length;
    }
}

void Decoder::feed(std::span<const std::uint8_t> bytes, CommandSink& sink)
{
    std::size_t pos = 0;
    // First complete the command cut short by the last read, taking no more than it needs.
    while (!m_pending.empty() && pos < bytes.size()) {
        const Parse need = parse(m_pending.data(), m_pending.size());
        const std::size_t take = std::min(need.length - m_pending.size(), bytes.size() - pos);
        m_pending.insert(m_pending.end(), bytes.begin() + static_cast<std::ptrdiff_t>(pos),
                         bytes.begin() + static_cast<std::ptrdiff_t>(pos + take));
        pos += take;
        const Parse r = parse(m_pending.data(), m_pending.size());
        if (!r.complete) continue;
        std::vector<std::uint8_t> whole;
        whole.swap(m_pending);
        deliver(whole.data(), r.length, sink);
        // A lead byte without a trail byte is a character of its own; what followed it starts
        // the next command.
        if (r.length < whole.size()) feedFresh(std::span(whole).subspan(r.length), sink);
    }
    if (pos < bytes.size()) feedFresh(bytes.subspan(pos), sink);
}

void Decoder::finish(CommandSink& sink)
{
    if (m_pending.empty()) return;
    Command c;
    c.op = Op::Incomplete;
    c.offset = m_offset;
    c.length = static_cast<std::uint32_t>(m_pending.size());
    c.data = m_pending;
    sink.command(c);
    m_offset += m_pending.size();
    m_pending.clear();
}

}  // namespace printbench::printer
