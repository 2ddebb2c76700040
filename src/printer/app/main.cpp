// printbench-printer: a printer of the family on the far end of a serial line. It answers
// status requests, takes faults typed on its standard input, logs every command it decodes
// and renders what it prints into PNG receipts, one per cut.

#include "protocol/Models.h"
#include "link/PortNaming.h"
#include "printer/CommandLog.h"
#include "printer/Decoder.h"
#include "printer/VirtualPrinter.h"
#include "printer/app/PseudoTerminal.h"
#include "printer/app/QtPrinterOutput.h"

#include <QGuiApplication>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <poll.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace printbench::printer;

namespace {

int g_signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char b = 1;
    [[maybe_unused]] const ssize_t w = ::write(g_signalPipe[1], &b, 1);
}

struct Options {
    int com = 11;
    std::string model = "KR-420";
    fs::path out = "receipts";
    std::optional<fs::path> log;
    std::optional<fs::path> decode;
    std::optional<fs::path> ports;
};

const char* const kUsage =
    "usage: printbench-printer [--com N] [--model NAME] [--out DIR] [--log FILE] [--ports DIR]\n"
    "       printbench-printer --decode FILE [--model NAME] [--out DIR] [--log FILE]\n"
    "\n"
    "  --com N       link the printer's line as COM<N> (1 to 11) in PrintBench's port folder (11)\n"
    "  --model NAME  printer model, which sets the paper width (KR-420, 512 dots)\n"
    "  --out DIR     folder for the rendered receipts, one PNG per cut (receipts)\n"
    "  --log FILE    the decoded commands go to FILE instead of standard output\n"
    "  --ports DIR   port folder ($XDG_CONFIG_HOME/printbench/ports)\n"
    "  --decode FILE decode and render a captured byte stream instead of serving a port\n"
    "\n"
    "On standard input, one per line: ok, paper-end, cover-open, error, status 0xNN, quit.\n";

std::optional<Options> parse(int argc, char** argv, std::string& error)
{
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            std::exit(0);
        }
        if (i + 1 >= argc) {
            error = arg + " needs a value";
            return std::nullopt;
        }
        const std::string value = argv[++i];
        if (arg == "--com") {
            char* end = nullptr;
            const long n = std::strtol(value.c_str(), &end, 10);
            if (*end || n < 1 || n > 11) {
                error = "--com takes a port number from 1 to 11, not \"" + value + "\"";
                return std::nullopt;
            }
            o.com = int(n);
        } else if (arg == "--model") {
            o.model = value;
        } else if (arg == "--out") {
            o.out = value;
        } else if (arg == "--log") {
            o.log = value;
        } else if (arg == "--decode") {
            o.decode = value;
        } else if (arg == "--ports") {
            o.ports = value;
        } else {
            error = "unknown option " + arg;
            return std::nullopt;
        }
    }
    if (!printbench::protocol::modelPrintWidth(o.model)) {
        error = "unknown model \"" + o.model + "\"; the models are";
        for (const auto& [name, width] : printbench::protocol::kModelWidths) error += " " + std::string(name);
        return std::nullopt;
    }
    return o;
}

// Sends the printer's bytes down the line, or only notes them when decoding a file.
class Output : public PrinterOutput {
public:
    Output(PngFolder& pngs, std::ostream& notes) : m_pngs(pngs), m_notes(notes) {}
    void reply(std::uint8_t status) override
    {
        char text[48];
        std::snprintf(text, sizeof text, "# status 0x%02X %s", status, line ? "sent" : "(not sent: decoding a file)");
        if (line && !line->write(&status, 1)) std::snprintf(text, sizeof text, "# status 0x%02X not sent: the line refuses it", status);
        m_notes << text << std::endl;
    }
    void page(const Page& page) override { m_pngs.write(page); }

    PseudoTerminal* line = nullptr;

private:
    PngFolder& m_pngs;
    std::ostream& m_notes;
};

// Decoded commands go both to the log and to the printer.
class Both : public CommandSink {
public:
    Both(CommandLog& log, VirtualPrinter& printer) : m_log(log), m_printer(printer) {}
    void command(const Command& c) override
    {
        m_log.command(c);
        m_printer.command(c);
    }

private:
    CommandLog& m_log;
    VirtualPrinter& m_printer;
};

int decodeFile(const fs::path& file, Decoder& decoder, CommandSink& sink, CommandLog& log, VirtualPrinter& printer)
{
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::cerr << "printbench-printer: cannot read " << file.string() << ": " << std::strerror(errno) << "\n";
        return 1;
    }
    std::vector<std::uint8_t> chunk(1 << 16);
    while (in) {
        in.read(reinterpret_cast<char*>(chunk.data()), std::streamsize(chunk.size()));
        decoder.feed(std::span(chunk.data(), std::size_t(in.gcount())), sink);
    }
    decoder.finish(sink);
    log.flush();
    printer.finish();
    return 0;
}

