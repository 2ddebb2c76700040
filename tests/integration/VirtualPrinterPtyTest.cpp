// PrintBench's core and the printbench-printer program on the two ends of a real pseudo-
// terminal: what PrintBench prints comes out of the virtual printer as receipts, and a fault
// typed on the printer's standard input stops a run.

#include "bitmap/BitmapTestFiles.h"
#include "bitmap/Form3.h"
#include "integration/PrinterPeer.h"
#include "integration/QtApp.h"
#include "link/QtSerialPort.h"
#include "shell/Form1.h"
#include "support/Recorder.h"
#include "support/TempDir.h"

#include <QCoreApplication>
#include <QImage>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using printbench::shell::Control;
using testing::HasSubstr;

namespace {

constexpr int kCom11 = 11;
constexpr int kKl330 = 2;  // 432 dots
constexpr int kFullCut = 3;

template <typename Condition>
bool waitFor(Condition done, std::chrono::milliseconds timeout = 5s)
{
    for (const auto end = std::chrono::steady_clock::now() + timeout; std::chrono::steady_clock::now() < end;) {
        if (done()) return true;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(10ms);
    }
    return done();
}

// printbench-printer as a technician starts it, with its standard input on a pipe and its
// output in a log file.
class PrinterProgram {
public:
    PrinterProgram(const fs::path& ports, const fs::path& out, const fs::path& log)
        : m_link(ports / "COM11"), m_log(log)
    {
        std::vector<std::string> args{PRINTBENCH_PRINTER, "--com", "11", "--model", "KL-330", "--out", out.string(),
                                      "--ports", ports.string()};
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        int in[2];
        if (::pipe2(in, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
        const int logFd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        m_pid = ::fork();
        if (m_pid == 0) {
            ::dup2(in[0], STDIN_FILENO);
            ::dup2(logFd, STDOUT_FILENO);
            ::dup2(logFd, STDERR_FILENO);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        ::close(in[0]);
        ::close(logFd);
        m_stdin = in[1];
        waitFor([&] { return fs::is_symlink(m_link); });
    }
    ~PrinterProgram()
    {
        ::close(m_stdin);
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            ::waitpid(m_pid, nullptr, 0);
        }
    }

    const fs::path& link() const { return m_link; }
    void type(const std::string& line)
    {
        const std::string text = line + "\n";
        EXPECT_EQ(::write(m_stdin, text.data(), text.size()), ssize_t(text.size()));
    }
    std::string log() const
    {
        std::ifstream in(m_log);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    // Ctrl-C: the exit status, or -1 when the program did not end within 5 s.
    int interrupt()
    {
        ::kill(m_pid, SIGINT);
        for (int i = 0; i < 500; ++i) {
            int status = 0;
            if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_pid = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(10ms);
        }
        return -1;
    }

private:
    fs::path m_link;
    fs::path m_log;
    pid_t m_pid = -1;
    int m_stdin = -1;
};

class VirtualPrinterPty : public testing::Test {
protected:
    VirtualPrinterPty()
    {
        printbench::testkit::ensureQtApp();
        form.Form_Load();
        form.setListIndex(Control::Combo4, kKl330);
        form.setListIndex(Control::Combo2, kCom11);
        // The printer answers GS a 1 with its status at once.
        EXPECT_TRUE(waitFor([&] { return rec.text(Control::Text6) == "Hex : 12"; })) << program.log();
    }

    QImage receipt(const std::string& name)
    {
        const fs::path path = out.path() / name;
        EXPECT_TRUE(waitFor([&] { return fs::exists(path); })) << name << " never came\n" << program.log();
        return QImage(QString::fromStdString(path.string()));
    }

    printbench::testkit::TempDir ports, out, logs;
    PrinterProgram program{ports.path(), out.path(), logs.path() / "printer.log"};
    printbench::testkit::Recorder rec;
    printbench::testkit::QuietHost host;
    printbench::link::QtSerialPort port;
    printbench::shell::Form1 form{host, rec, port, rec.usb, ports.path()};
};

bool dark(const QImage& image, int x, int y) { return qGray(image.pixel(x, y)) < 128; }

TEST_F(VirtualPrinterPty, ALogoComesOutDotForDot)
{
    std::vector<std::vector<std::uint8_t>> rows;
    for (int y = 0; y < 30; ++y) {
        std::vector<std::uint8_t> row;
        for (int b = 0; b < 5; ++b) row.push_back(static_cast<std::uint8_t>(y * 37 + b * 91 + (y * b) % 7));
        rows.push_back(row);
    }
    const auto bmp = printbench::testkit::monochromeBmp(40, 30, rows);
    printbench::testkit::TempDir pictures, work;
    printbench::testkit::writeFile(pictures.path() / "logo.bmp", bmp);
    rec.setText(Control::Dir1, pictures.path().string());
    printbench::bitmap::Form3 window(form, rec, work.path());
    window.Form_Load();
    window.File1_DblClick("logo.bmp");
    window.Command1_Click();

    const QImage page = receipt("receipt-0001.png");
    ASSERT_EQ(page.width(), 432);
    ASSERT_EQ(page.height(), 520 + 127);  // the page mode area, then the feed before the cut
    int differing = 0;
    for (int y = 0; y < 48; ++y) {
        for (int x = 0; x < 432; ++x) {
            // A 0 bit in the file is black.
            const bool black = y < 30 && x < 40 && !((rows[std::size_t(y)][std::size_t(x / 8)] >> (7 - x % 8)) & 1);
            differing += dark(page, x, y) != black;
        }
    }
    EXPECT_EQ(differing, 0);
    EXPECT_THAT(program.log(), HasSubstr("ESC * 33 n=40: 24-dot double-density band"));
}

TEST_F(VirtualPrinterPty, TheTileGridPrintsElevenRowsAndCtrlCLeavesTheReceiptAndNoLink)
{
    form.setText(Control::Text2, "1");
    form.Command11_Click();
    EXPECT_TRUE(waitFor([&] { return fs::exists(out.path() / "in-progress.png"); })) << program.log();

    EXPECT_EQ(program.interrupt(), 0);
    EXPECT_FALSE(fs::exists(fs::symlink_status(program.link())));
    EXPECT_FALSE(fs::exists(out.path() / "in-progress.png"));
    const QImage page = receipt("receipt-0001.png");
    ASSERT_EQ(page.width(), 432);
    EXPECT_EQ(page.height(), 12 * 24);  // eleven rows and the blank line after them
    int lines = 0;
    for (int y = 0; y < page.height(); ++y) {
        bool across = true;
        for (int x = 5; x < 427 && across; ++x) across = dark(page, x, y);
        lines += across;
    }
    EXPECT_EQ(lines, 11 * 2);  // one 2-dot line through each row of cells
    EXPECT_THAT(program.log(), HasSubstr("text (36 characters): \"├┼┼┼┼┼┼┼┼┼┼┼┼┼┼┼┼┼┼┼┼┼┼┼┼┼┼┼┼┼┼┼┼┼┼┤\""));
}

TEST_F(VirtualPrinterPty, APaperEndTypedOnItsInputStopsAFullCutRunUntilStatusClear)
{
    rec.setListIndex(Control::List1, kFullCut);
    form.List1_DblClick();
    form.setText(Control::Text2, "0");  // until stopped
    form.setText(Control::Text5, "50");
    std::thread technician([&] {
        std::this_thread::sleep_for(600ms);
        program.type("paper-end");
    });
    form.Command2_Click();
    technician.join();

    EXPECT_EQ(form.state().StopRequested, 1);
    EXPECT_EQ(rec.text(Control::Text6), "Hex : 32");
    EXPECT_TRUE(waitFor([&] { return program.log().find("DLE ENQ 2") != std::string::npos; }));
    const std::string log = program.log();
    EXPECT_LT(log.find("# condition paper-end: status 0x32"), log.find("DLE ENQ 2: recover from an error"));

    program.type("ok");
    EXPECT_TRUE(waitFor([&] { return rec.text(Control::Text6) == "Hex : 12"; }));
    form.Command4_Click();  // "Status Clear"
    EXPECT_TRUE(waitFor([&] { return program.log().find("ESC @: initialise the printer") != std::string::npos; }));
    EXPECT_THAT(host.messages, testing::IsEmpty());
}

} // namespace

namespace {

// A captured stream instead of a port: logged, an unknown byte named, the receipt written.
TEST(VirtualPrinterDecode, ACaptureFileIsLoggedAndPrinted)
{
    printbench::testkit::TempDir dir;
    const std::vector<std::uint8_t> capture{0x1D, 0x61, 0x01, 0x07, 0x1A, 0x78, 0x01, 0xDA, 0xC4, 0xBF, 0x0A, 0x1B, 0x69, 0x41};
    printbench::testkit::writeFile(dir.path() / "capture.bin", capture);
    const std::string command = std::string(PRINTBENCH_PRINTER) + " --decode " + (dir.path() / "capture.bin").string() +
                                " --model KL-330 --out " + (dir.path() / "out").string() + " --log " +
                                (dir.path() / "log.txt").string() + " >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);

    std::ifstream in(dir.path() / "log.txt");
    const std::string log((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(log, "00000000  GS a 1: automatic status back on\n"
                   "00000003  unknown: 07\n"
                   "00000004  SUB \"x\" 1: box-drawing table on\n"
                   "00000007  text (3 characters): \"┌─┐\"\n"
                   "0000000A  LF: print and line feed\n"
                   "0000000B  ESC i: full cut\n"
                   "0000000D  text (1 character): \"A\"\n");
    // The cut's receipt, and the uncut "A" written when the input ends.
    EXPECT_EQ(QImage(QString::fromStdString((dir.path() / "out" / "receipt-0001.png").string())).size(), QSize(432, 32));
    EXPECT_EQ(QImage(QString::fromStdString((dir.path() / "out" / "receipt-0002.png").string())).size(), QSize(432, 24));
}

} // namespace
