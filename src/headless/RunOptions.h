#pragma once

#include "codes/Codes.h"
#include "patterns/CodePageCharts.h"
#include "pictures/Pictures.h"
#include "run/Action.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace printbench::headless {

// What printbench-run is asked to do, with the window's start-up values as defaults.
struct RunOptions {
    run::Action action = run::Action::Sequence;  // named by its id: sequence, h-diagram, ..., identify
    std::vector<std::string> sequence;           // catalogue names, for "sequence"
    std::filesystem::path logo;                  // for "logo"
    std::string port;                            // COM<n>, USB, a device path or tcp://HOST[:PORT]; empty with --out
    std::string speed = "19200";
    std::optional<std::string> model;  // none: the start-up width, 432 dots
    std::string density = "0";         // the density list's entry, "-5" to "+5"
    std::int64_t delayMs = 500;
    std::uint64_t feedDots = 100;
    std::int64_t repeat = 1;  // 0: until a signal ends it
    std::string text = "Please enter the text you want to output.";
    bool oldVersion = false;
    std::optional<std::filesystem::path> out, report, junit;
    bool quiet = false;

    // barcode SYMBOLOGY DATA, qr TEXT, pdf417 TEXT, and the settings of the codes.
    std::optional<codes::Symbology> symbology;
    std::string codeData;
    codes::BarcodeSettings barcode;
    codes::QrSettings qr;
    codes::Pdf417Settings pdf417;
    bool textInCodePage = false;  // a 2-D code's text in the text code page, not UTF-8

    // code-pages: the charts of these code tables, and of the Korean double-byte characters.
    std::vector<std::uint8_t> codeTables = patterns::defaultTables();
    bool koreanChart = false;
    // image FILE: the picture, how it becomes dots and how they are sent; cropped at the print
    // width with --no-scale instead of scaled down to it.
    std::filesystem::path image;
    pictures::Dither dither = pictures::Dither::FloydSteinberg;
    int threshold = pictures::kDefaultThreshold;
    pictures::ImageMode imageMode = pictures::ImageMode::Raster;
    bool noScale = false;

    // check-scan IMAGE --sent REPORT.json: no printer; the codes read from the picture against
    // those the report says were sent.
    bool checkScan = false;
    std::filesystem::path scanImage, sent;
};

// The codes an action of codes prints (the sample page, one barcode, one 2-D code); none for
// the other actions. `codePage`: the text code page, for a 2-D code's text with --in-code-page.
std::vector<codes::CodeRequest> codeRequests(const RunOptions& options, const std::string& codePage);

// The print width the run uses: the model's, or the window's start-up width (432 dots).
std::int16_t printWidthDots(const RunOptions& options);

extern const char* const kRunUsage;

// The options of a command line (without the program's name), or the reason it is not one.
std::variant<RunOptions, std::string> parseRunOptions(const std::vector<std::string>& args);

// The port list's index of a --port the window's list names: "COM1" to "COM11" are 1 to 11,
// "USB" 12; none for anything else (a device path or an address, which is this run's own COM1).
std::optional<int> portListIndex(const std::string& port);

// The density list's index of a step: "-5" is 0, "0" is 5, "+5" is 10.
int densityIndex(const std::string& step);

}  // namespace printbench::headless
