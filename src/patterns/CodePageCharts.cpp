#include "patterns/CodePageCharts.h"

#include "commands/PaperCommands.h"
#include "protocol/CodeTables.h"
#include "protocol/Commands.h"

#include <algorithm>
#include <charconv>

namespace printbench::patterns {

namespace p = protocol;

namespace {

constexpr char kHex[] = "0123456789ABCDEF";

void append(std::vector<std::uint8_t>& out, std::span<const std::uint8_t> bytes)
{
    out.insert(out.end(), bytes.begin(), bytes.end());
}

void append(std::vector<std::uint8_t>& out, std::string_view ascii)
{
    out.insert(out.end(), ascii.begin(), ascii.end());
}

std::string hexByte(std::uint8_t b)
{
    return {kHex[b >> 4], kHex[b & 0xF]};
}

}  // namespace

std::vector<std::uint8_t> codeTableChart(std::uint8_t table)
{
    std::vector<std::uint8_t> out;
    append(out, p::Initialize);
    append(out, p::KanjiOff);
    append(out, p::SelectCodeTable);
    out.push_back(table);
    std::string title = "Code table " + std::to_string(table) + " (ESC t " + std::to_string(table) + ")";
    if (const auto known = p::codeTable(table)) title += ": " + std::string(known->name);
    append(out, title);
    append(out, p::LineFeed);
    for (int high = 2; high <= 0xF; ++high) {
        out.push_back(std::uint8_t(kHex[high]));
        append(out, "x ");
        for (int low = 0; low <= 0xF; ++low) {
            const int code = high << 4 | low;
            out.push_back(code == 0x7F ? std::uint8_t{0x20} : std::uint8_t(code));
            out.push_back(0x20);
        }
        append(out, p::LineFeed);
    }
    append(out, p::Initialize);
    return out;
}

std::vector<std::uint8_t> koreanChart()
{
    std::vector<std::uint8_t> out;
    append(out, p::Initialize);
    append(out, p::KanjiOn);
    append(out, "KS X 1001 (FS &): rows ");
    for (const std::uint8_t row : {p::KsSymbolRow, p::KsFirstHangulRow, p::KsLastHangulRow, p::KsHanjaRow}) {
        append(out, hexByte(row));
        if (row != p::KsHanjaRow) append(out, " ");
    }
    append(out, p::LineFeed);
    for (const std::uint8_t row : {p::KsSymbolRow, p::KsFirstHangulRow, p::KsLastHangulRow, p::KsHanjaRow}) {
        for (int high = p::KsFirstTrail >> 4; high <= p::KsLastTrail >> 4; ++high) {
            append(out, hexByte(row));
            out.push_back(std::uint8_t(kHex[high]));
            out.push_back('x');
            for (int low = 0; low <= 0xF; ++low) {
                const int trail = high << 4 | low;
                if (trail < p::KsFirstTrail || trail > p::KsLastTrail) {
                    append(out, "  ");  // a double-byte character's width
                    continue;
                }
                out.push_back(row);
                out.push_back(std::uint8_t(trail));
            }
            append(out, p::LineFeed);
        }
    }
    append(out, p::KanjiOff);
    append(out, p::Initialize);
    return out;
}

std::vector<std::uint8_t> defaultTables()
{
    std::vector<std::uint8_t> tables;
    for (const p::CodeTable& t : p::kCodeTables) tables.push_back(t.n);
    return tables;
}

std::variant<std::vector<std::uint8_t>, std::string> readTableList(std::string_view text)
{
    std::vector<std::uint8_t> tables;
    std::size_t at = 0;
    while (at <= text.size()) {
        const std::size_t comma = std::min(text.find(',', at), text.size());
        std::string_view word = text.substr(at, comma - at);
        while (!word.empty() && (word.front() == ' ' || word.front() == '\t')) word.remove_prefix(1);
        while (!word.empty() && (word.back() == ' ' || word.back() == '\t')) word.remove_suffix(1);
        unsigned value = 0;
        const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
        if (word.empty() || ec != std::errc{} || end != word.data() + word.size() || value > 255)
            return "\"" + std::string(word) + "\" is not a code table: give numbers 0 to 255 parted by commas";
        if (std::find(tables.begin(), tables.end(), value) == tables.end()) tables.push_back(std::uint8_t(value));
        at = comma + 1;
    }
    return tables;
}

std::string tableListText(const std::vector<std::uint8_t>& tables)
{
    std::string text;
    for (const std::uint8_t n : tables) text += (text.empty() ? "" : ",") + std::to_string(n);
    return text;
}

commands::RunEnd PrintCodePages(link::PrinterChannel& channel, const ChartPage& page, commands::SharedState& state,
                                commands::RunPanel& panel, std::int64_t delayMs)
{
    commands::RepeatRun run(channel, state, panel);
    if (channel.route() == link::Route::None) return commands::RunEnd::Complete;
    run.begin();
    const auto chart = [&](const std::vector<std::uint8_t>& bytes) {
        // One event pass a chart: Stop is heard between charts, and each chart leaves whole.
        run.letEventsIn();
        if (run.stopRequested()) return false;
        channel.bytes(bytes);
        return true;
    };
    for (const std::uint8_t table : page.tables) {
        if (!chart(codeTableChart(table))) return commands::RunEnd::Stopped;
    }
    if (page.korean && !chart(koreanChart())) return commands::RunEnd::Stopped;
    channel.command(p::PrintAndFeed120);
    commands::SendFullCut(channel, delayMs);
    run.finish();
    return commands::RunEnd::Complete;
}

}  // namespace printbench::patterns
