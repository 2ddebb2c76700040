#pragma once

#include "cockpit/StatusNames.h"
#include "link/Host.h"
#include "link/Tap.h"
#include "run/RunObserver.h"
#include "run/RunRecord.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace printbench::cockpit {

// Bytes that passed the link together: one send, or several sends of the same action, route
// and direction within the same millisecond.
struct TrafficRecord {
    std::uint64_t seq = 0;
    std::int64_t atMs = 0;  // wall clock
    link::Route route = link::Route::None;
    link::Traffic::Direction direction = link::Traffic::Direction::Sent;
    std::uint64_t action = 0;  // the label it was sent under (Journal::actionLabel)
    std::vector<std::uint8_t> bytes;
    bool answer = false;  // received bytes answering a query (the identity), not statuses
};

// The counts of the run in progress, for a thread that reports progress while the sending
// thread is busy or waiting (the run log's writer): the journal stores them as they change.
struct LiveCounts {
    std::atomic<std::int64_t> passesBegun{0}, passesCompleted{0}, commandsExecuted{0};
    std::atomic<std::uint64_t> bytesSent{0}, bytesReceived{0}, statusRequests{0}, statusUnanswered{0};
    // Statuses equal to the one before them since the last line that told of statuses; taken
    // (set to 0) by whoever writes such a line.
    std::atomic<std::uint64_t> unchanged{0};
};

// Hears the bytes sent as the journal takes them in, on the thread that sends and in the order
// they left: it only takes a copy and returns (the expected paper draws on a thread of its own).
class SentListener {
public:
    virtual ~SentListener() = default;
    virtual void sent(link::Route route, std::span<const std::uint8_t> bytes) = 0;
};

// Told of a run's record as it goes, to keep it where it outlives the program (the run log,
// printbench-run's reports). Every call is optional.
class RunSink {
public:
    virtual ~RunSink() = default;
    virtual void runStarted(const run::RunRecord& /*r*/) {}
    // A status of the run unlike the one before it (the first, a new value, a return to normal),
    // or any fault; `unchangedBefore`: statuses equal to their predecessor since the last line.
    virtual void statusChanged(const run::RunRecord& /*r*/, const run::StatusEvent& /*e*/,
                               std::uint64_t /*unchangedBefore*/)
    {}
    // After 1 s, 2 s and 5 s, then at most every Journal::kProgressMs while the run goes, when a
    // pass, command or status comes; `unchanged` as above. Only for a sink that wants it: looking at the clock at every
    // pass for it costs a run at Delay 0 some per cent.
    virtual bool wantsProgress() const { return false; }
    virtual void progress(const run::RunRecord& /*r*/, std::uint64_t /*unchanged*/) {}
    // A barcode or 2-D code has been sent (it is in r.codes already).
    virtual void codeSent(const run::RunRecord& /*r*/, const run::CodeSent& /*code*/) {}
    // The run was asked to stop: a fault, "Stop", "End", a signal, a lost link.
    virtual void stopAsked(const run::RunRecord& /*r*/) {}
    // The record is closed and its ending final.
    virtual void runEnded(const run::RunRecord& /*r*/) {}
};

// The bench's memory of what happened, fed by the link's tap and the window's run events:
// - the traffic, in a ring whose memory stays within a bound (the oldest records go first, and
//   what went is counted);
// - the status history: every status value received, dated when it reached the host, with the
//   pass in progress then;
// - the run in progress or the last one, and the status bar's line about it. A run's record
//   stays open kListenMs after its last byte when the run ends: a fault arriving by then ends it
//   as stopped by a fault, and the status requests of its last moments may still be answered.
//   The program asks for that time to pass (wakeUp) and calls tick();
// - a capture: every byte sent, raw, into a file, flushed at every flush point.
// Readers (the console, the history) ask for what came after the last record they saw.
class Journal : public link::Tap, public run::RunObserver {
public:
    struct Bounds {
        std::size_t trafficBytes = std::size_t(4) << 20;  // memory of the traffic ring
        std::size_t historyEntries = 100000;
        // Status events one run's record keeps in full; beyond them, changes and faults only.
        std::size_t runStatuses = 1000;
    };
    // How long a run's record listens after its last byte, and how often a sink hears of
    // progress while a run goes.
    static constexpr std::int64_t kListenMs = 100;
    static constexpr std::int64_t kProgressMs = 10000;

