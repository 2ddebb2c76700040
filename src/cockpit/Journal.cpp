#include "cockpit/Journal.h"

#include "run/FailureText.h"

#include "cockpit/TimeText.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

namespace printbench::cockpit {

namespace {

// A record's share of memory: its bytes and its place in the ring.
std::size_t footprint(const TrafficRecord& r)
{
    return sizeof(TrafficRecord) + r.bytes.capacity();
}

constexpr std::size_t kMergeLimit = 4096;  // a record grows by merging up to this many bytes

}  // namespace

Journal::Journal(link::Host& host, Bounds bounds) : m_host(host), m_bounds(bounds)
{
    m_labels.emplace_back(0, "");
}

Journal::~Journal() = default;

void Journal::setClock(std::int64_t wallMinusMonotonicMs, int utcOffsetMinutes)
{
    m_wallOffset = wallMinusMonotonicMs;
    m_utcOffset = utcOffsetMinutes;
}

// --- Traffic -------------------------------------------------------------------------------

void Journal::traffic(const link::Traffic& t)
{
    const std::int64_t atMs = t.atMs + m_wallOffset;
    if (t.direction == link::Traffic::Direction::Sent) {
        for (SentListener* listener : m_listeners) listener->sent(t.route, t.bytes);
        if (running()) {
            m_run->bytesSent += t.bytes.size();
            m_lastSentMonotonic = t.atMs;
            publishCounts();
        }
        if (m_capture.is_open()) {
            // Flushed at once: every hand-over is a flush point, and a crash loses nothing sent.
            m_capture.write(reinterpret_cast<const char*>(t.bytes.data()), std::streamsize(t.bytes.size()));
            m_capture.flush();
            if (!m_capture) {
                m_captureError = "Writing the capture " + m_captureFile.string() + " failed: " + std::strerror(errno) +
                                 ". It holds the first " + std::to_string(m_captured) + " bytes.";
                m_capture.close();
            } else {
                m_captured += t.bytes.size();
            }
        }
    } else {
        if (!t.answer)
            for (const std::uint8_t b : t.bytes) receivedStatus(t.atMs, b, t.route);
    }
    append(atMs, t);
}

void Journal::statusRequested(link::Route, std::int64_t atMs)
{
    if (!running()) return;
    ++m_run->statusRequests;
    m_pendingRequests.push_back(atMs);
    // A printer that never answers must not grow this without end: beyond a few thousand,
    // requests whose time ran out long ago are counted unanswered.
    if (m_pendingRequests.size() > 4096) expireRequests(atMs - 20000);
    publishCounts();
}

void Journal::append(std::int64_t atMs, const link::Traffic& t)
{
    const std::uint64_t action = m_labels.back().first;
    if (!m_traffic.empty()) {
        TrafficRecord& last = m_traffic.back();
        // Not once a reader has it: it would miss what is added.
        if (last.seq >= m_handedOut && last.atMs == atMs && last.route == t.route && last.direction == t.direction &&
            last.answer == t.answer && last.action == action && last.bytes.size() + t.bytes.size() <= kMergeLimit) {
            m_held -= footprint(last);
            last.bytes.insert(last.bytes.end(), t.bytes.begin(), t.bytes.end());
            m_held += footprint(last);
            trim();
            return;
        }
    }
    TrafficRecord r{m_nextSeq++, atMs, t.route, t.direction, action, {}, t.answer};
    r.bytes.reserve(t.bytes.size() < 64 ? 64 : t.bytes.size());
    r.bytes.assign(t.bytes.begin(), t.bytes.end());
    m_held += footprint(r);
    m_traffic.push_back(std::move(r));
    trim();
}

void Journal::trim()
{
    while (m_held > m_bounds.trafficBytes && m_traffic.size() > 1) {
        m_held -= footprint(m_traffic.front());
        m_droppedBytes += m_traffic.front().bytes.size();
        ++m_droppedRecords;
        m_traffic.pop_front();
    }
    // Labels no record refers to any more, except the current one.
    const std::uint64_t oldest = m_traffic.empty() ? m_labels.back().first : m_traffic.front().action;
    while (m_labels.size() > 1 && m_labels.front().first < oldest) m_labels.pop_front();
}

std::uint64_t Journal::readTraffic(std::uint64_t from, const std::function<void(const TrafficRecord&)>& each)
{
    if (m_traffic.empty()) return std::max(from, m_nextSeq);
    const std::uint64_t first = m_traffic.front().seq;
    if (from < first) from = first;
    for (std::size_t i = std::size_t(from - first); i < m_traffic.size(); ++i) each(m_traffic[i]);
    m_handedOut = m_nextSeq;
    return m_nextSeq;
}

const std::string& Journal::actionLabel(std::uint64_t id) const
{
    for (const auto& [labelId, text] : m_labels)
        if (labelId == id) return text;
    static const std::string none;
    return none;
}

void Journal::setLabel(std::string label)
{
    if (m_labels.back().second == label) return;
    m_labels.emplace_back(m_labels.back().first + 1, std::move(label));
    trim();
}

void Journal::actionBegun(const std::string& label)
{
    if (!running()) setLabel(label);
}

// --- Status history -------------------------------------------------------------------------

// A run's status: it reached the host after the run began, and before the run ended or within
// kListenMs after its last byte, whichever is later.
bool Journal::inRun(std::int64_t arrivedMono) const
{
    if (m_phase == Phase::Running) return arrivedMono >= m_runStartMonotonic;
    return m_phase == Phase::Listening && arrivedMono >= m_runStartMonotonic &&
           arrivedMono <= std::max(m_runEndMonotonic, m_lastSentMonotonic + kListenMs);
}

std::int64_t Journal::passAt(std::int64_t mono) const
{
    for (auto it = m_passBegins.rbegin(); it != m_passBegins.rend(); ++it)
        if (it->first <= mono) return it->second;
    return m_passBegins.empty() ? 0 : m_passBegins.front().second;
}

void Journal::receivedStatus(std::int64_t arrivedMono, std::int32_t value, link::Route route)
{
    const bool ours = inRun(arrivedMono);
    const run::StatusEvent e{arrivedMono + m_wallOffset, value, route, ours ? passAt(arrivedMono) : 0};
    m_history.push_back(e);
    m_badge = true;
    if (m_history.size() > m_bounds.historyEntries) {
        m_history.pop_front();
        ++m_historyFirst;
    }
    if (!ours) return;
    ++m_run->bytesReceived;
    answerRequest(arrivedMono);
    const bool fault = readStatus(value).faultClass != status::FaultClass::Normal;
    // A soak's record keeps what changed: once it holds runStatuses, a status equal to the one
    // before it is counted, not kept. Beyond twice that, the oldest half goes (half at a time, so
    // that the list is not shifted at every byte).
    std::vector<run::StatusEvent>& kept = m_run->statuses;
    if (kept.size() >= m_bounds.runStatuses && !fault && kept.back().value == value) {
        ++m_run->statusesDropped;
    } else {
        kept.push_back(e);
        if (kept.size() > 2 * m_bounds.runStatuses) {
            const std::size_t drop = kept.size() / 2;
            kept.erase(kept.begin(), kept.begin() + std::ptrdiff_t(drop));
            m_run->statusesDropped += drop;
        }
    }
    publishCounts();
    // A fault that arrived in the last pass or just after the run's last byte: no check of the
    // run was left to see it, and the receive handler may look only at a later byte. It is the
    // run's ending all the same.
    if (fault && listening() && m_run->ending == run::RunEnding::Completed) {
        m_run->ending = run::RunEnding::StoppedByFault;
        m_run->stopStatus = e;
        for (RunSink* sink : m_sinks) sink->stopAsked(*m_run);
    }
    if (fault || m_lastRunStatus != value) {
        const std::uint64_t unchanged = m_live.unchanged.exchange(0);
        for (RunSink* sink : m_sinks) sink->statusChanged(*m_run, e, unchanged);
    } else {
        m_live.unchanged.fetch_add(1, std::memory_order_relaxed);
    }
    m_lastRunStatus = value;
    maybeProgress();
}

// Requests are answered in the order they were sent: a byte answers the oldest request sent
// before it arrived whose time has not run out. A request's time runs out at the next request
// or kListenMs after it was sent, whichever is later. Bytes are read in the order they arrived,
// so a request whose time ran out before this byte arrived will never be answered.
void Journal::answerRequest(std::int64_t arrivedMono)
{
    expireRequests(arrivedMono);
    if (!m_pendingRequests.empty() && m_pendingRequests.front() <= arrivedMono) m_pendingRequests.pop_front();
}

void Journal::expireRequests(std::int64_t before)
{
    while (!m_pendingRequests.empty()) {
        const std::int64_t sent = m_pendingRequests.front();
        const std::int64_t next = m_pendingRequests.size() > 1 ? m_pendingRequests[1] : sent;
        if (std::max(next, sent + kListenMs) >= before) return;
        m_pendingRequests.pop_front();
        ++m_run->statusUnanswered;
    }
}

std::uint64_t Journal::readHistory(std::uint64_t from, const std::function<void(const run::StatusEvent&)>& each) const
{
    if (from < m_historyFirst) from = m_historyFirst;
    for (std::size_t i = std::size_t(from - m_historyFirst); i < m_history.size(); ++i) each(m_history[i]);
    return m_historyFirst + m_history.size();
}

std::optional<run::StatusEvent> Journal::lastStatus() const
{
    if (m_history.empty() || !m_badge) return std::nullopt;
    return m_history.back();
}

void Journal::portChosen(bool opened)
{
    if (!opened) m_badge = false;  // the status of a port no longer reached says nothing now
}

void Journal::identityRead(const std::string& port, const status::PrinterIdentity& identity)
{
    m_identities[port] = identity;
}

// --- Runs ----------------------------------------------------------------------------------

void Journal::runStarted(const run::RunSettings& settings)
{
    closeListening();
    const std::int64_t now = m_host.nowMs();
    m_run = run::RunRecord{};
    m_run->settings = settings;
    if (m_run->settings.label.empty()) m_run->settings.label = m_actionWords(settings.action);
    m_run->startMs = now + m_wallOffset;
    m_run->utcOffsetMinutes = m_utcOffset;
    std::string date = dateText(m_run->startMs, m_utcOffset), clock = clockText(m_run->startMs, m_utcOffset);
    std::erase(date, '-');
    std::erase(clock, ':');
    m_run->runId = date + "-" + clock + "-" + m_processTag + "-" + std::to_string(++m_runsStarted);
    if (const auto known = m_identities.find(settings.port); known != m_identities.end())
        m_run->identity = known->second;
    m_phase = Phase::Running;
    m_runStartMonotonic = m_lastSentMonotonic = m_lastProgress = now;
    m_progressCount = 0;
    m_passBegins.assign(1, {now, 0});
    m_pendingRequests.clear();
    m_lastRunStatus.reset();
    m_live.unchanged.store(0);
    publishCounts();
    m_passOf = settings.repeatCount;
    m_command.clear();
    m_lastCommand.clear();
    m_stopCause.reset();
    setLabel(runLabel());
    for (RunSink* sink : m_sinks) sink->runStarted(*m_run);
}

std::string Journal::runLabel() const
{
    std::string label = m_run->settings.label;
    if (m_run->passesBegun > 0) label += " pass " + std::to_string(m_run->passesBegun);
    if (!m_command.empty()) label += " · " + m_command;
    return label;
}

// The first progress of a run comes sooner (after 1 s, 2 s, 5 s), so that what a process
// killed in its first seconds leaves is close to what it did; then every kProgressMs.
void Journal::maybeProgress()
{
    if (!m_progressWanted || m_phase != Phase::Running) return;
    const std::int64_t now = m_host.nowMs();
    constexpr std::int64_t kFirst[] = {1000, 1000, 3000};
    const std::int64_t due = m_progressCount < std::size(kFirst) ? kFirst[m_progressCount] : kProgressMs;
    if (now - m_lastProgress < due) return;
    m_lastProgress = now;
    ++m_progressCount;
    const std::uint64_t unchanged = m_live.unchanged.exchange(0);
    for (RunSink* sink : m_sinks) sink->progress(*m_run, unchanged);
}

void Journal::publishCounts()
{
    const run::RunRecord& r = *m_run;
    constexpr auto relaxed = std::memory_order_relaxed;
    m_live.passesBegun.store(r.passesBegun, relaxed);
    m_live.passesCompleted.store(r.passesCompleted, relaxed);
    m_live.commandsExecuted.store(r.commandsExecuted, relaxed);
    m_live.bytesSent.store(r.bytesSent, relaxed);
    m_live.bytesReceived.store(r.bytesReceived, relaxed);
    m_live.statusRequests.store(r.statusRequests, relaxed);
    m_live.statusUnanswered.store(r.statusUnanswered, relaxed);
}

void Journal::passBegun(std::int64_t pass, std::int64_t of)
{
    if (!running()) return;
    m_run->passesBegun = pass;
    m_passBegins.emplace_back(m_host.nowMs(), pass);
    if (m_passBegins.size() > 64) m_passBegins.pop_front();
    m_passOf = of;
    m_command.clear();
    setLabel(runLabel());
    publishCounts();
    maybeProgress();
}

void Journal::passFinished(std::int64_t pass)
{
    if (!running()) return;
    m_run->passesCompleted = pass;
    publishCounts();
}

void Journal::commandBegun(const std::string& name)
{
    if (!running()) return;
    m_command = m_lastCommand = name;
    setLabel(runLabel());
}

void Journal::commandRan(const std::string&)
{
    if (!running()) return;
    ++m_run->commandsExecuted;
    publishCounts();
    maybeProgress();
}

void Journal::codeSent(const run::CodeSent& code)
{
    if (!running()) return;
    m_run->codes.push_back(code);
    for (RunSink* sink : m_sinks) sink->codeSent(*m_run, code);
}

void Journal::stopAsked(run::StopCause cause, const std::string& by)
{
    if (!running() || m_stopCause) return;  // the first cause stops the run
    m_stopCause = cause;
    m_run->stopPass = m_run->passesBegun;
    if (cause == run::StopCause::Fault && !m_history.empty()) {
        // The fault began with the first of the faults read last: a printer goes on answering
        // with it until it recovers, and the handler may have read several at once.
        m_run->stopStatus = m_history.back();
        for (auto it = m_run->statuses.rbegin(); it != m_run->statuses.rend(); ++it) {
            if (readStatus(it->value).faultClass == status::FaultClass::Normal) break;
            m_run->stopStatus = *it;
        }
    }
    if (cause == run::StopCause::User) m_run->stoppedBy = by.empty() ? "Stop" : by;
    for (RunSink* sink : m_sinks) sink->stopAsked(*m_run);
}

void Journal::stopFailed(const link::Failure& failure)
{
    if (!running() || m_stopCause) return;
    m_run->failure = failure;
    stopAsked(failure.ofThePrint() ? run::StopCause::Failed : run::StopCause::LinkLost, {});
}

void Journal::runEnded(bool complete)
{
    if (!running()) return;
    run::RunRecord& r = *m_run;
    const std::int64_t now = m_host.nowMs();
    r.endMs = now + m_wallOffset;
    m_runEndMonotonic = now;
    // A fault raised the stop flag even when the run had no check left to see it: the run did
    // not succeed.
    if (m_stopCause) {
        r.ending = *m_stopCause == run::StopCause::User       ? run::RunEnding::StoppedByUser
                   : *m_stopCause == run::StopCause::Fault    ? run::RunEnding::StoppedByFault
                   : *m_stopCause == run::StopCause::LinkLost ? run::RunEnding::LinkLost
                                                              : run::RunEnding::Failed;
    } else {
        r.ending = run::RunEnding::Completed;
    }
    if (complete && r.ending == run::RunEnding::Completed) r.passesCompleted = r.passesBegun;
    m_command.clear();
    setLabel("");
    m_phase = Phase::Listening;
    m_closeAt = now + kListenMs;
    if (r.ending == run::RunEnding::LinkLost || r.ending == run::RunEnding::Failed) return closeListening();
    // Read a moment after the time is over: a byte that arrived in time may still wait for its
    // receive event.
    if (m_wakeUp) m_wakeUp(kListenMs + 20);
}

void Journal::tick()
{
    if (listening() && m_host.nowMs() >= m_closeAt) closeListening();
}

void Journal::closeListening()
{
    if (!listening()) return;
    run::RunRecord& r = *m_run;
    // Closed before its time (the program ends): a request whose time has not run out yet is
    // neither answered nor unanswered.
    expireRequests(m_host.nowMs() >= m_closeAt ? INT64_MAX : m_host.nowMs());
    m_pendingRequests.clear();
    if (r.ending == run::RunEnding::Completed && r.statusRequests > 0 && r.statusUnanswered == r.statusRequests)
        r.ending = run::RunEnding::NoAnswer;
    publishCounts();
    m_phase = Phase::Closed;
    m_stopCause.reset();
    for (RunSink* sink : m_sinks) sink->runEnded(r);
}

void Journal::closeRun(const std::string& by)
{
    if (running()) {
        stopAsked(run::StopCause::User, by);
        runEnded(false);
    }
    closeListening();
}

void Journal::showEarlierRun(run::RunRecord record)
{
    if (m_run) return;
    m_run = std::move(record);
    m_phase = Phase::Closed;
}

std::string Journal::statusLine() const
{
    if (!m_run) return "Ready";
    const run::RunRecord& r = *m_run;
    const std::string pass = " pass " + std::to_string(r.passesBegun);
    const std::string unanswered = r.statusUnanswered > 0 ? " · " + run::unansweredText(r) : "";
    switch (r.ending) {
    case run::RunEnding::Running: {
        std::string line = "Running " + (m_lastCommand.empty() ? m_actionWords(r.settings.action) : m_lastCommand) +
                           " ·" + pass;
        line += m_passOf > 0 ? " of " + std::to_string(m_passOf) : " (until Stop)";
        line += " · " + durationText(m_host.nowMs() - m_runStartMonotonic);
        if (const auto last = lastStatus()) {
            line += " · last status " + hexValue(last->value) + " " + readStatus(last->value).meaning;
        }
        return line;
    }
    case run::RunEnding::Completed:
        return "Done: " + std::to_string(r.passesCompleted) + (r.passesCompleted == 1 ? " pass in " : " passes in ") +
               durationText(m_runEndMonotonic - m_runStartMonotonic) + unanswered;
    case run::RunEnding::StoppedByUser: return "Stopped by " + r.stoppedBy + " at" + pass + unanswered;
    case run::RunEnding::StoppedByFault: {
        std::string line = "Stopped at" + pass;
        if (r.stopStatus) {
            line += " (" + readStatus(r.stopStatus->value).meaning + " " + hexValue(r.stopStatus->value) +
                    " arrived in pass " + std::to_string(r.stopStatus->pass) + " at " +
                    stampText(r.stopStatus->atMs, r.utcOffsetMinutes) + ")";
        }
        return line + unanswered;
    }
    case run::RunEnding::LinkLost:
        return "Link lost at pass " + std::to_string(r.stopPass) + ": " + r.settings.port + ": " + run::stopDetail(r);
    case run::RunEnding::Failed: return m_actionWords(r.settings.action) + " not sent: " + run::stopDetail(r);
    case run::RunEnding::NoAnswer: return "No answer from the printer at" + pass + ": " + run::unansweredText(r);
    case run::RunEnding::Interrupted: {
        // What the run log held when the program ended: as of its last line.
        std::string line = "Interrupted: " + r.settings.label + " started " + dateText(r.startMs, r.utcOffsetMinutes) +
                           " " + clockText(r.startMs, r.utcOffsetMinutes) + ", last recorded " +
                           clockText(r.endMs, r.utcOffsetMinutes) + " at" + pass;
        if (!r.statuses.empty()) {
            const std::int32_t last = r.statuses.back().value;
            line += ", last status " + hexValue(last) + " " + readStatus(last).meaning;
        }
        return line;
    }
    }
    return "";
}

Severity Journal::statusLineSeverity() const
{
    if (!m_run) return Severity::Good;
    switch (m_run->ending) {
    case run::RunEnding::Running:
    case run::RunEnding::StoppedByUser: return Severity::Good;
    case run::RunEnding::Completed: return m_run->statusUnanswered > 0 ? Severity::Warning : Severity::Good;
    case run::RunEnding::Interrupted: return Severity::Warning;
    case run::RunEnding::StoppedByFault:
    case run::RunEnding::LinkLost:
    case run::RunEnding::Failed:
    case run::RunEnding::NoAnswer: return Severity::Bad;
    }
    return Severity::Good;
}

// --- Capture --------------------------------------------------------------------------------

std::optional<std::string> Journal::startCapture(const std::filesystem::path& file)
{
    stopCapture();
    m_capture.open(file, std::ios::binary | std::ios::trunc);
    if (!m_capture) {
        const std::string reason = std::strerror(errno);
        m_capture = std::ofstream();
        return "The capture file " + file.string() + " cannot be written: " + reason + ".";
    }
    m_captureFile = file;
    m_captured = 0;
    m_captureError.reset();
    return std::nullopt;
}

std::optional<std::string> Journal::stopCapture()
{
    if (m_capture.is_open()) {
        m_capture.close();
        if (!m_capture && !m_captureError)
            m_captureError = "Closing the capture " + m_captureFile.string() + " failed.";
    }
    std::optional<std::string> error;
    error.swap(m_captureError);
    return error;
}

}  // namespace printbench::cockpit
