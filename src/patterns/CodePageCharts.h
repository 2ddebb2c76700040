#pragma once

#include "commands/RepeatRun.h"
#include "commands/SharedState.h"
#include "link/Channel.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace printbench::patterns {

// The chart of character code table n: ESC @, FS . (double-byte mode, on at start, would pair
// 80-FF up), ESC t n, a title line in ASCII naming the table, then the codes 20 to FF in rows
// of 16, each row labelled with its code ("8x ") and each code followed by a space, LF at the
// end of the row; ESC @ after it. No byte below 20, and no 7F (a space in its place), is sent
// inside the chart: a printer reads those as commands.
std::vector<std::uint8_t> codeTableChart(std::uint8_t table);

// The chart of the Korean models' double-byte characters: ESC @, FS &, a title line, the rows
// of KS X 1001 the protocol names (symbols, the first and last rows of Hangul syllables, one row
// of Hanja), each in lines of 16 codes labelled with their first three digits ("B0Ax"), the
// codes that are none (trail A0 and FF) as two spaces; FS . and ESC @ after it.
std::vector<std::uint8_t> koreanChart();

// What Test pages › Code pages… and printbench-run code-pages print: charts of these tables
// in this order, then the Korean chart when asked.
struct ChartPage {
    std::vector<std::uint8_t> tables;
    bool korean = false;
};

// The tables the models offer unless Settings say otherwise: 0 1 2 3 4 5 16 17 18 19.
std::vector<std::uint8_t> defaultTables();

// "0,16, 17" as tables; every number 0 to 255, each once (a repeat is dropped). The text says
// what is wrong otherwise.
std::variant<std::vector<std::uint8_t>, std::string> readTableList(std::string_view text);
// The list back as "0,16,17".
std::string tableListText(const std::vector<std::uint8_t>& tables);

// Prints the charts as one pass: one event pass and the stop check before each chart, each
// chart whole; then ESC J 120 and a Full Cut, with its status requests. Without a route nothing
// is sent.
commands::RunEnd PrintCodePages(link::PrinterChannel& channel, const ChartPage& page, commands::SharedState& state,
                                commands::RunPanel& panel, std::int64_t delayMs);

}  // namespace printbench::patterns
