#include "codes/Prepare.h"

#include "codes/CodeText.h"
#include "link/CodePage.h"
#include "protocol/Commands.h"

#include <array>

namespace printbench::codes {

namespace p = protocol;
using Fn = p::Code2dFunction;

namespace {

std::string range(std::string_view name, std::string_view what, int value, int low, int high)
{
    return std::string(name) + ": " + std::string(what) + " " + std::to_string(value) + " is out of range (" +
           std::to_string(low) + " to " + std::to_string(high) + ")";
}

// The bytes a QR code of model 2 holds in byte mode, per version (1 to 40) and level (L, M, Q, H).
// clang-format off
constexpr std::array<std::array<int, 40>, 4> kModel2Bytes{{
    {17, 32, 53, 78, 106, 134, 154, 192, 230, 271, 321, 367, 425, 458, 520, 586, 644, 718, 792, 858, 929, 1003,
     1091, 1171, 1273, 1367, 1465, 1528, 1628, 1732, 1840, 1952, 2068, 2188, 2303, 2431, 2563, 2699, 2809, 2953},
    {14, 26, 42, 62, 84, 106, 122, 152, 180, 213, 251, 287, 331, 362, 412, 450, 504, 560, 624, 666, 711, 779,
     857, 911, 997, 1059, 1125, 1190, 1264, 1370, 1452, 1538, 1628, 1722, 1809, 1911, 1989, 2099, 2213, 2331},
    {11, 20, 32, 46, 60, 74, 86, 108, 130, 151, 177, 203, 241, 258, 292, 322, 364, 394, 442, 482, 509, 565,
     611, 661, 715, 751, 805, 868, 908, 982, 1030, 1112, 1168, 1228, 1283, 1351, 1423, 1499, 1579, 1663},
    {7, 14, 24, 34, 44, 58, 64, 84, 98, 119, 137, 155, 177, 194, 220, 250, 280, 310, 338, 382, 403, 439,
     461, 511, 535, 593, 625, 658, 698, 742, 790, 842, 898, 958, 983, 1051, 1093, 1139, 1219, 1273},
}};
// Model 1's data codewords per version (1 to 14) and level; a byte-mode text takes 4 bits of
// mode, 8 bits of count (16 from version 10) and 8 bits a byte.
constexpr std::array<std::array<int, 14>, 4> kModel1Codewords{{
    {19, 36, 57, 80, 108, 136, 170, 208, 246, 290, 336, 384, 432, 489},
    {16, 30, 44, 60, 82, 106, 132, 160, 186, 222, 256, 292, 332, 368},
    {13, 24, 36, 50, 68, 86, 108, 128, 156, 183, 208, 244, 276, 310},
    {9, 16, 24, 34, 46, 58, 72, 87, 102, 124, 145, 165, 192, 210},
}};
// Micro QR holds bytes from M3 on: M3 and M4 per level (L, M, Q; 0: not at that level).
constexpr std::array<std::array<int, 2>, 3> kMicroBytes{{{9, 15}, {7, 13}, {0, 9}}};
// clang-format on

struct QrVersion {
    int number = 0, modules = 0;  // none: number 0
};

int qrCapacity(QrModel model, int level, int version)
{
    switch (model) {
    case QrModel::Model2: return kModel2Bytes[level][version - 1];
    case QrModel::Model1: return (kModel1Codewords[level][version - 1] * 8 - 4 - (version < 10 ? 8 : 16)) / 8;
    case QrModel::Micro: return kMicroBytes[level][version - 3];
    }
    return 0;
}

// The smallest version that holds `bytes`; the printer chooses the same or one as small.
QrVersion qrVersion(QrModel model, int level, int bytes)
{
    const int first = model == QrModel::Micro ? 3 : 1, last = model == QrModel::Micro    ? 4
                                                              : model == QrModel::Model1 ? 14
                                                                                         : 40;
    for (int v = first; v <= last; ++v)
        if (qrCapacity(model, level, v) >= bytes) return {v, model == QrModel::Micro ? 11 + 2 * v : 17 + 4 * v};
    return {};
}

// What a 2-D code stores: the text's UTF-8 bytes, or its bytes in the code page asked for (a
// character the code page lacks refuses the code: the printer would store "?").
std::variant<std::string, Refusal> storedData(std::string_view name, const std::string& text,
                                              const std::string& codePage)
{
    if (codePage.empty()) return text;
    const link::CodePage page(codePage);
    std::string missing;
    for (const std::string& ch : page.missingCharacters(text)) missing += (missing.empty() ? "\"" : " \"") + ch + "\"";
    if (!missing.empty()) return Refusal{std::string(name) + ": code page " + page.name() + " has no " + missing};
    const std::vector<std::uint8_t> bytes = page.encode(text);
    return std::string(bytes.begin(), bytes.end());
}

// ", text in CP949" when the text is stored in a code page.
std::string encodingText(const std::string& codePage)
{
    return codePage.empty() ? "" : ", text in " + link::CodePage(codePage).name();
}

std::string modelName(QrModel model)
{
    return model == QrModel::Model1 ? "model 1" : model == QrModel::Model2 ? "model 2" : "micro QR";
}

}  // namespace

std::variant<PreparedCode, Refusal> prepareQr(const QrRequest& request, int printWidthDots)
{
    const QrSettings& s = request.settings;
    const int level = static_cast<int>(s.level);
    constexpr std::string_view name = "QR";
    if (s.module < 1 || s.module > 16) return Refusal{range(name, "module", s.module, 1, 16)};
    if (level < 0 || level > 3 || (s.model == QrModel::Micro && s.level == QrLevel::H))
        return Refusal{std::string(name) + ": " + modelName(s.model) + " has no level " +
                       (level == 3 ? "H" : std::to_string(level))};
    if (request.text.empty()) return Refusal{std::string(name) + ": no data"};
    const auto stored = storedData(name, request.text, request.codePage);
    if (const auto* refusal = std::get_if<Refusal>(&stored)) return *refusal;
    const std::string& data = std::get<std::string>(stored);
    const int bytes = static_cast<int>(data.size());
    const char levelLetter = "LMQH"[level];
    const QrVersion version = qrVersion(s.model, level, bytes);
    if (version.number == 0) {
        const int last = s.model == QrModel::Micro ? 4 : s.model == QrModel::Model1 ? 14 : 40;
        return Refusal{std::string(name) + ": " + std::to_string(bytes) + " bytes do not fit " + modelName(s.model) +
                       " at level " + levelLetter + " (at most " + std::to_string(qrCapacity(s.model, level, last)) +
                       ")"};
    }
    if (version.modules * s.module > printWidthDots) {
        const std::string v = s.model == QrModel::Micro ? "M" + std::to_string(version.number)
                                                        : std::to_string(version.number);
        return Refusal{tooWide(name, version.modules, s.module, "version " + v, printWidthDots)};
    }

    PreparedCode code;
    code.title = titleLine(name, request.text, printWidthDots);
    const auto model = static_cast<std::uint8_t>(0x31 + static_cast<int>(s.model));
    for (const auto& command : {code2d(p::QrCode, Fn::QrModel, {model, 0x00}),
                                code2d(p::QrCode, Fn::ModuleSize, {static_cast<std::uint8_t>(s.module)}),
                                code2d(p::QrCode, Fn::ErrorCorrection, {static_cast<std::uint8_t>(0x30 + level)})})
        code.setup.insert(code.setup.end(), command.begin(), command.end());
    code.print = code2dStore(p::QrCode, data);
    const auto print = code2d(p::QrCode, Fn::Print, {p::Code2dDataMode});
    code.print.insert(code.print.end(), print.begin(), print.end());
    code.record = {std::string(name),
                   modelName(s.model) + ", module " + std::to_string(s.module) + ", level " + levelLetter +
                       encodingText(request.codePage),
                   request.text,
                   {data.begin(), data.end()}};
    return code;
}

// How much a PDF417 holds is bounded here for byte compaction alone (six bytes in five
// codewords), the latch and the length descriptor included, against the 928 codewords of a
// symbol with its 2^(level+1) error correction codewords. The printer may compact text and
// digits tighter, so a text refused here may fit in fact; none accepted here is too long.
std::variant<PreparedCode, Refusal> preparePdf417(const Pdf417Request& request, int printWidthDots)
{
    const Pdf417Settings& s = request.settings;
    constexpr std::string_view name = "PDF417";
    if (s.columns < 0 || s.columns > 30) return Refusal{range(name, "columns", s.columns, 0, 30)};
    if (s.rows != 0 && (s.rows < 3 || s.rows > 90))
        return Refusal{std::string(name) + ": rows " + std::to_string(s.rows) + " is out of range (0, or 3 to 90)"};
    if (s.moduleWidth < 2 || s.moduleWidth > 8) return Refusal{range(name, "module", s.moduleWidth, 2, 8)};
    if (s.rowHeight < 2 || s.rowHeight > 8) return Refusal{range(name, "row height", s.rowHeight, 2, 8)};
    if (s.level < 0 || s.level > 8) return Refusal{range(name, "level", s.level, 0, 8)};
    if (request.text.empty()) return Refusal{std::string(name) + ": no data"};
    const auto stored = storedData(name, request.text, request.codePage);
    if (const auto* refusal = std::get_if<Refusal>(&stored)) return *refusal;
    const std::string& data = std::get<std::string>(stored);

    const int bytes = static_cast<int>(data.size());
    const int correction = 2 << s.level;
    const int codewords = 2 + bytes / 6 * 5 + bytes % 6 + correction;
    if (codewords > 928) {
        const int room = 928 - correction - 2;
        return Refusal{std::string(name) + ": " + std::to_string(bytes) + " bytes do not fit at level " +
                       std::to_string(s.level) + " (at most " + std::to_string(room / 5 * 6 + room % 5) + ")"};
    }
    int columns = s.columns;
    const std::string needs = std::string(name) + ": " + std::to_string(codewords) + " codewords ";
    if (s.columns > 0 && s.rows > 0 && codewords > s.columns * s.rows)
        return Refusal{needs + "do not fit " + std::to_string(s.columns) + " columns by " + std::to_string(s.rows) +
                       " rows"};
    if (s.columns > 0 && s.rows == 0 && (codewords + s.columns - 1) / s.columns > 90)
        return Refusal{needs + "need " + std::to_string((codewords + s.columns - 1) / s.columns) + " rows of " +
                       std::to_string(s.columns) + " columns (at most 90)"};
    if (s.columns == 0 && s.rows > 0) {
        columns = (codewords + s.rows - 1) / s.rows;
        if (columns > 30)
            return Refusal{needs + "need " + std::to_string(columns) + " columns in " + std::to_string(s.rows) +
                           " rows (at most 30)"};
    }
    // Start 17, left row indicator 17, 17 a column, right row indicator 17, stop 18; truncated:
    // neither right row indicator nor stop but one bar. Unknown when the printer chooses.
    const int modules = 17 * (columns + (s.truncated ? 2 : 4)) + 1;
    if (columns > 0 && modules * s.moduleWidth > printWidthDots)
        return Refusal{tooWide(name, modules, s.moduleWidth, std::to_string(columns) + " columns", printWidthDots)};

    PreparedCode code;
    code.title = titleLine(name, request.text, printWidthDots);
    const auto n = [](int v) { return static_cast<std::uint8_t>(v); };
    for (const auto& command :
         {code2d(p::Pdf417Code, Fn::Columns, {n(s.columns)}), code2d(p::Pdf417Code, Fn::Rows, {n(s.rows)}),
          code2d(p::Pdf417Code, Fn::ModuleSize, {n(s.moduleWidth)}),
          code2d(p::Pdf417Code, Fn::RowHeight, {n(s.rowHeight)}),
          code2d(p::Pdf417Code, Fn::ErrorCorrection, {0x30, n(0x30 + s.level)}),
          code2d(p::Pdf417Code, Fn::Options, {n(s.truncated ? 1 : 0)})})
        code.setup.insert(code.setup.end(), command.begin(), command.end());
    code.print = code2dStore(p::Pdf417Code, data);
    const auto print = code2d(p::Pdf417Code, Fn::Print, {p::Code2dDataMode});
    code.print.insert(code.print.end(), print.begin(), print.end());
    code.record = {std::string(name),
                   "columns " + std::to_string(s.columns) + ", rows " + std::to_string(s.rows) + ", module " +
                       std::to_string(s.moduleWidth) + ", row height " + std::to_string(s.rowHeight) + ", level " +
                       std::to_string(s.level) + ", " + (s.truncated ? "truncated" : "standard") +
                       encodingText(request.codePage),
                   request.text,
                   {data.begin(), data.end()}};
    return code;
}

}  // namespace printbench::codes
