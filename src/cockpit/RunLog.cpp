#include "cockpit/RunLog.h"

#include "cockpit/StatusNames.h"
#include "cockpit/TimeText.h"
#include "run/FailureText.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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

std::string num(std::int64_t v)
{
    return std::to_string(v);
}

// The route a status came by, as the run names its own: a network printer's bytes come back on
// the serial route's receive side.
std::string routeText(link::Route r, const run::RunSettings& s)
{
    switch (r) {
    case link::Route::Serial: return s.route == "tcp" ? "tcp" : "serial";
    case link::Route::Usb: return "usb";
    case link::Route::None: break;
    }
    return "none";
}

std::string actionJson(const run::RunSettings& s)
{
    return ",\"action\":" + jsonString(s.label) + ",\"actionId\":" + jsonString(run::actionId(s.action));
}

std::string failureJson(const link::Failure& f, const run::RunSettings& s)
{
    std::string out = "{\"kind\":" + jsonString(link::failureKindId(f.kind));
    if (f.route != link::Route::None) out += ",\"route\":" + jsonString(routeText(f.route, s));
    for (const auto& [name, value] : {std::pair("port", &f.port), std::pair("device", &f.device),
                                      std::pair("reason", &f.reason), std::pair("file", &f.file)})
        if (!value->empty()) out += ",\"" + std::string(name) + "\":" + jsonString(*value);
    if (f.usbResult) out += ",\"usbResult\":" + num(*f.usbResult);
    return out + "}";
}

std::string statusJson(const run::StatusEvent& e, const run::RunRecord& r)
{
    const StatusReading s = readStatus(e.value);
    return "{\"time\":" + jsonString(isoText(e.atMs, r.utcOffsetMinutes)) + ",\"value\":" + num(e.value) +
           ",\"hex\":" + jsonString(hexValue(e.value)) + ",\"meaning\":" + jsonString(s.meaning) +
           ",\"class\":" + jsonString(classText(s.faultClass)) +
           ",\"route\":" + jsonString(routeText(e.route, r.settings)) + ",\"pass\":" + num(e.pass) + "}";
}

// The fields every line starts with.
std::string head(const run::RunRecord& r, const char* type)
{
    return "{\"schema\":" + num(kRunLogSchema) + ",\"runId\":" + jsonString(r.runId) + ",\"type\":\"" + type + "\"";
}

std::string settingsJson(const run::RunSettings& s)
{
    std::string sequence = "[";
    for (std::size_t i = 0; i < s.sequence.size(); ++i) sequence += (i ? "," : "") + jsonString(s.sequence[i]);
    sequence += "]";
    return "{\"model\":" + jsonString(s.model) + ",\"port\":" + jsonString(s.port) +
           ",\"route\":" + jsonString(s.route) + (s.device.empty() ? "" : ",\"device\":" + jsonString(s.device)) +
           ",\"speed\":" + jsonString(s.speed) + ",\"density\":" + jsonString(s.density) +
           ",\"delayMs\":" + num(s.delayMs) + ",\"feedDots\":" + std::to_string(s.feedDots) +
           ",\"sequence\":" + sequence + ",\"repeatCount\":" + num(s.repeatCount) +
           (s.file.empty() ? "" : ",\"file\":" + jsonString(s.file)) + "}";
}

std::string identityJson(const status::PrinterIdentity& id)
{
    std::string out;
    const auto field = [&out](const char* name, const std::optional<std::string>& value) {
        if (value) out += std::string(out.empty() ? "" : ",") + "\"" + name + "\":" + jsonString(*value);
    };
    const auto byte = [](const std::optional<std::uint8_t>& b) {
        return b ? std::optional(hexValue(*b)) : std::nullopt;
    };
    field("modelId", byte(id.modelId));
    field("typeId", byte(id.typeId));
    field("romVersion", byte(id.romVersion));
    field("firmware", id.firmware);
    field("maker", id.maker);
    field("modelName", id.modelName);
    field("serialNumber", id.serialNumber);
    field("fonts", id.fonts);
    field("usbMaker", id.usbMaker);
    field("usbModel", id.usbModel);
    field("usbSerial", id.usbSerial);
    return "{" + out + "}";
}

