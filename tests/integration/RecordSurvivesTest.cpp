// Programs killed in the middle of a run, as a shutdown, a closed terminal or a crash kills them:
// what printbench-run's reports, the window's run log and a capture keep, and what the next
// start makes of it. The window's program runs as a child process of these tests (the child mode
// at the end of this file) on the offscreen platform.

#include "app/Application.h"
#include "support/PrinterPeer.h"
#include "support/Pty.h"
#include "support/Recorder.h"

#include <QLabel>
#include <QProcess>
#include <QTest>
#include <QTimer>
#include <QXmlStreamReader>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <csignal>
#include <iostream>
#include <mutex>
#include <poll.h>
#include <regex>
#include <thread>

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using namespace printbench::testkit;
using nlohmann::json;
using testing::HasSubstr;
using Clock = std::chrono::steady_clock;

namespace {

struct Kill {
    int signal;
    const char* name;
    bool caught() const { return signal != SIGKILL; }
};
void PrintTo(const Kill& k, std::ostream* out) { *out << k.name; }
std::string killName(const testing::TestParamInfo<Kill>& info) { return info.param.name; }

bool wholeXml(const std::string& text)
{
    QXmlStreamReader xml(QByteArray::fromStdString(text));
    while (!xml.atEnd()) xml.readNext();
    return !xml.hasError();
}

// Never the whole process group, as kill(0, ...) would.
void sendSignal(QProcess& p, int number)
{
    ASSERT_EQ(p.state(), QProcess::Running);
    ::kill(pid_t(p.processId()), number);
}

// How a process ended: its exit status, or -1 when a signal killed it.
struct Ended {
    int exit = -1;
    std::string out, err;
};
Ended finish(QProcess& p)
{
    EXPECT_TRUE(p.waitForFinished(30000));
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput().toStdString(),
            p.readAllStandardError().toStdString()};
}

// The bench's settings and records in folders of the test's own.
struct Folders : testing::Test {
    bool appReady = (ensureQtApp(), true);
    TempDir config, data, files;  // files: the printer's log and receipts
    QProcess printer;

    ~Folders() override
    {
        printer.kill();
        printer.waitForFinished();
    }
    QProcessEnvironment environment() const
    {
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert("XDG_CONFIG_HOME", q(config.path()));
        e.insert("XDG_DATA_HOME", q(data.path()));
        e.insert("QT_QPA_PLATFORM", "offscreen");
        return e;
    }
    fs::path ports() const { return config.path() / "printbench/ports"; }
    // printbench-printer as a KL-330, its log in a file.
    void startPrinter(const QStringList& where)
    {
        printer.setProcessChannelMode(QProcess::MergedChannels);
        printer.setStandardOutputFile(q(files.path() / "printer.log"));
        printer.start(PRINTBENCH_PRINTER, where + QStringList{"--model", "KL-330", "--out", q(files.path())});
    }
    std::string printerLog() const { return readFile(files.path() / "printer.log"); }
    bool printerCut(std::size_t times)
    {
        return QTest::qWaitFor([&] { return count(printerLog(), "ESC i: full cut") >= times; }, 20000);
    }
    // The window's program as a child process (see RecordSurvivesChild below).
    void startWindow(QProcess& child, const char* mode, const QString& capture = {})
    {
        QProcessEnvironment e = environment();
        e.insert("PRINTBENCH_CHILD", mode);
        if (!capture.isEmpty()) e.insert("PRINTBENCH_CAPTURE", capture);
        child.setProcessEnvironment(e);
        child.start(QCoreApplication::applicationFilePath(), {"--gtest_filter=RecordSurvivesChild.Window"});
        ASSERT_TRUE(child.waitForStarted());
    }
    // What the status bar says when the window's program starts.
    std::string nextStartSays()
    {
        QProcess child;
        startWindow(child, "report");
        const Ended e = finish(child);
        std::smatch m;
        return std::regex_search(e.out, m, std::regex("StatusLine: (.*)\n")) ? m[1].str() : "(none) " + e.out + e.err;
    }
    // Every line of the run log, each whole JSON.
    std::vector<json> runLog() const
    {
        std::vector<json> lines;
        std::error_code e;
        for (const auto& file : fs::directory_iterator(data.path() / "printbench/runs", e)) {
            if (file.path().extension() != ".jsonl") continue;
            std::istringstream in(readFile(file.path()));
            for (std::string line; std::getline(in, line);) {
                lines.push_back(json::parse(line, nullptr, false));
                EXPECT_TRUE(lines.back().is_object()) << line;
            }
        }
        return lines;
    }
};

