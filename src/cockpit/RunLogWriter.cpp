#include "cockpit/RunLogWriter.h"

#include "cockpit/TimeText.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <sys/file.h>
#include <unistd.h>

namespace printbench::cockpit {

namespace fs = std::filesystem;

namespace {

fs::path lockFileOf(const fs::path& folder, const std::string& runId)
{
    return folder / "live" / (runId + ".lock");
}

}  // namespace

bool writeWhole(int fd, const std::string& text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += std::size_t(n);
    }
    return true;
}

namespace {

std::int64_t wallNowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

}  // namespace

RunLogWriter::RunLogWriter(fs::path folder, WriterProcess process, LiveCounts* live,
                           std::chrono::milliseconds progressEvery)
    : m_folder(std::move(folder)), m_process(std::move(process)), m_live(live), m_progressEvery(progressEvery),
      m_thread([this] { work(); })
{}

RunLogWriter::~RunLogWriter()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    m_thread.join();
    if (m_fd >= 0) ::close(m_fd);
    // The lock goes with the process; the file stays as the sign of a run left open.
    if (m_lockFd >= 0) ::close(m_lockFd);
}

void RunLogWriter::push(Item item)
{
    {
        const std::lock_guard lock(m_mutex);
        m_queue.push_back(std::move(item));
    }
    m_wake.notify_one();
}

void RunLogWriter::runStarted(const run::RunRecord& r)
{
    Item open{Item::Kind::Open, runStartJson(r, m_process), true, r};
    open.skeleton.statuses.clear();
    push(std::move(open));
}

void RunLogWriter::statusChanged(const run::RunRecord& r, const run::StatusEvent& e, std::uint64_t unchangedBefore)
{
    const bool fault = readStatus(e.value).faultClass != status::FaultClass::Normal;
    push({Item::Kind::Line, runStatusJson(r, e, unchangedBefore), fault, {}});
}

void RunLogWriter::codeSent(const run::RunRecord& r, const run::CodeSent& code)
{
    push({Item::Kind::Line, runCodeJson(r, code), false, {}});
}

void RunLogWriter::runEnded(const run::RunRecord& r)
{
    push({Item::Kind::Close, runRecordJson(r), true, {}});
}

void RunLogWriter::drain()
{
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return m_queue.empty() && !m_busy; });
}

std::optional<std::string> RunLogWriter::takeError()
{
    const std::lock_guard lock(m_mutex);
    return std::exchange(m_error, std::nullopt);
}

RunLogWriter::Counts RunLogWriter::counts() const
{
    const std::lock_guard lock(m_mutex);
    return m_counts;
}

void RunLogWriter::fail(const std::string& what)
{
    const std::lock_guard lock(m_mutex);
    if (!m_error) m_error = what + ": " + std::strerror(errno) + ".";
}

void RunLogWriter::work()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        // Wakes for a line, for the next progress line of an open run, and for a sync that waits
        // out its second.
        Clock::time_point until = Clock::time_point::max();
        if (m_open && m_live) until = m_lastLine + progressDue();
        if (m_unsynced) until = std::min(until, m_lastSync + std::chrono::seconds(1));
        m_wake.wait_until(lock, until, [this] { return m_stop || !m_queue.empty(); });
        if (m_queue.empty() && m_stop) break;
        m_busy = true;
        while (!m_queue.empty()) {
            Item item = std::move(m_queue.front());
            m_queue.pop_front();
            lock.unlock();
            handle(item);
            lock.lock();
        }
        lock.unlock();
        const Clock::time_point now = Clock::now();
        if (m_open && m_live && now >= m_lastLine + progressDue()) {
            ++m_progressLines;
            run::RunRecord& r = *m_open;
            constexpr auto relaxed = std::memory_order_relaxed;
            r.passesBegun = m_live->passesBegun.load(relaxed);
            r.passesCompleted = m_live->passesCompleted.load(relaxed);
            r.commandsExecuted = m_live->commandsExecuted.load(relaxed);
            r.bytesSent = m_live->bytesSent.load(relaxed);
            r.bytesReceived = m_live->bytesReceived.load(relaxed);
            r.statusRequests = m_live->statusRequests.load(relaxed);
            r.statusUnanswered = m_live->statusUnanswered.load(relaxed);
            const std::uint64_t unchanged = m_live->unchanged.exchange(0);
            writeLine(runProgressJson(r, unchanged, wallNowMs()), false);
        }
        if (m_unsynced && Clock::now() >= m_lastSync + std::chrono::seconds(1)) sync();
        lock.lock();
        m_busy = false;
        m_idle.notify_all();
    }
    lock.unlock();
    if (m_unsynced) sync();
}

