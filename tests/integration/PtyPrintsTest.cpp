// Whole runs over real pseudo-terminals: the main window's handlers on QtSerialPort, with real
// sleeps and event passes, print as a KL-330 (432 dots) to either the printer thread of
// PrinterPeer.h, which answers every status request with 12, or the printbench-printer program.
//
// Byte totals of the test prints, two repetitions as the printer reads them, GS a 1 (3 bytes,
// sent on choosing COM3) first:
//   bit pattern   3 + 132 set-up (SUB "1" and 10 runs, SUB "2" and 9 runs, LF, SUB "O")
//                 + 2 x 63 (ten pairs of lines with LF, status request) + 6 closing = 267
//   test pattern  3 + 7 density + 21 set-up (ESC 3 24, SUB "1" "C" "2" "C" "1", the full-width
//                 run, SUB "2") + 2 x 941 (145 line-2 runs, 71 bytes of printing, status
//                 request) + 4 closing = 1917

#include "app/adapters/QtSerialPort.h"
#include "support/PrinterPeer.h"
#include "support/QtApp.h"
#include "window/Form1.h"
#include "window/Form3.h"

#include <QImage>
#include <QProcess>
#include <QTimer>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <csignal>

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using namespace printbench::testkit;
using printbench::window::Control;
using printbench::window::Form1;
using testing::HasSubstr;
using testing::IsEmpty;

namespace {

// The main window's handlers on the Qt serial port, loaded, as a KL-330.
struct OnQt {
    OnQt() { form.Form_Load(); form.setListIndex(Control::Combo4, 2); }
    bool appReady = (ensureQtApp(), true);
    TempDir ports;
    Recorder rec;
    QuietHost host;
    printbench::app::QtSerialPort port;
    printbench::link::CodePage codePage{"CP949"};
    Form1 form{host, rec, port, rec.usb, codePage, ports.path()};
};

// COM3 is a link to a pty that the printer thread serves; each run repeats twice, 20 ms apart.
struct Line : OnQt {
    Line()
    {
        fs::create_symlink(pty.slavePath(), ports.path() / "COM3");
        form.setText(Control::Text2, "2");
        form.setText(Control::Text5, "20");
        form.setListIndex(Control::Combo2, 3);
    }
    // Runs the handler and lets the window show the answers to `requests` status requests:
    // the bytes the printer read, and how long the handler took.
    std::pair<Printer::Bytes, std::chrono::milliseconds> print(void (Form1::*handler)(), int requests)
    {
        const auto start = std::chrono::steady_clock::now();
        (form.*handler)();
        const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
        EXPECT_TRUE(pumpUntil([&] { return printer.requestsAnswered() >= requests && rec.text(Control::Text6) == "Hex : 12"; }, 2s));
        const Printer::Bytes marker{0xA5, 0x5A};
        port.write(marker, printbench::link::OutputForm::Bytes);
        Printer::Bytes got;
        EXPECT_TRUE(port.flush().isOk() && printer.bytesUpTo(marker, got)) << "the marker never reached the printer";
        EXPECT_EQ(printer.requestsAnswered(), requests);
        EXPECT_THAT(host.messages, IsEmpty());
        return {got, took};
    }
    Pty pty;
    Printer printer{pty, [](int) { return std::uint8_t{0x12}; }};
};

TEST(PtyPrints, TwoPassesOfFullCutAndFeedArriveWholeAndTheAnswersAreShown)
{
    Line l;
    for (const int entry : {3, 2}) {  // "Full Cut", "Feed"
        l.rec.setListIndex(Control::List1, entry);
        l.form.List1_DblClick();
    }
    EXPECT_EQ(hex(l.print(&Form1::Command2_Click, 4).first), "1D 61 01 1D 28 4B 02 00 31 00 "
                                                             "1B 69 10 04 02 10 04 02 1B 4A 64 "
                                                             "1B 69 10 04 02 10 04 02 1B 4A 64");
    EXPECT_EQ(l.rec.text(Control::Text2), "1");  // reset once complete
}

TEST(PtyPrints, TheTestPrintsArriveWholeWithTheirPauses)
{
    struct Row {
        void (Form1::*handler)();
        std::size_t total;
        const char *start, *middle, *end;
        std::chrono::milliseconds atLeast;  // a second's pause in each repetition
    };
    const Row rows[] = {
        {&Form1::Command10_Click, 267, "1D 61 01 1A 31 1A 43 1A 32 1A 43 1B 33 18 1A 31 1A 57 00 00 18 00 1A 57 30 00 48 00",
         "1A 57 98 01 B0 01 0A 1A 4F 1A 31 0A 1A 32 0A", "1A 31 0A 1A 32 0A 10 04 02 1A 43 1A 46 1B 32", 2000ms},
        {&Form1::Command9_Click, 1917,
         "1D 61 01 1D 28 4B 02 00 31 00 1B 33 18 1A 31 1A 43 1A 32 1A 43 1A 31 1A 57 00 00 B0 01 1A 32 "
         "1A 57 00 00 01 00 1A 57 03 00 04 00",
         "1A 32 0A 10 04 02 1A 57 00 00 01 00",  // line 2 again after the first status request
         "1A 32 0A 1A 32 0A 10 04 02 1A 46 1B 32", 0ms},
    };
    for (const Row& row : rows) {
        Line l;
        const auto [bytes, took] = l.print(row.handler, 2);
        SCOPED_TRACE(row.total);
        EXPECT_EQ(bytes.size(), row.total);
        EXPECT_THAT(hex(bytes), testing::AllOf(testing::StartsWith(row.start), HasSubstr(row.middle), testing::EndsWith(row.end)));
        EXPECT_GE(took, row.atLeast);
        EXPECT_EQ(l.rec.text(Control::Text4) + " " + std::to_string(l.form.state().StopRequested), "2 0");
    }
}

// printbench-printer as a technician runs it, on COM11 as a KL-330, its output in a log file;
// PrintBench on COM11.
struct VirtualPrinterPty : testing::Test, OnQt {
    VirtualPrinterPty()
    {
        program.setProcessChannelMode(QProcess::MergedChannels);
        program.setStandardOutputFile(QString::fromStdString(log.string()));
        program.start(PRINTBENCH_PRINTER, {"--com", "11", "--model", "KL-330", "--out", QString::fromStdString(out.path().string()),
                                           "--ports", QString::fromStdString(ports.path().string())});
        EXPECT_TRUE(pumpUntil([&] { return fs::is_symlink(ports.path() / "COM11"); })) << printerLog();
        form.setListIndex(Control::Combo2, 11);
        // The printer answers GS a 1 with its status at once.
        EXPECT_TRUE(pumpUntil([&] { return rec.text(Control::Text6) == "Hex : 12"; })) << printerLog();
    }
    ~VirtualPrinterPty() override { program.terminate(); program.waitForFinished(); }

