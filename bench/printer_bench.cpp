// Figures of the virtual printer:
//
// (a) Decoding and rendering speed on a capture of about 1 MiB made in memory from the byte
//     streams PrintBench sends a 512-dot KR-420, one after the other and again until the size
//     is reached: automatic status back, the tile grid, a test pattern repetition, a logo in
//     page mode (pseudo-random bands), text, both cuts, black marks and a long feed. It goes
//     to the decoder in 4 KiB pieces, as reads from a serial line hand it over, once into a
//     sink that only counts the commands and once into a VirtualPrinter (no font, finished
//     paper counted and dropped, no PNG). Median and best of 15 runs in MB/s (10^6 bytes).
//     Target: at least 50 MB/s.
// (b) The built printbench-printer serving COM11 in a folder of its own: from a fault typed on
//     its standard input ("paper-end", then "ok", 40 times in turn) to the status byte it
//     sends with automatic status back on (0x32, 0x12), read on the far side of the line.
//     Median and worst in ms. Target: under 20 ms. Then "quit", and the link must be gone.
//
// Prints figures only; exits 1 when one of the two could not be measured at all.

#include "printer/Decoder.h"
#include "printer/VirtualPrinter.h"
#include "protocol/Models.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#ifndef PRINTBENCH_PRINTER_PROGRAM
#error "PRINTBENCH_PRINTER_PROGRAM must name the built printbench-printer"
#endif