// --- printbench-run ---------------------------------------------------------------------------

struct RunnerKilled : Folders, testing::WithParamInterface<Kill> {};

// A run without end against the virtual printer on TCP, killed after a few passes. Caught, the
// signal stops it as "Stop" does: exit 130 and final reports naming the signal. SIGKILL leaves the
// reports as last written, each whole: the run had not ended, with the statuses heard until then;
// the next run with the same report says so.
TEST_P(RunnerKilled, LeavesWholeReportsThatSayHowTheRunEnded)
{
    const Kill kill = GetParam();
    startPrinter({"--tcp", "0"});
    std::smatch m;
    std::string log;  // the match points into it
    const std::regex listening(" on tcp 127\\.0\\.0\\.1:([0-9]+),");
    ASSERT_TRUE(QTest::qWaitFor([&] { return std::regex_search(log = printerLog(), m, listening); })) << printerLog();
    const QStringList at{"--model", "KL-330", "--port", "tcp://127.0.0.1:" + QString::fromStdString(m[1])};
    const fs::path report = data.path() / "run.json", junit = data.path() / "run.xml";

    QProcess runner;
    runner.setProcessEnvironment(environment());
    runner.start(PRINTBENCH_RUN, at + QStringList{"--repeat", "0", "--delay", "50", "--report", q(report), "--junit", q(junit),
                                                  "sequence", "Full Cut,Feed"});
    ASSERT_TRUE(printerCut(3)) << printerLog();
    sendSignal(runner, kill.signal);
    EXPECT_EQ(finish(runner).exit, kill.caught() ? 130 : -1);

    const json r = json::parse(readFile(report), nullptr, false);
    ASSERT_TRUE(r.is_object()) << readFile(report);
    const bool caught = kill.caught();
    EXPECT_EQ(std::tuple(r["final"], r["stop"]["reason"]),
              std::tuple(caught, caught ? "stopped by " + std::string(kill.name) : "interrupted"));
    EXPECT_GT(r["passesBegun"].get<int>(), 0);
    ASSERT_FALSE(r["statuses"].empty());
    EXPECT_EQ(r["statuses"][0]["hex"], "0x12");

    const std::string xml = readFile(junit);
    EXPECT_TRUE(wholeXml(xml)) << xml;
    EXPECT_EQ(count(xml, "<error"), count(xml, "<error type=\"interrupted\""));
    EXPECT_EQ(count(xml, "<error"), caught ? 0u : 1u);
    if (caught) {  // the last pass, skipped if it was stopped before it completed
        const std::string last = "name=\"pass " + std::to_string(r["passesBegun"].get<int>()) + "\"";
        const bool skipped = r["passesBegun"] > r["passesCompleted"];
        EXPECT_THAT(xml, HasSubstr(last + (skipped ? ">\n    <skipped message=\"stopped by " + std::string(kill.name) + "\"/>" : "/>")));
    }

    runner.start(PRINTBENCH_RUN, at + QStringList{"--report", q(report), "status"});
    const Ended next = finish(runner);
    EXPECT_EQ(next.exit, 0) << next.err;
    const std::string note = report.string() + " held a run that did not end: ";
    EXPECT_EQ(count(next.err, note), caught ? 0u : 1u) << next.err;
    EXPECT_EQ(json::parse(readFile(report), nullptr, false).value("action", ""), "Status");
}