    explicit Journal(link::Host& host) : Journal(host, Bounds{}) {}
    Journal(link::Host& host, Bounds bounds);
    ~Journal() override;

    // Wall clock = the host's monotonic clock + `wallMinusMonotonicMs`; local time is
    // `utcOffsetMinutes` ahead of UTC.
    void setClock(std::int64_t wallMinusMonotonicMs, int utcOffsetMinutes);
    std::int64_t wallNow() const { return m_host.nowMs() + m_wallOffset; }
    int utcOffsetMinutes() const { return m_utcOffset; }
    // What makes run ids of this process unique beside other processes' (its id).
    void setProcessTag(std::string tag) { m_processTag = std::move(tag); }
    // How runs name their actions from here on (a run's label, unless its settings give one):
    // the window's caption in the window's language; by default the program's own label.
    void setActionWords(std::function<std::string(run::Action)> words) { m_actionWords = std::move(words); }

    // Listeners hear every byte sent from now on, until removed; called on the sending thread.
    void addSentListener(SentListener* listener) { m_listeners.push_back(listener); }
    void removeSentListener(SentListener* listener) { std::erase(m_listeners, listener); }

    // link::Tap
    void traffic(const link::Traffic& t) override;
    void statusRequested(link::Route route, std::int64_t atMs) override;

    // RunObserver
    void actionBegun(const std::string& label) override;
    void portChosen(bool opened) override;
    void identityRead(const std::string& port, const status::PrinterIdentity& identity) override;
    void runStarted(const run::RunSettings& settings) override;
    void passBegun(std::int64_t pass, std::int64_t of) override;
    void passFinished(std::int64_t pass) override;
    void commandBegun(const std::string& name) override;
    void commandRan(const std::string& name) override;
    void codeSent(const run::CodeSent& code) override;
    void stopAsked(run::StopCause cause, const std::string& by) override;
    void stopFailed(const link::Failure& failure) override;
    void runEnded(bool complete) override;

    // --- Traffic ------------------------------------------------------------------------
    // Calls `each` for the records from sequence number `from` on; returns the next one to ask
    // for. Records that went before they were read are skipped (see trafficDropped).
    std::uint64_t readTraffic(std::uint64_t from, const std::function<void(const TrafficRecord&)>& each);
    const std::string& actionLabel(std::uint64_t id) const;
    std::size_t trafficHeldBytes() const { return m_held; }
    std::uint64_t firstTrafficSeq() const { return m_traffic.empty() ? m_nextSeq : m_traffic.front().seq; }
    std::uint64_t droppedRecords() const { return m_droppedRecords; }
    std::uint64_t droppedBytes() const { return m_droppedBytes; }

    // --- Status history -----------------------------------------------------------------
    std::uint64_t readHistory(std::uint64_t from, const std::function<void(const run::StatusEvent&)>& each) const;
    // The last status received since the port was last chosen; none after a port failed to open.
    std::optional<run::StatusEvent> lastStatus() const;