namespace {

using namespace printbench;
using printer::Command;
using printer::Op;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kCaptureSize = 1 << 20;
constexpr std::size_t kReadSize = 4096;
constexpr int kRuns = 15;
constexpr int kFaults = 40;
constexpr int kCom = 11;

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// ---------------------------------------------------------------------------------------------
// (a) decoding and rendering

class Bytes {
public:
    Bytes& operator()(std::initializer_list<int> bytes)
    {
        for (const int b : bytes) v.push_back(static_cast<std::uint8_t>(b));
        return *this;
    }
    Bytes& repeat(int b, int times)
    {
        v.insert(v.end(), std::size_t(times), static_cast<std::uint8_t>(b));
        return *this;
    }
    Bytes& text(const char* s)
    {
        v.insert(v.end(), s, s + std::strlen(s));
        return *this;
    }
    Bytes& word(int n) { return (*this)({n & 0xFF, (n >> 8) & 0xFF}); }
    std::vector<std::uint8_t> v;
};

// One round of what PrintBench sends a 512-dot model.
void addRound(Bytes& out, std::uint32_t& seed)
{
    out({0x1D, 0x61, 0x01});  // GS a 1, sent when the port opens

    // The tile grid: density, box-drawing table on, double-byte mode off, 24-dot lines.
    out({0x1D, 0x28, 0x4B, 0x02, 0x00, 0x31, 0x00, 0x1A, 0x78, 0x01, 0x1C, 0x2E, 0x1B, 0x33, 0x18});
    out({0xDA}).repeat(0xC2, 40)({0xBF, 0x0A});
    for (int row = 0; row < 9; ++row) out({0xC3}).repeat(0xC5, 40)({0xB4, 0x0A});
    out({0xC0}).repeat(0xC1, 40)({0xD9, 0x0A});
    out({0x0A, 0x10, 0x04, 0x02, 0x1B, 0x33, 0x20, 0x1A, 0x78, 0x00});

    // One repetition of the test pattern: line 1 a full bar, line 2 every third dot.
    out({0x1B, 0x33, 0x18, 0x1A, 0x31, 0x1A, 0x43, 0x1A, 0x32, 0x1A, 0x43, 0x1A, 0x31});
    out({0x1A, 0x57, 0x00, 0x00, 0x00, 0x02, 0x1A, 0x32});
    for (int s = 0; s <= 510; s += 3) out({0x1A, 0x57}).word(s).word(s + 1);
    out({0x0A, 0x1A, 0x4F});
    for (int i = 0; i < 10; ++i) out({0x1A, 0x31, 0x0A});
    out({0x1A, 0x46, 0x0A, 0x1A, 0x4F});
    for (int i = 0; i < 10; ++i) out({0x1A, 0x32, 0x0A});
    out({0x10, 0x04, 0x02, 0x1A, 0x46, 0x1B, 0x32});

    // A logo in page mode: 20 bands of 400 columns of 24 dots.
    out({0x1B, 0x33, 0x18, 0x1B, 0x4C, 0x1B, 0x54, 0x00});
    out({0x1B, 0x57, 0x00, 0x00, 0x00, 0x00, 0xAF, 0x01, 0x08, 0x02});
    constexpr int kColumns = 400;
    for (int band = 0; band < 20; ++band) {
        out({0x1B, 0x2A, 0x21}).word(kColumns);
        for (int i = 0; i < 3 * kColumns; ++i) {
            seed = seed * 1664525u + 1013904223u;
            out.v.push_back(static_cast<std::uint8_t>(seed >> 24));
        }
        out({0x0A});
    }
    out({0x1B, 0x0C, 0x1B, 0x53, 0x1B, 0x4A, 0x7F, 0x1B, 0x69, 0x10, 0x05, 0x02});

    // Text, the two cuts, black marks and a long feed.
    out.text("Hello, printer 0123456789")({0x0A, 0x1B, 0x4A, 0x7F, 0x10, 0x04, 0x02, 0x10, 0x04, 0x02});
    out({0x1B, 0x69, 0x10, 0x04, 0x02, 0x1B, 0x6D, 0x10, 0x04, 0x02});
    out({0x1A, 0x62, 0x01, 0x1A, 0x62, 0x00});
    out({0x1B, 0x4A, 0xFF, 0x1B, 0x4A, 0xFF, 0x1B, 0x4A, 0xFA});
}

std::vector<std::uint8_t> makeCapture()
{
    Bytes out;
    std::uint32_t seed = 0x5EED1234u;
    while (out.v.size() < kCaptureSize) addRound(out, seed);
    return std::move(out.v);
}

struct Counts {
    std::uint64_t commands = 0;
    std::uint64_t unknown = 0;
    std::uint64_t incomplete = 0;
    std::uint64_t replies = 0;
    std::uint64_t pages = 0;
};

// Decoding alone: counts what comes out.
class CountingSink : public printer::CommandSink {
public:
    void command(const Command& c) override
    {
        ++counts.commands;
        if (c.op == Op::Unknown) ++counts.unknown;
        if (c.op == Op::Incomplete) ++counts.incomplete;
    }
    Counts counts;
};

// The printer's output counted and dropped.
class CountingOutput : public printer::PrinterOutput {
public:
    void reply(std::uint8_t) override { ++replies; }
    void page(const printer::Page& page) override
    {
        ++pages;
        rows += std::uint64_t(page.height);
    }
    std::uint64_t replies = 0;
    std::uint64_t pages = 0;
    std::uint64_t rows = 0;
};

// The counting sink in front of the printer, for the command counts of a rendering run.
class Tee : public printer::CommandSink {
public:
    Tee(CountingSink& count, printer::VirtualPrinter& printer) : m_count(count), m_printer(printer) {}
    void command(const Command& c) override
    {
        m_count.command(c);
        m_printer.command(c);
    }

private:
    CountingSink& m_count;
    printer::VirtualPrinter& m_printer;
};

void feedInReads(const std::vector<std::uint8_t>& capture, printer::Decoder& decoder, printer::CommandSink& sink)
{
    const std::span<const std::uint8_t> all(capture);
    for (std::size_t at = 0; at < all.size(); at += kReadSize)
        decoder.feed(all.subspan(at, std::min(kReadSize, all.size() - at)), sink);
    decoder.finish(sink);
}

double decodeOnce(const std::vector<std::uint8_t>& capture, Counts& counts)
{
    printer::Decoder decoder;
    CountingSink sink;
    const auto start = Clock::now();
    feedInReads(capture, decoder, sink);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    counts = sink.counts;
    return seconds;
}

double renderOnce(const std::vector<std::uint8_t>& capture, int width, std::uint64_t& pages, std::uint64_t& replies)
{
    CountingOutput output;
    printer::VirtualPrinter printer(width, output, nullptr);
    printer::Decoder decoder;
    const auto start = Clock::now();
    feedInReads(capture, decoder, printer);
    printer.finish();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    pages = output.pages;
    replies = output.replies;
    return seconds;
}

bool measureDecoding()
{
    const int width = *protocol::modelPrintWidth("KR-420");
    const std::vector<std::uint8_t> capture = makeCapture();
    const double megabytes = double(capture.size()) / 1e6;

    // One untimed run through both, which also gives the counts.
    CountingSink counted;
    CountingOutput output;
    {
        printer::VirtualPrinter printer(width, output, nullptr);
        printer::Decoder decoder;
        Tee tee(counted, printer);
        feedInReads(capture, decoder, tee);
        printer.finish();
    }

    std::vector<double> decodeRates, renderRates;
    bool steady = true;
    for (int run = 0; run < kRuns; ++run) {
        Counts counts;
        decodeRates.push_back(megabytes / decodeOnce(capture, counts));
        std::uint64_t pages = 0, replies = 0;
        renderRates.push_back(megabytes / renderOnce(capture, width, pages, replies));
        steady = steady && counts.commands == counted.counts.commands && pages == output.pages &&
                 replies == output.replies;
    }

    std::printf("capture: %zu bytes (%d dots, fed in %zu-byte reads): %llu commands, %llu unknown, %llu cut short; "
                "rendered %llu pages (%llu rows), %llu status replies\n",
                capture.size(), width, kReadSize, (unsigned long long)counted.counts.commands,
                (unsigned long long)counted.counts.unknown, (unsigned long long)counted.counts.incomplete,
                (unsigned long long)output.pages, (unsigned long long)output.rows, (unsigned long long)output.replies);
    std::printf("decode only:     median %.1f MB/s, best %.1f MB/s over %d runs (target >= 50)\n", median(decodeRates),
                *std::max_element(decodeRates.begin(), decodeRates.end()), kRuns);
    std::printf("decode + render: median %.1f MB/s, best %.1f MB/s over %d runs (target >= 50)\n", median(renderRates),
                *std::max_element(renderRates.begin(), renderRates.end()), kRuns);
    if (!steady) std::printf("note: the runs did not all give the same counts\n");
    return counted.counts.commands > 0;
}

// ---------------------------------------------------------------------------------------------
// (b) from a typed fault to the status byte on the line

// The printer program as a child: its standard input a pipe, its output into a file. Whatever
// happens, the child does not outlive this object.
class PrinterProcess {
public:
    bool start(const fs::path& folder, std::string& error)
    {
        const fs::path ports = folder / "ports", out = folder / "receipts";
        m_output = folder / "printer-output.txt";
        std::error_code ec;
        fs::create_directories(ports, ec);
        fs::create_directories(out, ec);
        int in[2];
        if (::pipe2(in, O_CLOEXEC) != 0) {
            error = std::string("cannot make a pipe: ") + std::strerror(errno);
            return false;
        }
        const int log = ::open(m_output.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (log < 0) {
            error = "cannot write " + m_output.string();
            ::close(in[0]), ::close(in[1]);
            return false;
        }
        const std::string program = PRINTBENCH_PRINTER_PROGRAM, com = std::to_string(kCom);
        const std::string portsArg = ports.string(), outArg = out.string();
        const char* argv[] = {program.c_str(), "--com",        com.c_str(), "--model",        "KR-420",
                              "--out",         outArg.c_str(), "--ports",   portsArg.c_str(), nullptr};
        const pid_t parent = ::getpid();
        m_pid = ::fork();
        if (m_pid == 0) {
            // The printer goes when this program does, however it ends.
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
            if (::getppid() != parent) ::_exit(127);
            ::dup2(in[0], STDIN_FILENO);
            ::dup2(log, STDOUT_FILENO);
            ::dup2(log, STDERR_FILENO);
            ::execv(argv[0], const_cast<char* const*>(argv));
            ::_exit(127);
        }
        ::close(in[0]);
        ::close(log);
        if (m_pid < 0) {
            error = std::string("cannot start the printer: ") + std::strerror(errno);
            ::close(in[1]);
            return false;
        }
        m_stdin = in[1];
        m_link = ports / ("COM" + std::to_string(kCom));
        return true;
    }

    ~PrinterProcess()
    {
        if (m_stdin >= 0) ::close(m_stdin);
        if (!running()) return;
        ::kill(m_pid, SIGTERM);
        if (!waitExit(std::chrono::seconds(2))) {
            ::kill(m_pid, SIGKILL);
            waitExit(std::chrono::seconds(5));
        }
    }

    bool type(const char* line) const
    {
        const std::size_t n = std::strlen(line);
        return ::write(m_stdin, line, n) == static_cast<ssize_t>(n);
    }

    // Waits for the child to end; its wait status, or none when it is still running.
    std::optional<int> waitExit(Clock::duration limit)
    {
        const auto until = Clock::now() + limit;
        while (running() && Clock::now() < until) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return m_ended;
    }

    bool running()
    {
        if (m_pid <= 0) return false;
        int status = 0;
        const pid_t r = ::waitpid(m_pid, &status, WNOHANG);
        if (r == 0) return true;
        m_ended = r == m_pid ? status : 0;
        m_pid = -1;
        return false;
    }
    const fs::path& linkPath() const { return m_link; }

    // The last lines the printer wrote, for a message when something went wrong.
    std::string outputTail() const
    {
        std::ifstream in(m_output);
        std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        return all.size() > 800 ? all.substr(all.size() - 800) : all;
    }

private:
    pid_t m_pid = -1;
    std::optional<int> m_ended;  // the wait status once the child has ended
    int m_stdin = -1;
    fs::path m_link;
    fs::path m_output;
};

// Reads from the line until `expected` arrives; the time it arrived, or none after `limit`.
std::optional<Clock::time_point> awaitByte(int fd, std::uint8_t expected, Clock::duration limit)
{
    const auto until = Clock::now() + limit;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
        if (left < 0) return std::nullopt;
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, int(left) + 1);
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) continue;
        const auto arrived = Clock::now();
        std::uint8_t buf[64];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
        if (n <= 0) return std::nullopt;
        if (std::find(buf, buf + n, expected) != buf + n) return arrived;
    }
}