// Uncut paper is shown as in-progress.png once the line has been quiet this long.
constexpr int kQuietMs = 700;

int serve(PseudoTerminal& line, Decoder& decoder, CommandSink& sink, CommandLog& log, VirtualPrinter& printer,
          PngFolder& pngs, std::ostream& notes)
{
    pollfd fds[3] = {{line.fd(), POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}, {g_signalPipe[0], POLLIN, 0}};
    std::string typed;
    std::vector<std::uint8_t> buffer(1 << 16);
    bool wasOffline = printer.offline();
    bool fresh = false;  // bytes arrived since in-progress.png was last written
    for (;;) {
        const int ready = ::poll(fds, 3, fresh ? kQuietMs : -1);
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0) break;
        if (ready == 0) {
            fresh = false;
            if (const auto paper = printer.paperSoFar()) pngs.writeInProgress(*paper);
            continue;
        }
        if (fds[2].revents) break;  // Ctrl-C or a request to end
        if (fds[1].revents) {
            char chunk[256];
            const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
            if (n <= 0) {
                fds[1].fd = -1;  // standard input closed: the printer goes on serving the line
            } else {
                typed.append(chunk, std::size_t(n));
                for (std::size_t nl; (nl = typed.find('\n')) != std::string::npos; typed.erase(0, nl + 1)) {
                    const std::string command = typed.substr(0, nl);
                    if (command.find_first_not_of(" \t\r") == std::string::npos) continue;
                    if (command.rfind("quit", 0) == 0) return 0;
                    if (const auto status = conditionByte(command)) {
                        char text[64];
                        std::snprintf(text, sizeof text, "# condition %s: status 0x%02X", command.c_str(), *status);
                        notes << text << std::endl;
                        printer.setStatus(*status);
                    } else {
                        notes << "# not understood: \"" << command
                              << "\"; type ok, paper-end, cover-open, error, status 0xNN or quit" << std::endl;
                    }
                }
            }
        }
        if (fds[0].revents & POLLIN) {
            const ssize_t n = ::read(line.fd(), buffer.data(), buffer.size());
            if (n > 0) {
                decoder.feed(std::span(buffer.data(), std::size_t(n)), sink);
                log.sync();
                fresh = true;
            }
        }
        if (printer.offline() != wasOffline) {
            wasOffline = printer.offline();
            notes << (wasOffline ? "# offline: what arrives now is not printed until the fault is cleared"
                                 : "# online again")
                  << std::endl;
        }
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    std::string error;
    const std::optional<Options> options = parse(argc, argv, error);
    if (!options) {
        std::cerr << "printbench-printer: " << error << "\n\n" << kUsage;
        return 2;
    }

    // The printer draws its characters with Qt's fonts and never shows a window.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type != QtDebugMsg && type != QtInfoMsg && !message.startsWith(QLatin1String("QStandardPaths:")))
            std::cerr << "printbench-printer: " << message.toStdString() << "\n";
    });
    QGuiApplication app(argc, argv);

    std::ofstream logFile;
    if (options->log) {
        logFile.open(*options->log, std::ios::app);
        if (!logFile) {
            std::cerr << "printbench-printer: cannot write the log " << options->log->string() << "\n";
            return 1;
        }
    }
    std::ostream& logStream = options->log ? static_cast<std::ostream&>(logFile) : std::cout;
    std::ostream& notes = std::cout;

    try {
        PngFolder pngs(options->out, [&](const std::string& text) { notes << "# receipt " << text << std::endl; });
        QtGlyphs font;
        Output output(pngs, notes);
        const int width = *printbench::protocol::modelPrintWidth(options->model);
        VirtualPrinter printer(width, output, &font);
        Decoder decoder;
        CommandLog log(logStream);
        Both sink(log, printer);

        if (options->decode) return decodeFile(*options->decode, decoder, sink, log, printer);

        if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) throw std::runtime_error("cannot make a pipe");
        struct sigaction action {};
        action.sa_handler = onSignal;
        for (const int s : {SIGINT, SIGTERM, SIGHUP}) sigaction(s, &action, nullptr);
        std::signal(SIGPIPE, SIG_IGN);

        PseudoTerminal line(options->ports ? *options->ports : printbench::link::defaultPortFolder(), options->com);
        output.line = &line;
        notes << "# " << options->model << " (" << width << " dots) on " << line.linkPath().string() << " -> "
              << line.devicePath() << ", receipts into " << pngs.folder().string() << ", font "
              << font.familyName().toStdString() << std::endl;
        const int result = serve(line, decoder, sink, log, printer, pngs, notes);
        decoder.finish(sink);
        log.flush();
        printer.finish();
        std::error_code ec;
        fs::remove(pngs.inProgressPath(), ec);
        notes << "# ended; " << line.linkPath().string() << " removed" << std::endl;
        return result;
    } catch (const std::exception& e) {
        std::cerr << "printbench-printer: " << e.what() << "\n";
        return 1;
    }
}
