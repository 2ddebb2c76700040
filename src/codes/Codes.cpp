#include "codes/Codes.h"

#include "codes/Barcodes.h"
#include "codes/CodeText.h"
#include "codes/Prepare.h"
#include "commands/PaperCommands.h"
#include "protocol/Commands.h"

#include <algorithm>

namespace printbench::codes {

namespace p = protocol;
using S = Symbology;

// The samples fit the narrowest model (432 dots) at the default module width of 3 dots.
// clang-format off
const std::array<SymbologyInfo, 14> kSymbologies{{
    {S::UpcA, "UPC-A", "012345678905"},
    {S::UpcE, "UPC-E", "01234565"},
    {S::Ean13, "EAN-13", "4901234567894"},
    {S::Ean8, "EAN-8", "96385074"},
    {S::Code39, "CODE39", "CODE39"},
    {S::Itf, "ITF", "1234567890"},
    {S::Codabar, "CODABAR", "A40156B"},
    {S::Code93, "CODE93", "Code93"},
    {S::Code128, "CODE128", "{BNo. 123"},
    {S::Gs1_128, "GS1-128", "(01)09501101530003"},
    {S::DataBar, "DATABAR", "0950110153000"},
    {S::DataBarTruncated, "DATABAR-TRUNCATED", "0950110153000"},
    {S::DataBarLimited, "DATABAR-LIMITED", "0950110153000"},
    {S::DataBarExpanded, "DATABAR-EXPANDED", "(3103)000123"},
}};
// clang-format on

const SymbologyInfo& symbologyInfo(Symbology s)
{
    for (const SymbologyInfo& info : kSymbologies)
        if (info.symbology == s) return info;
    return kSymbologies[0];
}

namespace {

std::string nameKey(std::string_view name)
{
    std::string key;
    for (const char c : name)
        if (c != '-') key += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    return key;
}

std::string range(std::string_view name, std::string_view what, int value, int low, int high)
{
    return std::string(name) + ": " + std::string(what) + " " + std::to_string(value) + " is out of range (" +
           std::to_string(low) + " to " + std::to_string(high) + ")";
}

std::string settingsText(const BarcodeSettings& s)
{
    static constexpr std::array<std::string_view, 4> kHri{"none", "above", "below", "both"};
    return "height " + std::to_string(s.height) + ", module " + std::to_string(s.moduleWidth) + ", hri " +
           std::string(kHri[static_cast<std::size_t>(s.hri)]) + ", font " + (s.hriFont == 0 ? "A" : "B") + ", form " +
           (s.form == Form::A ? "A" : "B");
}

std::variant<PreparedCode, Refusal> prepareBarcode(const BarcodeRequest& request, int printWidthDots)
{
    const SymbologyInfo& info = symbologyInfo(request.symbology);
    const BarcodeSettings& s = request.settings;
    const std::string name(info.name);
    if (s.height < 1 || s.height > 255) return Refusal{range(name, "height", s.height, 1, 255)};
    if (s.moduleWidth < 2 || s.moduleWidth > 6) return Refusal{range(name, "module", s.moduleWidth, 2, 6)};
    if (static_cast<int>(s.hri) > 3) return Refusal{range(name, "hri", static_cast<int>(s.hri), 0, 3)};
    if (s.hriFont < 0 || s.hriFont > 1) return Refusal{range(name, "font", s.hriFont, 0, 1)};
    if (s.form == Form::A && !p::barcodeFormA(info.symbology))
        return Refusal{name + ": GS k form A has no " + name + "; it takes form B"};

    auto checked = barcodeData(request.symbology, request.data);
    if (auto* refusal = std::get_if<std::string>(&checked)) return Refusal{*refusal};
    BarcodeData& data = std::get<BarcodeData>(checked);
    if (s.form == Form::B && data.bytes.size() > 255)
        return Refusal{name + ": \"" + shownText(request.data) + "\" makes " + std::to_string(data.bytes.size()) +
                       " data bytes; GS k takes at most 255"};
    if (data.modules * s.moduleWidth > printWidthDots)
        return Refusal{tooWide(name, data.modules, s.moduleWidth, "", printWidthDots)};

    PreparedCode code;
    code.title = titleLine(name, request.data, printWidthDots);
    const auto n = [](int v) { return static_cast<std::uint8_t>(v); };
    for (const auto& [command, value] :
         {std::pair{p::BarcodeHeight, s.height}, std::pair{p::BarcodeModuleWidth, s.moduleWidth},
          std::pair{p::BarcodeHri, static_cast<int>(s.hri)}, std::pair{p::BarcodeHriFont, s.hriFont}}) {
        code.setup.insert(code.setup.end(), command.begin(), command.end());
        code.setup.push_back(n(value));
    }
    code.print.assign(p::PrintBarcode.begin(), p::PrintBarcode.end());
    if (s.form == Form::A) {
        code.print.push_back(*p::barcodeFormA(info.symbology));
        code.print.insert(code.print.end(), data.bytes.begin(), data.bytes.end());
        code.print.push_back(0x00);
    } else {
        code.print.push_back(p::barcodeFormB(info.symbology));
        code.print.push_back(n(static_cast<int>(data.bytes.size())));
        code.print.insert(code.print.end(), data.bytes.begin(), data.bytes.end());
    }
    code.record = {name, settingsText(s), request.data, std::move(data.bytes)};
    return code;
}

}  // namespace

std::optional<Symbology> symbologyByName(std::string_view name)
{
    const std::string key = nameKey(name);
    for (const SymbologyInfo& info : kSymbologies)
        if (nameKey(info.name) == key) return info.symbology;
    return std::nullopt;
}

std::string titleLine(std::string_view name, std::string_view text, int printWidthDots)
{
    std::string title = std::string(name) + " " + asciiText(text);
    title.resize(std::min(title.size(), static_cast<std::size_t>(std::max(printWidthDots, 0) / 12)));
    return title;
}

std::vector<std::uint8_t> code2d(std::uint8_t cn, protocol::Code2dFunction fn,
                                 std::initializer_list<std::uint8_t> params)
{
    std::vector<std::uint8_t> bytes(p::Code2dPrefix.begin(), p::Code2dPrefix.end());
    bytes.push_back(static_cast<std::uint8_t>(params.size() + 2));
    bytes.push_back(0x00);
    bytes.push_back(cn);
    bytes.push_back(static_cast<std::uint8_t>(fn));
    bytes.insert(bytes.end(), params.begin(), params.end());
    return bytes;
}

std::vector<std::uint8_t> code2dStore(std::uint8_t cn, std::string_view data)
{
    const std::size_t length = data.size() + 3;
    std::vector<std::uint8_t> bytes(p::Code2dPrefix.begin(), p::Code2dPrefix.end());
    for (const std::size_t b :
         {length & 0xFF, length >> 8, std::size_t(cn),
          std::size_t(static_cast<std::uint8_t>(protocol::Code2dFunction::Store)), std::size_t(p::Code2dDataMode)})
        bytes.push_back(static_cast<std::uint8_t>(b));
    bytes.insert(bytes.end(), data.begin(), data.end());
    return bytes;
}

std::string tooWide(std::string_view name, int modules, int moduleDots, std::string_view what, int printWidthDots)
{
    return std::string(name) + ": " + std::to_string(modules * moduleDots) + " dots wide (" +
           (what.empty() ? "" : std::string(what) + ", ") + std::to_string(modules) + " modules of " +
           std::to_string(moduleDots) + " dots); the print width is " + std::to_string(printWidthDots) + " dots";
}

std::variant<PreparedCode, Refusal> prepare(const CodeRequest& request, int printWidthDots)
{
    if (const auto* barcode = std::get_if<BarcodeRequest>(&request)) return prepareBarcode(*barcode, printWidthDots);
    if (const auto* qr = std::get_if<QrRequest>(&request)) return prepareQr(*qr, printWidthDots);
    return preparePdf417(std::get<Pdf417Request>(request), printWidthDots);
}

std::variant<std::vector<PreparedCode>, Refusal> preparePage(const std::vector<CodeRequest>& page, int printWidthDots)
{
    std::vector<PreparedCode> codes;
    for (const CodeRequest& request : page) {
        auto prepared = prepare(request, printWidthDots);
        if (auto* refusal = std::get_if<Refusal>(&prepared)) return std::move(*refusal);
        codes.push_back(std::move(std::get<PreparedCode>(prepared)));
    }
    return codes;
}

std::vector<CodeRequest> samplePage(const BarcodeSettings& settings)
{
    // In form A, the symbologies that have none are printed in form B.
    std::vector<CodeRequest> page;
    for (const SymbologyInfo& info : kSymbologies) {
        BarcodeSettings s = settings;
        if (!p::barcodeFormA(info.symbology)) s.form = Form::B;
        page.emplace_back(BarcodeRequest{info.symbology, std::string(info.sample), s});
    }
    return page;
}

commands::RunEnd PrintCodePage(link::PrinterChannel& channel, const std::vector<PreparedCode>& page,
                               commands::SharedState& state, commands::RunPanel& panel, std::int64_t delayMs,
                               const std::function<void(const run::CodeSent&)>& sent)
{
    commands::RepeatRun run(channel, state, panel);
    if (channel.route() == link::Route::None) return commands::RunEnd::Complete;
    run.begin();
    channel.command(p::Initialize);
    for (const PreparedCode& code : page) {
        // One event pass a code: Stop is heard between codes, and each code leaves whole.
        run.letEventsIn();
        if (run.stopRequested()) return commands::RunEnd::Stopped;
        // GS k is ignored while the line buffer holds data: the title line is ended first.
        channel.text(code.title);
        channel.command(p::LineFeed);
        channel.bytes(code.setup);
        channel.bytes(code.print);
        if (sent) sent(code.record);
        channel.command(p::LineFeed);
    }
    channel.command(p::PrintAndFeed120);
    commands::SendFullCut(channel, delayMs);
    run.finish();
    return commands::RunEnd::Complete;
}

}  // namespace printbench::codes