void drain(int fd)
{
    std::uint8_t buf[256];
    while (::read(fd, buf, sizeof buf) > 0) {}
}

class Fd {
public:
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd()
    {
        if (m_fd >= 0) ::close(m_fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

bool measureFaults(const fs::path& folder)
{
    std::string error;
    PrinterProcess printer;
    if (!printer.start(folder, error)) {
        std::fprintf(stderr, "printer_bench: %s\n", error.c_str());
        return false;
    }

    // The printer links its line once it is up.
    const auto until = Clock::now() + std::chrono::seconds(5);
    std::error_code ec;
    while (!fs::is_symlink(fs::symlink_status(printer.linkPath(), ec)) && Clock::now() < until && printer.running())
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (!fs::is_symlink(fs::symlink_status(printer.linkPath(), ec))) {
        std::fprintf(stderr, "printer_bench: %s did not appear within 5 s; the printer said:\n%s\n",
                     printer.linkPath().c_str(), printer.outputTail().c_str());
        return false;
    }

    const Fd line(::open(printer.linkPath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (line.get() < 0) {
        std::fprintf(stderr, "printer_bench: cannot open %s: %s\n", printer.linkPath().c_str(), std::strerror(errno));
        return false;
    }
    termios raw{};
    ::tcgetattr(line.get(), &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(line.get(), TCSANOW, &raw);

    // Automatic status back on: the printer answers with its status at once.
    const std::uint8_t enable[] = {0x1D, 0x61, 0x01};
    if (::write(line.get(), enable, sizeof enable) != static_cast<ssize_t>(sizeof enable)) {
        std::fprintf(stderr, "printer_bench: cannot write GS a 1 on the line\n");
        return false;
    }
    if (!awaitByte(line.get(), printer::status::Ok, std::chrono::seconds(2))) {
        std::fprintf(stderr,
                     "printer_bench: no status 0x12 within 2 s of GS a 1 (automatic status back not answered); "
                     "the printer said:\n%s\n",
                     printer.outputTail().c_str());
        return false;
    }

    std::vector<double> delays;
    int missed = 0;
    for (int i = 0; i < kFaults; ++i) {
        const bool fault = i % 2 == 0;
        const std::uint8_t expected = fault ? printer::status::PaperEnd : printer::status::Ok;
        drain(line.get());
        const auto typed = Clock::now();
        if (!printer.type(fault ? "paper-end\n" : "ok\n")) {
            std::fprintf(stderr, "printer_bench: the printer's standard input is closed\n");
            break;
        }
        if (const auto arrived = awaitByte(line.get(), expected, std::chrono::seconds(2)))
            delays.push_back(std::chrono::duration<double, std::milli>(*arrived - typed).count());
        else ++missed;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }

    printer.type("quit\n");
    const std::optional<int> status = printer.waitExit(std::chrono::seconds(5));
    const bool linkGone = !fs::is_symlink(fs::symlink_status(printer.linkPath(), ec)) &&
                          !fs::exists(printer.linkPath(), ec);

    if (!delays.empty()) {
        std::printf("typed fault to status byte on the line (paper-end 0x32 / ok 0x12, %zu of %d arrived): "
                    "median %.2f ms, worst %.2f ms (target < 20)\n",
                    delays.size(), kFaults, median(delays), *std::max_element(delays.begin(), delays.end()));
    }
    if (missed) std::printf("status bytes that did not arrive within 2 s: %d\n", missed);
    if (!status)
        std::printf("after quit: the printer was still running after 5 s (stopped by the bench); link %s\n",
                    linkGone ? "removed" : "left behind");
    else
        std::printf("after quit: printer ended with %s %d, link %s\n", WIFEXITED(*status) ? "exit code" : "signal",
                    WIFEXITED(*status) ? WEXITSTATUS(*status) : WTERMSIG(*status),
                    linkGone ? "removed" : "left behind");
    return !delays.empty();
}

}  // namespace

int main()
{
    std::signal(SIGPIPE, SIG_IGN);
    const bool decoded = measureDecoding();
    std::fflush(stdout);

    char folderName[] = "/tmp/printer_bench.XXXXXX";
    bool served = false;
    if (::mkdtemp(folderName)) {
        served = measureFaults(folderName);
        std::error_code ec;
        fs::remove_all(folderName, ec);
    } else {
        std::fprintf(stderr, "printer_bench: cannot make a temporary folder\n");
    }
    std::fflush(stdout);
    if (!decoded || !served) {
        std::fprintf(stderr, "printer_bench: could not measure everything\n");
        return 1;
    }
    return 0;
}
