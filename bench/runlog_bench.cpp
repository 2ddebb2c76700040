// What writing the run log ahead costs a soak, and how much of it there is:
//  1. The CPU time per pass of a "Full Cut" run at Delay 0 with the journal listening, with and
//     without the run log's writer: on a serial port in memory (the bench's own work alone, the
//     least of 5 runs of 1,000,000 passes each way, taking turns; the writer's thread counts), and
//     against the virtual printer on a pseudo-terminal (the least of 3 runs of 5 s each way).
//  2. A 75 s fault-free soak of "Full Cut" at Delay 0 against the virtual printer with the run
//     log: passes a second, the bytes the log grew by, extrapolated to an hour, and the fsyncs of
//     a minute once the run is under way (the minute from 10 s on: its start line, first status and first
//     progress lines, which come sooner, and its end line aside).
// Prints figures only; exits 1 when something could not be measured.

#include "Measured.h"
#include "app/adapters/QtHost.h"
#include "app/adapters/QtSerialPort.h"
#include "cockpit/Journal.h"
#include "cockpit/RunLogWriter.h"
#include "support/Benches.h"

#include <QCoreApplication>
#include <QTimer>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>
#include <signal.h>
#include <thread>

#ifndef PRINTBENCH_PRINTER_PROGRAM
#error "PRINTBENCH_PRINTER_PROGRAM must name the built printbench-printer"
#endif

extern char** environ;

namespace {

using namespace printbench;
using window::Control;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// The host's real clock without its waits: Delay 0 asks for none anyway.
struct RealClock : testkit::Recorder {
    std::int64_t nowMs() override { return app::QtSerialPort::monotonicMs(); }
};

// The main window's core with a journal, and the run log when asked; "Full Cut" chosen.
struct Core {
    Core(link::SerialPort& port, link::Host& host, window::WindowHost& windowHost, testkit::Recorder& fields,
         const fs::path& ports, const fs::path* runLog)
        : journal(host), form(windowHost, fields, port, fields.usb, codePage, ports)
    {
        fields.recording = false;
        form.Form_Load();
        form.link().setTap(&journal);
        form.setRunObserver(&journal);
        if (runLog) {
            writer = std::make_unique<cockpit::RunLogWriter>(
                *runLog, cockpit::WriterProcess{::getpid(), "runlog_bench", "bench"}, &journal.live());
            journal.addSink(writer.get());
        }
        for (int i = 0; i < fields.listCount(Control::List1); ++i)
            if (fields.listItem(Control::List1, i) == "Full Cut") fields.setListIndex(Control::List1, i);
        form.List1_DblClick();
        form.setText(Control::Text5, "0");
    }
    link::CodePage codePage{"CP949"};
    cockpit::Journal journal;
    window::Form1 form;
    std::unique_ptr<cockpit::RunLogWriter> writer;
};

// CPU seconds per pass of `passes` passes (0: until `seconds` are over, stopped by a timer).
double cpuPerPass(Core& core, std::int64_t passes, double seconds = 0)
{
    core.form.setText(Control::Text2, std::to_string(passes));
    if (passes == 0) {
        QTimer::singleShot(std::chrono::milliseconds(std::int64_t(seconds * 1000)),
                           [&core] { core.form.Command6_Click(); });
    }
    const double before = bench::cpuSeconds();
    core.form.Command2_Click();
    core.journal.closeRun("End");
    if (core.writer) core.writer->drain();
    const double cpu = bench::cpuSeconds() - before;
    return cpu / double(std::max<std::int64_t>(core.journal.run()->passesBegun, 1));
}

void inMemory(const fs::path& folder)
{
    // Long runs, so that what a run costs once (the thread's start, the syncs of its start and
    // end lines) does not pass for a cost per pass.
    constexpr int kRounds = 5, kPasses = 1000000;
    double without = 1e9, with = 1e9;
    for (int round = 0; round < kRounds; ++round) {
        for (const bool logged : {false, true}) {
            RealClock rec;
            testkit::elevenHostDevices(rec);
            bench::MemoryPort port;
            testkit::TempDir ports;
            const fs::path log = folder / "memory";
            Core core(port, rec, rec, rec, ports.path(), logged ? &log : nullptr);
            core.form.setListIndex(Control::Combo2, 3);
            double& least = logged ? with : without;
            least = std::min(least, cpuPerPass(core, kPasses));
        }
    }
    std::printf(
        "CPU per pass in memory (least of %d runs of %d passes): %.2f us without the run log, %.2f us with it (%+.1f %%)\n",
        kRounds, kPasses, without * 1e6, with * 1e6, (with / without - 1) * 100);
}

// A host whose message boxes go nowhere.
struct QuietHost : app::QtHost {
    QuietHost() : QtHost("PrintBench") {}
    void message(window::Icon, const window::Message& text) override
    {
        std::fprintf(stderr, "message: %s\n", text.text().c_str());
    }
};

bool againstThePrinter(const fs::path& folder)
{
    const fs::path ports = folder / "ports", receipts = folder / "receipts";
    fs::create_directories(ports);
    const std::string portsArg = ports.string(), outArg = receipts.string();
    const char* argv[] = {PRINTBENCH_PRINTER_PROGRAM,
                          "--com",
                          "11",
                          "--ports",
                          portsArg.c_str(),
                          "--out",
                          outArg.c_str(),
                          "--log",
                          "/dev/null",
                          nullptr};
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&quiet, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    pid_t printer = -1;
    if (posix_spawn(&printer, argv[0], &quiet, nullptr, const_cast<char**>(argv), environ) != 0) return false;
    posix_spawn_file_actions_destroy(&quiet);
    for (int i = 0; i < 100 && !fs::is_symlink(fs::symlink_status(ports / "COM11")); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));