// The first progress lines of a run come sooner (after 1 s, 2 s, 5 s), so that a run killed in
// its first seconds leaves its passes so far; then every m_progressEvery.
std::chrono::milliseconds RunLogWriter::progressDue() const
{
    constexpr std::chrono::milliseconds kFirst[] = {std::chrono::milliseconds(1000), std::chrono::milliseconds(1000),
                                                    std::chrono::milliseconds(3000)};
    if (m_progressLines < std::size(kFirst)) return std::min(kFirst[m_progressLines], m_progressEvery);
    return m_progressEvery;
}

void RunLogWriter::handle(Item& item)
{
    switch (item.kind) {
    case Item::Kind::Open: {
        closeRun();  // a run left open (the program ended one without an end line) keeps its lock released
        std::error_code e;
        fs::create_directories(m_folder / "live", e);
        m_lockFile = lockFileOf(m_folder, item.skeleton.runId);
        // The lock first: a reader that finds the start line finds the run locked.
        m_lockFd = ::open(m_lockFile.c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0644);
        if (m_lockFd < 0 || ::flock(m_lockFd, LOCK_EX) != 0)
            fail("The run log's lock " + m_lockFile.string() + " cannot be taken");
        const fs::path file = runLogFile(m_folder, item.skeleton);
        m_fd = ::open(file.c_str(), O_CREAT | O_WRONLY | O_APPEND | O_CLOEXEC, 0644);
        if (m_fd < 0) fail("The run log " + file.string() + " cannot be written");
        m_open = std::move(item.skeleton);
        m_progressLines = 0;
        writeLine(item.text, true);
        break;
    }
    case Item::Kind::Line: writeLine(item.text, item.syncNow); break;
    case Item::Kind::Close:
        writeLine(item.text, true);
        if (m_lockFd >= 0) ::unlink(m_lockFile.c_str());
        closeRun();
        break;
    }
}

void RunLogWriter::writeLine(const std::string& text, bool syncNow)
{
    m_lastLine = Clock::now();
    if (m_fd < 0) return;
    if (!writeWhole(m_fd, text + "\n")) {
        fail("Writing the run log failed");
        return;
    }
    {
        const std::lock_guard lock(m_mutex);
        ++m_counts.lines;
        m_counts.bytes += text.size() + 1;
    }
    m_unsynced = true;
    if (syncNow || Clock::now() >= m_lastSync + std::chrono::seconds(1)) sync();
}

void RunLogWriter::sync()
{
    m_unsynced = false;
    if (m_fd < 0) return;
    m_lastSync = Clock::now();
    if (::fdatasync(m_fd) != 0) fail("Syncing the run log failed");
    const std::lock_guard lock(m_mutex);
    ++m_counts.syncs;
}

void RunLogWriter::closeRun()
{
    if (m_unsynced) sync();
    if (m_fd >= 0) ::close(m_fd);
    if (m_lockFd >= 0) ::close(m_lockFd);
    m_fd = m_lockFd = -1;
    m_open.reset();
}

// --- Reading runs back ---------------------------------------------------------------------

