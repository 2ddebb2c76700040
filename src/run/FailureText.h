#pragma once

#include "link/Failure.h"
#include "run/RunRecord.h"

#include <string>

namespace printbench::run {

// A failure in English words, for the records (the run log's `stop.detail`, the status bar) and
// for printbench-run. The window's message boxes word it in its own texts (window::failureMessage).

// Why, without naming the port: "Input/output error", "not a bitmap that can be printed: …".
std::string failureReason(const link::Failure& failure);
// One line that also says what failed: "COM3 (/dev/ttyS2) could not be opened: Permission denied".
std::string failureLine(const link::Failure& failure);
// The record's detail of its stop: the reason of its failure, empty when none.
std::string stopDetail(const RunRecord& record);

}  // namespace printbench::run