    bool measured = fs::is_symlink(fs::symlink_status(ports / "COM11"));
    if (measured) {
        double without = 1e9, with = 1e9;
        for (int round = 0; round < 3; ++round) {
            for (const bool logged : {false, true}) {
                testkit::Recorder fields;
                QuietHost host;
                app::QtSerialPort port;
                host.watchDuringSleeps(&port);
                const fs::path log = folder / "pty";
                Core core(port, host, host, fields, ports, logged ? &log : nullptr);
                core.form.setListIndex(Control::Combo2, 11);
                double& least = logged ? with : without;
                least = std::min(least, cpuPerPass(core, 0, 5));
            }
        }
        std::printf(
            "CPU per pass against the virtual printer (least of 3 runs of 5 s): %.1f us without the run log, %.1f us "
            "with it (%+.1f %%)\n",
            without * 1e6, with * 1e6, (with / without - 1) * 100);

        testkit::Recorder fields;
        QuietHost host;
        app::QtSerialPort port;
        host.watchDuringSleeps(&port);
        const fs::path log = folder / "soak";
        Core core(port, host, host, fields, ports, &log);
        core.form.setListIndex(Control::Combo2, 11);
        // What the steady part adds: from 10 s after the start (its first progress lines come
        // sooner) to just before the end.
        cockpit::RunLogWriter::Counts early{}, late{};
        QTimer::singleShot(10500, [&] { early = core.writer->counts(); });
        QTimer::singleShot(70500, [&] { late = core.writer->counts(); });
        const auto start = Clock::now();
        cpuPerPass(core, 0, 75);
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        const auto all = core.writer->counts();
        const double steadyMinutes = 1;
        const double perMinute = double(late.bytes - early.bytes) / steadyMinutes;
        const run::RunRecord& run = *core.journal.run();
        std::printf(
            "75 s soak against the virtual printer: %lld passes (%.0f a second, %llu of %llu status requests answered "
            "late or not at all); the log grew by %.0f bytes a minute under way, %.0f KB in an hour, and %.0f KB once "
            "(the start line, the first status and progress lines, the end line with the record); %.1f fsyncs a minute under way (%llu "
            "in all)\n",
            static_cast<long long>(run.passesBegun), double(run.passesBegun) / seconds,
            static_cast<unsigned long long>(run.statusUnanswered), static_cast<unsigned long long>(run.statusRequests),
            perMinute, perMinute * 60 / 1024, double(all.bytes - (late.bytes - early.bytes)) / 1024,
            double(late.syncs - early.syncs) / steadyMinutes, static_cast<unsigned long long>(all.syncs));
        measured = run.passesBegun > 0 && all.lines > 0;
    }
    ::kill(printer, SIGINT);
    ::waitpid(printer, nullptr, 0);
    return measured;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    testkit::TempDir folder;
    inMemory(folder.path());
    return againstThePrinter(folder.path()) ? 0 : 1;
}