namespace {

using nlohmann::json;

std::string text(const json& j, const char* key)
{
    const auto it = j.find(key);
    return it != j.end() && it->is_string() ? it->get<std::string>() : std::string();
}

std::int64_t integer(const json& j, const char* key)
{
    const auto it = j.find(key);
    return it != j.end() && it->is_number_integer() ? it->get<std::int64_t>() : 0;
}

std::optional<run::StatusEvent> statusFrom(const json& j)
{
    const auto at = parseIsoText(text(j, "time"));
    if (!at) return std::nullopt;
    const std::string route = text(j, "route");
    return run::StatusEvent{at->wallMs, std::int32_t(integer(j, "value")),
                            route == "usb" ? link::Route::Usb : link::Route::Serial, integer(j, "pass")};
}

// Only the lines of the writer of this schema: "{"schema":2,"runId":"...","type":"..."".
struct LineHead {
    std::string runId, type;
};
std::optional<LineHead> headOf(const std::string& line)
{
    const std::string prefix = "{\"schema\":" + std::to_string(kRunLogSchema) + ",\"runId\":\"";
    if (!line.starts_with(prefix)) return std::nullopt;
    const std::size_t idEnd = line.find('"', prefix.size());
    const std::string typeKey = "\",\"type\":\"";
    if (idEnd == std::string::npos || line.compare(idEnd, typeKey.size(), typeKey) != 0) return std::nullopt;
    const std::size_t typeAt = idEnd + typeKey.size(), typeEnd = line.find('"', typeAt);
    if (typeEnd == std::string::npos) return std::nullopt;
    return LineHead{line.substr(prefix.size(), idEnd - prefix.size()), line.substr(typeAt, typeEnd - typeAt)};
}

std::string readFileText(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::optional<std::string> appendEndLine(const fs::path& file, const run::RunRecord& r)
{
    const int fd = ::open(file.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    const bool written = fd >= 0 && writeWhole(fd, runRecordJson(r) + "\n") && ::fdatasync(fd) == 0;
    const std::string reason = std::strerror(errno);
    if (fd >= 0) ::close(fd);
    if (!written) return "The run log " + file.string() + " cannot be written: " + reason + ".";
    return std::nullopt;
}

// True when the writer of the run still holds its lock.
bool writerAlive(const fs::path& folder, const std::string& runId)
{
    const int fd = ::open(lockFileOf(folder, runId).c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return false;
    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return held;
}

run::RunSettings settingsFrom(const json& j)
{
    run::RunSettings s;
    s.model = text(j, "model");
    s.port = text(j, "port");
    s.route = text(j, "route");
    s.device = text(j, "device");
    s.speed = text(j, "speed");
    s.density = text(j, "density");
    s.delayMs = integer(j, "delayMs");
    s.feedDots = std::uint64_t(std::max<std::int64_t>(0, integer(j, "feedDots")));
    s.repeatCount = integer(j, "repeatCount");
    s.file = text(j, "file");
    if (const auto seq = j.find("sequence"); seq != j.end() && seq->is_array())
        for (const json& e : *seq)
            if (e.is_string()) s.sequence.push_back(e.get<std::string>());
    return s;
}

// A code of a "code" line or of a record's "codes".
std::optional<run::CodeSent> codeFrom(const json& j)
{
    if (!j.is_object() || !j.contains("symbology")) return std::nullopt;
    run::CodeSent code;
    code.symbology = text(j, "symbology");
    code.settings = text(j, "settings");
    code.text = text(j, "text");
    const std::string hex = text(j, "dataHex");
    for (std::size_t i = 0; i + 2 <= hex.size(); i += 3) {
        unsigned value = 0;
        const auto [end, ec] = std::from_chars(hex.data() + i, hex.data() + i + 2, value, 16);
        if (ec != std::errc() || end != hex.data() + i + 2) return std::nullopt;
        code.data.push_back(std::uint8_t(value));
    }
    return code;
}

// The run rebuilt from its lines: the start line's settings, every status line, the counts of
// the last progress line; it was last heard of at its last line.
std::optional<run::RunRecord> rebuilt(const std::vector<std::string>& lines)
{
    run::RunRecord r;
    bool started = false;
    for (const std::string& line : lines) {
        const json j = json::parse(line, nullptr, false);
        if (j.is_discarded() || !j.is_object()) continue;
        const std::string type = text(j, "type");
        if (const auto at = parseIsoText(text(j, "time"))) r.endMs = std::max(r.endMs, at->wallMs);
        if (type == "start") {
            const auto at = parseIsoText(text(j, "start"));
            if (!at) return std::nullopt;
            started = true;
            r.runId = text(j, "runId");
            r.startMs = at->wallMs;
            r.utcOffsetMinutes = at->utcOffsetMinutes;
            r.settings = settingsFrom(j.value("settings", json::object()));
            r.settings.label = text(j, "action");
            // Lines before action ids named the action by its label only.
            const auto action = j.contains("actionId") ? run::actionById(text(j, "actionId"))
                                                       : run::actionByLabel(r.settings.label);
            r.settings.action = action.value_or(run::Action::Sequence);
        } else if (type == "code") {
            if (const auto code = codeFrom(j.value("code", json::object()))) r.codes.push_back(*code);
        } else if (type == "status" || type == "progress") {
            if (const auto e = statusFrom(j.value("status", json::object()))) r.statuses.push_back(*e);
            r.passesBegun = std::max(r.passesBegun, integer(j, "passesBegun"));
            r.passesCompleted = integer(j, "passesCompleted");
            r.commandsExecuted = integer(j, "commandsExecuted");
            r.bytesSent = std::uint64_t(integer(j, "bytesSent"));
            r.bytesReceived = std::uint64_t(integer(j, "bytesReceived"));
            r.statusRequests = std::uint64_t(integer(j, "statusRequests"));
            r.statusUnanswered = std::uint64_t(integer(j, "statusUnanswered"));
        }
    }
    if (!started) return std::nullopt;
    r.endMs = std::max(r.endMs, r.startMs);
    r.ending = run::RunEnding::Interrupted;
    return r;
}

}  // namespace

std::vector<run::RunRecord> readInterruptedRuns(const fs::path& folder, int days)
{
    std::vector<fs::path> files;
    std::error_code e;
    for (const auto& entry : fs::directory_iterator(folder, e))
        if (entry.path().extension() == ".jsonl") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    if (files.size() > std::size_t(days)) files.erase(files.begin(), files.end() - days);

    std::vector<run::RunRecord> out;
    for (const fs::path& file : files) {
        // The lines of every run without an end line, in order.
        std::map<std::string, std::vector<std::string>> open;
        std::vector<std::string> order;
        std::ifstream in(file, std::ios::binary);
        for (std::string line; std::getline(in, line);) {
            const auto h = headOf(line);
            if (!h) continue;
            if (h->type == "end") {
                open.erase(h->runId);
                continue;
            }
            auto [it, added] = open.try_emplace(h->runId);
            if (added) order.push_back(h->runId);
            it->second.push_back(std::move(line));
        }
        for (const std::string& id : order) {
            const auto it = open.find(id);
            if (it == open.end() || writerAlive(folder, id)) continue;
            if (auto r = rebuilt(it->second)) out.push_back(std::move(*r));
        }
    }
    return out;
}

std::optional<std::string> closeInterruptedRun(const fs::path& folder, const run::RunRecord& r)
{
    const fs::path file = runLogFile(folder, r);
    // Two PrintBench windows starting at once close each run once: whoever holds its lock looks
    // again for an end line, and the other passes it by.
    std::error_code e;
    fs::create_directories(folder / "live", e);
    const fs::path lockFile = lockFileOf(folder, r.runId);
    const int lock = ::open(lockFile.c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0644);
    if (lock < 0 || ::flock(lock, LOCK_EX | LOCK_NB) != 0) {
        if (lock >= 0) ::close(lock);
        return std::nullopt;
    }
    const std::string endLine = "{\"schema\":" + std::to_string(kRunLogSchema) + ",\"runId\":\"" + r.runId +
                                "\",\"type\":\"end\"";
    if (readFileText(file).find(endLine) != std::string::npos) {
        ::unlink(lockFile.c_str());
        ::close(lock);
        return std::nullopt;
    }
    const auto closed = appendEndLine(file, r);
    ::unlink(lockFile.c_str());
    ::close(lock);
    return closed;
}

std::variant<std::vector<run::CodeSent>, std::string> codesOfReport(const std::string& reportJson)
{
    const json j = json::parse(reportJson, nullptr, false);
    if (j.is_discarded() || !j.is_object()) return std::string("it is not a PrintBench JSON report");
    std::vector<run::CodeSent> codes;
    if (const auto list = j.find("codes"); list != j.end() && list->is_array()) {
        for (const json& e : *list) {
            const auto code = codeFrom(e);
            if (!code) return std::string("a code of its list cannot be read");
            codes.push_back(*code);
        }
    }
    return codes;
}

}  // namespace printbench::cockpit
