#pragma once

#include "run/RunRecord.h"
#include "scan/CodeRead.h"

#include <optional>
#include <string>
#include <vector>

// What a barcode reader (zxing-cpp) should report of each code a page sent, and a page's codes
// compared with the codes read from a picture of it.
namespace printbench::codes {

// The format and text the reader reports for a code as sent; none when the reader cannot read
// it (uncheckableReason says why).
std::optional<scan::CodeRead> expectedReading(const run::CodeSent& code);
// "the reader reads no DataBar Limited"; empty for a code it reads.
std::string uncheckableReason(const run::CodeSent& code);

enum class Verdict { Read, ReadAsOther, NotFound, NotCheckable };

struct ScanRow {
    run::CodeSent code;
    Verdict verdict = Verdict::NotFound;
    std::string expected;                // "EAN-13 4901234567894"; empty when not checkable
    std::optional<scan::CodeRead> read;  // the reading matched with it
};

// Each code sent, in order, with its verdict: first every code found exactly (format and text),
// each reading used once; then a code left over takes a reading left over of its format as read
// as other text; the rest are not found.
std::vector<ScanRow> checkScan(const std::vector<run::CodeSent>& sent, const std::vector<scan::CodeRead>& read);

// One line a code: "EAN-13 4901234567894: read", "...: read as EAN-13 4901234567890",
// "...: not found", "...: not checkable (the reader reads no DataBar Limited)".
std::string scanLine(const ScanRow& row);

// True when every code the reader can read was read as sent.
bool scanPassed(const std::vector<ScanRow>& rows);

}  // namespace printbench::codes
