#include "headless/ScanCheck.h"

#include "cockpit/RunLog.h"
#include "cockpit/RunLogWriter.h"
#include "codes/ScanCheck.h"
#include "headless/HeadlessRun.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace printbench::headless {

namespace {

// One test case a code: a failure when it was not read with its own text, skipped when the
// reader cannot read its kind.
std::string junit(const std::vector<codes::ScanRow>& rows, const std::string& image)
{
    int failures = 0, skipped = 0;
    std::string cases;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const codes::ScanRow& row = rows[i];
        const std::string line = codes::scanLine(row);
        cases += "  <testcase classname=\"printbench.check-scan\" name=\"" +
                 cockpit::xml(std::to_string(i + 1) + " " + row.code.symbology + " " + row.code.text) + "\"";
        switch (row.verdict) {
        case codes::Verdict::Read: cases += "/>\n"; break;
        case codes::Verdict::NotCheckable:
            ++skipped;
            cases += ">\n    <skipped message=\"" + cockpit::xml(line) + "\"/>\n  </testcase>\n";
            break;
        case codes::Verdict::ReadAsOther:
        case codes::Verdict::NotFound:
            ++failures;
            cases += ">\n    <failure type=\"" +
                     std::string(row.verdict == codes::Verdict::NotFound ? "not found" : "read as other") +
                     "\" message=\"" + cockpit::xml(line) + "\"/>\n  </testcase>\n";
            break;
        }
    }
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuite name=\"" +
           cockpit::xml("printbench check-scan " + image) + "\" tests=\"" + std::to_string(rows.size()) +
           "\" failures=\"" + std::to_string(failures) + "\" errors=\"0\" skipped=\"" + std::to_string(skipped) +
           "\">\n" + cases + "</testsuite>\n";
}

}  // namespace

int checkScan(const RunOptions& options, const std::variant<std::vector<scan::CodeRead>, std::string>& read,
              std::ostream& out, std::ostream& errors)
{
    std::ifstream in(options.sent, std::ios::binary);
    if (!in) {
        errors << "printbench-run: " << options.sent.string() << " cannot be read\n";
        return Usage;
    }
    std::ostringstream text;
    text << in.rdbuf();
    const auto sent = cockpit::codesOfReport(text.str());
    if (const auto* why = std::get_if<std::string>(&sent)) {
        errors << "printbench-run: " << options.sent.string() << ": " << *why << "\n";
        return Usage;
    }
    const auto& codes = std::get<std::vector<run::CodeSent>>(sent);
    if (codes.empty()) {
        errors << "printbench-run: " << options.sent.string() << " lists no code sent\n";
        return Usage;
    }
    if (const auto* why = std::get_if<std::string>(&read)) {
        errors << "printbench-run: " << *why << "\n";
        return Usage;
    }
    const std::vector<codes::ScanRow> rows = codes::checkScan(codes, std::get<std::vector<scan::CodeRead>>(read));
    for (const codes::ScanRow& row : rows) out << codes::scanLine(row) << "\n";
    const bool passed = codes::scanPassed(rows);
    if (options.junit) {
        const std::filesystem::path temporary = options.junit->string() + ".part";
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        file << junit(rows, options.scanImage.filename().string());
        file.close();
        std::error_code error;
        if (!file || (std::filesystem::rename(temporary, *options.junit, error), error)) {
            errors << "printbench-run: " << options.junit->string() << " cannot be written\n";
            std::filesystem::remove(temporary, error);
            return Usage;
        }
    }
    return passed ? Completed : Fault;
}

}  // namespace printbench::headless
