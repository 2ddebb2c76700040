// What the cockpit costs a run, and what it holds after a long one.
//
// 1. The test pattern, 1000 repetitions at 432 dots, three ways: no tap; the journal listening
//    (console closed); the journal listening and the console reading it ten times a second as
//    its window does, and once at the end (it copies the records; its own thread decodes every
//    byte into lines; the CPU time of the run includes the copies). The
//    serial port is one in memory that gathers bytes as QtSerialPort does and hands them
//    nowhere, so the run's CPU time is the bench's own work alone: a pseudo-terminal's kernel
//    time would make the ratio smaller and its noise (±10 %) larger than what is measured. The
//    figure is the CPU time of the thread that runs the pattern, the least of 31 runs of each,
//    taking turns; the console's thread is given apart.
// 2. 100 MB of traffic through the journal with the console reading it, then the resident
//    memory the process gained, against the ring's bound.
// Prints figures only; exits 1 when something could not be measured.

#include "Measured.h"
#include "cockpit/ConsoleText.h"
#include "cockpit/Journal.h"
#include "support/Benches.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <deque>
#include <fstream>

namespace {

using namespace printbench;
using window::Control;

constexpr int kRepetitions = 1000;
constexpr int kRounds = 31;

// The console as its window keeps it: the worker's lines, at most 20,000 of them.
struct Console {
    explicit Console(cockpit::Journal& j) : journal(j) {}
    void read(bool wait = false)
    {
        worker.read(journal);
        const std::string block = worker.take(wait);
        std::size_t from = 0;
        for (std::size_t nl; (nl = block.find('\n', from)) != std::string::npos; from = nl + 1) {
            lines.push_back(block.substr(from, nl - from));
            if (lines.size() > 20000) lines.pop_front();
        }
    }
    cockpit::Journal& journal;
    cockpit::ConsoleWorker worker;
    std::deque<std::string> lines;
};

enum class Mode { NoTap, Closed, Open };

struct Cost {
    double sending = -1, console = 0;  // seconds
};

Cost patternCpu(Mode mode)
{
    testkit::Recorder rec;
    rec.recording = false;
    bench::MemoryPort port;
    const link::CodePage codePage{"CP949"};
    testkit::TempDir ports;
    window::Form1 form{rec, rec, port, rec.usb, codePage, ports.path()};
    form.Form_Load();
    cockpit::Journal journal(rec);
    Console console(journal);
    if (mode != Mode::NoTap) form.link().setTap(&journal);
    // The console window reads ten times a second: at the event passes that come 100 ms after
    // its last read.
    double lastRead = bench::cpuSeconds(CLOCK_MONOTONIC);
    if (mode == Mode::Open)
        for (int pass = 1; pass <= kRepetitions; ++pass)
            rec.atEventPass(pass, [&] {
                if (bench::cpuSeconds(CLOCK_MONOTONIC) - lastRead < 0.1) return;
                console.read();
                lastRead = bench::cpuSeconds(CLOCK_MONOTONIC);
            });
    form.setListIndex(Control::Combo4, 2);  // KL-330, 432 dots
    form.setListIndex(Control::Combo2, 3);  // COM3
    form.setText(Control::Text2, std::to_string(kRepetitions));

    const double thread0 = bench::cpuSeconds(CLOCK_THREAD_CPUTIME_ID),
                 process0 = bench::cpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
    form.Command9_Click();
    if (mode == Mode::Open) console.read();  // what came since its last read
    const double sending = bench::cpuSeconds(CLOCK_THREAD_CPUTIME_ID) - thread0;
    if (mode == Mode::Open) console.read(true);  // every byte formatted
    const double all = bench::cpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - process0;

    Cost cost;
    if (rec.text(Control::Text4) != std::to_string(kRepetitions) || port.sent < 900000) return cost;
    if (mode == Mode::Open && console.lines.empty()) return cost;
    cost.sending = sending;
    cost.console = std::max(0.0, all - sending);
    return cost;
}

bool measureTap()
{
    std::vector<double> sending[3], console;
    const Mode modes[] = {Mode::NoTap, Mode::Closed, Mode::Open};
    for (int round = 0; round < kRounds; ++round)
        for (int k = 0; k < 3; ++k) {  // each way first in turn, so that warming up favours none
            const Mode m = modes[(round + k) % 3];
            const Cost c = patternCpu(m);
            if (c.sending < 0) return false;
            sending[int(m)].push_back(c.sending);
            if (m == Mode::Open) console.push_back(c.console);
        }
    // The least of the rounds: what the work costs when nothing else on the machine gets in the way.
    double least[3];
    for (int m = 0; m < 3; ++m) least[m] = *std::min_element(sending[m].begin(), sending[m].end());
    std::sort(console.begin(), console.end());
    std::printf("test pattern, %d repetitions, serial port in memory, CPU time of the sending thread (least of %d): "
                "no tap %.2f ms, journal with the console closed %.2f ms (%+.1f %%), console open %.2f ms "
                "(%+.1f %%; target under 5 %%); the console's own thread %.1f ms (median)\n",
                kRepetitions, kRounds, least[0] * 1e3, least[1] * 1e3, (least[1] / least[0] - 1) * 100, least[2] * 1e3,
                (least[2] / least[0] - 1) * 100, console[console.size() / 2] * 1e3);
    return true;
}

bool measureMemory()
{
    testkit::Recorder host;
    const long before = bench::residentKiB();
    cockpit::Journal journal(host);
    Console console(journal);
    std::vector<std::uint8_t> block(4000);
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = std::uint8_t(i * 7);
    std::uint64_t total = 0;
    std::int64_t ms = 0;
    for (std::size_t size = 1; total < 100'000'000; size = size % 3999 + 37) {
        const auto dir = size % 5 == 0 ? link::Traffic::Direction::Received : link::Traffic::Direction::Sent;
        const std::size_t n = dir == link::Traffic::Direction::Sent ? size : 1;
        journal.traffic({++ms, link::Route::Serial, dir, std::span(block.data(), n)});
        total += n;
        if (ms % 200 == 0) console.read();
    }
    console.read(true);
    const long after = bench::residentKiB();
    std::printf("after %.0f MB of traffic with the console reading: the ring holds %.2f MiB (bound 4 MiB), the console "
                "%zu lines %s; the process gained %.2f MiB of resident memory (target at most 4 + 5 MiB)\n",
                double(total) / 1e6, double(journal.trafficHeldBytes()) / (1 << 20), console.lines.size(),
                cockpit::ConsoleText::droppedText(console.worker.missed()).c_str(), double(after - before) / 1024);
    return journal.droppedRecords() > 0;
}

}  // namespace

int main()
{
    return bench::measured("cockpit_bench", [] { return measureTap() && measureMemory(); });
}
