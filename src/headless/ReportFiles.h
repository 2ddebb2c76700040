#pragma once

#include "cockpit/Journal.h"

#include <filesystem>
#include <optional>
#include <ostream>
#include <set>
#include <string>

namespace printbench::headless {

// printbench-run's --report and --junit, written as the run goes so that a process killed at
// any moment leaves the last complete files: each is replaced whole (a temporary file beside it,
// synced, then renamed over it). The report at the start, at every change of status, every
// progress the journal tells (about every 10 s) and at the end; the JUnit file at the start, at
// a fault, when a stop is asked (a signal) and at the end. Until the end they say the run had
// not ended ("final": false, an error on the pass in progress).
class ReportFiles : public cockpit::RunSink {
public:
    ReportFiles(std::optional<std::filesystem::path> report, std::optional<std::filesystem::path> junit,
                const cockpit::Journal& journal, std::ostream& errors);

    void runStarted(const run::RunRecord& r) override;
    void statusChanged(const run::RunRecord& r, const run::StatusEvent& e, std::uint64_t unchangedBefore) override;
    bool wantsProgress() const override { return true; }
    void progress(const run::RunRecord& r, std::uint64_t unchanged) override;
    void codeSent(const run::RunRecord& r, const run::CodeSent& code) override;
    void stopAsked(const run::RunRecord& r) override;
    void runEnded(const run::RunRecord& r) override;

    // Every write so far succeeded.
    bool ok() const { return m_ok; }

    // What a report left by an earlier run says of it when that run did not end ("run.json held
    // a run that did not end: ..."); none for a final report or none at all.
    static std::optional<std::string> unfinishedNote(const std::filesystem::path& report);

private:
    void write(bool report, bool junit, const run::RunRecord& r, bool final);
    void replace(const std::filesystem::path& file, const std::string& text);

    std::optional<std::filesystem::path> m_report, m_junit;
    const cockpit::Journal& m_journal;
    std::ostream& m_errors;
    bool m_ok = true;
    std::set<std::filesystem::path> m_failed;
};

}  // namespace printbench::headless
