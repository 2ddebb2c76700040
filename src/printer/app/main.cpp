// printbench-printer: a printer of the family on the far end of a serial line or of a TCP
// port. It answers status requests, takes faults typed on its standard input, logs every
// command it decodes and renders what it prints into PNG receipts, one per cut. It also reads
// the barcodes and 2-D codes in pictures (--read-codes), receipts among them.

#include "link/PortNaming.h"
#include "printer/CommandLog.h"
#include "printer/Decoder.h"
#include "printer/VirtualPrinter.h"
#include "printer/app/PseudoTerminal.h"
#include "printer/app/QtPrinterOutput.h"
#include "printer/app/TcpPort.h"
#include "protocol/Models.h"
#include "scan/app/ImageFile.h"

#include <QGuiApplication>

#include <algorithm>
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
#include <string_view>
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
    std::optional<int> tcp;
    std::string listen = "127.0.0.1";
    std::string firmware = Identity{}.firmware;
    std::string serial = Identity{}.serial;
    std::vector<std::string> readCodes;  // pictures whose codes are read, instead of serving a printer
};

std::string usage()
{
    std::string text = "usage: printbench-printer [--com N] [--ports DIR] [--model NAME] [--out DIR] [--log FILE]\n"
                       "       printbench-printer --tcp PORT [--listen ADDR] [--model NAME] [--out DIR] [--log FILE]\n"
                       "       printbench-printer --decode FILE [--model NAME] [--out DIR] [--log FILE]\n"
                       "       printbench-printer --read-codes IMAGE...\n"
                       "       printbench-printer --help | --version\n"
                       "\n"
                       "  --com N       link the printer's line as COM<N> (1 to 11) in PrintBench's port folder (11)\n"
                       "  --ports DIR   port folder ($XDG_CONFIG_HOME/printbench/ports)\n"
                       "  --tcp PORT    serve a raw printer stream on TCP port PORT (9100 as network printers; 0 for\n"
                       "                any free port, named on the first line) instead of a serial line. One client\n"
                       "                at a time: the next waits until it disconnects; the paper stays between them\n"
                       "  --listen ADDR the address --tcp listens on (127.0.0.1; 0.0.0.0 for every network)\n"
                       "  --model NAME  printer model, which sets the paper width (KR-420)\n"
                       "  --out DIR     folder for the rendered receipts, one PNG per cut (receipts)\n"
                       "  --log FILE    the decoded commands go to FILE instead of standard output\n"
                       "  --decode FILE decode and render a captured byte stream instead of serving a port\n"
                       "  --firmware TEXT\n"
                       "                the firmware version GS I 65 answers, in printable ASCII (1.00)\n"
                       "  --serial TEXT the serial number GS I 68 answers, in printable ASCII (PB-0001)\n"
                       "  --read-codes IMAGE...\n"
                       "                print each barcode and 2-D code found in the pictures (PNG receipts, ...)\n"
                       "                as FORMAT<tab>TEXT, one a line; exit 0 when any was found, 1 when none,\n"
                       "                2 when a picture cannot be read\n"
                       "\n"
                       "Models and their paper widths:\n";
    const auto& models = printbench::protocol::kModelWidths;
    for (std::size_t i = 0; i < models.size(); ++i) {
        text += (i % 3 ? "   " : "  ") + std::string(models[i].first) + " " + std::to_string(models[i].second) +
                " dots";
        if (i % 3 == 2 || i + 1 == models.size()) text += "\n";
    }
    return text + "\nOn standard input, one per line: ok, paper-end, cover-open, error, status 0xNN, quit.\n";
}

// A whole number from `low` to `high`; none for anything else.
std::optional<int> number(const std::string& text, long low, long high)
{
    char* end = nullptr;
    errno = 0;
    const long n = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end || errno || n < low || n > high) return std::nullopt;
    return int(n);
}

