// Delay figures of the sequence runner and the H diagram, and the cost of a long run.
//
// (a) The real core on QtSerialPort, its COM3 a link to a pseudo-terminal. A reader thread on
//     the far side stamps every byte on arrival (CLOCK_MONOTONIC) and answers each status
//     request (DLE EOT 2) with 0x12, as a printer would. Measured there:
//       - the silence between the two status requests of a "Full Cut" with Delay 500;
//       - the interval between consecutive status requests of the H diagram (1000 ms).
// (b) 10,000 passes of "Full Cut" on a virtual clock: the CPU time of the run itself.
//
// Prints figures only; exits 1 when something could not be measured.

#include "Measured.h"
#include "PtyBench.h"
#include "app/adapters/QtSerialPort.h"
#include "link/CodePage.h"
#include "support/Benches.h"
#include "support/PrinterPeer.h"
#include "support/Pty.h"
#include "support/Recorder.h"
#include "window/Form1.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <vector>

namespace {

using namespace printbench;
using window::Control;

constexpr int kCom3 = 3;
constexpr int kFullCut = 3;  // index in the command catalogue

long long nowNs(clockid_t clock)
{
    timespec ts{};
    clock_gettime(clock, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

// Milliseconds from at[i] to at[i + 1], for every `step`-th i.
std::vector<double> gapsMs(const std::vector<long long>& at, std::size_t step)
{
    std::vector<double> out;
    for (std::size_t i = 0; i + 1 < at.size(); i += step) out.push_back(static_cast<double>(at[i + 1] - at[i]) / 1e6);
    return out;
}

// Prints one line of figures for gaps in ms against `askedMs`; false when there are none.
bool report(const char* what, std::vector<double> ms, double askedMs)
{
    if (ms.empty()) return false;
    std::sort(ms.begin(), ms.end());
    const std::size_t n = ms.size();
    const double median = n % 2 ? ms[n / 2] : (ms[n / 2 - 1] + ms[n / 2]) / 2;
    std::printf("%s: %zu samples, median overshoot %.3f ms (target <= 2 ms), worst overshoot %.3f ms, "
                "shortest %.3f ms, never shorter: %s\n",
                what, n, median - askedMs, ms.back() - askedMs, ms.front(),
                ms.front() >= askedMs ? "yes" : "no (or the reader woke late: check on an idle machine)");
    return true;
}

bool measureDelays()
{
    bench::PtyBench b;
    const auto form = b.load(b.port);
    bench::FarSide printer(b.pty.masterFd());
    form->setListIndex(Control::Combo2, kCom3);
    if (!b.port.isOpen()) {
        b.noMessages();
        return false;
    }

    b.fields.setListIndex(Control::List1, kFullCut);
    form->List1_DblClick();
    form->setText(Control::Text5, "500");
    form->setText(Control::Text2, "20");
    form->Command2_Click();
    const std::vector<long long> cut = printer.requests(40);
    form->setText(Control::Text2, "21");
    form->Command8_Click();
    const std::vector<long long> polls = printer.requests(21);
    if (cut.size() != 40 || polls.size() != 21)
        std::fprintf(stderr, "status requests seen: %zu of 40 (Full Cut), %zu of 21 (H diagram)\n", cut.size(),
                     polls.size());
    const bool cutOk = cut.size() == 40 && report("Full Cut, Delay 500 ms", gapsMs(cut, 2), 500);
    const bool hOk = polls.size() == 21 && report("H diagram poll interval, 1000 ms", gapsMs(polls, 1), 1000);
    return cutOk && hOk && b.noMessages();
}

// The main window on the test kit's recorder: sleeps advance its virtual clock, the serial port
// only counts the bytes it is given, and nothing is written down.
bool measureLongRun()
{
    testkit::Bench bench;
    bench.rec.recording = false;
    bench.serial();
    if (!bench.rec.serial.isOpen()) return false;
    bench.add("Full Cut");
    bench.type(Control::Text5, "500");
    bench.type(Control::Text2, "10000");
    bench.rec.serial.bytesWritten = 0;
    bench.rec.clockMs = 0;

    const long long start = nowNs(CLOCK_PROCESS_CPUTIME_ID);
    bench.form.Command2_Click();
    const double cpuMs = static_cast<double>(nowNs(CLOCK_PROCESS_CPUTIME_ID) - start) / 1e6;
    std::printf("10000 passes of Full Cut on a virtual clock: CPU %.1f ms (target < 1000 ms), "
                "virtual time %lld ms, %llu bytes\n",
                cpuMs, static_cast<long long>(bench.rec.clockMs),
                static_cast<unsigned long long>(bench.rec.serial.bytesWritten));
    return bench.rec.text(Control::Text4) == "10000";
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    return bench::measured("delay_bench", [] {
        const bool longRun = measureLongRun();
        return measureDelays() && longRun;
    });
}