    void type(const char* line) { program.write(line); program.waitForBytesWritten(); }
    std::string printerLog() const { return readFile(log); }
    bool logSays(const std::string& text) { return pumpUntil([&] { return printerLog().find(text) != std::string::npos; }); }
    QImage receipt(const std::string& name)
    {
        EXPECT_TRUE(pumpUntil([&] { return fs::exists(out.path() / name); })) << name << " never came\n" << printerLog();
        return QImage(QString::fromStdString((out.path() / name).string()));
    }

    TempDir out, logs;
    fs::path log = logs.path() / "printer.log";
    QProcess program;
};

bool dark(const QImage& image, int x, int y) { return qGray(image.pixel(x, y)) < 128; }

TEST_F(VirtualPrinterPty, ALogoComesOutDotForDotAndLeavesNoWorkFile)
{
    std::vector<std::vector<std::uint8_t>> rows(30);
    for (int y = 0; y < 30; ++y)
        for (int b = 0; b < 5; ++b) rows[std::size_t(y)].push_back(static_cast<std::uint8_t>(y * 37 + b * 91 + (y * b) % 7));
    TempDir pictures, work;
    writeFile(pictures.path() / "logo.bmp", monochromeBmp(40, 30, rows));
    rec.setText(Control::Dir1, pictures.path().string());
    printbench::window::Form3 window(form, rec, work.path());
    window.Form_Load();
    window.File1_DblClick("logo.bmp");
    window.Command1_Click();

    const QImage page = receipt("receipt-0001.png");
    ASSERT_EQ(page.size(), QSize(432, 520 + 127));  // the page mode area, then the feed before the cut
    int differing = 0;
    for (int y = 0; y < 48; ++y) {
        for (int x = 0; x < 432; ++x)  // a 0 bit in the file is black
            differing += dark(page, x, y) != (y < 30 && x < 40 && !((rows[std::size_t(y)][std::size_t(x / 8)] >> (7 - x % 8)) & 1));
    }
    EXPECT_EQ(differing, 0);
    EXPECT_THAT(printerLog(), HasSubstr("ESC * 33 n=40: 24-dot double-density band"));
    EXPECT_EQ(host.messages, std::vector<std::string>{"데이터 출력을 완료했습니다"});
    EXPECT_TRUE(fs::is_empty(work.path()));
}

TEST_F(VirtualPrinterPty, TheTileGridPrintsElevenRowsAndCtrlCLeavesTheReceiptAndNoLink)
{
    form.setText(Control::Text2, "1");
    form.Command11_Click();
    EXPECT_TRUE(pumpUntil([&] { return fs::exists(out.path() / "in-progress.png"); })) << printerLog();
    ::kill(static_cast<pid_t>(program.processId()), SIGINT);
    ASSERT_TRUE(program.waitForFinished(5000));
    EXPECT_TRUE(program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0) << program.exitCode();
    EXPECT_FALSE(fs::exists(fs::symlink_status(ports.path() / "COM11")));
    EXPECT_FALSE(fs::exists(out.path() / "in-progress.png"));
    const QImage page = receipt("receipt-0001.png");
    ASSERT_EQ(page.size(), QSize(432, 12 * 24));  // eleven rows and the blank line after them
    int lines = 0;
    for (int y = 0; y < page.height(); ++y) {
        bool across = true;
        for (int x = 5; x < 427 && across; ++x) across = dark(page, x, y);
        lines += across;
    }
    EXPECT_EQ(lines, 11 * 2);  // one 2-dot line through each row of cells
    EXPECT_THAT(printerLog(), HasSubstr("text (36 characters): \"├┼┼┼┼┼┼┼┼┼┼┼┼┼┼┼┼┼┼┼┼┼┼┼┼┼┼┼┼┼┼┼┼┼┼┤\""));
}

TEST_F(VirtualPrinterPty, APaperEndTypedOnItsInputStopsAFullCutRunUntilStatusClear)
{
    rec.setListIndex(Control::List1, 3);  // "Full Cut"
    form.List1_DblClick();
    form.setText(Control::Text2, "0");  // until stopped
    form.setText(Control::Text5, "50");
    // Typed during one of the run's event passes; a run that ignores it is stopped by hand.
    bool stoppedByHand = false;
    QTimer::singleShot(600ms, &program, [&] { type("paper-end\n"); });
    QTimer::singleShot(10s, &program, [&] { stoppedByHand = true; form.Command6_Click(); });
    form.Command2_Click();
    EXPECT_FALSE(stoppedByHand);
    EXPECT_EQ(form.state().StopRequested, 1);
    EXPECT_EQ(rec.text(Control::Text6), "Hex : 32");
    EXPECT_TRUE(logSays("DLE ENQ 2"));
    const std::string log = printerLog();
    EXPECT_LT(log.find("# condition paper-end: status 0x32"), log.find("DLE ENQ 2: recover from an error"));

    type("ok\n");
    EXPECT_TRUE(pumpUntil([&] { return rec.text(Control::Text6) == "Hex : 12"; }));
    form.Command4_Click();  // "Status Clear"
    EXPECT_TRUE(logSays("ESC @: initialise the printer"));
    EXPECT_THAT(host.messages, IsEmpty());
}

// A captured stream instead of a port: logged, an unknown byte named, the receipt written.
TEST(VirtualPrinterDecode, ACaptureFileIsLoggedAndPrinted)
{
    TempDir dir;
    writeFile(dir.path() / "capture.bin", {0x1D, 0x61, 0x01, 0x07, 0x1A, 0x78, 0x01, 0xDA, 0xC4, 0xBF, 0x0A, 0x1B, 0x69, 0x41});
    const auto at = [&](const char* name) { return QString::fromStdString((dir.path() / name).string()); };
    QProcess decode;
    decode.start(PRINTBENCH_PRINTER, {"--decode", at("capture.bin"), "--model", "KL-330", "--out", at("out"), "--log", at("log.txt")});
    ASSERT_TRUE(decode.waitForFinished() && decode.exitStatus() == QProcess::NormalExit && decode.exitCode() == 0);
    EXPECT_EQ(readFile(dir.path() / "log.txt"), "00000000  GS a 1: automatic status back on\n"
                                                "00000003  unknown: 07\n"
                                                "00000004  SUB \"x\" 1: box-drawing table on\n"
                                                "00000007  text (3 characters): \"┌─┐\"\n"
                                                "0000000A  LF: print and line feed\n"
                                                "0000000B  ESC i: full cut\n"
                                                "0000000D  text (1 character): \"A\"\n");
    // The cut's receipt, and the uncut "A" written when the input ends.
    EXPECT_EQ(QImage(at("out/receipt-0001.png")).size(), QSize(432, 32));
    EXPECT_EQ(QImage(at("out/receipt-0002.png")).size(), QSize(432, 24));
}

} // namespace
