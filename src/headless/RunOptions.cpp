#include "headless/RunOptions.h"

#include "commands/SequenceRunner.h"
#include "protocol/Models.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>

namespace printbench::headless {

const char* const kRunUsage =
    "usage: printbench-run [OPTIONS] ACTION [ARG]\n"
    "ACTION: sequence \"Full Cut,Feed,...\"  (catalogue names, as in the Command List)\n"
    "        h-diagram | bit-pattern | tile | test-pattern | logo FILE.bmp | status | status-clear | identify\n"
    "        barcodes | barcode SYMBOLOGY DATA | qr TEXT | pdf417 TEXT | code-pages | image FILE\n"
    "        check-scan IMAGE --sent REPORT.json [--junit FILE]   (no printer: the codes read from the picture\n"
    "                  against those the report says were sent; exit 0 only when every one was read)\n"
    "  --port COM3 | USB | /dev/ttyUSB0 | tcp://HOST[:PORT]   (COM<n> resolves as the window does; PORT 9100)\n"
    "  --speed 19200  --model KR-420  --density 0  --delay 500  --feed 100  --repeat 1  --text TEXT  --old-ver\n"
    "  --out FILE      write the bytes instead of sending them (no printer; waits are skipped)\n"
    "  --report FILE   the run's record as JSON, rewritten as the run goes (\"final\": false until it ends)\n"
    "  --junit FILE    JUnit XML: one test case per pass, a failure for the pass whose fault arrived;\n"
    "                  rewritten at the start, at a fault, on a signal and at the end\n"
    "  --quiet         no progress line, only the summary\n"
    "Barcodes: SYMBOLOGY is UPC-A UPC-E EAN-13 EAN-8 CODE39 ITF CODABAR CODE93 CODE128 GS1-128 DATABAR\n"
    "  DATABAR-TRUNCATED DATABAR-LIMITED DATABAR-EXPANDED (case and hyphens ignored)\n"
    "  --height 162 (1-255 dots)  --module-width 3 (2-6; PDF417 2-8)  --hri none|above|below|both (below)\n"
    "  --hri-font A|B  --form A|B (B; A for printers without form B)\n"
    "QR: --qr-model 1|2|micro (2)  --module 3 (1-16)  --ec L|M|Q|H (M)\n"
    "PDF417: --columns 0 (0-30)  --rows 0 (0, 3-90)  --row-height 3 (2-8)  --pdf417-ec 1 (0-8)  --truncated\n"
    "  --in-code-page  a QR or PDF417 code's text in the text code page (as Text Output's), not UTF-8\n"
    "Code pages: --tables 0,1,2,3,4,5,16,17,18,19 (ESC t n, 0-255)  --korean  (and the KS X 1001 chart)\n"
    "Image: FILE is PNG, JPEG, GIF or BMP, scaled down to the model's print width\n"
    "  --dither threshold|ordered|floyd-steinberg|atkinson (floyd-steinberg)  --threshold 128 (0-255: ink below it)\n"
    "  --image-mode column|raster|graphics (raster: ESC * 33, GS v 0, GS ( L)  --no-scale  crop at the width instead\n"
    "Exit status: 0 completed, 1 stopped by a printer fault, 2 usage error, 3 link error or no answer\n"
    "from the printer, 130 SIGINT (Ctrl-C), SIGTERM or SIGHUP.\n";

namespace {

constexpr std::array kSpeeds{"1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"};
constexpr std::array kDensities{"-5", "-4", "-3", "-2", "-1", "0", "+1", "+2", "+3", "+4", "+5"};

bool digits(const std::string& s)
{
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string trimmed(const std::string& s)
{
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

template <typename List>
bool oneOf(const List& list, const std::string& value)
{
    return std::find(list.begin(), list.end(), value) != list.end();
}

// A setting of the codes: none when it was taken (or is not one), else why not. Their ranges
// are the codes' own check, made before anything is sent.
std::optional<std::string> codeSetting(RunOptions& o, const std::string& arg, const std::string& value)
{
    const auto lower = [](std::string s) {
        std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
        return s;
    };
    // The index of the value among `words` (case ignored), or the complaint.
    const auto choice = [&](std::initializer_list<const char*> words) -> std::variant<int, std::string> {
        std::string all;
        for (std::size_t i = 0; i < words.size(); ++i) {
            if (lower(value) == lower(words.begin()[i])) return int(i);
            all += (all.empty() ? "" : "|") + std::string(words.begin()[i]);
        }
        return arg + " takes " + all + ", not \"" + value + "\"";
    };
    const auto number = [&](int& target) -> std::optional<std::string> {
        int n = 0;
        const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), n);
        if (!digits(value) || error != std::errc() || end != value.data() + value.size() || n > 255)
            return arg + " takes a number from 0 to 255, not \"" + value + "\"";
        target = n;
        return std::nullopt;
    };
    if (arg == "--height") return number(o.barcode.height);
    if (arg == "--module-width") {
        const auto e = number(o.barcode.moduleWidth);
        o.pdf417.moduleWidth = o.barcode.moduleWidth;
        return e;
    }
    if (arg == "--module") return number(o.qr.module);
    if (arg == "--columns") return number(o.pdf417.columns);
    if (arg == "--rows") return number(o.pdf417.rows);
    if (arg == "--row-height") return number(o.pdf417.rowHeight);
    if (arg == "--pdf417-ec") return number(o.pdf417.level);
    if (arg == "--threshold") return number(o.threshold);
    std::variant<int, std::string> picked = 0;
    if (arg == "--hri") picked = choice({"none", "above", "below", "both"});
    else if (arg == "--hri-font" || arg == "--form") picked = choice({"A", "B"});
    else if (arg == "--qr-model") picked = choice({"1", "2", "micro"});
    else if (arg == "--ec") picked = choice({"L", "M", "Q", "H"});
    else if (arg == "--dither") picked = choice({"threshold", "ordered", "floyd-steinberg", "atkinson"});
    else if (arg == "--image-mode") picked = choice({"column", "raster", "graphics"});
    else return std::nullopt;
    if (const auto* complaint = std::get_if<std::string>(&picked)) return *complaint;
    const int i = std::get<int>(picked);
    if (arg == "--hri") o.barcode.hri = codes::Hri(i);
    else if (arg == "--hri-font") o.barcode.hriFont = i;
    else if (arg == "--form") o.barcode.form = i == 0 ? codes::Form::A : codes::Form::B;
    else if (arg == "--dither") o.dither = pictures::Dither(i);
    else if (arg == "--image-mode") o.imageMode = pictures::ImageMode(i);
    else if (arg == "--qr-model")
        o.qr.model = std::array{codes::QrModel::Model1, codes::QrModel::Model2, codes::QrModel::Micro}[std::size_t(i)];
    else o.qr.level = codes::QrLevel(i);
    return std::nullopt;
}

}  // namespace

std::vector<codes::CodeRequest> codeRequests(const RunOptions& o, const std::string& codePage)
{
    const std::string textCodePage = o.textInCodePage ? codePage : "";
    switch (o.action) {
    case run::Action::Barcodes: return codes::samplePage(o.barcode);
    case run::Action::Barcode:
        if (!o.symbology) return {};
        return {codes::BarcodeRequest{*o.symbology, o.codeData, o.barcode}};
    case run::Action::Qr: return {codes::QrRequest{o.codeData, o.qr, textCodePage}};
    case run::Action::Pdf417: return {codes::Pdf417Request{o.codeData, o.pdf417, textCodePage}};
    default: return {};
    }
}

std::optional<int> portListIndex(const std::string& port)
{
    if (port == "USB") return 12;
    for (int n = 1; n <= 11; ++n)
        if (port == "COM" + std::to_string(n)) return n;
    return std::nullopt;
}

std::int16_t printWidthDots(const RunOptions& options)
{
    if (options.model)
        if (const auto width = protocol::modelPrintWidth(*options.model)) return *width;
    return 432;
}

int densityIndex(const std::string& step)
{
    const auto it = std::find(kDensities.begin(), kDensities.end(), step == "+0" ? "0" : step);
    return it == kDensities.end() ? 5 : int(it - kDensities.begin());
}

std::variant<RunOptions, std::string> parseRunOptions(const std::vector<std::string>& args)
{
    RunOptions o;
    std::vector<std::string> words;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.rfind("--", 0) != 0) {
            words.push_back(arg);
            continue;
        }
        if (arg == "--old-ver") {
            o.oldVersion = true;
            continue;
        }
        if (arg == "--quiet") {
            o.quiet = true;
            continue;
        }
        if (arg == "--truncated") {
            o.pdf417.truncated = true;
            continue;
        }
        if (arg == "--in-code-page") {
            o.textInCodePage = true;
            continue;
        }
        if (arg == "--korean") {
            o.koreanChart = true;
            continue;
        }
        if (arg == "--no-scale") {
            o.noScale = true;
            continue;
        }
        static const std::array valued{
            "--port", "--speed",      "--model",     "--density",  "--delay",     "--feed",       "--repeat",
            "--text", "--out",        "--report",    "--junit",    "--sent",      "--height",     "--module-width",
            "--hri",  "--hri-font",   "--form",      "--qr-model", "--module",    "--ec",         "--columns",
            "--rows", "--row-height", "--pdf417-ec", "--dither",   "--threshold", "--image-mode", "--tables"};
        if (!oneOf(valued, arg)) return "unknown option " + arg;
        if (i + 1 >= args.size()) return arg + " needs a value";
        const std::string value = args[++i];
        const auto number = [&](std::uint64_t max, const char* what) -> std::variant<std::uint64_t, std::string> {
            if (!digits(value)) return arg + " takes " + what + ", not \"" + value + "\"";
            std::uint64_t n = 0;
            const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), n);
            if (error != std::errc() || n > max) return arg + " is at most " + std::to_string(max);
            return n;
        };
        if (arg == "--port") o.port = value;
        else if (arg == "--speed") {
            if (!oneOf(kSpeeds, value))
                return "--speed takes one of 1200 2400 4800 9600 19200 38400 57600 115200, not \"" + value + "\"";
            o.speed = value;
        } else if (arg == "--model") {
            if (!protocol::modelPrintWidth(value)) {
                std::string models;
                for (const auto& [name, width] : protocol::kModelWidths) models += " " + std::string(name);
                return "unknown model \"" + value + "\"; the models are" + models;
            }
            o.model = value;
        } else if (arg == "--density") {
            if (!oneOf(kDensities, value == "+0" ? "0" : value))
                return "--density takes a step from -5 to +5, not \"" + value + "\"";
            o.density = value == "+0" ? "0" : value;
        } else if (arg == "--delay") {
            const auto n = number(2147483647, "milliseconds");
            if (const auto* e = std::get_if<std::string>(&n)) return *e;
            o.delayMs = std::int64_t(std::get<std::uint64_t>(n));
        } else if (arg == "--feed") {
            const auto n = number(1010, "dots");
            if (const auto* e = std::get_if<std::string>(&n)) return *e;
            o.feedDots = std::get<std::uint64_t>(n);
        } else if (arg == "--repeat") {
            const auto n = number(INT64_MAX, "a count of passes");
            if (const auto* e = std::get_if<std::string>(&n)) return *e;
            o.repeat = std::int64_t(std::get<std::uint64_t>(n));
        } else if (arg == "--text") o.text = value;
        else if (arg == "--out") o.out = value;
        else if (arg == "--report") o.report = value;
        else if (arg == "--junit") o.junit = value;
        else if (arg == "--sent") o.sent = value;
        else if (arg == "--tables") {
            auto tables = patterns::readTableList(value);
            if (const auto* e = std::get_if<std::string>(&tables)) return "--tables: " + *e;
            o.codeTables = std::get<std::vector<std::uint8_t>>(std::move(tables));
        } else if (const auto chosen = codeSetting(o, arg, value)) return *chosen;
    }

    if (words.empty()) return "an action is needed";
    if (words[0] == "check-scan") {
        if (words.size() != 2) return "check-scan takes one picture";
        if (o.sent.empty()) return "check-scan needs --sent REPORT.json";
        o.checkScan = true;
        o.scanImage = words[1];
        return o;
    }
    const std::optional<run::Action> action = run::actionById(words[0]);
    if (!action) {
        std::string names;
        for (const run::ActionName& n : run::kActionNames) names += " " + std::string(n.id);
        return "unknown action \"" + words[0] + "\"; the actions are" + names;
    }
    o.action = *action;
    const std::size_t arguments = o.action == run::Action::Barcode ? 2u
                                  : o.action == run::Action::Sequence || o.action == run::Action::Logo ||
                                          o.action == run::Action::Qr || o.action == run::Action::Pdf417 ||
                                          o.action == run::Action::Image
                                      ? 1u
                                      : 0u;
    if (words.size() != arguments + 1) {
        static const std::array counts{" takes no argument", " takes one argument", " takes two arguments"};
        return words[0] + counts[arguments];
    }
    if (o.action == run::Action::Barcode) {
        o.symbology = codes::symbologyByName(words[1]);
        if (!o.symbology) {
            std::string names;
            for (const codes::SymbologyInfo& s : codes::kSymbologies) names += " " + std::string(s.name);
            return "unknown symbology \"" + words[1] + "\"; the symbologies are" + names;
        }
        o.codeData = words[2];
    }
    if (o.action == run::Action::Qr || o.action == run::Action::Pdf417) o.codeData = words[1];
    if (o.action == run::Action::Sequence) {
        const std::string& list = words[1];
        for (std::size_t from = 0;;) {
            const std::size_t comma = list.find(',', from);
            const std::string name =
                trimmed(list.substr(from, comma == std::string::npos ? std::string::npos : comma - from));
            if (!oneOf(commands::kCatalogue, name)) {
                std::string names;
                for (const std::string_view entry : commands::kCatalogue)
                    names += (names.empty() ? "" : ", ") + std::string(entry);
                return "\"" + name + "\" is not a command of the catalogue: " + names;
            }
            o.sequence.push_back(name);
            if (comma == std::string::npos) break;
            from = comma + 1;
        }
    }
    if (o.action == run::Action::Logo) o.logo = words[1];
    if (o.action == run::Action::Image) o.image = words[1];
    if (o.port.empty() && !o.out) return "--port or --out is needed";
    return o;
}

}  // namespace printbench::headless
