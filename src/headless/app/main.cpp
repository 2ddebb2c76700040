// printbench-run: one action of PrintBench without a window, for scripts, racks of printers and
// CI jobs. The same subsystems as the window, on the same adapters.

#include "app/adapters/LibusbTransport.h"
#include "app/adapters/QtHost.h"
#include "app/adapters/QtSerialPort.h"
#include "headless/HeadlessRun.h"
#include "headless/ScanCheck.h"
#include "link/CodePage.h"
#include "link/PortNaming.h"
#include "link/usb/UsbPrinterControl.h"
#include "pictures/app/PictureFile.h"
#include "scan/app/ImageFile.h"

#include <QCoreApplication>
#include <QDateTime>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <unistd.h>

#ifndef PRINTBENCH_VERSION
#define PRINTBENCH_VERSION ""
#endif

namespace fs = std::filesystem;
using namespace printbench;

namespace {

std::atomic<headless::HeadlessRun*> g_run{nullptr};
std::atomic<int> g_interrupts{0};

// SIGINT (Ctrl-C), SIGTERM and SIGHUP (the terminal or the SSH session gone) end a run as "Stop"
// does, and its reports are written; a second signal ends the program at once, leaving the
// reports as they were last written whole.
void onInterrupt(int signal)
{
    if (g_interrupts.fetch_add(1) > 0) std::_Exit(headless::Interrupted);
    if (headless::HeadlessRun* run = g_run.load())
        run->interrupt(signal == SIGINT ? "SIGINT" : signal == SIGTERM ? "SIGTERM" : "SIGHUP");
}

// --out: the serial route's bytes into a file, written at the flush points as a port would get
// them; nothing comes back.
class FileLine : public link::SerialPort {
public:
    explicit FileLine(fs::path file) : m_file(std::move(file)) {}
    link::LinkStatus open(const link::SerialSettings&, const std::string&) override
    {
        if (!m_out.is_open()) m_out.open(m_file, std::ios::binary | std::ios::trunc);
        if (!m_out) return link::LinkStatus::fail(link::LinkFailure::OpenFailed, "cannot write " + m_file.string());
        return {};
    }
    void close() override { m_pending.clear(); }
    bool isOpen() const override { return m_out.is_open() && bool(m_out); }
    void write(std::span<const std::uint8_t> bytes, link::OutputForm) override
    {
        m_pending.insert(m_pending.end(), bytes.begin(), bytes.end());
    }
    link::LinkStatus flush() override
    {
        m_out.write(reinterpret_cast<const char*>(m_pending.data()), std::streamsize(m_pending.size()));
        m_out.flush();
        m_pending.clear();
        if (!m_out) return link::LinkStatus::fail(link::LinkFailure::WriteFailed, "cannot write " + m_file.string());
        return {};
    }
    std::optional<std::span<const std::uint8_t>> gathered() const override { return std::span(m_pending); }
    int bytesWaiting() override { return 0; }
    std::optional<std::uint8_t> readByte() override { return std::nullopt; }
    void setListener(link::SerialListener*) override {}
    std::vector<std::string> hostDevices() const override { return {}; }

private:
    fs::path m_file;
    std::ofstream m_out;
    std::vector<std::uint8_t> m_pending;
};

// --out: no printer to wait for.
class NoWaits : public link::Host {
public:
    void sleep(std::int64_t) override {}
    void processEvents() override {}
    std::int64_t nowMs() override
    {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
};

// A port folder of this run's own, for a device path, a TCP address or --out: its COM1.
struct OwnPortFolder {
    fs::path path;
    OwnPortFolder()
    {
        std::string name = (fs::temp_directory_path() / "printbench-run-XXXXXX").string();
        if (!::mkdtemp(name.data())) throw std::runtime_error("no temporary folder");
        path = name;
    }
    ~OwnPortFolder()
    {
        std::error_code e;
        fs::remove_all(path, e);
    }
};

}  // namespace

int main(int argc, char* argv[])
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::cout << headless::kRunUsage;
        return 0;
    }
    if (args.size() == 1 && args[0] == "--version") {
        std::cout << "printbench-run " << PRINTBENCH_VERSION << "\n";
        return 0;
    }
    const auto parsed = headless::parseRunOptions(args);
    if (const auto* error = std::get_if<std::string>(&parsed)) {
        std::cerr << "printbench-run: " << *error << "\n" << headless::kRunUsage;
        return headless::Usage;
    }
    const headless::RunOptions& options = std::get<headless::RunOptions>(parsed);
    if (options.checkScan) {
        QCoreApplication app(argc, argv);
        return headless::checkScan(options, scan::readCodesInFile(options.scanImage.string()), std::cout, std::cerr);
    }

    QCoreApplication app(argc, argv);
    try {
        // Which port: COM<n> as the window resolves it, USB, or anything else as this run's COM1.
        int portIndex = 1;
        fs::path folder = link::defaultPortFolder();
        std::optional<OwnPortFolder> own;
        const std::string port = options.port;
        if (options.out) {
            if (port == "USB") {
                std::cerr
                    << "printbench-run: --out writes the bytes of the serial route; it does not go with --port USB\n";
                return headless::Usage;
            }
            own.emplace();
            folder = own->path;
            std::ofstream(*options.out, std::ios::app).close();
            fs::create_symlink(fs::absolute(*options.out), folder / "COM1");
        } else if (const std::optional<int> index = headless::portListIndex(port)) {
            portIndex = *index;
        } else {
            own.emplace();
            folder = own->path;
            if (port.rfind("tcp://", 0) == 0) std::ofstream(folder / "COM1") << port << "\n";
            else fs::create_symlink(port, folder / "COM1");
        }

        app::QtHost realHost(QStringLiteral("PrintBench"));
        NoWaits noWaits;
        link::Host& host = options.out ? static_cast<link::Host&>(noWaits) : realHost;
        app::QtSerialPort serialPort;
        FileLine fileLine(options.out.value_or(fs::path()));
        link::SerialPort& serial = options.out ? static_cast<link::SerialPort&>(fileLine) : serialPort;
        const link::CodePage codePage(link::CodePage::forEnvironment());
        app::LibusbTransport transport;
        link::usb::UsbPrinterControl usb(transport, codePage);

        // Sleeps wait on the port, so that status bytes are dated when they arrive.
        realHost.watchDuringSleeps(&serialPort);
        headless::HeadlessRun run(options, serial, usb, host, codePage, folder, portIndex, std::cerr);
        run.readPicture = [](const fs::path& file, int widthDots,
                             bool crop) -> std::variant<pictures::FittedPicture, std::string> {
            auto read = pictures::readGreyPicture(file.string());
            if (auto* why = std::get_if<std::string>(&read)) return std::move(*why);
            return pictures::fitToWidth(std::get<pictures::GreyPicture>(read), widthDots, crop);
        };
        run.journal().setProcessTag(std::to_string(::getpid()));
        run.journal().setClock(QDateTime::currentMSecsSinceEpoch() - host.nowMs(),
                               QDateTime::currentDateTime().offsetFromUtc() / 60);
        // On a terminal, one line of progress, four times a second at most.
        bool live = !options.quiet && ::isatty(STDERR_FILENO);
        auto lastShown = std::chrono::steady_clock::time_point();
        bool shown = false;
        if (live) {
            run.progress = [&](const std::string& line) {
                const auto now = std::chrono::steady_clock::now();
                if (!live || now - lastShown < std::chrono::milliseconds(250)) return;
                lastShown = now;
                // A terminal that hung up (EIO) ends the progress line, never the run.
                live = std::fprintf(stderr, "\r\033[K%s", line.c_str()) >= 0 && std::fflush(stderr) == 0;
                shown = live;
            };
        }
        g_run = &run;
        // A progress line or summary written to a reader that went away fails with EPIPE instead
        // of ending the program before its reports are written.
        std::signal(SIGPIPE, SIG_IGN);
        for (const int s : {SIGINT, SIGTERM, SIGHUP}) std::signal(s, onInterrupt);
        const int exit = run.execute();
        g_run = nullptr;
        if (shown) std::fprintf(stderr, "\r\033[K");
        std::cout << run.summary() << std::endl;
        return exit;
    } catch (const std::exception& e) {
        std::cerr << "printbench-run: " << e.what() << "\n";
        return headless::LinkError;
    }
}