    // --- Runs -----------------------------------------------------------------------------
    bool running() const { return m_phase == Phase::Running; }
    // The run has ended and its record listens for the printer's last word.
    bool listening() const { return m_phase == Phase::Listening; }
    // The run in progress, or the last one; none before the first.
    const std::optional<run::RunRecord>& run() const { return m_run; }
    // Shows a run of an earlier process read back from the run log (an interrupted one) as the
    // last run, when none has run yet.
    void showEarlierRun(run::RunRecord record);
    void addSink(RunSink* sink)
    {
        m_sinks.push_back(sink);
        m_progressWanted = m_progressWanted || sink->wantsProgress();
    }
    LiveCounts& live() { return m_live; }
    // Asked for when the listening time should be looked at again: tick() in `ms` milliseconds.
    void onWakeUp(std::function<void(std::int64_t ms)> f) { m_wakeUp = std::move(f); }
    // Closes a listening record whose time is over.
    void tick();
    // Closes the record now, as the program ends: a listening one with what it heard so far, a
    // running one as stopped by `by` (the program ends in the middle of a run).
    void closeRun(const std::string& by);
    // "Ready", "Running Full Cut · pass 5 of 100 · 00:03:12 · last status 0x12 normal",
    // "Stopped at pass 18 (paper end 0x32 arrived in pass 17 at 14:02:11.482)", ...
    std::string statusLine() const;
    Severity statusLineSeverity() const;

    // --- Capture ------------------------------------------------------------------------
    // Starts writing every byte sent into `file` (replacing it); the error text if it cannot
    // be opened.
    std::optional<std::string> startCapture(const std::filesystem::path& file);
    // Stops; the error text if a write failed along the way (the capture then stopped there).
    std::optional<std::string> stopCapture();
    bool capturing() const { return m_capture.is_open(); }
    std::uint64_t capturedBytes() const { return m_captured; }

private:
    enum class Phase { Idle, Running, Listening, Closed };

    void append(std::int64_t atMs, const link::Traffic& t);
    void receivedStatus(std::int64_t arrivedMono, std::int32_t value, link::Route route);
    bool inRun(std::int64_t arrivedMono) const;
    std::int64_t passAt(std::int64_t mono) const;
    void answerRequest(std::int64_t arrivedMono);
    void expireRequests(std::int64_t before);
    void maybeProgress();
    void publishCounts();
    void closeListening();
    void setLabel(std::string label);
    std::string runLabel() const;
    void trim();

    link::Host& m_host;
    Bounds m_bounds;
    std::int64_t m_wallOffset = 0;
    int m_utcOffset = 0;
    std::string m_processTag = "0";
    std::uint64_t m_runsStarted = 0;

    std::deque<TrafficRecord> m_traffic;
    std::uint64_t m_nextSeq = 0, m_handedOut = 0;
    std::size_t m_held = 0;
    std::uint64_t m_droppedRecords = 0, m_droppedBytes = 0;
    std::deque<std::pair<std::uint64_t, std::string>> m_labels;  // id, text; ids rise

    std::function<std::string(run::Action)> m_actionWords = [](run::Action a) {
        return std::string(run::actionLabel(a));
    };
    std::deque<run::StatusEvent> m_history;
    std::uint64_t m_historyFirst = 0;  // sequence number of m_history.front()
    bool m_badge = false;              // lastStatus() shows the last of the history

    std::optional<run::RunRecord> m_run;
    Phase m_phase = Phase::Idle;
    std::int64_t m_runStartMonotonic = 0, m_runEndMonotonic = 0;
    std::int64_t m_lastSentMonotonic = 0, m_closeAt = 0, m_lastProgress = 0;
    std::size_t m_progressCount = 0;                                 // progress told of the run in progress
    std::deque<std::pair<std::int64_t, std::int64_t>> m_passBegins;  // monotonic time, pass
    std::deque<std::int64_t> m_pendingRequests;                      // monotonic send times
    std::optional<std::int32_t> m_lastRunStatus;
    LiveCounts m_live;
    std::int64_t m_passOf = 0;
    std::string m_command, m_lastCommand;  // of the pass in progress; the last one begun
    std::optional<run::StopCause> m_stopCause;
    std::vector<RunSink*> m_sinks;
    std::vector<SentListener*> m_listeners;
    bool m_progressWanted = false;
    std::function<void(std::int64_t)> m_wakeUp;
    std::map<std::string, status::PrinterIdentity> m_identities;  // by port

    std::ofstream m_capture;
    std::uint64_t m_captured = 0;
    std::optional<std::string> m_captureError;
    std::filesystem::path m_captureFile;
};

}  // namespace printbench::cockpit