std::optional<Options> parse(int argc, char** argv, std::string& error)
{
    static constexpr std::string_view kWithValue[] = {"--com",   "--model", "--out",    "--log",      "--decode",
                                                      "--ports", "--tcp",   "--listen", "--firmware", "--serial"};
    Options o;
    bool serial = false, listen = false;  // --com or --ports, --listen given
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::cout << usage();
            std::exit(0);
        }
        if (arg == "--version") {
            std::cout << "printbench-printer " PRINTBENCH_VERSION "\n";
            std::exit(0);
        }
        if (arg == "--read-codes") {
            if (i != 1 || i + 1 >= argc) {
                error = "--read-codes goes alone, with one picture or more: --read-codes IMAGE...";
                return std::nullopt;
            }
            o.readCodes.assign(argv + 2, argv + argc);
            return o;
        }
        if (std::ranges::find(kWithValue, arg) == std::end(kWithValue)) {
            error = "unknown option " + arg;
            return std::nullopt;
        }
        if (i + 1 >= argc) {
            error = arg + " needs a value";
            return std::nullopt;
        }
        const std::string value = argv[++i];
        if (arg == "--com") {
            const std::optional<int> n = number(value, 1, 11);
            if (!n) {
                error = "--com takes a port number from 1 to 11, not \"" + value + "\"";
                return std::nullopt;
            }
            o.com = *n;
            serial = true;
        } else if (arg == "--tcp") {
            o.tcp = number(value, 0, 65535);
            if (!o.tcp) {
                error = "--tcp takes a TCP port number from 0 to 65535, not \"" + value + "\"";
                return std::nullopt;
            }
        } else if (arg == "--listen") {
            o.listen = value;
            listen = true;
        } else if (arg == "--model") {
            o.model = value;
        } else if (arg == "--out") {
            o.out = value;
        } else if (arg == "--log") {
            o.log = value;
        } else if (arg == "--decode") {
            o.decode = value;
        } else if (arg == "--firmware" || arg == "--serial") {
            // The printer answers the text as it stands, between 5F and 00.
            if (!std::ranges::all_of(value, [](char c) { return c >= 0x20 && c <= 0x7E; })) {
                error = arg + " takes printable ASCII text, not \"" + value + "\"";
                return std::nullopt;
            }
            (arg == "--firmware" ? o.firmware : o.serial) = value;
        } else {
            o.ports = value;
            serial = true;
        }
    }
    if (o.tcp && serial) {
        error = "--tcp serves a TCP port instead of a serial line: leave out --com and --ports";
        return std::nullopt;
    }
    if (listen && !o.tcp) {
        error = "--listen goes with --tcp";
        return std::nullopt;
    }
    if (!printbench::protocol::modelPrintWidth(o.model)) {
        error = "unknown model \"" + o.model + "\"; the models are";
        for (const auto& [name, width] : printbench::protocol::kModelWidths) error += " " + std::string(name);
        return std::nullopt;
    }
    return o;
}

// The program's own lines ("# ..."). A status line the same as the line just before it is
// counted instead of written again; when another line comes, or at the end, one line tells
// how many more there were: "# status 0x12 sent (4 more)".
class Notes {
public:
    explicit Notes(std::ostream& out) : m_out(out) {}
    ~Notes() { settle(); }
    Notes(const Notes&) = delete;
    Notes& operator=(const Notes&) = delete;

    void line(const std::string& text)
    {
        settle();
        m_out << text << std::endl;
    }
    void status(const std::string& text)
    {
        if (text == m_last) {
            ++m_repeats;
            return;
        }
        line(text);
        m_last = text;
    }
    // Something else is written to the same stream: the repeats held back are counted first.
    void settle()
    {
        if (m_repeats > 0) m_out << m_last << " (" << m_repeats << " more)" << std::endl;
        m_repeats = 0;
        m_last.clear();
    }

private:
    std::ostream& m_out;
    std::string m_last;  // the line before, when it was a status line
    long m_repeats = 0;  // the times it came again since
};

