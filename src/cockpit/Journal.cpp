#include "cockpit/Journal.h"

#include "cockpit/TimeText.h"

#include <cerrno>
#include <cstring>

namespace printbench::cockpit {

namespace {

// A record's share of memory: its bytes and its place in the ring.
std::size_t footprint(const TrafficRecord& r) { return sizeof(TrafficRecord) + r.bytes.capacity(); }

constexpr std::size_t kMergeLimit = 4096;  // a record grows by merging up to this many bytes

} // namespace

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
        if (running()) m_run->bytesSent += t.bytes.size();
        if (m_capture.is_open()) {
            m_capture.write(reinterpret_cast<const char*>(t.bytes.data()), std::streamsize(t.bytes.size()));
            if (!m_capture) {
                m_captureError = "Writing the capture " + m_captureFile.string() + " failed: " + std::strerror(errno) +
                                 ". It holds the first " + std::to_string(m_captured) + " bytes.";
                m_capture.close();
            } else {
                m_captured += t.bytes.size();
            }
        }
    } else {
        if (running()) m_run->bytesReceived += t.bytes.size();
        for (const std::uint8_t b : t.bytes) receivedStatus(atMs, b, t.route);
    }
    append(atMs, t);
}

void Journal::append(std::int64_t atMs, const link::Traffic& t)
{
    const std::uint64_t action = m_labels.back().first;
    if (!m_traffic.empty()) {
        TrafficRecord& last = m_traffic.back();
        // Not once a reader has it: it would miss what is added.
        if (last.seq >= m_handedOut && last.atMs == atMs && last.route == t.route && last.direction == t.direction &&
            last.action == action && last.bytes.size() + t.bytes.size() <= kMergeLimit) {
            m_held -= footprint(last);
            last.bytes.insert(last.bytes.end(), t.bytes.begin(), t.bytes.end());
            m_held += footprint(last);
            trim();
            return;
        }
    }
    TrafficRecord r{m_nextSeq++, atMs, t.route, t.direction, action, {}};
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

void Journal::receivedStatus(std::int64_t atMs, std::int32_t value, link::Route route)
{
    const StatusEvent e{atMs, value, route, running() ? m_run->passesBegun : 0};
    m_history.push_back(e);
    if (m_history.size() > m_bounds.historyEntries) {
        m_history.pop_front();
        ++m_historyFirst;
    }
    if (!running()) return;
    m_run->statuses.push_back(e);
    if (m_run->statuses.size() > m_bounds.runStatuses) {
        // Half at a time, so that a long soak does not shift the whole list at every byte.
        const std::size_t drop = m_run->statuses.size() / 2;
        m_run->statuses.erase(m_run->statuses.begin(), m_run->statuses.begin() + std::ptrdiff_t(drop));
        m_run->statusesDropped += drop;
    }
}

std::uint64_t Journal::readHistory(std::uint64_t from, const std::function<void(const StatusEvent&)>& each) const
{
    if (from < m_historyFirst) from = m_historyFirst;
    for (std::size_t i = std::size_t(from - m_historyFirst); i < m_history.size(); ++i) each(m_history[i]);
    return m_historyFirst + m_history.size();
}

std::optional<StatusEvent> Journal::lastStatus() const
{
    if (m_history.empty()) return std::nullopt;
    return m_history.back();
}

// --- Runs ----------------------------------------------------------------------------------

void Journal::runStarted(const RunSettings& settings)
{
    m_run = RunRecord{};
    m_run->settings = settings;
    m_run->startMs = wallNow();
    m_run->utcOffsetMinutes = m_utcOffset;
    m_runStartMonotonic = m_host.nowMs();
    m_passOf = settings.repeatCount;
    m_command.clear();
    m_lastCommand.clear();
    setLabel(runLabel());
}

std::string Journal::runLabel() const
{
    std::string label = m_run->settings.action;
    if (m_run->passesBegun > 0) label += " pass " + std::to_string(m_run->passesBegun);
    if (!m_command.empty()) label += " · " + m_command;
    return label;
}

void Journal::passBegun(std::int64_t pass, std::int64_t of)
{
    if (!running()) return;
    m_run->passesBegun = pass;
    m_passOf = of;
    m_command.clear();
    setLabel(runLabel());
}

void Journal::passFinished(std::int64_t pass)
{
    if (running()) m_run->passesCompleted = pass;
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
}

void Journal::stopAsked(StopCause cause, const std::string& detail)
{
    if (!running() || m_stopCause) return;  // the first cause stops the run
    m_stopCause = cause;
    if (cause == StopCause::Fault && !m_history.empty()) m_run->stopStatus = m_history.back();
    if (cause == StopCause::LinkLost) {
        // The report's reason, or its first line.
        const auto at = detail.find("Reason: ");
        m_run->stopDetail = at != std::string::npos ? detail.substr(at + 8) : detail.substr(0, detail.find("\r\n"));
        if (m_run->stopDetail.empty()) m_run->stopDetail = "the link failed";
    }
    if (cause == StopCause::Failed) m_run->stopDetail = detail.substr(0, detail.find("\r\n"));
}

void Journal::runEnded(bool complete)
{
    if (!running()) return;
    RunRecord& r = *m_run;
    r.endMs = wallNow();
    m_runEndMonotonic = m_host.nowMs();
    if (complete || !m_stopCause) {
        r.ending = RunEnding::Completed;
        r.passesCompleted = r.passesBegun;
    } else {
        r.ending = *m_stopCause == StopCause::User    ? RunEnding::StoppedByUser
                   : *m_stopCause == StopCause::Fault ? RunEnding::StoppedByFault
                   : *m_stopCause == StopCause::LinkLost ? RunEnding::LinkLost
                                                         : RunEnding::Failed;
    }
    m_stopCause.reset();
    m_command.clear();
    setLabel("");
    if (m_onRunEnded) m_onRunEnded(r);
}

std::string Journal::statusLine() const
{
    if (!m_run) return "Ready";
    const RunRecord& r = *m_run;
    const std::string pass = " pass " + std::to_string(r.passesBegun);
    switch (r.ending) {
    case RunEnding::Running: {
        std::string line = "Running " + (m_lastCommand.empty() ? r.settings.action : m_lastCommand) + " ·" + pass;
        line += m_passOf > 0 ? " of " + std::to_string(m_passOf) : " (until Stop)";
        line += " · " + durationText(m_host.nowMs() - m_runStartMonotonic);
        if (const auto last = lastStatus()) {
            line += " · last status " + hexValue(last->value) + " " + readStatus(last->value).meaning;
        }
        return line;
    }
    case RunEnding::Completed:
        return "Done: " + std::to_string(r.passesCompleted) + (r.passesCompleted == 1 ? " pass in " : " passes in ") +
               durationText(m_runEndMonotonic - m_runStartMonotonic);
    case RunEnding::StoppedByUser: return "Stopped by Stop at" + pass;
    case RunEnding::StoppedByFault: {
        std::string line = "Stopped at" + pass + " after " + durationText(m_runEndMonotonic - m_runStartMonotonic);
        if (r.stopStatus) {
            line += ": " + readStatus(r.stopStatus->value).meaning + " (" + hexValue(r.stopStatus->value) + ") at " +
                    clockText(r.stopStatus->atMs, r.utcOffsetMinutes);
        }
        return line;
    }
    case RunEnding::LinkLost: return "Link lost at" + pass + ": " + r.settings.port + ": " + r.stopDetail;
    case RunEnding::Failed: return r.settings.action + " not sent: " + r.stopDetail;
    }
    return "";
}

Severity Journal::statusLineSeverity() const
{
    if (!m_run) return Severity::Good;
    switch (m_run->ending) {
    case RunEnding::Running:
    case RunEnding::Completed:
    case RunEnding::StoppedByUser: return Severity::Good;
    case RunEnding::StoppedByFault:
    case RunEnding::LinkLost:
    case RunEnding::Failed: return Severity::Bad;
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
        if (!m_capture && !m_captureError) m_captureError = "Closing the capture " + m_captureFile.string() + " failed.";
    }
    std::optional<std::string> error;
    error.swap(m_captureError);
    return error;
}

} // namespace printbench::cockpit
