#include "cockpit/RunLog.h"

#include "cockpit/StatusNames.h"
#include "cockpit/TimeText.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <system_error>

namespace printbench::cockpit {

namespace {

std::string jsonString(std::string_view s)
{
    std::string out = "\"";
    for (const char c : s) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(c));
                out += buf;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

const char* routeText(link::Route r)
{
    switch (r) {
    case link::Route::Serial: return "serial";
    case link::Route::Usb: return "usb";
    case link::Route::None: break;
    }
    return "none";
}

std::string statusJson(const StatusEvent& e, int utcOffset)
{
    const StatusReading s = readStatus(e.value);
    return "{\"time\":" + jsonString(isoText(e.atMs, utcOffset)) + ",\"value\":" + std::to_string(e.value) +
           ",\"hex\":" + jsonString(hexValue(e.value)) + ",\"meaning\":" + jsonString(s.meaning) +
           ",\"class\":" + jsonString(classText(s.faultClass)) + ",\"route\":" + jsonString(routeText(e.route)) +
           ",\"pass\":" + std::to_string(e.pass) + "}";
}

std::string csvField(const std::string& s)
{
    if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
    std::string out = "\"";
    for (const char c : s) out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

} // namespace

std::filesystem::path defaultRunLogFolder()
{
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data && *data == '/') return std::filesystem::path(data) / "printbench" / "runs";
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home && *home ? home : ".") / ".local" / "share" / "printbench" / "runs";
}

const char* endingText(RunEnding e)
{
    switch (e) {
    case RunEnding::Running: return "running";
    case RunEnding::Completed: return "completed";
    case RunEnding::StoppedByUser: return "stopped by Stop";
    case RunEnding::StoppedByFault: return "stopped by a fault";
    case RunEnding::LinkLost: return "link lost";
    case RunEnding::Failed: return "not sent";
    }
    return "";
}

std::string runRecordJson(const RunRecord& r)
{
    const RunSettings& s = r.settings;
    const int tz = r.utcOffsetMinutes;
    std::string sequence = "[";
    for (std::size_t i = 0; i < s.sequence.size(); ++i) sequence += (i ? "," : "") + jsonString(s.sequence[i]);
    sequence += "]";
    std::string statuses = "[";
    for (std::size_t i = 0; i < r.statuses.size(); ++i) statuses += (i ? "," : "") + statusJson(r.statuses[i], tz);
    statuses += "]";

    std::string stop = "{\"reason\":" + jsonString(endingText(r.ending));
    if (r.stopStatus) stop += ",\"status\":" + statusJson(*r.stopStatus, tz);
    if (!r.stopDetail.empty()) stop += ",\"detail\":" + jsonString(r.stopDetail);
    stop += "}";

    return "{\"action\":" + jsonString(s.action) + ",\"start\":" + jsonString(isoText(r.startMs, tz)) +
           ",\"end\":" + jsonString(isoText(r.endMs, tz)) + ",\"durationMs\":" + std::to_string(r.endMs - r.startMs) +
           ",\"settings\":{\"model\":" + jsonString(s.model) + ",\"port\":" + jsonString(s.port) +
           ",\"speed\":" + jsonString(s.speed) + ",\"density\":" + jsonString(s.density) +
           ",\"delayMs\":" + std::to_string(s.delayMs) + ",\"feedDots\":" + std::to_string(s.feedDots) +
           ",\"sequence\":" + sequence + ",\"repeatCount\":" + std::to_string(s.repeatCount) +
           (s.file.empty() ? "" : ",\"file\":" + jsonString(s.file)) + "}" +
           ",\"passesBegun\":" + std::to_string(r.passesBegun) + ",\"passesCompleted\":" + std::to_string(r.passesCompleted) +
           ",\"commandsExecuted\":" + std::to_string(r.commandsExecuted) + ",\"bytesSent\":" + std::to_string(r.bytesSent) +
           ",\"bytesReceived\":" + std::to_string(r.bytesReceived) + ",\"statuses\":" + statuses +
           ",\"statusesDropped\":" + std::to_string(r.statusesDropped) + ",\"stop\":" + stop + "}";
}

std::optional<std::string> appendToRunLog(const std::filesystem::path& folder, const RunRecord& r)
{
    std::error_code e;
    std::filesystem::create_directories(folder, e);
    const std::filesystem::path file = folder / (dateText(r.startMs, r.utcOffsetMinutes) + ".jsonl");
    std::ofstream out(file, std::ios::binary | std::ios::app);
    if (out) out << runRecordJson(r) << '\n';
    if (out) out.flush();
    if (!out) return "The run log " + file.string() + " cannot be written: " + std::strerror(errno) + ".";
    return std::nullopt;
}