std::string countsJson(const run::RunRecord& r)
{
    return ",\"passesBegun\":" + num(r.passesBegun) + ",\"passesCompleted\":" + num(r.passesCompleted) +
           ",\"commandsExecuted\":" + num(r.commandsExecuted) + ",\"bytesSent\":" + std::to_string(r.bytesSent) +
           ",\"bytesReceived\":" + std::to_string(r.bytesReceived) +
           ",\"statusRequests\":" + std::to_string(r.statusRequests) +
           ",\"statusUnanswered\":" + std::to_string(r.statusUnanswered);
}

// "paper end (0x32) arrived at 14:02:11.482 in pass 17"
std::string faultText(const run::StatusEvent& e, int tz)
{
    return readStatus(e.value).meaning + " (" + hexValue(e.value) + ") arrived at " + stampText(e.atMs, tz) +
           " in pass " + num(e.pass);
}

}  // namespace

std::filesystem::path defaultRunLogFolder()
{
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data && *data == '/') return std::filesystem::path(data) / "printbench" / "runs";
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home && *home ? home : ".") / ".local" / "share" / "printbench" / "runs";
}

std::filesystem::path runLogFile(const std::filesystem::path& folder, const run::RunRecord& r)
{
    return folder / (dateText(r.startMs, r.utcOffsetMinutes) + ".jsonl");
}

std::string endingText(const run::RunRecord& r)
{
    switch (r.ending) {
    case run::RunEnding::Running: return "running";
    case run::RunEnding::Completed: return "completed";
    case run::RunEnding::StoppedByUser:
        return "stopped by " + (r.stoppedBy.empty() ? std::string("Stop") : r.stoppedBy);
    case run::RunEnding::StoppedByFault: return "stopped by a fault";
    case run::RunEnding::LinkLost: return "link lost";
    case run::RunEnding::Failed: return "not sent";
    case run::RunEnding::NoAnswer: return "no answer from the printer";
    case run::RunEnding::Interrupted: return "interrupted";
    }
    return "";
}

std::string runStartJson(const run::RunRecord& r, const WriterProcess& process)
{
    return head(r, "start") + ",\"time\":" + jsonString(isoText(r.startMs, r.utcOffsetMinutes)) +
           ",\"process\":{\"pid\":" + num(process.pid) + ",\"program\":" + jsonString(process.program) +
           ",\"host\":" + jsonString(process.host) + "}" + actionJson(r.settings) +
           ",\"start\":" + jsonString(isoText(r.startMs, r.utcOffsetMinutes)) +
           ",\"settings\":" + settingsJson(r.settings) +
           (r.identity ? ",\"identity\":" + identityJson(*r.identity) : "") + "}";
}

std::string runStatusJson(const run::RunRecord& r, const run::StatusEvent& e, std::uint64_t unchangedBefore)
{
    return head(r, "status") + ",\"time\":" + jsonString(isoText(e.atMs, r.utcOffsetMinutes)) +
           ",\"status\":" + statusJson(e, r) + ",\"unchangedBefore\":" + std::to_string(unchangedBefore) +
           countsJson(r) + "}";
}

std::string runProgressJson(const run::RunRecord& r, std::uint64_t unchanged, std::int64_t atMs)
{
    return head(r, "progress") + ",\"time\":" + jsonString(isoText(atMs, r.utcOffsetMinutes)) + countsJson(r) +
           ",\"unchangedStatuses\":" + std::to_string(unchanged) + "}";
}

