#pragma once

#include "cockpit/RunRecord.h"

#include <filesystem>
#include <optional>
#include <string>

namespace printbench::cockpit {

// The folder of the run log: $XDG_DATA_HOME/printbench/runs, or ~/.local/share/printbench/runs.
std::filesystem::path defaultRunLogFolder();

// One run as one line of JSON (no line break): times, settings, counts, every status event with
// its time and meaning, and how the run ended.
std::string runRecordJson(const RunRecord& r);

// Appends the record to the day's file of `folder` ("2026-12-07.jsonl", the local date of the
// run's start), making the folder as needed; the error text when it cannot.
std::optional<std::string> appendToRunLog(const std::filesystem::path& folder, const RunRecord& r);

// The run as a readable text report, and its status events as CSV.
std::string runReportText(const RunRecord& r);
std::string runReportCsv(const RunRecord& r);

// The run as JUnit XML: one test case per pass begun, a failure for the pass a fault stopped
// (or the link was lost in); the pass a Stop ended before its work is skipped.
std::string runJunitXml(const RunRecord& r);

// How the run ended, in words: "completed", "stopped by Stop", "stopped by a fault",
// "link lost", "running".
const char* endingText(RunEnding e);

} // namespace printbench::cockpit