INSTANTIATE_TEST_SUITE_P(Signals, RunnerKilled,
                         testing::Values(Kill{SIGKILL, "SIGKILL"}, Kill{SIGTERM, "SIGTERM"}, Kill{SIGHUP, "SIGHUP"}), killName);

// --- The window's program ---------------------------------------------------------------------

struct WindowKilled : Folders, testing::WithParamInterface<Kill> {};

// A run without end on COM11, the virtual printer on a pty, killed after a few passes (a second
// window started meanwhile does not take it for interrupted). Caught, the signal ends the run as
// "Stop" does and then the program: the run log holds the run from its start line to its end
// line. SIGKILL leaves the start and the statuses: the next start closes the run as interrupted
// and shows it in the status bar, the one after that no more.
TEST_P(WindowKilled, KeepsTheRunInTheRunLogAndTheNextStartClosesAnInterruptedOne)
{
    const Kill kill = GetParam();
    startPrinter({"--com", "11", "--ports", q(ports())});
    ASSERT_TRUE(QTest::qWaitFor([&] { return fs::is_symlink(ports() / "COM11"); })) << printerLog();
    QProcess window;
    startWindow(window, "run");
    ASSERT_TRUE(printerCut(3)) << printerLog() << window.readAllStandardError().toStdString();
    EXPECT_EQ(nextStartSays(), "Ready");  // another window's start leaves a live run alone
    sendSignal(window, kill.signal);
    EXPECT_EQ(finish(window).exit, kill.caught() ? 0 : -1);

    std::vector<json> lines = runLog();
    ASSERT_FALSE(lines.empty());
    const json start = lines.front();
    EXPECT_EQ(std::tuple(start["schema"], start["type"], start["action"]), std::tuple(2, "start", "Run"));
    std::map<std::string, int> types;
    for (const json& line : lines) {
        EXPECT_EQ(line["runId"], start["runId"]);
        ++types[line.value("type", "")];
    }
    EXPECT_GE(types["status"], 1);
    EXPECT_EQ(types["end"], kill.caught() ? 1 : 0);
    if (kill.caught()) {
        const json& stop = lines.back()["stop"];
        EXPECT_EQ(std::tuple(stop["reason"], stop["by"]), std::tuple("stopped by " + std::string(kill.name), kill.name));
        EXPECT_GE(lines.back()["passesBegun"].get<int>(), 3);
        EXPECT_EQ(nextStartSays(), "Ready");
    } else {
        EXPECT_THAT(nextStartSays(), testing::MatchesRegex("Interrupted: Run started [0-9-]+ [0-9:]+[ ,].* pass [1-9][0-9]*[,;] "
                                                           "last status 0x12 normal"));
        lines = runLog();
        EXPECT_EQ(std::tuple(lines.back()["type"], lines.back()["runId"], lines.back()["stop"]["reason"]),
                  std::tuple("end", start["runId"], "interrupted"));
        EXPECT_EQ(nextStartSays(), "Ready");
        EXPECT_EQ(runLog().size(), lines.size());
    }
    EXPECT_TRUE(fs::is_empty(data.path() / "printbench/runs/live"));  // no run left to close
}

INSTANTIATE_TEST_SUITE_P(Signals, WindowKilled,
                         testing::Values(Kill{SIGKILL, "SIGKILL"}, Kill{SIGTERM, "SIGTERM"}, Kill{SIGHUP, "SIGHUP"},
                                         Kill{SIGINT, "SIGINT"}),
                         killName);