std::string runReportText(const RunRecord& r)
{
    const RunSettings& s = r.settings;
    const int tz = r.utcOffsetMinutes;
    std::string t = "PrintBench run report\n=====================\n\n";
    const auto row = [&t](const char* name, const std::string& value) {
        if (!value.empty()) t += std::string(name) + std::string(18 - std::strlen(name), ' ') + value + "\n";
    };
    row("Action", s.action + (s.file.empty() ? "" : " " + s.file));
    row("Started", isoText(r.startMs, tz));
    row("Ended", isoText(r.endMs, tz));
    row("Duration", durationText(r.endMs - r.startMs));
    row("Result", endingText(r.ending));
    if (r.stopStatus)
        row("Stopped by", readStatus(r.stopStatus->value).meaning + " (" + hexValue(r.stopStatus->value) + ") at " +
                              stampText(r.stopStatus->atMs, tz) + " in pass " + std::to_string(r.stopStatus->pass));
    row("Reason", r.stopDetail);
    t += "\nSettings\n";
    row("Model", s.model);
    row("Port", s.port);
    row("Speed", s.speed);
    row("Density", s.density);
    row("Delay", std::to_string(s.delayMs) + " ms");
    row("Feed", std::to_string(s.feedDots) + " dots");
    row("Repeat Rating", s.repeatCount == 0 ? "0 (until Stop)" : std::to_string(s.repeatCount));
    std::string sequence;
    for (const std::string& e : s.sequence) sequence += (sequence.empty() ? "" : ", ") + e;
    row("Sequence", sequence);
    t += "\nCounts\n";
    row("Passes begun", std::to_string(r.passesBegun));
    row("Passes completed", std::to_string(r.passesCompleted));
    row("Commands", std::to_string(r.commandsExecuted));
    row("Bytes sent", std::to_string(r.bytesSent));
    row("Bytes received", std::to_string(r.bytesReceived));
    t += "\nStatus events (" + std::to_string(r.statuses.size()) + ")\n";
    if (r.statusesDropped > 0) t += "  (the first " + std::to_string(r.statusesDropped) + " are not kept)\n";
    for (const StatusEvent& e : r.statuses) {
        const StatusReading m = readStatus(e.value);
        t += "  " + stampText(e.atMs, tz) + "  pass " + std::to_string(e.pass) + "  " + hexValue(e.value) + "  " +
             m.meaning + (m.faultClass == status::FaultClass::Normal ? "" : std::string(" [") + classText(m.faultClass) + "]") +
             "\n";
    }
    return t;
}

namespace {

std::string xml(std::string_view s)
{
    std::string out;
    for (const char c : s) {
        switch (c) {
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '&': out += "&amp;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

} // namespace

std::string runJunitXml(const RunRecord& r)
{
    const RunSettings& s = r.settings;
    std::string name = s.action;
    for (std::size_t i = 0; i < s.sequence.size(); ++i) name += (i ? "," : " ") + s.sequence[i];
    if (!s.file.empty()) name += " " + s.file;
    const bool failed = r.ending == RunEnding::StoppedByFault || r.ending == RunEnding::LinkLost || r.ending == RunEnding::Failed;
    const std::int64_t cases = std::max<std::int64_t>(r.passesBegun, failed ? 1 : 0);
    const std::int64_t skipped = r.ending == RunEnding::StoppedByUser && r.passesBegun > r.passesCompleted ? 1 : 0;
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.3f", double(r.endMs - r.startMs) / 1000);

    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    out += "<testsuite name=\"" + xml("printbench " + name) + "\" tests=\"" + std::to_string(cases) + "\" failures=\"" +
           std::to_string(failed ? 1 : 0) + "\" skipped=\"" + std::to_string(skipped) + "\" time=\"" + seconds +
           "\" timestamp=\"" + isoText(r.startMs, r.utcOffsetMinutes) + "\">\n";
    out += "  <properties>\n";
    for (const auto& [key, value] : {std::pair<const char*, std::string>{"model", s.model}, {"port", s.port},
                                     {"speed", s.speed}, {"density", s.density}, {"delayMs", std::to_string(s.delayMs)},
                                     {"feedDots", std::to_string(s.feedDots)}, {"repeatCount", std::to_string(s.repeatCount)}})
        out += "    <property name=\"" + std::string(key) + "\" value=\"" + xml(value) + "\"/>\n";
    out += "  </properties>\n";
    const std::int64_t failedPass = r.stopStatus ? std::max<std::int64_t>(r.stopStatus->pass, 1) : std::max<std::int64_t>(r.passesBegun, 1);
    for (std::int64_t pass = 1; pass <= cases; ++pass) {
        out += "  <testcase classname=\"" + xml("printbench." + s.action) + "\" name=\"pass " + std::to_string(pass) + "\"";
        if (failed && pass == failedPass) {
            std::string message = endingText(r.ending);
            if (r.stopStatus)
                message = readStatus(r.stopStatus->value).meaning + " (" + hexValue(r.stopStatus->value) + ") at " +
                          stampText(r.stopStatus->atMs, r.utcOffsetMinutes);
            else if (!r.stopDetail.empty())
                message += ": " + r.stopDetail;
            out += ">\n    <failure type=\"" + std::string(endingText(r.ending)) + "\" message=\"" + xml(message) +
                   "\"/>\n  </testcase>\n";
        } else if (skipped && pass == r.passesBegun) {
            out += ">\n    <skipped message=\"stopped by Stop\"/>\n  </testcase>\n";
        } else {
            out += "/>\n";
        }
    }
    return out + "</testsuite>\n";
}

std::string runReportCsv(const RunRecord& r)
{
    std::string t = "time,pass,route,value,hex,meaning,class\n";
    for (const StatusEvent& e : r.statuses) {
        const StatusReading m = readStatus(e.value);
        t += isoText(e.atMs, r.utcOffsetMinutes) + "," + std::to_string(e.pass) + "," + routeText(e.route) + "," +
             std::to_string(e.value) + "," + hexValue(e.value) + "," + csvField(m.meaning) + "," +
             csvField(classText(m.faultClass)) + "\n";
    }
    return t;
}

} // namespace printbench::cockpit
