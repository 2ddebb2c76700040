#pragma once

#include "cockpit/Journal.h"
#include "cockpit/RunLog.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <variant>
#include <vector>

namespace printbench::cockpit {

// Writes each run into the run log as it goes, ahead of what may happen to the program: the
// start line when the run starts, a line for every change of status and every fault, a progress
// line every `progressEvery` while the run goes (the first ones sooner; from the journal's live
// counts, so also while the sending thread waits), and the whole record at the end. The sending thread only queues
// lines; a thread of the writer's own appends each whole, with one write(), to the day file of
// the run's start, and syncs the file (fdatasync) at the start, at a fault and at the end, at most
// once a second otherwise.
//
// While it writes a run it holds the run's lock file (live/<runId>.lock beside the day files)
// locked, so a reader never takes a live run for one whose writer is gone (readInterruptedRuns).
class RunLogWriter : public RunSink {
public:
    struct Counts {
        std::uint64_t lines = 0, bytes = 0, syncs = 0;
    };

    // `live`: the journal's counts, for the progress lines; null for none.
    RunLogWriter(std::filesystem::path folder, WriterProcess process, LiveCounts* live,
                 std::chrono::milliseconds progressEvery = std::chrono::milliseconds(Journal::kProgressMs));
    // Writes what is queued, then ends the thread. A run still open keeps no end line: it is
    // read back as interrupted.
    ~RunLogWriter() override;
    RunLogWriter(const RunLogWriter&) = delete;
    RunLogWriter& operator=(const RunLogWriter&) = delete;

    void runStarted(const run::RunRecord& r) override;
    void statusChanged(const run::RunRecord& r, const run::StatusEvent& e, std::uint64_t unchangedBefore) override;
    void codeSent(const run::RunRecord& r, const run::CodeSent& code) override;
    void runEnded(const run::RunRecord& r) override;

    // Waits until every line queued so far is written (and synced where it asked to be).
    void drain();
    // A write that failed, in words, once; none when all went well since the last call.
    std::optional<std::string> takeError();
    Counts counts() const;
    const std::filesystem::path& folder() const { return m_folder; }

private:
    struct Item {
        enum class Kind { Open, Line, Close } kind = Kind::Line;
        std::string text;
        bool syncNow = false;
        run::RunRecord skeleton;  // Open: the run without its statuses, for the progress lines
    };
    using Clock = std::chrono::steady_clock;

    void push(Item item);
    void work();
    void handle(Item& item);
    std::chrono::milliseconds progressDue() const;
    void writeLine(const std::string& text, bool syncNow);
    void sync();
    void closeRun();
    void fail(const std::string& what);

    std::filesystem::path m_folder;
    WriterProcess m_process;
    LiveCounts* m_live;
    std::chrono::milliseconds m_progressEvery;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake, m_idle;
    std::deque<Item> m_queue;
    bool m_stop = false, m_busy = false;
    std::optional<std::string> m_error;
    Counts m_counts;

    // The writer thread's own.
    int m_fd = -1, m_lockFd = -1;
    std::filesystem::path m_lockFile;
    std::optional<run::RunRecord> m_open;
    Clock::time_point m_lastLine, m_lastSync;
    bool m_unsynced = false;
    std::size_t m_progressLines = 0;  // of the open run

    std::thread m_thread;  // last: started once everything above is ready
};

// Writes all of `text` to `fd`, going on after short writes and interruptions; false on failure.
bool writeWhole(int fd, const std::string& text);

// A run of the log that has a start line and no end line, and whose writer is gone (its lock
// file is missing or not locked): what it recorded until then, ending Interrupted. Looks at the
// newest `days` day files.
std::vector<run::RunRecord> readInterruptedRuns(const std::filesystem::path& folder, int days = 2);
// Closes such a run's record with an end line that says it was interrupted, and removes its
// lock file; the error text when it cannot.
std::optional<std::string> closeInterruptedRun(const std::filesystem::path& folder, const run::RunRecord& r);

// The codes a JSON report (printbench-run's --report, or a run log's end line) says were sent,
// in order; or why the text is not such a report.
std::variant<std::vector<run::CodeSent>, std::string> codesOfReport(const std::string& reportJson);

}  // namespace printbench::cockpit