std::string dataHex(const std::vector<std::uint8_t>& data)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (const std::uint8_t b : data) {
        if (!out.empty()) out += ' ';
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

std::string codeJson(const run::CodeSent& code)
{
    return "{\"symbology\":" + jsonString(code.symbology) + ",\"settings\":" + jsonString(code.settings) +
           ",\"text\":" + jsonString(code.text) + ",\"dataHex\":" + jsonString(dataHex(code.data)) + "}";
}

std::string runCodeJson(const run::RunRecord& r, const run::CodeSent& code)
{
    return head(r, "code") + ",\"code\":" + codeJson(code) + "}";
}

std::string runRecordJson(const run::RunRecord& r, bool final)
{
    const int tz = r.utcOffsetMinutes;
    std::string statuses = "[";
    for (std::size_t i = 0; i < r.statuses.size(); ++i) statuses += (i ? "," : "") + statusJson(r.statuses[i], r);
    statuses += "]";

    const bool interrupted = !final || r.ending == run::RunEnding::Interrupted;
    std::string stop = "{\"reason\":" + jsonString(interrupted ? "interrupted" : endingText(r));
    if (r.ending == run::RunEnding::StoppedByUser) stop += ",\"by\":" + jsonString(r.stoppedBy);
    if (r.stopStatus) stop += ",\"status\":" + statusJson(*r.stopStatus, r);
    if (r.failure)
        stop += ",\"detail\":" + jsonString(run::stopDetail(r)) + ",\"failure\":" + failureJson(*r.failure, r.settings);
    if (r.stopPass > 0) stop += ",\"pass\":" + num(r.stopPass);
    if (r.statusUnanswered > 0) stop += ",\"unanswered\":" + jsonString(run::unansweredText(r));
    stop += "}";
    std::string codes;
    for (const run::CodeSent& code : r.codes) codes += (codes.empty() ? "" : ",") + codeJson(code);

    return head(r, "end") + ",\"final\":" + (final ? "true" : "false") + actionJson(r.settings) +
           ",\"start\":" + jsonString(isoText(r.startMs, tz)) + ",\"end\":" + jsonString(isoText(r.endMs, tz)) +
           ",\"durationMs\":" + num(r.endMs - r.startMs) + ",\"settings\":" + settingsJson(r.settings) + countsJson(r) +
           ",\"statuses\":" + statuses + ",\"statusesDropped\":" + std::to_string(r.statusesDropped) +
           ",\"stop\":" + stop + (r.identity ? ",\"identity\":" + identityJson(*r.identity) : "") +
           (codes.empty() ? "" : ",\"codes\":[" + codes + "]") + "}";
}

std::string runReportText(const run::RunRecord& r)
{
    const run::RunSettings& s = r.settings;
    const int tz = r.utcOffsetMinutes;
    std::string t = "PrintBench run report\n=====================\n\n";
    const auto row = [&t](const char* name, const std::string& value) {
        if (!value.empty()) t += std::string(name) + std::string(18 - std::strlen(name), ' ') + value + "\n";
    };
    row("Action", s.label + (s.file.empty() ? "" : " " + s.file));
    row("Run", r.runId);
    row("Started", isoText(r.startMs, tz));
    row(r.ending == run::RunEnding::Interrupted ? "Last heard of" : "Ended", isoText(r.endMs, tz));
    row("Duration", durationText(r.endMs - r.startMs));
    row("Result", endingText(r));
    if (r.stopStatus) row("Stopped by", faultText(*r.stopStatus, tz));
    row("Reason", run::stopDetail(r));
    if (r.ending == run::RunEnding::Interrupted)
        row("Reason", "the program ended before the run did; what it had recorded until then is below");
    t += "\nSettings\n";
    row("Model", s.model);
    row("Port", s.port);
    row("Route", s.route);
    if (s.device != s.port) row("Device", s.device);
    row("Speed", s.speed);
    row("Density", s.density);
    row("Delay", num(s.delayMs) + " ms");
    row("Feed", std::to_string(s.feedDots) + " dots");
    row("Repeat Rating", s.repeatCount == 0 ? "0 (until Stop)" : num(s.repeatCount));
    std::string sequence;
    for (const std::string& e : s.sequence) sequence += (sequence.empty() ? "" : ", ") + e;
    row("Sequence", sequence);
    if (r.identity && !r.identity->empty()) {
        t += "\nPrinter\n";
        for (const auto& [name, value] : r.identity->rows()) row(name.c_str(), value);
    }
    if (!r.codes.empty()) {
        t += "\nCodes sent (" + std::to_string(r.codes.size()) + ")\n";
        for (const run::CodeSent& code : r.codes)
            t += "  " + code.symbology + "  " + code.text + "  (" + code.settings + ")\n    data " +
                 dataHex(code.data) + "\n";
    }
    t += "\nCounts\n";
    row("Passes begun", num(r.passesBegun));
    row("Passes completed", num(r.passesCompleted));
    row("Commands", num(r.commandsExecuted));
    row("Bytes sent", std::to_string(r.bytesSent));
    row("Bytes received", std::to_string(r.bytesReceived));
    row("Status requests",
        std::to_string(r.statusRequests) +
            (r.statusUnanswered > 0 ? " (" + std::to_string(r.statusUnanswered) + " unanswered)" : ""));
    t += "\nStatus events (" + std::to_string(r.statuses.size()) + ")\n";
    if (r.statusesDropped > 0)
        t += "  (" + std::to_string(r.statusesDropped) +
             " more not kept: repeats of the status before them, or the oldest)\n";
    for (const run::StatusEvent& e : r.statuses) {
        const StatusReading m = readStatus(e.value);
        t += "  " + stampText(e.atMs, tz) + "  pass " + num(e.pass) + "  " + hexValue(e.value) + "  " + m.meaning +
             (m.faultClass == status::FaultClass::Normal ? "" : std::string(" [") + classText(m.faultClass) + "]") +
             "\n";
    }
    return t;
}

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

namespace {

// The pass that failed and why, for the JUnit file; none for a run that did not fail.
struct JunitFailure {
    std::int64_t pass = 0;
    std::string element, type, message;
};

std::optional<JunitFailure> junitFailure(const run::RunRecord& r, bool final)
{
    const std::int64_t inProgress = std::max<std::int64_t>(r.passesBegun, 1);
    if (!final || r.ending == run::RunEnding::Interrupted)
        return JunitFailure{
            inProgress, "error", "interrupted",
            "the run had not ended when this was written (" +
                (r.passesBegun > 0 ? "pass " + num(r.passesBegun) : std::string("before its first pass")) + ")"};
    switch (r.ending) {
    case run::RunEnding::StoppedByFault:
        if (!r.stopStatus) return JunitFailure{inProgress, "failure", endingText(r), endingText(r)};
        return JunitFailure{std::max<std::int64_t>(r.stopStatus->pass, 1), "failure", endingText(r),
                            faultText(*r.stopStatus, r.utcOffsetMinutes)};
    case run::RunEnding::LinkLost:
    case run::RunEnding::Failed:
        return JunitFailure{std::max<std::int64_t>(r.stopPass, 1), "failure", endingText(r),
                            endingText(r) + (r.failure ? ": " + run::stopDetail(r) : "")};
    case run::RunEnding::NoAnswer:
        return JunitFailure{1, "failure", endingText(r), endingText(r) + ": " + run::unansweredText(r)};
    default: return std::nullopt;
    }
}

}  // namespace

std::string runJunitXml(const run::RunRecord& r, bool final)
{
    const run::RunSettings& s = r.settings;
    std::string name = s.label;
    for (std::size_t i = 0; i < s.sequence.size(); ++i) name += (i ? "," : " ") + s.sequence[i];
    if (!s.file.empty()) name += " " + s.file;
    const std::optional<JunitFailure> failure = junitFailure(r, final);
    // A pass begun after the fault arrived or the link was lost, only to be stopped, is not a case.
    std::int64_t cases = r.passesBegun;
    if (failure && (r.ending == run::RunEnding::StoppedByFault || r.ending == run::RunEnding::LinkLost))
        cases = std::min(cases, failure->pass);
    if (failure) cases = std::max(cases, failure->pass);
    const std::int64_t skippedPass =
        final && r.ending == run::RunEnding::StoppedByUser && r.passesBegun > r.passesCompleted ? r.passesBegun : 0;
    const auto alone = [&](std::int64_t pass) {
        return pass <= kJUnitPasses || (failure && pass == failure->pass) || pass == skippedPass;
    };
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.3f", double(r.endMs - r.startMs) / 1000);

    std::string body;
    std::int64_t elements = 0;
    const std::string classname = xml("printbench." + s.label);
    for (std::int64_t pass = 1; pass <= cases; ++pass) {
        ++elements;
        if (!alone(pass)) {
            std::int64_t last = pass;
            while (last < cases && !alone(last + 1)) ++last;
            body += "  <testcase classname=\"" + classname + "\" name=\"" +
                    (last == pass ? "pass " + num(pass) : "passes " + num(pass) + "\u2013" + num(last)) + "\"/>\n";
            pass = last;
            continue;
        }
        body += "  <testcase classname=\"" + classname + "\" name=\"pass " + num(pass) + "\"";
        if (failure && pass == failure->pass) {
            body += ">\n    <" + failure->element + " type=\"" + xml(failure->type) + "\" message=\"" +
                    xml(failure->message) + "\"/>\n  </testcase>\n";
        } else if (pass == skippedPass) {
            body += ">\n    <skipped message=\"" + xml(endingText(r)) + "\"/>\n  </testcase>\n";
        } else {
            body += "/>\n";
        }
    }

    const bool isError = failure && failure->element == "error";
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    out += "<testsuite name=\"" + xml("printbench " + name) + "\" tests=\"" + num(elements) + "\" failures=\"" +
           (failure && !isError ? "1" : "0") + "\" errors=\"" + (isError ? "1" : "0") + "\" skipped=\"" +
           (skippedPass ? "1" : "0") + "\" time=\"" + seconds + "\" timestamp=\"" +
           isoText(r.startMs, r.utcOffsetMinutes) + "\">\n";
    out += "  <properties>\n";
    std::vector<std::pair<const char*, std::string>> properties{{"runId", r.runId},
                                                                {"model", s.model},
                                                                {"port", s.port},
                                                                {"route", s.route},
                                                                {"speed", s.speed},
                                                                {"density", s.density},
                                                                {"delayMs", num(s.delayMs)},
                                                                {"feedDots", std::to_string(s.feedDots)},
                                                                {"repeatCount", num(s.repeatCount)}};
    if (r.statusUnanswered > 0) properties.emplace_back("statusUnanswered", run::unansweredText(r));
    for (const auto& [key, value] : properties)
        out += "    <property name=\"" + std::string(key) + "\" value=\"" + xml(value) + "\"/>\n";
    out += "  </properties>\n";
    return out + body + "</testsuite>\n";
}

namespace {

std::string csvField(const std::string& s)
{
    if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
    std::string out = "\"";
    for (const char c : s) out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

}  // namespace

std::string runReportCsv(const run::RunRecord& r)
{
    std::string t = "time,pass,route,value,hex,meaning,class\n";
    for (const run::StatusEvent& e : r.statuses) {
        const StatusReading m = readStatus(e.value);
        t += isoText(e.atMs, r.utcOffsetMinutes) + "," + num(e.pass) + "," + routeText(e.route, r.settings) + "," +
             num(e.value) + "," + hexValue(e.value) + "," + csvField(m.meaning) + "," +
             csvField(classText(m.faultClass)) + "\n";
    }
    return t;
}

}  // namespace printbench::cockpit
