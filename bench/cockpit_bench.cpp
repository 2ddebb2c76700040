// What the cockpit costs a run, and what it holds after a long one.
//
// 1. The test pattern, 1000 repetitions at 432 dots, on QtSerialPort to a pseudo-terminal (the
//    far side drains the line and answers each DLE EOT 2 with 0x12), three ways: no tap; the
//    journal listening (console closed); the journal listening and the console reading it every
//    100 ms as the console window does, decoding every byte into its lines. The figure is the
//    CPU time of the thread that runs the pattern (the far side's thread is not counted), the
//    median of five runs of each, taking turns; the ratio is against no tap.
// 2. 100 MB of traffic through the journal with the console reading it, then the resident
//    memory the process gained, against the ring's bound.
// Prints figures only; exits 1 when something could not be measured.

#include "PtyBench.h"
#include "cockpit/ConsoleText.h"
#include "cockpit/Journal.h"

#include <QCoreApplication>
#include <QTimer>

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <ctime>
#include <deque>
#include <fstream>
#include <thread>

namespace {

using namespace printbench;
using window::Control;

constexpr int kRepetitions = 1000;

double threadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

long residentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string key;
    long value = 0;
    while (status >> key) {
        if (key == "VmRSS:") {
            status >> value;
            return value;
        }
        status.ignore(1 << 12, '\n');
    }
    return 0;
}

// The printer: drains the line and answers each status request with 0x12.
class FarSide {
public:
    explicit FarSide(int master) : m_master(master), m_thread([this] { serve(); }) {}
    ~FarSide()
    {
        m_stop = true;
        m_thread.join();
    }

private:
    void serve()
    {
        std::uint8_t last[3]{};
        while (!m_stop) {
            pollfd p{m_master, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0) continue;
            std::uint8_t buf[4096];
            const ssize_t n = ::read(m_master, buf, sizeof buf);
            for (ssize_t i = 0; i < n; ++i) {
                last[0] = last[1], last[1] = last[2], last[2] = buf[i];
                if (last[0] == 0x10 && last[1] == 0x04 && last[2] == 0x02) {
                    const std::uint8_t answer = 0x12;
                    (void)!::write(m_master, &answer, 1);
                }
            }
        }
    }
    int m_master;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

// The console as its window keeps it: the lines of every record, at most 20,000 of them.
struct Console {
    explicit Console(cockpit::Journal& j) : journal(j), text(j) {}
    void read()
    {
        next = journal.readTraffic(next, [this](const cockpit::TrafficRecord& r) {
            std::string block = text.lines(r);
            std::size_t from = 0;
            for (std::size_t nl; (nl = block.find('\n', from)) != std::string::npos; from = nl + 1) {
                lines.push_back(block.substr(from, nl - from));
                if (lines.size() > 20000) lines.pop_front();
            }
        });
    }
    cockpit::Journal& journal;
    cockpit::ConsoleText text;
    std::uint64_t next = 0;
    std::deque<std::string> lines;
};

enum class Mode { NoTap, Closed, Open };

// CPU seconds of one 1000-repetition test pattern; negative when it did not run through.
double patternCpu(Mode mode)
{
    bench::PtyBench b;
    const auto form = b.load(b.port);
    FarSide printer(b.pty.masterFd());
    cockpit::Journal journal(b.host);
    Console console(journal);
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { console.read(); });
    if (mode != Mode::NoTap) form->link().setTap(&journal);
    if (mode == Mode::Open) timer.start(100);
    form->setListIndex(Control::Combo4, 2);  // KL-330, 432 dots
    form->setListIndex(Control::Combo1, 7);  // 115200
    form->setListIndex(Control::Combo2, 3);  // COM3
    form->setText(Control::Text2, std::to_string(kRepetitions));
    const double start = threadCpuSeconds();
    form->Command9_Click();
    const double cpu = threadCpuSeconds() - start;
    if (mode == Mode::Open) console.read();
    const bool ran = b.fields.text(Control::Text4) == std::to_string(kRepetitions) && b.noMessages() &&
                     (mode != Mode::Open || console.lines.size() > kRepetitions);
    return ran ? cpu : -1;
}

bool measureTap()
{
    std::vector<double> cpu[3];
    const Mode modes[] = {Mode::NoTap, Mode::Closed, Mode::Open};
    for (int round = 0; round < 5; ++round)
        for (int k = 0; k < 3; ++k) {  // each way first in turn, so that warming up favours none
            const Mode m = modes[(round + k) % 3];
            const double s = patternCpu(m);
            if (s < 0) return false;
            cpu[int(m)].push_back(s);
        }
    double median[3];
    for (int m = 0; m < 3; ++m) {
        std::sort(cpu[m].begin(), cpu[m].end());
        median[m] = cpu[m][cpu[m].size() / 2];
    }
    std::printf("test pattern, %d repetitions on a pty, CPU time of the sending thread (median of 5): no tap %.1f ms, "
                "journal with the console closed %.1f ms (%+.1f %%), console open %.1f ms (%+.1f %%; target under 5 %%)\n",
                kRepetitions, median[0] * 1e3, median[1] * 1e3, (median[1] / median[0] - 1) * 100, median[2] * 1e3,
                (median[2] / median[0] - 1) * 100);
    return true;
}

bool measureMemory()
{
    testkit::QuietHost host;
    const long before = residentKiB();
    cockpit::Journal journal(host);
    Console console(journal);
    std::vector<std::uint8_t> block(4000);
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = std::uint8_t(i * 7);
    std::uint64_t total = 0;
    std::int64_t ms = 0;
    for (std::size_t size = 1; total < 100'000'000; size = size % 3999 + 37) {
        const auto dir = size % 5 == 0 ? link::Traffic::Direction::Received : link::Traffic::Direction::Sent;
        journal.traffic({++ms, link::Route::Serial, dir, std::span(block.data(), dir == link::Traffic::Direction::Sent ? size : 1)});
        total += size;
        if (ms % 200 == 0) console.read();
    }
    console.read();
    const long after = residentKiB();
    const double heldMiB = double(after - before) / 1024;
    std::printf("after %.0f MB of traffic with the console reading: the ring holds %.2f MiB (bound %.0f MiB), "
                "the console %zu lines; the process gained %.2f MiB of resident memory (target at most %.0f MiB)\n",
                double(total) / 1e6, double(journal.trafficHeldBytes()) / (1 << 20), double(4 << 20) / (1 << 20),
                console.lines.size(), heldMiB, 4.0 + 5.0);
    std::printf("%s\n", cockpit::ConsoleText::droppedText(journal.droppedRecords(), journal.droppedBytes()).c_str());
    return journal.droppedRecords() > 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    bool ok = false;
    try {
        ok = measureTap() && measureMemory();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "cockpit_bench: %s\n", e.what());
    }
    std::fflush(stdout);
    if (!ok) {
        std::fprintf(stderr, "cockpit_bench: could not measure everything\n");
        return 1;
    }
    return 0;
}