// Sends the printer's bytes to the host, or only notes them when decoding a file. What the
// printer answers between gather() and answered() is one answer: one write, one note.
class Output : public PrinterOutput {
public:
    Output(PngFolder& pngs, Notes& notes) : m_pngs(pngs), m_notes(notes) {}
    void reply(std::uint8_t byte) override
    {
        if (m_gathering) {
            m_answer.push_back(byte);
            return;
        }
        char text[24];
        std::snprintf(text, sizeof text, "# status 0x%02X", byte);
        m_notes.status(text + send(&byte, 1));
    }
    void page(const Page& page) override { m_pngs.write(page); }
    void note(const std::string& text) override { m_notes.line("# " + text); }

    void gather() { m_gathering = true; }
    void answered()
    {
        m_gathering = false;
        if (m_answer.empty()) return;
        std::string text = "# printer ID";
        for (const std::uint8_t b : m_answer) {
            char two[4];
            std::snprintf(two, sizeof two, " %02X", b);
            text += two;
        }
        m_notes.status(text + send(m_answer.data(), m_answer.size()));
        m_answer.clear();
    }

    PrinterPort* port = nullptr;

private:
    // How the bytes went, as the end of their note.
    std::string send(const std::uint8_t* bytes, std::size_t n)
    {
        if (!port) return " (not sent: decoding a file)";
        if (port->write(bytes, n)) return " sent";
        return " not sent: " + port->refusal();
    }

    PngFolder& m_pngs;
    Notes& m_notes;
    bool m_gathering = false;
    std::vector<std::uint8_t> m_answer;
};

// Decoded commands go both to the log and to the printer. When the log shares the notes'
// stream, its lines come between repeated status lines, which are then no longer repeats.
// The bytes a GS I is answered with leave together, as one answer.
class Both : public CommandSink {
public:
    Both(CommandLog& log, VirtualPrinter& printer, Output& output, Notes* sharing)
        : m_log(log), m_printer(printer), m_output(output), m_sharing(sharing)
    {}
    void command(const Command& c) override
    {
        if (m_sharing) m_sharing->settle();
        m_log.command(c);
        if (c.op != Op::PrinterId) return m_printer.command(c);
        m_output.gather();
        m_printer.command(c);
        m_output.answered();
    }

private:
    CommandLog& m_log;
    VirtualPrinter& m_printer;
    Output& m_output;
    Notes* m_sharing;
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

// Serves the port until Ctrl-C or "quit": what arrives is printed, faults typed on standard
// input change the status.
int serve(PrinterPort& port, Decoder& decoder, CommandSink& sink, CommandLog& log, VirtualPrinter& printer,
          PngFolder& pngs, Notes& notes)
{
    pollfd fds[3] = {{port.fd(), POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}, {g_signalPipe[0], POLLIN, 0}};
    std::string typed;
    std::vector<std::uint8_t> buffer(1 << 16);
    bool wasOffline = printer.offline();
    bool fresh = false;  // bytes arrived since in-progress.png was last written
    for (;;) {
        fds[0].fd = port.fd();
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
                fds[1].fd = -1;  // standard input closed: the printer goes on serving the port
            } else {
                typed.append(chunk, std::size_t(n));
                for (std::size_t nl; (nl = typed.find('\n')) != std::string::npos; typed.erase(0, nl + 1)) {
                    const std::string command = typed.substr(0, nl);
                    if (command.find_first_not_of(" \t\r") == std::string::npos) continue;
                    if (command.rfind("quit", 0) == 0) return 0;
                    if (const auto status = conditionByte(command)) {
                        char text[16];
                        std::snprintf(text, sizeof text, ": status 0x%02X", *status);
                        notes.line("# condition " + command + text);
                        printer.setStatus(*status);
                    } else {
                        notes.line("# not understood: \"" + command +
                                   "\"; type ok, paper-end, cover-open, error, status 0xNN or quit");
                    }
                }
            }
        }
        if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) {
            const std::size_t n = port.receive(buffer);
            if (n > 0) {
                decoder.feed(std::span(buffer.data(), n), sink);
                log.sync();
                fresh = true;
            }
        }
        if (printer.offline() != wasOffline) {
            wasOffline = printer.offline();
            notes.line(wasOffline ? "# offline: what arrives now is not printed until the fault is cleared"
                                  : "# online again");
        }
    }
    return 0;
}

