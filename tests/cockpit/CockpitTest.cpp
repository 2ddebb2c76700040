#include "cockpit/ConsoleText.h"
#include "cockpit/Journal.h"
#include "cockpit/RunLog.h"
#include "cockpit/RunLogWriter.h"
#include "cockpit/StatusNames.h"
#include "patterns/TestPrints.h"
#include "link/usb/UsbPrinterControl.h"
#include "support/Benches.h"
#include "support/FakeUsbTransport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <regex>
#include <sstream>
#include <thread>

namespace {

using namespace printbench;
using cockpit::Journal;
using testkit::Bench;
using window::Control;

// 2026-12-07 14:02:09 in Seoul (UTC+9) when the recorder's clock reads 0.
constexpr std::int64_t kStart = 1796619729000;

// The main window's handlers with a journal listening to the link and the runs.
struct Cockpit : Bench {
    Journal journal{rec};
    Cockpit()
    {
        journal.setClock(kStart, 540);
        form.setRunObserver(&journal);
        form.link().setTap(&journal);
        serial();
    }
    void printerSends(int eventPass, std::uint8_t status)
    {
        rec.atEventPass(eventPass, [this, status] {
            rec.receive({status});
            rec.deliverReceive();
        });
    }
    // The event loop once the handler has returned: `ms` pass, what arrived is announced, and
    // the record's listening time runs out.
    void afterRun(std::int64_t ms = 200)
    {
        for (std::int64_t t = 0; t < ms; t += 10) {
            rec.passTime(10);
            if (!rec.serial.rx.empty()) rec.deliverReceive();
            journal.tick();
        }
    }
    // The lines of the run's JUnit file that name a failure, an error or a skip.
    std::string junitVerdict() const
    {
        std::string out;
        const std::string xml = cockpit::runJunitXml(*journal.run());
        for (std::size_t at = 0, end; (end = xml.find('\n', at)) != std::string::npos; at = end + 1) {
            const std::string line = xml.substr(at, end - at);
            if (line.find("<failure") != std::string::npos || line.find("<error") != std::string::npos ||
                line.find("<skipped") != std::string::npos || line.find("<testsuite ") != std::string::npos)
                out += line.substr(line.find_first_not_of(' ')) + "\n";
        }
        return out;
    }
};

// How a run ends depends on what the printer said and when it arrived: a fault in the last
// pass or just after the last byte ends it as stopped by a fault, a silent printer is no
// success, a printer that answers half is counted, and the first cause of a stop is kept.
// Full Cut, Repeat 3, Delay 2000: requests leave at 0, 2000 | 2000, 4000 | 4000, 6000 ms.
TEST(RunRecord, EndingsFollowWhatThePrinterSaidAndWhenItArrived)
{
    const struct {
        const char* name;
        std::function<void(Cockpit&)> printer;
        const char* line;
        const char* junit;  // the suite's line, then its verdict lines
    } rows[] = {
        {"a paper end in the last pass, read after the run",
         [](Cockpit& c) {
             c.rec.answerStatusRequests([&c](int n) { return std::optional<std::uint8_t>(n < 6 ? 0x12 : 0x32); });
             c.rec.arriveAt(5000, {0x32});
         },
         "Stopped at pass 3 (paper end 0x32 arrived in pass 3 at 14:02:14.000)",
         "<testsuite name=\"printbench Run Full Cut\" tests=\"3\" failures=\"1\" errors=\"0\" skipped=\"0\" time=\"6.000\" timestamp=\"2026-12-07T14:02:09.000+09:00\">\n"
         "<failure type=\"stopped by a fault\" message=\"paper end (0x32) arrived at 14:02:14.000 in pass 3\"/>\n"},
        {"a cover open 60 ms after the last byte",
         [](Cockpit& c) {
             c.rec.answerStatusRequests(0x12);
             c.rec.arriveAt(6060, {0x05});
         },
         "Stopped at pass 3 (cover open 0x05 arrived in pass 3 at 14:02:15.060)",
         "<testsuite name=\"printbench Run Full Cut\" tests=\"3\" failures=\"1\" errors=\"0\" skipped=\"0\" time=\"6.000\" timestamp=\"2026-12-07T14:02:09.000+09:00\">\n"
         "<failure type=\"stopped by a fault\" message=\"cover open (0x05) arrived at 14:02:15.060 in pass 3\"/>\n"},
        {"a cover open 150 ms after the last byte is not the run's",
         [](Cockpit& c) {
             c.rec.answerStatusRequests(0x12);
             c.rec.arriveAt(6150, {0x05});
         },
         "Done: 3 passes in 00:00:06",
         "<testsuite name=\"printbench Run Full Cut\" tests=\"3\" failures=\"0\" errors=\"0\" skipped=\"0\" time=\"6.000\" timestamp=\"2026-12-07T14:02:09.000+09:00\">\n"},
        {"a printer that never answers", [](Cockpit&) {},
         "No answer from the printer at pass 3: 6 of 6 status requests unanswered",
         "<testsuite name=\"printbench Run Full Cut\" tests=\"3\" failures=\"1\" errors=\"0\" skipped=\"0\" time=\"6.000\" timestamp=\"2026-12-07T14:02:09.000+09:00\">\n"
         "<failure type=\"no answer from the printer\" message=\"no answer from the printer: 6 of 6 status requests unanswered\"/>\n"},
        {"a printer that answers every other request",
         [](Cockpit& c) { c.rec.answerStatusRequests([](int n) { return n % 2 ? std::optional<std::uint8_t>(0x12) : std::nullopt; }); },
         "Done: 3 passes in 00:00:06 · 3 of 6 status requests unanswered",
         "<testsuite name=\"printbench Run Full Cut\" tests=\"3\" failures=\"0\" errors=\"0\" skipped=\"0\" time=\"6.000\" timestamp=\"2026-12-07T14:02:09.000+09:00\">\n"},
        {"a paper end in pass 2, Stop pressed in the event pass that reads it",
         [](Cockpit& c) {
             c.rec.answerStatusRequests([&c](int) { return std::optional<std::uint8_t>(c.rec.clockMs >= 3000 ? 0x32 : 0x12); });
             c.rec.arriveAt(3000, {0x32});
             c.rec.atEventPass(3, [&c] { c.form.Command6_Click(); });
         },
         "Stopped at pass 3 (paper end 0x32 arrived in pass 2 at 14:02:12.000)",
         "<testsuite name=\"printbench Run Full Cut\" tests=\"2\" failures=\"1\" errors=\"0\" skipped=\"0\" time=\"4.300\" timestamp=\"2026-12-07T14:02:09.000+09:00\">\n"
         "<failure type=\"stopped by a fault\" message=\"paper end (0x32) arrived at 14:02:12.000 in pass 2\"/>\n"},
        {"the link lost in pass 2",
         [](Cockpit& c) {
             c.rec.answerStatusRequests(0x12);
             c.rec.atEventPass(2, [&c] { c.rec.serial.flushError = "Input/output error"; });
         },
         "Link lost at pass 2: COM3: Input/output error",
         "<testsuite name=\"printbench Run Full Cut\" tests=\"2\" failures=\"1\" errors=\"0\" skipped=\"0\" time=\"4.000\" timestamp=\"2026-12-07T14:02:09.000+09:00\">\n"
         "<failure type=\"link lost\" message=\"link lost: Input/output error\"/>\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Cockpit c;
        c.add("Full Cut");
        c.type(Control::Text2, "3");
        c.type(Control::Text5, "2000");
        row.printer(c);
        c.form.Command2_Click();
        c.afterRun();
        EXPECT_FALSE(c.journal.listening());
        EXPECT_EQ(c.journal.statusLine(), row.line);
        EXPECT_EQ(c.junitVerdict(), row.junit);
    }
}

// The JUnit file has a case for each of the first 1,000 passes and folds the rest into one, but
// the pass that failed or was stopped is always a case of its own; a file written before the
// run ended says so, on the pass in progress.
TEST(RunRecord, JunitFoldsPassesBeyondAThousandAndMarksARecordWrittenBeforeTheEnd)
{
    using run::RunEnding;
    const std::string pass1000 = "  <testcase classname=\"printbench.Run\" name=\"pass 1000\"/>\n", tc = "  <testcase classname=\"printbench.Run\" ";
    const struct {
        std::int64_t begun, completed, faultPass;
        RunEnding ending;
        bool final;
        const char* counts;  // of the suite's line
        std::string tail;    // the cases after pass 1000
        const char* stop;    // in the record's JSON
    } rows[] = {
        {1500, 1500, 0, RunEnding::Completed, true, "tests=\"1001\" failures=\"0\" errors=\"0\" skipped=\"0\"",
         tc + "name=\"passes 1001\u20131500\"/>\n", R"("stop":{"reason":"completed"})"},
        {1201, 1199, 1200, RunEnding::StoppedByFault, true, "tests=\"1002\" failures=\"1\" errors=\"0\" skipped=\"0\"",
         tc + "name=\"passes 1001\u20131199\"/>\n" + tc + "name=\"pass 1200\">\n"
              "    <failure type=\"stopped by a fault\" message=\"paper end (0x32) arrived at 14:22:08.500 in pass 1200\"/>\n  </testcase>\n",
         R"("stop":{"reason":"stopped by a fault","status":)"},
        {1500, 1499, 0, RunEnding::StoppedByUser, true, "tests=\"1002\" failures=\"0\" errors=\"0\" skipped=\"1\"",
         tc + "name=\"passes 1001\u20131499\"/>\n" + tc + "name=\"pass 1500\">\n    <skipped message=\"stopped by Stop\"/>\n  </testcase>\n",
         R"("stop":{"reason":"stopped by Stop","by":"Stop"})"},
        {1500, 1499, 0, RunEnding::Running, false, "tests=\"1002\" failures=\"0\" errors=\"1\" skipped=\"0\"",
         tc + "name=\"passes 1001\u20131499\"/>\n" + tc + "name=\"pass 1500\">\n"
              "    <error type=\"interrupted\" message=\"the run had not ended when this was written (pass 1500)\"/>\n  </testcase>\n",
         R"("stop":{"reason":"interrupted"})"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.stop);
        run::RunRecord r;
        r.runId = "20261207-140209-0-1";
        r.settings.label = "Run", r.settings.sequence = {"Full Cut"};
        r.startMs = kStart, r.endMs = kStart + 1500000, r.utcOffsetMinutes = 540;
        r.passesBegun = row.begun, r.passesCompleted = row.completed, r.ending = row.ending;
        if (row.ending == RunEnding::StoppedByUser) r.stoppedBy = "Stop";
        if (row.faultPass) r.stopStatus = run::StatusEvent{kStart + 1199500, 0x32, link::Route::Serial, row.faultPass};
        const std::string xml = cockpit::runJunitXml(r, row.final), json = cockpit::runRecordJson(r, row.final);
        EXPECT_NE(xml.find("<testsuite name=\"printbench Run Full Cut\" " + std::string(row.counts) +
                           " time=\"1500.000\" timestamp=\"2026-12-07T14:02:09.000+09:00\">\n"),
                  std::string::npos) << xml.substr(0, 200);
        EXPECT_EQ(xml.substr(xml.find(pass1000) + pass1000.size()), row.tail + "</testsuite>\n");
        EXPECT_NE(json.find(row.final ? R"("final":true,)" : R"("final":false,)"), std::string::npos) << json;
        EXPECT_NE(json.find(row.stop), std::string::npos) << json;
    }
}

// The lines of a file written whole so far.
std::vector<std::string> linesOf(const std::filesystem::path& file)
{
    std::vector<std::string> lines;
    std::istringstream in(testkit::readFile(file));
    for (std::string line; std::getline(in, line) && !in.eof();) lines.push_back(line);
    return lines;
}

// The run log is written as the run goes: its start, a line for each change of status (six 0x12
// make one line) and for the fault, progress lines of their own while the run waits, and the
// whole record at the end, synced at the start, the fault and the end. Full Cut, Repeat 3,
// Delay 2000: six requests answered 0x12, a paper end 50 ms after the last.
TEST(RunLog, TheRunIsWrittenAheadAChangeOfStatusALineProgressOnItsOwn)
{
    testkit::TempDir logs;
    Cockpit c;
    cockpit::RunLogWriter writer{logs.path(), {42, "printbench", "bench"}, &c.journal.live(), std::chrono::milliseconds(20)};
    c.journal.addSink(&writer);
    const std::filesystem::path day = logs.path() / "2026-12-07.jsonl";
    c.add("Full Cut");
    c.type(Control::Text2, "3");
    c.type(Control::Text5, "2000");
    c.rec.answerStatusRequests(0x12);
    c.rec.arriveAt(6050, {0x32});
    std::string progress;  // the first line written while the sending thread waits in pass 2
    c.rec.atEventPass(2, [&] {
        writer.drain();
        const std::size_t before = linesOf(day).size();
        for (int i = 0; i < 2000 && linesOf(day).size() == before; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        progress = linesOf(day).at(before);
    });
    c.form.Command2_Click();
    c.afterRun();
    writer.drain();
    EXPECT_NE(progress.find(R"(,"type":"progress",)"), std::string::npos) << progress;
    EXPECT_NE(progress.find(R"("passesBegun":2,"passesCompleted":1,"commandsExecuted":1,"bytesSent":15,"bytesReceived":2,)"
                            R"("statusRequests":2,"statusUnanswered":0,)"), std::string::npos) << progress;
    std::string lines;            // every line but the progress lines
    std::uint64_t unchanged = 0;  // told by the lines after the first status line
    for (const std::string& line : linesOf(day)) {
        const auto j = nlohmann::json::parse(line, nullptr, false);
        ASSERT_TRUE(j.is_object()) << line;
        EXPECT_EQ(std::pair(j.value("schema", 0), j.value("runId", "")), std::pair(2, std::string("20261207-140209-0-1"))) << line;
        const std::string type = j.value("type", "");
        if (lines.find("status") != std::string::npos) unchanged += j.value(type == "status" ? "unchangedBefore" : "unchangedStatuses", 0u);
        if (type == "status") lines += "status " + j["status"].value("hex", "") + " pass " + std::to_string(j["status"].value("pass", 0)) + " | ";
        if (type == "start" || type == "end") lines += type + (type == "end" ? ": " + j["stop"].value("reason", "") : " | ");
    }
    EXPECT_EQ(lines, "start | status 0x12 pass 1 | status 0x32 pass 3 | end: stopped by a fault");
    EXPECT_EQ(unchanged, 5u);
    EXPECT_GE(writer.counts().syncs, 3u);
}

// A run whose writer is gone without its end line (a killed program) is read back as
// interrupted with what it recorded, and closed once; while its writer lives, its lock says so.
// Lines that are not the log's own are passed over.
TEST(RunLog, ARunLeftOpenIsReadBackAsInterruptedOnlyOnceItsWriterIsGone)
{
    testkit::TempDir logs;
    testkit::Recorder rec;
    const std::filesystem::path day = logs.path() / "2026-12-07.jsonl";
    {
        Journal journal(rec);
        journal.setClock(kStart, 540);
        cockpit::RunLogWriter writer{logs.path(), {42, "printbench", "bench"}, nullptr};
        journal.addSink(&writer);
        run::RunSettings settings;
        settings.action = run::Action::Sequence, settings.model = "KR-420", settings.port = "COM3", settings.delayMs = 500;
        settings.sequence = {"Full Cut", "Feed"};
        journal.runStarted(settings);
        journal.passBegun(1, 0);
        rec.clockMs = 700;
        journal.passBegun(2, 0);
        journal.codeSent({"QR", "model 2, module 6, level M", "가", {0xEA, 0xB0, 0x80}});
        const std::uint8_t paperEnd = 0x32;
        journal.traffic({900, link::Route::Serial, link::Traffic::Direction::Received, std::span(&paperEnd, 1)});
        writer.drain();
        EXPECT_TRUE(cockpit::readInterruptedRuns(logs.path()).empty()) << "a live run";
    }
    std::ofstream(day, std::ios::app) << "not JSON\n"
                                      << R"({"schema":1,"runId":"20261207-140209-0-1","type":"end"})" "\n"
                                      << R"({"schema":2,"runId":"20261207-140209-0-1","type":"status","time":"2026-12)" "\n";
    const std::vector<run::RunRecord> runs = cockpit::readInterruptedRuns(logs.path());
    ASSERT_EQ(runs.size(), 1u);
    const run::RunRecord& r = runs[0];
    EXPECT_EQ(std::tuple(r.runId, r.ending, r.settings.model, r.settings.sequence, r.settings.delayMs, r.passesBegun, r.endMs - r.startMs),
              std::tuple("20261207-140209-0-1", run::RunEnding::Interrupted, "KR-420", std::vector<std::string>{"Full Cut", "Feed"},
                         500, 2, 900));
    ASSERT_EQ(r.statuses.size(), 1u);
    EXPECT_EQ(std::tuple(r.statuses[0].atMs - kStart, r.statuses[0].value, r.statuses[0].pass), std::tuple(900, 0x32, 2));
    // A code sent is a line of its own as it leaves, and the end line written for the run lists it.
    EXPECT_NE(testkit::readFile(day).find(R"("type":"code","code":{"symbology":"QR","settings":"model 2, module 6, level M",)"
                                          R"("text":"가","dataHex":"EA B0 80"}})"),
              std::string::npos);
    ASSERT_EQ(r.codes.size(), 1u);
    EXPECT_EQ(std::tuple(r.codes[0].symbology, r.codes[0].text, r.codes[0].data),
              std::tuple("QR", "가", std::vector<std::uint8_t>{0xEA, 0xB0, 0x80}));

    EXPECT_EQ(cockpit::closeInterruptedRun(logs.path(), r), std::nullopt);
    EXPECT_NE(linesOf(day).back().find(R"(,"stop":{"reason":"interrupted"},"codes":[{"symbology":"QR")"), std::string::npos)
        << linesOf(day).back();
    EXPECT_FALSE(std::filesystem::exists(logs.path() / "live" / "20261207-140209-0-1.lock"));
    EXPECT_TRUE(cockpit::readInterruptedRuns(logs.path()).empty());
}

std::string rowsText(const status::PrinterIdentity& id)
{
    std::string out;
    for (const auto& [name, value] : id.rows()) out += (out.empty() ? "" : " | ") + name + ": " + value;
    return out;
}

// GS I n, one query at a time, each waiting up to 1000 ms for its answer, to a printer that
// answers some of them (a stray byte before a text answer is not in it). The answers are
// no statuses, and the next run's record carries them. With no port chosen, or during a run,
// nothing is asked. On USB the answers come from the printer's IN endpoint, and its device ID
// says more.
TEST(Identity, EachQueryWaitsForItsOwnAnswerWhichIsNoStatusAndGoesIntoTheNextRecord)
{
    Cockpit c;
    const std::map<std::uint8_t, std::vector<std::uint8_t>> answers{
        {0x01, {0x20}}, {0x03, {0x10}}, {0x41, {0x5F, 0x31, 0x2E, 0x30, 0x30, 0x00}}, {0x44, {0x12, 0x5F, 0x50, 0x42, 0x2D, 0x37, 0x00}}};
    const auto answer = [&](const std::vector<std::uint8_t>& query, auto reply) {
        if (query.size() == 3 && query[0] == 0x1D && query[1] == 0x49 && answers.contains(query[2]))
            for (const std::uint8_t b : answers.at(query[2])) reply(b);
    };
    c.rec.serial.onWrite = [&](const std::vector<std::uint8_t>& bytes) { answer(bytes, [&](std::uint8_t b) { c.rec.receive({b}); }); };
    const auto identity = c.form.Identify();
    ASSERT_TRUE(identity);
    EXPECT_EQ(std::regex_replace(c.rec.only({"serial", "sleep", "events"}), std::regex("sleep 10( \\| sleep 10){99}"), "sleep 10 x100"),
              "serial text 1D 49 01 | sleep 10 | serial text 1D 49 02 | sleep 10 x100 | serial text 1D 49 03 | sleep 10 | "
              "serial text 1D 49 41 | sleep 10 | serial text 1D 49 42 | sleep 10 x100 | serial text 1D 49 43 | sleep 10 x100 | "
              "serial text 1D 49 44 | sleep 10 | serial text 1D 49 45 | sleep 10 x100");
    const std::string rows = "Model ID: 0x20 | Type ID: no answer | ROM version: 0x10 | Firmware version: 1.00 | "
                             "Maker: no answer | Model name: no answer | Serial number: PB-7 | Fonts: no answer";
    EXPECT_EQ(rowsText(*identity), rows);
    EXPECT_FALSE(c.journal.lastStatus());
    c.add("Full Cut");
    std::optional<status::PrinterIdentity> during = status::PrinterIdentity{};
    c.rec.atEventPass(1, [&] { during = c.form.Identify(); });
    c.rec.timeline.clear();
    c.form.Command2_Click();
    EXPECT_TRUE(!during && c.rec.stream().find("1D 49") == std::string::npos) << c.rec.stream();
    EXPECT_NE(cockpit::runRecordJson(*c.journal.run())
                  .find(R"("identity":{"modelId":"0x20","romVersion":"0x10","firmware":"1.00","serialNumber":"PB-7"}})"),
              std::string::npos);
    c.choose(Control::Combo2, 0);
    c.rec.timeline.clear();
    EXPECT_FALSE(c.form.Identify());
    EXPECT_EQ(c.rec.wire(), "message critical \"Please Select Port\"");

    c.usb();
    c.rec.usb.deviceIdText = "MFG:PrintBench;CMD:ESC/POS;MDL:KR-420;SN:PB-7;";
    c.rec.usb.onWrite = [&](const std::vector<std::uint8_t>& bytes) { answer(bytes, [&](std::uint8_t b) { c.rec.usb.reply.push_back(b); }); };
    const auto usb = c.form.Identify();
    ASSERT_TRUE(usb);
    EXPECT_EQ(rowsText(*usb), rows + " | USB MFG: PrintBench | USB MDL: KR-420 | USB SN: PB-7");
    EXPECT_EQ(std::pair(c.rec.count("usb reply 100 -> nothing"), c.rec.count("usb reply 100 -> 12 5F 50 42 2D 37 00")), std::pair(40ul, 1ul));
}

TEST(StatusNames, ClassAndConditionsOfAByte)
{
    const struct { std::int32_t value; const char* text; } rows[] = {
        {0x00, "0x00 normal normal 0"},    {0x12, "0x12 normal normal 0"},
        {0x1A, "0x1A offline normal 1"},   {0x01, "0x01 fault fault 1"},
        {0x05, "0x05 cover open fault 2"}, {0x32, "0x32 paper end fault that needs time to settle 2"},
        {0x52, "0x52 error fault that needs time to settle 2"},
        {0x76, "0x76 paper end, cover open, error fault that needs time to settle 2"},
        {0x80, "0x80 fault, needs time to settle fault that needs time to settle 2"},
        {300, "0x12C not a status byte normal 1"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        const cockpit::StatusReading r = cockpit::readStatus(row.value);
        EXPECT_EQ(cockpit::hexValue(row.value) + " " + r.meaning + " " + cockpit::classText(r.faultClass) + " " +
                      std::to_string(static_cast<int>(r.severity)),
                  row.text);
    }
}

// Whatever asks a run to stop after its first cause (Stop, a lost link, a fault, a signal) does
// not change how it ended.
TEST(RunRecord, TheFirstCauseOfAStopIsKept)
{
    using run::StopCause;
    const struct {
        const char* name;
        StopCause first, then;
        const char* ending;
    } rows[] = {
        {"a fault, then Stop", StopCause::Fault, StopCause::User, "stopped by a fault"},
        {"a fault, then a lost link", StopCause::Fault, StopCause::LinkLost, "stopped by a fault"},
        {"a signal, then a fault", StopCause::User, StopCause::Fault, "stopped by SIGTERM"},
        {"a lost link, then a fault", StopCause::LinkLost, StopCause::Fault, "link lost"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        testkit::Recorder rec;
        Journal journal(rec);
        journal.runStarted({});
        journal.passBegun(1, 0);
        const std::uint8_t fault = 0x32;
        journal.traffic({0, link::Route::Serial, link::Traffic::Direction::Received, std::span(&fault, 1)});
        journal.stopAsked(row.first, row.first == StopCause::User ? "SIGTERM" : "");
        journal.stopAsked(row.then, row.then == StopCause::User ? "Stop" : "");
        journal.runEnded(false);
        journal.closeRun("End");
        EXPECT_EQ(cockpit::endingText(*journal.run()), row.ending);
    }
}

// A run of "Full Cut" until Stop with the model chosen, a normal status in pass 2, paper end,
// cover open and error in pass 5; the other status requests go unanswered.
TEST(RunRecord, AFaultStopsTheRunAndLeavesItsRecordReportAndStatusLine)
{
    Cockpit c;
    c.choose(Control::Combo4, 7);  // KR-420
    c.add("Full Cut");
    c.type(Control::Text2, "0");
    c.printerSends(2, 0x12);
    c.printerSends(5, 0x76);
    std::string during;
    c.rec.atEventPass(3, [&] { during = c.journal.statusLine(); });
    c.form.Command2_Click();
    c.afterRun();

    EXPECT_EQ(during, "Running Full Cut · pass 3 (until Stop) · 00:00:01 · last status 0x12 normal");
    EXPECT_EQ(c.journal.statusLine(), "Stopped at pass 5 (paper end, cover open, error 0x76 arrived in pass 5 at "
                                      "14:02:11.000) · 6 of 8 status requests unanswered");
    const std::string fault = R"({"time":"2026-12-07T14:02:11.000+09:00","value":118,"hex":"0x76","meaning":)"
                              R"("paper end, cover open, error","class":"fault that needs time to settle","route":"serial","pass":5})";
    EXPECT_EQ(cockpit::runRecordJson(*c.journal.run()),
              R"({"schema":2,"runId":"20261207-140209-0-1","type":"end","final":true,"action":"Run","actionId":"sequence",)"
              R"("start":"2026-12-07T14:02:09.000+09:00","end":"2026-12-07T14:02:11.300+09:00","durationMs":2300,)"
              R"("settings":{"model":"KR-420","port":"COM3","route":"serial","device":"/dev/ttyS2","speed":"19200",)"
              R"("density":"0","delayMs":500,"feedDots":100,"sequence":["Full Cut"],"repeatCount":0},"passesBegun":5,)"
              R"("passesCompleted":4,"commandsExecuted":4,"bytesSent":42,"bytesReceived":2,"statusRequests":8,)"
              R"("statusUnanswered":6,"statuses":[{"time":"2026-12-07T14:02:09.500+09:00","value":18,"hex":"0x12",)"
              R"("meaning":"normal","class":"normal","route":"serial","pass":2},)" + fault +
              R"(],"statusesDropped":0,"stop":{"reason":"stopped by a fault","status":)" + fault +
              R"(,"pass":5,"unanswered":"6 of 8 status requests unanswered"}})");
    EXPECT_EQ(cockpit::runReportText(*c.journal.run()),
              "PrintBench run report\n=====================\n\n"
              "Action            Run\n"
              "Run               20261207-140209-0-1\n"
              "Started           2026-12-07T14:02:09.000+09:00\n"
              "Ended             2026-12-07T14:02:11.300+09:00\n"
              "Duration          00:00:02\n"
              "Result            stopped by a fault\n"
              "Stopped by        paper end, cover open, error (0x76) arrived at 14:02:11.000 in pass 5\n"
              "\nSettings\n"
              "Model             KR-420\n"
              "Port              COM3\n"
              "Route             serial\n"
              "Device            /dev/ttyS2\n"
              "Speed             19200\n"
              "Density           0\n"
              "Delay             500 ms\n"
              "Feed              100 dots\n"
              "Repeat Rating     0 (until Stop)\n"
              "Sequence          Full Cut\n"
              "\nCounts\n"
              "Passes begun      5\n"
              "Passes completed  4\n"
              "Commands          4\n"
              "Bytes sent        42\n"
              "Bytes received    2\n"
              "Status requests   8 (6 unanswered)\n"
              "\nStatus events (2)\n"
              "  14:02:09.500  pass 2  0x12  normal\n"
              "  14:02:11.000  pass 5  0x76  paper end, cover open, error [fault that needs time to settle]\n");
    EXPECT_EQ(cockpit::runReportCsv(*c.journal.run()),
              "time,pass,route,value,hex,meaning,class\n"
              "2026-12-07T14:02:09.500+09:00,2,serial,18,0x12,normal,normal\n"
              "2026-12-07T14:02:11.000+09:00,5,serial,118,0x76,\"paper end, cover open, error\",fault that needs time to settle\n");
}

// Every way a run ends re-enables the buttons that start one, which were disabled meanwhile
// (and a second "Run" in an event pass starts nothing).
TEST(RunRecord, EveryEndingEnablesTheStartersAgainAndNamesItselfInTheStatusLine)
{
    const struct {
        void (window::Form1::*handler)();
        const char* repeat;
        int stopAt;  // event pass of "Stop" (0: none)
        bool linkFails;
        const char* line;
    } rows[] = {
        {&window::Form1::Command2_Click, "2", 0, false, "Done: 2 passes in 00:00:01"},
        {&window::Form1::Command2_Click, "0", 3, false, "Stopped by Stop at pass 3"},
        {&window::Form1::Command2_Click, "2", 0, true, "Link lost at pass 1: COM3: Input/output error"},
        {&window::Form1::Command8_Click, "2", 0, false, "Done: 2 passes in 00:00:02"},
        {&window::Form1::Command10_Click, "0", 2, false, "Stopped by Stop at pass 1"},
        {&window::Form1::Command11_Click, "1", 0, false, "Done: 1 pass in 00:00:01"},
        {&window::Form1::Command9_Click, "3", 0, false, "Done: 3 passes in 00:00:00"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.line);
        Cockpit c;
        c.add("Full Cut");
        c.type(Control::Text2, row.repeat);
        if (row.linkFails) c.rec.serial.flushError = "Input/output error";
        if (row.stopAt) c.rec.atEventPass(row.stopAt, [&] { c.form.Command6_Click(); });
        std::string during;
        c.rec.atEventPass(1, [&] {
            for (const Control b : {Control::Command2, Control::Command3, Control::Command8, Control::Command9,
                                    Control::Command10, Control::Command11, Control::Form3Command1})
                during += c.rec.isEnabled(b) ? "1" : "0";
            c.form.Command2_Click();
        });
        const std::size_t start = c.rec.timeline.size();
        (c.form.*row.handler)();
        EXPECT_EQ(during, "0000000");
        EXPECT_TRUE(c.rec.isEnabled(Control::Command2) && c.rec.isEnabled(Control::Form3Command1));
        EXPECT_EQ(c.journal.statusLine(), row.line);
        EXPECT_EQ(c.rec.find("serial bytes 1D 28 4B 02 00 31", start + 1), c.rec.timeline.size()) << "nested run";
    }
}

TEST(Traffic, TheRingKeepsItsBoundAndCountsWhatItDropped)
{
    testkit::Recorder rec;
    Journal journal(rec, Journal::Bounds{64 * 1024, 100, 100});
    const std::vector<std::uint8_t> block(1000, 0x41);
    for (int i = 0; i < 6400; ++i) {  // 100 times the bound
        rec.clockMs = i;
        journal.traffic({rec.clockMs, link::Route::Serial, link::Traffic::Direction::Sent, block});
    }
    EXPECT_LE(journal.trafficHeldBytes(), 64u * 1024);
    std::uint64_t kept = 0, records = 0;
    journal.readTraffic(0, [&](const cockpit::TrafficRecord& r) { kept += r.bytes.size(), ++records; });
    EXPECT_EQ(journal.droppedBytes() + kept, 6400000u);
    EXPECT_EQ(journal.droppedRecords() + records, 6400u);
    EXPECT_EQ(cockpit::ConsoleText::droppedText(6337), "(6,337 records dropped before the console showed them)");
    // A console that opens now has missed what went, and formats the rest on its own thread.
    cockpit::ConsoleWorker console;
    console.read(journal);
    const std::string text = console.take(true);
    EXPECT_EQ(console.missed(), journal.droppedRecords());
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), std::ptrdiff_t(records) + 1);  // and one heading

    // Sends of one millisecond merge into one record until a reader has seen it.
    Journal small(rec);
    for (const std::uint8_t b : {0x1B, 0x69}) small.traffic({5, link::Route::Usb, link::Traffic::Direction::Sent, std::span(&b, 1)});
    std::string seen;
    const std::uint64_t next = small.readTraffic(0, [&](const cockpit::TrafficRecord& r) { seen += std::to_string(r.bytes.size()); });
    const std::uint8_t b = 0x0A;
    small.traffic({5, link::Route::Usb, link::Traffic::Direction::Sent, std::span(&b, 1)});
    small.readTraffic(next, [&](const cockpit::TrafficRecord& r) { seen += "+" + std::to_string(r.bytes.size()); });
    EXPECT_EQ(seen, "2+1");
}

// The USB control keeps what it gathers readable: the tap reads it there, each byte once.
TEST(Traffic, BytesTheUsbControlGathersReachTheTapOnceEach)
{
    testkit::Recorder rec;
    testkit::FakeUsbTransport transport;
    transport.attached = {testkit::FakeUsbTransport::printer(1, "MDL:KR-420;")};
    link::CodePage codePage{"CP949"};
    link::usb::UsbPrinterControl usb{transport, codePage};
    testkit::TempDir ports;
    link::PrinterLink link{rec.serial, usb, rec, codePage, rec, ports.path()};
    Journal journal(rec);
    link.setTap(&journal);
    ASSERT_EQ(link.OpenUsbPrinter("KR-420"), 0);
    link.SendUsbByte(0x1B);
    link.SendUsbByte(0x69);
    link.handOverTraffic();  // as before the window tells of a new command
    rec.clockMs = 1;
    link.SendUsbText("가");
    link.flush();
    rec.clockMs = 2;
    link.SendUsbByte(0x0A);
    link.flush();
    std::string seen;
    journal.readTraffic(0, [&](const cockpit::TrafficRecord& r) { seen += testkit::hex(r.bytes) + " | "; });
    EXPECT_EQ(seen, "1B 69 | B0 A1 | 0A | ");
}

TEST(Traffic, TheConsoleGroupsByActionAndDecodesCommandsWithTheirParameters)
{
    Cockpit c;
    c.add("Feed");
    c.add("Text Output");
    c.type(Control::Text1, "J\x1b");  // a byte of text that looks like a command
    c.form.Command2_Click();
    c.printerSends(0, 0);
    c.rec.receive({0x32});
    c.rec.deliverReceive();
    cockpit::ConsoleText console;
    std::string text;
    c.journal.readTraffic(0, [&](const cockpit::TrafficRecord& r) { text += console.lines(c.journal, r); });
    EXPECT_EQ(text,
              "── Open COM3 ──\n"
              "14:02:09.000  → serial  1D 61 01   GS a 1: automatic status back on\n"
              "── Run ──\n"
              "14:02:09.000  → serial  1D 28 4B 02 00 31 00   GS ( K 49 m=0: print density 0\n"
              "── Run pass 1 · Feed ──\n"
              "14:02:09.000  → serial  1B 4A 64   ESC J 100: print and feed 100 dots\n"
              "── Run pass 1 · Text Output ──\n"
              "14:02:09.500  → serial  4A 1B 0A 1B 4A 7F 10 04 02   \"J\"; unknown: 1B 0A; ESC J 127: print and feed 127 dots; "
              "DLE EOT 2: send the offline status\n"
              "14:02:10.000  → serial  10 04 02   DLE EOT 2: send the offline status\n"
              "── Printer status ──\n"
              "14:02:10.000  ← serial  32   status 0x32 paper end\n"
              "14:02:10.000  → serial  10 05 02   DLE ENQ 2: recover from an error, clearing the buffers\n");
}

TEST(Capture, ACapturedTileGridAndTestPatternAreTheBytesThatWentOut)
{
    for (const bool tile : {true, false}) {
        SCOPED_TRACE(tile ? "the tile grid" : "the test pattern");
        testkit::Rig rig;
        Journal journal(rig.rec);
        rig.link.setTap(&journal);
        link::PrinterChannel& serial = rig.serial();
        testkit::TempDir dir;
        ASSERT_FALSE(journal.startCapture(dir.path() / "capture.bin"));
        rig.rec.repeat = 2;
        if (tile) patterns::PrintTilePattern(serial, 5, rig.state, rig.rec);
        else patterns::PrintTestPattern(serial, 5, rig.state, rig.rec);
        rig.link.flush();  // as the end of a handler does
        ASSERT_FALSE(journal.stopCapture());
        const std::string file = testkit::readFile(dir.path() / "capture.bin");
        EXPECT_EQ(file.size(), journal.capturedBytes());
        EXPECT_GT(file.size(), 800u);
        EXPECT_EQ(testkit::hex(std::span(reinterpret_cast<const std::uint8_t*>(file.data()), file.size())), rig.rec.stream());
    }
}

// Characters the code page lacks are named before anything leaves, and leave as "?" only
// when the technician agrees.
TEST(TextCodePage, MissingCharactersAreNamedAndSentOnlyWhenAgreed)
{
    Cockpit c;
    c.add("Text Output");
    c.type(Control::Text2, "1");
    c.type(Control::Text1, "가é");
    c.rec.answers = {false, true};
    c.form.Command2_Click();
    EXPECT_EQ(c.rec.wire(), "");
    c.form.Command2_Click();
    EXPECT_EQ(c.rec.count("ask \"The text to print has characters that code page CP949 cannot print: é\\r\\n"
                          "The printer would get \\\"?\\\" for each of them.\" Send as ?/Cancel"),
              2u);
    EXPECT_NE(c.rec.find("serial text B0 A1 3F 0A"), c.rec.timeline.size());

    c.rec.timeline.clear();
    c.type(Control::Text1, "가");  // nothing missing: nothing asked
    c.form.Command2_Click();
    EXPECT_EQ(c.rec.count("ask"), 0u);
    EXPECT_NE(c.rec.find("serial text B0 A1 0A"), c.rec.timeline.size());

    link::CodePage cp("CP437");
    EXPECT_EQ(cp.missingCharacters("가é가\xff"), (std::vector<std::string>{"가", "\xEF\xBF\xBD"}));
}

// A session fills the fields through their checks and the lists by their texts, but never
// changes the speed of an open COM port (that would reopen it and send GS a 1); a completed run's
// "1" in "Repeat Rating" does not replace the count the technician set.
TEST(Sessions, ASequenceAndASessionFillTheFieldsThroughTheirChecks)
{
    const struct { bool comOpen; int keptBy; const char* speed; } rows[] = {{true, 3, "19200"}, {false, 0, "9600"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.comOpen ? "COM3 open" : "COM3 closed");
        Cockpit c;
        if (!row.comOpen) c.form.link().closeSerial();  // the port list stays on COM3
        window::SessionFields s{{{"Full Cut", "Bogus", "Feed"}, "3", "250", "40", "hello"}, {"KR-420", "9600", "+2"}, true};
        c.rec.timeline.clear();
        EXPECT_EQ(c.form.restoreSession(s), row.keptBy);
        EXPECT_EQ(c.rec.wire(), "");
        EXPECT_EQ(c.rec.listText(Control::Combo4) + " " + c.rec.listText(Control::Combo1) + " " + c.rec.listText(Control::Combo3) +
                      " " + std::to_string(c.form.state().PrintWidthDots),
                  std::string("KR-420 ") + row.speed + " +2 512");
    }
    Cockpit c;
    window::SessionFields s{{{"Full Cut", "Bogus", "Feed"}, "3", "250", "40", "hello"}, {}, true};
    c.form.restoreSession(s);
    EXPECT_EQ(c.form.sessionFields().sequence.entries, (std::vector<std::string>{"Full Cut", "Feed"}));
    EXPECT_EQ(c.rec.text(Control::Text9) + " " + c.rec.text(Control::Text2) + " " + c.rec.text(Control::Text5) + " " +
                  c.rec.text(Control::Text10) + " " + c.rec.text(Control::Text1),
              "2 3 250 40 hello");
    EXPECT_TRUE(c.rec.checked(Control::Check2));

    c.form.Command2_Click();
    c.form.Command2_Click();  // with the 1 the first put back
    const auto repeats = [&] { return c.rec.text(Control::Text2) + " " + c.form.sequenceFields().repeat; };
    EXPECT_EQ(repeats(), "1 3");
    s.sequence.repeat = "3x";  // refused by the field's check, as if typed
    EXPECT_EQ(c.form.fillSequence(s.sequence), std::vector<std::string>{"Bogus"});
    EXPECT_EQ(c.rec.count("message critical \"Only Number!\""), 1u);
    EXPECT_EQ(repeats(), "1 1");
}

} // namespace
