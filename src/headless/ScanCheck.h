#pragma once

#include "headless/RunOptions.h"
#include "scan/CodeRead.h"

#include <ostream>
#include <string>
#include <variant>
#include <vector>

namespace printbench::headless {

// printbench-run check-scan: the codes the report `options.sent` says were sent, against
// `read`, the codes read from the picture (or why it could not be read). One line per code sent
// on `out`; `options.junit`, when asked, gets one test case per code. The exit status: 0 when
// every code that can be checked was read with its own text, 1 otherwise, 2 when the report or
// the picture cannot be read.
int checkScan(const RunOptions& options, const std::variant<std::vector<scan::CodeRead>, std::string>& read,
              std::ostream& out, std::ostream& errors);

}  // namespace printbench::headless
