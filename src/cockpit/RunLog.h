#pragma once

#include "run/RunRecord.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace printbench::cockpit {

// The version of the run log's lines and of the JSON reports (docs/run-log.md). Lines without
// a "schema" field are of version 1: one whole record a run, written when it ended.
inline constexpr int kRunLogSchema = 2;

// The folder of the run log: $XDG_DATA_HOME/printbench/runs, or ~/.local/share/printbench/runs.
std::filesystem::path defaultRunLogFolder();

// The process that writes a run's lines, named in its start line.
struct WriterProcess {
    std::int64_t pid = 0;
    std::string program, host;
};

// The lines of the run log, one JSON object each without a line break; every one carries
// "schema", "runId" and "type". A run's lines go to the day file of its start.
// - start: the process, the action, the start time and the settings;
std::string runStartJson(const run::RunRecord& r, const WriterProcess& process);
// - status: a change of status (the first, a new value, a return to normal) or a fault, with the
//   count of unchanged statuses since the line before and the counts as they stand;
std::string runStatusJson(const run::RunRecord& r, const run::StatusEvent& e, std::uint64_t unchangedBefore);
// - progress: the counts as they stand at `atMs` (wall clock);
std::string runProgressJson(const run::RunRecord& r, std::uint64_t unchanged, std::int64_t atMs);
// - code: a barcode or 2-D code sent: symbology, settings, text and its data bytes in hex;
std::string runCodeJson(const run::RunRecord& r, const run::CodeSent& code);
std::string codeJson(const run::CodeSent& code);
// The data bytes as hex, "34 39 30 31".
std::string dataHex(const std::vector<std::uint8_t>& data);
// - end: the whole record: times, settings, counts, every status event with its time, pass and
//   meaning, and how the run ended. Also printbench-run's --report, which is written while the
//   run goes too: `final` false says so, and its stop reason reads "interrupted" as of r.endMs.
std::string runRecordJson(const run::RunRecord& r, bool final = true);

// The day file of a run: "2026-12-07.jsonl", the local date of its start.
std::filesystem::path runLogFile(const std::filesystem::path& folder, const run::RunRecord& r);

// The run as a readable text report, and its status events as CSV.
std::string runReportText(const run::RunRecord& r);
std::string runReportCsv(const run::RunRecord& r);

// The run as JUnit XML: one test case per pass for the first kJUnitPasses passes, the rest
// folded into one case ("passes 1001–N"), the failed and stopped passes always cases of their
// own. A failure for the pass whose fault arrived (a pass begun after it only to stop is not a
// case), for the pass the link was lost in, and for the first pass of a run the printer never
// answered; the pass a Stop ended before its work is skipped. A file written while the run
// goes (`final` false) has an error on the pass in progress: the run had not ended.
inline constexpr std::int64_t kJUnitPasses = 1000;
std::string runJunitXml(const run::RunRecord& r, bool final = true);

// Text as XML attribute or element content: < > & " escaped.
std::string xml(std::string_view s);

// How the run ended, in words: "completed", "stopped by Stop", "stopped by SIGTERM", "stopped by
// a fault", "link lost", "not sent", "no answer from the printer", "interrupted", "running".
std::string endingText(const run::RunRecord& r);

}  // namespace printbench::cockpit