// The window's program records a capture from before COM11 opens, the test itself the printer on
// a pty (each DLE EOT 2 answered 0x12), and is killed in the middle of the run: the capture is
// what the printer received, short by at most what was sent in the last second.
using CaptureKilled = Folders;
TEST_F(CaptureKilled, MidRunHoldsEverySentByteButThoseOfItsLastSecond)
{
    Pty pty;
    fs::create_directories(ports());
    fs::create_symlink(pty.slavePath(), ports() / "COM11");
    std::mutex mutex;
    std::string received;                                             // every byte, in order
    std::vector<std::pair<Clock::time_point, std::size_t>> arrivals;  // when the bytes up to a size had come
    std::atomic<bool> done{false};
    const auto readSome = [&](int timeoutMs) {
        pollfd p{pty.masterFd(), POLLIN, 0};
        char buffer[4096];
        const ssize_t n = ::poll(&p, 1, timeoutMs) > 0 ? ::read(p.fd, buffer, sizeof buffer) : 0;
        if (n <= 0) return false;
        const std::lock_guard lock(mutex);
        const std::size_t from = received.size() < 2 ? 0 : received.size() - 2;
        received.append(buffer, std::size_t(n));
        arrivals.emplace_back(Clock::now(), received.size());
        for (std::size_t at = received.find("\x10\x04\x02", from); at != std::string::npos; at = received.find("\x10\x04\x02", at + 1))
            [[maybe_unused]] const ssize_t w = ::write(p.fd, "\x12", 1);
        return true;
    };
    std::thread reader([&] { while (!done) readSome(50); });

    QProcess window;
    const fs::path capture = data.path() / "capture.bin";
    startWindow(window, "run", q(capture));
    const auto sent = [&] {
        const std::lock_guard lock(mutex);
        return std::pair(count(received, "\x1b\x69"), arrivals.empty() ? 0s : Clock::now() - arrivals.front().first);
    };
    EXPECT_TRUE(QTest::qWaitFor([&] { return sent().first >= 5 && sent().second >= 2s; }, 30000));
    const Clock::time_point killedAt = Clock::now();
    sendSignal(window, SIGKILL);
    window.waitForFinished();
    done = true;
    reader.join();
    while (readSome(1000)) {}  // what the killed program wrote and the line still held

    std::size_t dueBy = 0;
    for (const auto& [at, upTo] : arrivals)
        if (at <= killedAt - 1s) dueBy = upTo;
    const std::string captured = readFile(capture);
    EXPECT_GT(dueBy, 0u);
    EXPECT_GE(captured.size(), dueBy) << "of " << received.size();
    EXPECT_EQ(captured, received.substr(0, captured.size()));
    EXPECT_TRUE(captured.starts_with("\x1d\x61\x01"));  // GS a 1, as COM11 opened
}

} // namespace

// The child mode: the window's program as a user starts it, on the offscreen platform. With
// PRINTBENCH_CHILD=run, a run of "Full Cut" and "Feed" without end, 50 ms apart, on COM11 (with a
// capture into PRINTBENCH_CAPTURE when set); with PRINTBENCH_CHILD=report, the status bar's line
// once the window shows. Skipped when run as a test of its own.
TEST(RecordSurvivesChild, Window)
{
    const QByteArray mode = qgetenv("PRINTBENCH_CHILD");
    if (mode.isEmpty()) GTEST_SKIP() << "the window's program for WindowKilled and the capture test";
    static int argc = 1;
    static char name[] = "printbench", *argv[] = {name, nullptr};
    printbench::app::Application app(argc, argv);
    if (mode == "report") {
        QTimer::singleShot(1s, [&] {
            std::cout << "StatusLine: " << app.cockpit().findChild<QLabel*>("StatusLine")->text().toStdString() << std::endl;
            QCoreApplication::quit();
        });
    } else {
        if (const QByteArray capture = qgetenv("PRINTBENCH_CAPTURE"); !capture.isEmpty()) {
            ASSERT_EQ(app.journal().startCapture(capture.toStdString()), std::nullopt);
        }
        QTimer::singleShot(0, [&] {
            using printbench::window::Control;
            printbench::window::Form1& form = app.window().form();
            form.setListIndex(Control::Combo2, 11);
            for (const int entry : {3, 2}) {  // "Full Cut", "Feed"
                form.setListIndex(Control::List1, entry);
                form.List1_DblClick();
            }
            form.setText(Control::Text2, "0");
            form.setText(Control::Text5, "50");
            form.Command2_Click();
        });
    }
    EXPECT_EQ(app.exec(), 0);
}
