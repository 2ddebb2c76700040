#include "headless/ReportFiles.h"

#include "cockpit/RunLog.h"
#include "cockpit/RunLogWriter.h"
#include "cockpit/StatusNames.h"

#include <nlohmann/json.hpp>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <unistd.h>

namespace printbench::headless {

namespace fs = std::filesystem;

ReportFiles::ReportFiles(std::optional<fs::path> report, std::optional<fs::path> junit, const cockpit::Journal& journal,
                         std::ostream& errors)
    : m_report(std::move(report)), m_junit(std::move(junit)), m_journal(journal), m_errors(errors)
{}

void ReportFiles::runStarted(const run::RunRecord& r)
{
    write(true, true, r, false);
}

void ReportFiles::statusChanged(const run::RunRecord& r, const run::StatusEvent& e, std::uint64_t)
{
    const bool fault = cockpit::readStatus(e.value).faultClass != status::FaultClass::Normal;
    write(true, fault, r, false);
}

void ReportFiles::progress(const run::RunRecord& r, std::uint64_t)
{
    write(true, false, r, false);
}

// The report lists every code as it leaves, for a scan to be checked against even if the run
// goes no further.
void ReportFiles::codeSent(const run::RunRecord& r, const run::CodeSent&)
{
    write(true, false, r, false);
}

void ReportFiles::stopAsked(const run::RunRecord& r)
{
    write(true, true, r, false);
}

void ReportFiles::runEnded(const run::RunRecord& r)
{
    write(true, true, r, true);
}

void ReportFiles::write(bool report, bool junit, const run::RunRecord& r, bool final)
{
    if (!(report && m_report) && !(junit && m_junit)) return;
    run::RunRecord asOfNow = r;
    if (!final) asOfNow.endMs = m_journal.wallNow();
    if (report && m_report) replace(*m_report, cockpit::runRecordJson(asOfNow, final) + "\n");
    if (junit && m_junit) replace(*m_junit, cockpit::runJunitXml(asOfNow, final));
}

void ReportFiles::replace(const fs::path& file, const std::string& text)
{
    fs::path part = file;
    part += ".part";
    const int fd = ::open(part.c_str(), O_CREAT | O_WRONLY | O_TRUNC | O_CLOEXEC, 0644);
    const bool written = fd >= 0 && cockpit::writeWhole(fd, text) && ::fdatasync(fd) == 0;
    const int error = errno;
    if (fd >= 0) ::close(fd);
    std::error_code e;
    if (written) fs::rename(part, file, e);
    if (written && !e) return;
    const std::string reason = written ? e.message() : std::strerror(error);
    fs::remove(part, e);
    // Said once a file; every later write of it is tried again all the same.
    if (m_failed.insert(file).second)
        m_errors << "printbench-run: " << file.string() << " cannot be written: " << reason << "\n";
    m_ok = false;
}

std::optional<std::string> ReportFiles::unfinishedNote(const fs::path& report)
{
    std::ifstream in(report, std::ios::binary);
    if (!in) return std::nullopt;
    const nlohmann::json j = nlohmann::json::parse(in, nullptr, false);
    if (j.is_discarded() || !j.is_object() || j.value("final", true)) return std::nullopt;
    return report.string() + " held a run that did not end: " + j.value("action", std::string("?")) + " started " +
           j.value("start", std::string("?")) + ", last written " + j.value("end", std::string("?")) + " at pass " +
           std::to_string(j.value("passesBegun", 0)) + "; it is replaced";
}

}  // namespace printbench::headless
