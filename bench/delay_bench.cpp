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

#include "BenchHost.h"
#include "BenchSupport.h"
#include "link/NoUsbControl.h"
#include "link/QtSerialPort.h"
#include "shell/Form1.h"
#include "shell/QtHost.h"

#include <QCoreApplication>

#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

using printbench::bench::Fields;
using printbench::bench::PrintingHost;

namespace {

using namespace printbench;
using shell::Control;

constexpr int kCom3 = 3;
constexpr int kFullCut = 3;  // index in the command catalogue

long long nowNs(clockid_t clock)
{
    timespec ts{};
    clock_gettime(clock, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

// Sleeps advance a counter; nothing else happens.
class VirtualHost : public shell::Host {
public:
    void sleep(std::int64_t ms) override { clockMs += ms; }
    void processEvents() override {}
    void message(shell::Icon, const std::string& text) override { std::fprintf(stderr, "message: %s\n", text.c_str()); }
    std::int64_t nowMs() override { return clockMs; }
    void endProgram() override {}
    std::int64_t clockMs = 0;
};

// Counts the bytes it is given and answers nothing.
class CountingSerial : public link::SerialPort {
public:
    link::LinkStatus open(const link::SerialSettings&, const std::string&) override { m_open = true; return {}; }
    void close() override { m_open = false; }
    bool isOpen() const override { return m_open; }
    void write(std::span<const std::uint8_t> b, link::OutputForm) override { bytes += static_cast<long long>(b.size()); }
    link::LinkStatus flush() override { return {}; }
    int bytesWaiting() override { return 0; }
    std::optional<std::uint8_t> readByte() override { return std::nullopt; }
    void setListener(link::SerialListener*) override {}
    std::vector<std::string> hostDevices() const override { return {"/dev/ttyS0", "/dev/ttyS1", "/dev/ttyS2"}; }
    long long bytes = 0;

private:
    bool m_open = false;
};

// The printer on the master side of a pseudo-terminal: answers every status request with
// 0x12 and keeps the request's arrival time (CLOCK_MONOTONIC, ns).
class FarSide {
public:
    explicit FarSide(int master) : m_master(master), m_thread([this] { serve(); }) {}
    ~FarSide()
    {
        m_stop = true;
        m_thread.join();
    }
    // Arrival times of the first byte of each DLE EOT 2, once `count` of them have come
    // (fewer after 5 s when they did not).
    std::vector<long long> requests(std::size_t count)
    {
        for (int tries = 0; tries < 500; ++tries) {
            {
                const std::lock_guard lock(m_mutex);
                if (m_requests.size() >= count) break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        const std::lock_guard lock(m_mutex);
        std::vector<long long> out;
        out.swap(m_requests);
        return out;
    }

private:
    void serve()
    {
        std::uint8_t last[3]{};
        long long stamps[3]{};
        while (!m_stop) {
            pollfd p{m_master, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0) continue;
            std::uint8_t buf[4096];
            const ssize_t n = ::read(m_master, buf, sizeof buf);
            const long long t = nowNs(CLOCK_MONOTONIC);
            for (ssize_t i = 0; i < n; ++i) {
                last[0] = last[1], last[1] = last[2], last[2] = buf[i];
                stamps[0] = stamps[1], stamps[1] = stamps[2], stamps[2] = t;
                // A request leaves in one write, so its first byte's stamp is the whole request's.
                if (last[0] == 0x10 && last[1] == 0x04 && last[2] == 0x02) {
                    const std::uint8_t answer = 0x12;
                    (void)!::write(m_master, &answer, 1);
                    const std::lock_guard lock(m_mutex);
                    m_requests.push_back(stamps[0]);
                }
            }
        }
    }

    int m_master;
    std::mutex m_mutex;
    std::vector<long long> m_requests;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

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
    int master = -1, slave = -1;
    if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) return false;
    termios raw{};
    ::tcgetattr(slave, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(slave, TCSANOW, &raw);
    char folderName[] = "/tmp/delay_bench.XXXXXX";
    if (!::mkdtemp(folderName)) return false;
    const std::filesystem::path folder(folderName);
    std::filesystem::create_symlink(::ttyname(slave), folder / "COM3");

    bool ok = false;
    {
        PrintingHost host;
        Fields fields;
        link::QtSerialPort port;
        link::NoUsbControl usb;
        shell::Form1 form(host, fields, port, usb, folder);
        FarSide printer(master);
        form.Form_Load();
        form.setListIndex(Control::Combo2, kCom3);
        if (port.isOpen()) {
            fields.setListIndex(Control::List1, kFullCut);
            form.List1_DblClick();
            form.setText(Control::Text5, "500");
            form.setText(Control::Text2, "20");
            form.Command2_Click();
            const std::vector<long long> cut = printer.requests(40);
            form.setText(Control::Text2, "21");
            form.Command8_Click();
            const std::vector<long long> polls = printer.requests(21);
            if (cut.size() != 40 || polls.size() != 21)
                std::fprintf(stderr, "status requests seen: %zu of 40 (Full Cut), %zu of 21 (H diagram)\n",
                             cut.size(), polls.size());
            const bool cutOk = cut.size() == 40 && report("Full Cut, Delay 500 ms", gapsMs(cut, 2), 500);
            const bool hOk = polls.size() == 21 && report("H diagram poll interval, 1000 ms", gapsMs(polls, 1), 1000);
            ok = cutOk && hOk && host.messages == 0;
        }
    }
    ::close(master);
    ::close(slave);
    std::filesystem::remove_all(folder);
    return ok;
}

bool measureLongRun()
{
    VirtualHost host;
    Fields fields;
    CountingSerial serial;
    link::NoUsbControl usb;
    shell::Form1 form(host, fields, serial, usb, "/nonexistent/delay_bench_ports");
    form.Form_Load();
    form.setListIndex(Control::Combo2, kCom3);
    if (!serial.isOpen()) return false;
    fields.setListIndex(Control::List1, kFullCut);
    form.List1_DblClick();
    form.setText(Control::Text5, "500");
    form.setText(Control::Text2, "10000");
    serial.bytes = 0;
    host.clockMs = 0;

    const long long start = nowNs(CLOCK_PROCESS_CPUTIME_ID);
    form.Command2_Click();
    const double cpuMs = (nowNs(CLOCK_PROCESS_CPUTIME_ID) - start) / 1e6;
    std::printf("10000 passes of Full Cut on a virtual clock: CPU %.1f ms (target < 1000 ms), "
                "virtual time %lld ms, %lld bytes\n",
                cpuMs, static_cast<long long>(host.clockMs), serial.bytes);
    return fields.text(Control::Text4) == "10000";
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const bool longRun = measureLongRun();
    const bool delays = measureDelays();
    std::fflush(stdout);
    if (!longRun || !delays) {
        std::fprintf(stderr, "delay_bench: could not measure everything\n");
        return 1;
    }
    return 0;
}
