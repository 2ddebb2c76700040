#include "printer/Symbols.h"

#include <algorithm>

#include <zint.h>

#include <memory>

namespace printbench::printer {

namespace {

// clang-format off
// Code 128: the widths of bar, space, bar, space, bar, space of each symbol value 0 to 105
// (11 modules), and the stop pattern (13 modules, one more bar).
constexpr const char* kCode128[107] = {
    "212222", "222122", "222221", "121223", "121322", "131222", "122213", "122312", "132212", "221213",
    "221312", "231212", "112232", "122132", "122231", "113222", "123122", "123221", "223211", "221132",
    "221231", "213212", "223112", "312131", "311222", "321122", "321221", "312212", "322112", "322211",
    "212123", "212321", "232121", "111323", "131123", "131321", "112313", "132113", "132311", "211313",
    "231113", "231311", "112133", "112331", "132131", "113123", "113321", "133121", "313121", "211331",
    "231131", "213113", "213311", "213131", "311123", "311321", "331121", "312113", "312311", "332111",
    "314111", "221411", "431111", "111224", "111422", "121124", "121421", "141122", "141221", "112214",
    "112412", "122114", "122411", "142112", "142211", "241211", "221114", "413111", "241112", "134111",
    "111242", "121142", "121241", "114212", "124112", "124211", "411212", "421112", "421211", "212141",
    "214121", "412121", "111143", "111341", "131141", "114113", "114311", "411113", "411311", "113141",
    "114131", "311141", "411131", "211412", "211214", "211232", "2331112",
};
// clang-format on

constexpr int CodeA = 101, CodeB = 100, CodeC = 99, Shift = 98, Fnc1 = 102, Fnc2 = 97, Fnc3 = 96, StartA = 103,
              Stop = 106;

// The symbol values of CODE128 data as sent: a code set first, then bytes of that set, and
// `{` introducing a set change, a shift, a function character or a literal `{`. Fills `hri`
// with the characters the data stands for.
std::variant<std::vector<int>, std::string> code128Values(std::span<const std::uint8_t> data, std::string& hri)
{
    if (data.size() < 2 || data[0] != '{' || data[1] < 'A' || data[1] > 'C')
        return std::string("CODE128 data must start with a code set: {A, {B or {C");
    int set = data[1] - 'A';  // 0 A, 1 B, 2 C
    std::vector<int> values{StartA + set};
    const auto character = [&](std::uint8_t b, int in) -> int {  // value of a byte in set A or B; -1 if none
        if (in == 0) return b < 0x20 ? b + 64 : b < 0x60 ? b - 32 : -1;
        return b >= 0x20 && b < 0x80 ? b - 32 : -1;
    };
    const auto printable = [&](std::uint8_t b) { hri += b >= 0x20 && b < 0x7F ? char(b) : ' '; };
    for (std::size_t i = 2; i < data.size(); ++i) {
        const std::uint8_t b = data[i];
        if (b == '{') {
            if (++i == data.size()) return std::string("CODE128 data ends with a lone {");
            const std::uint8_t f = data[i];
            if (f >= 'A' && f <= 'C') {
                if (f - 'A' != set) values.push_back(f == 'A' ? CodeA : f == 'B' ? CodeB : CodeC);
                set = f - 'A';
            } else if (f == '1') {
                values.push_back(Fnc1);
            } else if (set == 2) {
                return "CODE128 code set C has no {" + std::string(1, char(f));
            } else if (f == '2' || f == '3') {
                values.push_back(f == '2' ? Fnc2 : Fnc3);
            } else if (f == '4') {
                values.push_back(set == 0 ? CodeA : CodeB);  // FNC4 has the value of its own set's code
            } else if (f == 'S') {
                if (++i == data.size()) return std::string("CODE128 data ends after {S");
                const int v = character(data[i], 1 - set);
                if (v < 0) return "CODE128 {S is followed by a byte the other set has not";
                values.push_back(Shift);
                values.push_back(v);
                printable(data[i]);
            } else if (f == '{' && set == 1) {
                values.push_back('{' - 32);
                hri += '{';
            } else {
                return "CODE128 {" + std::string(1, char(f)) + " has no meaning in code set " + char('A' + set);
            }
        } else if (set == 2) {
            if (b > 99) return "CODE128 code set C takes bytes 0 to 99, not " + std::to_string(b);
            values.push_back(b);
            hri += char('0' + b / 10);
            hri += char('0' + b % 10);
        } else {
            const int v = character(b, set);
            if (v < 0)
                return "CODE128 code set " + std::string(1, char('A' + set)) + " has no byte " + std::to_string(b);
            values.push_back(v);
            printable(b);
        }
    }
    long sum = values[0];
    for (std::size_t i = 1; i < values.size(); ++i) sum += long(i) * values[i];
    values.push_back(int(sum % 103));
    values.push_back(Stop);
    return values;
}

Symbol code128(const std::vector<int>& values, int moduleWidth, int height)
{
    Symbol s;
    s.moduleWidth = moduleWidth;
    s.rowHeights = {height};
    s.quietZone = 10;
    for (const int v : values) {
        bool bar = true;
        for (const char* w = kCode128[v]; *w; ++w, bar = !bar)
            s.modules.insert(s.modules.end(), std::size_t(*w - '0'), bar);
    }
    s.columns = int(s.modules.size());
    return s;
}

struct ZintDelete {
    void operator()(zint_symbol* s) const { ZBarcode_Delete(s); }
};
using ZintSymbol = std::unique_ptr<zint_symbol, ZintDelete>;

// Encodes with zint; the symbol's modules as zint laid them out, or zint's reason.
std::variant<ZintSymbol, std::string> zintEncode(int symbology, int inputMode, std::span<const std::uint8_t> data,
                                                 int option1 = -1, int option2 = 0, int option3 = 0)
{
    ZintSymbol z(ZBarcode_Create());
    if (!z) return std::string("out of memory");
    z->symbology = symbology;
    z->input_mode = inputMode;
    z->option_1 = option1;
    z->option_2 = option2;
    z->option_3 = option3;
    if (data.empty()) return std::string("no data");
    const int error = ZBarcode_Encode(z.get(), data.data(), int(data.size()));
    if (error >= ZINT_ERROR) return std::string(z->errtxt);
    return z;
}

Symbol fromZint(const zint_symbol& z, int moduleWidth, std::vector<int> rowHeights, int quietZone)
{
    Symbol s;
    s.columns = z.width;
    s.moduleWidth = moduleWidth;
    s.rowHeights = std::move(rowHeights);
    s.quietZone = quietZone;
    s.modules.resize(std::size_t(z.width) * std::size_t(z.rows));
    for (int r = 0; r < z.rows; ++r)
        for (int x = 0; x < z.width; ++x)
            s.modules[std::size_t(r * z.width + x)] = (z.encoded_data[r][x >> 3] >> (x & 7)) & 1;
    s.hri = reinterpret_cast<const char*>(z.text);
    return s;
}

}  // namespace

Encoded encodeBarcode(Symbology symbology, std::span<const std::uint8_t> data, int moduleWidth, int height)
{
    const std::string name = symbologyName(symbology);
    if (symbology == Symbology::Code128) {
        std::string hri;
        auto values = code128Values(data, hri);
        if (auto* why = std::get_if<std::string>(&values)) return *why;
        Symbol s = code128(std::get<std::vector<int>>(values), moduleWidth, height);
        s.hri = std::move(hri);
        return s;
    }
    int kind = 0, mode = DATA_MODE, modulesHigh = 0;
    switch (symbology) {
    case Symbology::UpcA: kind = BARCODE_UPCA; break;
    case Symbology::UpcE: kind = BARCODE_UPCE; break;
    case Symbology::Ean13:
    case Symbology::Ean8: kind = BARCODE_EANX; break;
    case Symbology::Code39:
        kind = BARCODE_CODE39;
        // The start and stop characters the data may carry are the ones zint adds.
        if (data.size() >= 2 && data.front() == '*' && data.back() == '*') data = data.subspan(1, data.size() - 2);
        break;
    case Symbology::Itf:
        kind = BARCODE_C25INTER;
        if (data.size() % 2) return name + " takes an even number of digits";
        break;
    case Symbology::Codabar: kind = BARCODE_CODABAR; break;
    case Symbology::Code93: kind = BARCODE_CODE93; break;
    case Symbology::Gs1_128:
        kind = BARCODE_GS1_128;
        mode = GS1_MODE | GS1PARENS_MODE;
        break;
    // The DataBar kinds have heights of their own; Truncated is Omnidirectional cut low.
    case Symbology::DataBar:
        kind = BARCODE_DBAR_OMN;
        modulesHigh = 33;
        break;
    case Symbology::DataBarTruncated:
        kind = BARCODE_DBAR_OMN;
        modulesHigh = 13;
        break;
    case Symbology::DataBarLimited:
        kind = BARCODE_DBAR_LTD;
        modulesHigh = 10;
        break;
    case Symbology::DataBarExpanded:
        kind = BARCODE_DBAR_EXP;
        modulesHigh = 34;
        mode = GS1_MODE | GS1PARENS_MODE;
        break;
    case Symbology::Code128: break;
    }
    // EAN-13 and EAN-8 share zint's symbology: the length tells them apart.
    const std::size_t digits = data.size();
    if (symbology == Symbology::Ean13 && digits != 12 && digits != 13) return name + " takes 12 or 13 digits";
    if (symbology == Symbology::Ean8 && digits != 7 && digits != 8) return name + " takes 7 or 8 digits";
    // zint takes 8 digits for an EAN-13 of leading zeros: an EAN-8's own check digit is checked
    // here and the 7 digits before it drawn (zint adds it again).
    if (symbology == Symbology::Ean8 && digits == 8 &&
        std::all_of(data.begin(), data.end(), [](std::uint8_t b) { return b >= '0' && b <= '9'; })) {
        int sum = 0;
        for (std::size_t i = 0; i < 7; ++i) sum += (data[i] - '0') * (i % 2 == 0 ? 3 : 1);
        if (data[7] - '0' != (10 - sum % 10) % 10) return name + ": the check digit " + char(data[7]) + " is wrong";
        data = data.first(7);
    }
    auto z = zintEncode(kind, mode, data);
    if (auto* why = std::get_if<std::string>(&z)) return name + ": " + *why;
    const zint_symbol& symbol = *std::get<ZintSymbol>(z);
    const int rowHeight = modulesHigh ? modulesHigh * moduleWidth : height;
    return fromZint(symbol, moduleWidth, std::vector<int>(std::size_t(symbol.rows), rowHeight / symbol.rows), 10);
}

Encoded encodeQr(int model, int level, int moduleSize, std::span<const std::uint8_t> data)
{
    if (model == 49) return std::string("QR model 1 cannot be drawn here (no encoder makes it)");
    const bool micro = model == 51;
    auto z = zintEncode(micro ? BARCODE_MICROQR : BARCODE_QRCODE, DATA_MODE, data, level);
    const char* name = micro ? "Micro QR" : "QR";
    if (auto* why = std::get_if<std::string>(&z)) return name + std::string(": ") + *why;
    const zint_symbol& symbol = *std::get<ZintSymbol>(z);
    return fromZint(symbol, moduleSize, std::vector<int>(std::size_t(symbol.rows), moduleSize), micro ? 2 : 4);
}

Encoded encodePdf417(const Pdf417Settings& settings, std::span<const std::uint8_t> data)
{
    auto z = zintEncode(settings.truncated ? BARCODE_PDF417COMP : BARCODE_PDF417, DATA_MODE, data, settings.level,
                        settings.columns, settings.rows);
    if (auto* why = std::get_if<std::string>(&z)) return "PDF417: " + *why;
    const zint_symbol& symbol = *std::get<ZintSymbol>(z);
    return fromZint(symbol, settings.moduleWidth,
                    std::vector<int>(std::size_t(symbol.rows), settings.moduleWidth * settings.rowHeight), 2);
}

}  // namespace printbench::printer
