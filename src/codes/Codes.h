#pragma once

#include "commands/RepeatRun.h"
#include "commands/SharedState.h"
#include "link/Channel.h"
#include "protocol/Commands.h"
#include "run/RunRecord.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

// Barcodes (GS k) and 2-D codes (GS ( k): their data checked per symbology before anything is
// sent, their bytes, and the pages that print them.
namespace printbench::codes {

using protocol::Symbology;

// Human-readable text of a barcode (GS H n).
enum class Hri : std::uint8_t { None = 0, Above = 1, Below = 2, Both = 3 };
// GS k form A (m 0 to 6, data ended by NUL) or form B (m 65 and up, the length n first).
enum class Form { A, B };

struct BarcodeSettings {
    int height = 162;     // GS h n: dots, 1 to 255
    int moduleWidth = 3;  // GS w n: dots, 2 to 6
    Hri hri = Hri::Below;
    int hriFont = 0;  // GS f n: 0 font A, 1 font B
    Form form = Form::B;
};

enum class QrModel { Model1, Model2, Micro };
enum class QrLevel { L, M, Q, H };
struct QrSettings {
    QrModel model = QrModel::Model2;
    int module = 3;  // dots, 1 to 16
    QrLevel level = QrLevel::M;
};

struct Pdf417Settings {
    int columns = 0;      // 0 (the printer chooses) to 30
    int rows = 0;         // 0 (the printer chooses) or 3 to 90
    int moduleWidth = 3;  // 2 to 8
    int rowHeight = 3;    // 2 to 8, in module widths
    int level = 1;        // error correction level 0 to 8
    bool truncated = false;
};

// One symbology: its name and the datum the sample page prints (its m in either form:
// protocol::barcodeFormB, protocol::barcodeFormA).
struct SymbologyInfo {
    Symbology symbology;
    std::string_view name;  // "UPC-A", "CODE128", "DATABAR-LIMITED", ...
    std::string_view sample;
};
extern const std::array<SymbologyInfo, 14> kSymbologies;
const SymbologyInfo& symbologyInfo(Symbology s);
// By name, case and hyphens ignored ("ean13", "Databar-Truncated").
std::optional<Symbology> symbologyByName(std::string_view name);

// What one code on a page asks for.
struct BarcodeRequest {
    Symbology symbology;
    std::string data;  // as the technician typed it (UTF-8)
    BarcodeSettings settings;
};
// A 2-D code's text (UTF-8) is stored as its UTF-8 bytes, or, when `codePage` names one (the text
// code page, "CP949"), as the bytes of that code page; a character it lacks refuses the code.
struct QrRequest {
    std::string text;
    QrSettings settings;
    std::string codePage = {};
};
struct Pdf417Request {
    std::string text;
    Pdf417Settings settings;
    std::string codePage = {};
};
using CodeRequest = std::variant<BarcodeRequest, QrRequest, Pdf417Request>;

// Why a code is not sent: names the symbology and the character or length at fault, in English.
struct Refusal {
    std::string message;
};

// A code checked and ready to send: its title line, the commands that set it up and the command
// that prints it, and what the run record says of it.
struct PreparedCode {
    std::string title;                // "CODE128 {BNo. 123" (ASCII): printed above it
    std::vector<std::uint8_t> setup;  // GS h, GS w, GS H, GS f; or the GS ( k settings
    std::vector<std::uint8_t> print;  // GS k ...; or GS ( k store and print
    run::CodeSent record;             // symbology, settings, text, data bytes
};

// Checks one code against the print width of the model (dots): the bytes, or the refusal.
std::variant<PreparedCode, Refusal> prepare(const CodeRequest& request, int printWidthDots);
// Every code of a page, or the first refusal: a page with one bad code sends nothing.
std::variant<std::vector<PreparedCode>, Refusal> preparePage(const std::vector<CodeRequest>& page, int printWidthDots);

// The sample page: every symbology with its sample datum, in the settings given.
std::vector<CodeRequest> samplePage(const BarcodeSettings& settings);

// Prints a page of checked codes: ESC @; for each code, the stop flag checked, its title line
// and LF, its setup and print commands, LF; then ESC J 120 and a Full Cut with its status
// requests around the delay. `sent` hears each code as it leaves. One pass of the panel.
commands::RunEnd PrintCodePage(link::PrinterChannel& channel, const std::vector<PreparedCode>& page,
                               commands::SharedState& state, commands::RunPanel& panel, std::int64_t delayMs,
                               const std::function<void(const run::CodeSent&)>& sent = {});

}  // namespace printbench::codes
