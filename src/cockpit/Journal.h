#pragma once

#include "cockpit/RunObserver.h"
#include "cockpit/RunRecord.h"
#include "cockpit/StatusNames.h"
#include "link/Host.h"
#include "link/Tap.h"

#include <cstdint>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
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
};

// The bench's memory of what happened, fed by the link's tap and the window's run events:
// - the traffic, in a ring whose memory stays within a bound (the oldest records go first, and
//   what went is counted);
// - the status history: every status value received, with its time and pass;
// - the run in progress or the last one, and the status bar's line about it;
// - a capture: every byte sent, raw, into a file.
// Readers (the console, the history) ask for what came after the last record they saw.
class Journal : public link::Tap, public RunObserver {
public:
    struct Bounds {
        std::size_t trafficBytes = std::size_t(4) << 20;  // memory of the traffic ring
        std::size_t historyEntries = 100000;
        std::size_t runStatuses = 10000;  // status events kept in one run's record
    };

    explicit Journal(link::Host& host) : Journal(host, Bounds{}) {}
    Journal(link::Host& host, Bounds bounds);
    ~Journal() override;

    // Wall clock = the host's monotonic clock + `wallMinusMonotonicMs`; local time is
    // `utcOffsetMinutes` ahead of UTC.
    void setClock(std::int64_t wallMinusMonotonicMs, int utcOffsetMinutes);
    std::int64_t wallNow() const { return m_host.nowMs() + m_wallOffset; }
    int utcOffsetMinutes() const { return m_utcOffset; }

    // link::Tap
    void traffic(const link::Traffic& t) override;

    // RunObserver
    void actionBegun(const std::string& label) override;
    void runStarted(const RunSettings& settings) override;
    void passBegun(std::int64_t pass, std::int64_t of) override;
    void passFinished(std::int64_t pass) override;
    void commandBegun(const std::string& name) override;
    void commandRan(const std::string& name) override;
    void stopAsked(StopCause cause, const std::string& detail) override;
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
    std::uint64_t readHistory(std::uint64_t from, const std::function<void(const StatusEvent&)>& each) const;
    std::uint64_t historyDropped() const { return m_historyFirst; }
    std::optional<StatusEvent> lastStatus() const;

    // --- Runs -----------------------------------------------------------------------------
    bool running() const { return m_run.has_value() && m_run->ending == RunEnding::Running; }
    // The run in progress, or the last one; none before the first.
    const std::optional<RunRecord>& run() const { return m_run; }
    // Told of every run when it ends (the run log).
    void onRunEnded(std::function<void(const RunRecord&)> f) { m_onRunEnded = std::move(f); }
    // "Ready", "Running Full Cut · pass 5 of 100 · 00:03:12 · last status 0x12 normal",
    // "Stopped at pass 5 after 00:03:12: paper end (0x32) at 14:02:11", ...
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
    void append(std::int64_t atMs, const link::Traffic& t);
    void receivedStatus(std::int64_t atMs, std::int32_t value, link::Route route);
    void setLabel(std::string label);
    std::string runLabel() const;
    void trim();

    link::Host& m_host;
    Bounds m_bounds;
    std::int64_t m_wallOffset = 0;
    int m_utcOffset = 0;

    std::deque<TrafficRecord> m_traffic;
    std::uint64_t m_nextSeq = 0, m_handedOut = 0;
    std::size_t m_held = 0;
    std::uint64_t m_droppedRecords = 0, m_droppedBytes = 0;
    std::deque<std::pair<std::uint64_t, std::string>> m_labels;  // id, text; ids rise

    std::deque<StatusEvent> m_history;
    std::uint64_t m_historyFirst = 0;  // sequence number of m_history.front()

    std::optional<RunRecord> m_run;
    std::int64_t m_runStartMonotonic = 0, m_runEndMonotonic = 0;
    std::int64_t m_passOf = 0;
    std::string m_command, m_lastCommand;  // of the pass in progress; the last one begun
    std::optional<StopCause> m_stopCause;
    std::function<void(const RunRecord&)> m_onRunEnded;

    std::ofstream m_capture;
    std::uint64_t m_captured = 0;
    std::optional<std::string> m_captureError;
    std::filesystem::path m_captureFile;
};

} // namespace printbench::cockpit