// The codes in each picture, as FORMAT<tab>TEXT lines: 0 when any was found, 1 when none, 2
// when a picture could not be read (named on standard error).
int readCodes(const std::vector<std::string>& pictures)
{
    bool found = false, unreadable = false;
    for (const std::string& picture : pictures) {
        const auto codes = printbench::scan::readCodesInFile(picture);
        if (const auto* why = std::get_if<std::string>(&codes)) {
            std::cerr << "printbench-printer: " << *why << "\n";
            unreadable = true;
            continue;
        }
        for (const auto& code : std::get<0>(codes)) {
            std::cout << code.format << '\t' << code.text << '\n';
            found = true;
        }
    }
    std::cout.flush();
    return unreadable ? 2 : found ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string error;
    const std::optional<Options> options = parse(argc, argv, error);
    if (!options) {
        std::cerr << "printbench-printer: " << error << "\n\n" << usage();
        return 2;
    }

    // The printer draws its characters with Qt's fonts and never shows a window.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type != QtDebugMsg && type != QtInfoMsg && !message.startsWith(QLatin1String("QStandardPaths:")))
            std::cerr << "printbench-printer: " << message.toStdString() << "\n";
    });
    QGuiApplication app(argc, argv);
    if (!options->readCodes.empty()) return readCodes(options->readCodes);

    std::ofstream logFile;
    if (options->log) {
        logFile.open(*options->log, std::ios::app);
        if (!logFile) {
            std::cerr << "printbench-printer: cannot write the log " << options->log->string() << "\n";
            return 1;
        }
    }
    std::ostream& logStream = options->log ? static_cast<std::ostream&>(logFile) : std::cout;
    Notes notes(std::cout);

    try {
        // The port first: when it cannot be had, nothing else is made.
        std::unique_ptr<PrinterPort> port;
        std::string ended = "# ended";
        if (options->tcp) {
            port = std::make_unique<TcpPort>(options->listen, *options->tcp,
                                             [&](const std::string& text) { notes.line("# " + text); });
        } else if (!options->decode) {
            auto line = std::make_unique<PseudoTerminal>(
                options->ports ? *options->ports : printbench::link::defaultPortFolder(), options->com);
            ended += "; " + line->linkPath().string() + " removed";
            port = std::move(line);
        }
        PngFolder pngs(options->out, [&](const std::string& text) { notes.line("# receipt " + text); });
        QtGlyphs font;
        Output output(pngs, notes);
        const int width = *printbench::protocol::modelPrintWidth(options->model);
        VirtualPrinter printer(width, output, &font,
                               {.firmware = options->firmware, .model = options->model, .serial = options->serial});
        Decoder decoder;
        CommandLog log(logStream);
        Both sink(log, printer, output, options->log ? nullptr : &notes);

        if (options->decode) return decodeFile(*options->decode, decoder, sink, log, printer);

        if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) throw std::runtime_error("cannot make a pipe");
        struct sigaction action {};
        action.sa_handler = onSignal;
        for (const int s : {SIGINT, SIGTERM, SIGHUP}) sigaction(s, &action, nullptr);
        std::signal(SIGPIPE, SIG_IGN);

        output.port = port.get();
        notes.line("# " + options->model + " (" + std::to_string(width) + " dots) on " + port->where() +
                   ", receipts into " + pngs.folder().string() + ", font " + font.familyName().toStdString());
        const int result = serve(*port, decoder, sink, log, printer, pngs, notes);
        decoder.finish(sink);
        log.flush();
        printer.finish();
        std::error_code ec;
        fs::remove(pngs.inProgressPath(), ec);
        notes.line(ended);
        return result;
    } catch (const std::exception& e) {
        std::cerr << "printbench-printer: " << e.what() << "\n";
        return 1;
    }
}
