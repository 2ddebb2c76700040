// Whole runs over a real pseudo-terminal: printbench-printer as a technician runs it, on COM11
// as a KL-330 (432 dots), its log in a file; the main window's handlers on QtSerialPort, with
// real sleeps and event passes, print to it.

#include "app/adapters/QtSerialPort.h"
#include "cockpit/ExpectedPaper.h"
#include "pictures/Pictures.h"
#include "cockpit/Journal.h"
#include "cockpit/RunLogWriter.h"
#include "cockpit/RunLog.h"
#include "cockpit/TimeText.h"
#include "codes/ScanCheck.h"
#include "printer/app/QtPrinterOutput.h"
#include "scan/CodeReader.h"
#include "scan/app/ImageFile.h"
#include "support/Benches.h"
#include "support/PrinterLogs.h"
#include "support/PrinterPeer.h"
#include "support/Pty.h"
#include "window/Form3.h"

#include <QImage>
#include <QProcess>
#include <QTest>
#include <QTimer>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <thread>

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using namespace printbench::testkit;
using printbench::window::Control;

namespace {


struct VirtualPrinterPty : testing::Test, Ground {
    VirtualPrinterPty()
    {
        program.setProcessChannelMode(QProcess::MergedChannels);
        program.setStandardOutputFile(q(logs.path() / "printer.log"));
        program.start(PRINTBENCH_PRINTER, {"--com", "11", "--model", "KL-330", "--out", q(out.path()), "--ports", q(ports.path())});
        journal.addSentListener(&paper);
        form.link().setTap(&journal);
        form.setRunObserver(&journal);
        journal.addSink(&runLog);
        journal.onWakeUp([this](std::int64_t ms) { QTimer::singleShot(std::chrono::milliseconds(ms), &program, [this] { journal.tick(); }); });
        host.watchDuringSleeps(&port);
        form.Form_Load();
        form.setListIndex(Control::Combo4, 2);
        EXPECT_TRUE(QTest::qWaitFor([&] { return fs::is_symlink(ports.path() / "COM11"); })) << printerLog();
        form.setListIndex(Control::Combo2, 11);
        EXPECT_TRUE(shows("Hex : 12")) << printerLog();  // the answer to GS a 1
    }
    ~VirtualPrinterPty() override
    {
        journal.removeSentListener(&paper);
        program.terminate();
        program.waitForFinished();
    }

    // The bitmap window prints a 40 × 30 logo of `rows` from a folder of its own; true when it
    // leaves its work folder empty.
    bool printLogo(const std::vector<std::vector<std::uint8_t>>& rows)
    {
        TempDir pictures, work;
        writeFile(pictures.path() / "logo.bmp", monochromeBmp(40, 30, rows));
        rec.setText(Control::Dir1, pictures.path().string());
        printbench::window::Form3 window(form, rec, work.path());
        window.Form_Load();
        window.File1_DblClick("logo.bmp");
        window.Command1_Click();
        return fs::is_empty(work.path());
    }
    std::string printerLog() const { return readFile(logs.path() / "printer.log"); }
    bool logSays(const std::string& text) { return QTest::qWaitFor([&] { return printerLog().find(text) != std::string::npos; }); }
    bool shows(const std::string& status) { return QTest::qWaitFor([&] { return rec.text(Control::Text6) == status; }); }
    bool comes(const char* receipt) { return QTest::qWaitFor([&] { return fs::exists(out.path() / receipt); }); }
    QImage receipt(const char* name) { return comes(name) ? QImage(q(out.path() / name)) : QImage(); }

    bool appReady = (ensureQtApp(), true);
    TempDir out, logs;
    QuietHost host;
    printbench::app::QtSerialPort port;
    printbench::window::Form1 form{host, rec, port, rec.usb, codePage, ports.path()};
    printbench::cockpit::Journal journal{host};
    printbench::cockpit::RunLogWriter runLog{logs.path(), {1, "printbench", "test"}, &journal.live()};
    printbench::printer::QtGlyphs glyphs;
    printbench::cockpit::ExpectedPaper paper{&glyphs, 432};  // the cockpit's expected paper, as a KL-330's
    QProcess program;
};

// Two passes of "Full Cut" and "Feed", 100 ms apart, with real pauses; then the same run until
// stopped: a paper end typed during one of its event passes stops it.
TEST_F(VirtualPrinterPty, AFullCutAndFeedRunArrivesWholeAndAPaperEndStopsTheNextUntilStatusClear)
{
    for (const int entry : {3, 2}) {  // "Full Cut", "Feed"
        rec.setListIndex(Control::List1, entry);
        form.List1_DblClick();
    }
    for (const auto& [field, text] : {std::pair(Control::Text2, "2"), std::pair(Control::Text5, "100")}) form.setText(field, text);
    rec.setText(Control::Text6, "");
    const auto start = std::chrono::steady_clock::now();
    form.Command2_Click();
    EXPECT_GE(std::chrono::steady_clock::now() - start, 400ms);
    ASSERT_TRUE(logSays("0000001D  ESC J 100: print and feed 100 dots\n")) << printerLog();
    EXPECT_EQ(printerLog().substr(printerLog().find("00000000")), twoPassesOfFullCutAndFeed(out.path().string() + "/receipt-0001.png"));
    EXPECT_TRUE(shows("Hex : 12") && rec.text(Control::Text2) == "1");  // the count reset once complete
    EXPECT_EQ(journal.run()->bytesSent, 29u);  // read where the port gathers them: 03 to 1F above

    form.setText(Control::Text2, "0");
    bool stoppedByHand = false;  // a run that ignores the paper end is stopped by hand
    QTimer::singleShot(600ms, &program, [&] { program.write("paper-end\n"); });
    QTimer::singleShot(10s, &program, [&] { stoppedByHand = true; form.Command6_Click(); });
    form.Command2_Click();
    EXPECT_EQ(std::tuple(stoppedByHand, form.state().StopRequested, rec.text(Control::Text6)), std::tuple(false, 1, "Hex : 32"));
    ASSERT_TRUE(logSays("DLE ENQ 2: recover from an error"));
    EXPECT_LT(printerLog().find("# condition paper-end: status 0x32"), printerLog().find("DLE ENQ 2: recover from an error"));
    // The cockpit keeps the reason, the byte in the history and the run in the run log.
    EXPECT_THAT(journal.statusLine(), testing::MatchesRegex("Stopped at pass [0-9]+ \\(paper end 0x32 arrived in pass [0-9]+ at .*\\)"));
    std::string history;
    journal.readHistory(0, [&](const printbench::run::StatusEvent& e) { history += std::to_string(e.value) + " "; });
    EXPECT_THAT(history, testing::HasSubstr(" 50 "));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !journal.listening(); }));
    runLog.drain();
    EXPECT_THAT(readFile(logs.path() / (printbench::cockpit::dateText(journal.run()->startMs, 0) + ".jsonl")),
                testing::HasSubstr(R"("stop":{"reason":"stopped by a fault","status":{"time":)"));
    program.write("ok\n");
    EXPECT_TRUE(shows("Hex : 12"));
    form.Command4_Click();  // "Status Clear"
    EXPECT_TRUE(logSays("ESC @: initialise the printer"));
    EXPECT_EQ(journal.lastStatus()->value, 0x12);  // what the cockpit shows as the printer's status
    EXPECT_THAT(host.messages, testing::IsEmpty());
}

// A status byte the printer sends in the middle of a 2,000 ms delay is dated when it came, not
// when the next event pass read it, and filed under the pass that was running then.
TEST(ArrivalTime, AByteSentDuringADelayIsDatedWhenItCameAndInItsPass)
{
    ensureQtApp();
    Ground g;
    Pty pty;
    QuietHost host;
    printbench::app::QtSerialPort port;
    host.watchDuringSleeps(&port);
    printbench::window::Form1 form{host, g.rec, port, g.rec.usb, g.codePage, g.ports.path()};
    printbench::cockpit::Journal journal{host};
    journal.setClock(0, 0);  // its wall clock is the host's monotonic one
    form.link().setTap(&journal);
    form.setRunObserver(&journal);
    form.Form_Load();
    fs::create_symlink(pty.slavePath(), g.ports.path() / "COM4");
    form.setListIndex(Control::Combo2, 4);
    g.rec.setListIndex(Control::List1, 3);  // "Full Cut"
    form.List1_DblClick();
    form.setText(Control::Text2, "2");
    form.setText(Control::Text5, "2000");

    // Pass 1 runs from 0 to 2,000 ms, pass 2 from 2,000 to 4,000: the byte comes at 3,000.
    std::atomic<std::int64_t> sentAt{0};
    std::thread printer([&] {
        const auto start = std::chrono::steady_clock::now();
        while (pty.read(1, 100ms).empty() && std::chrono::steady_clock::now() - start < 5s) {}  // the run's first bytes
        std::this_thread::sleep_until(start + 3000ms);
        sentAt = printbench::app::QtSerialPort::monotonicMs();
        const std::uint8_t status = 0x12;  // written alone: the bench takes it at once
        EXPECT_EQ(::write(pty.masterFd(), &status, 1), 1);
    });
    form.Command2_Click();
    printer.join();
    ASSERT_TRUE(QTest::qWaitFor([&] { return journal.lastStatus().has_value(); }));
    const printbench::run::StatusEvent e = *journal.lastStatus();
    EXPECT_NEAR(double(e.atMs), double(sentAt.load()), 5.0);
    EXPECT_EQ(e.pass, 2);
}

// A logo from the bitmap window's rules, then the tile grid, left in progress when Ctrl-C ends
// the printer: it writes that receipt too and removes its link.
TEST_F(VirtualPrinterPty, ALogoComesOutDotForDotAndCtrlCLeavesTheTileGridInProgressAndNoLink)
{
    std::vector<std::vector<std::uint8_t>> rows(30, std::vector<std::uint8_t>(5));
    for (std::size_t i = 0; i < 150; ++i) rows[i / 5][i % 5] = static_cast<std::uint8_t>(i * 37 + i / 5 * 91 + i % 7);
    const bool workLeftEmpty = printLogo(rows);
    const QImage logo = receipt("receipt-0001.png");
    ASSERT_EQ(logo.size(), QSize(432, 520 + 127)) << printerLog();  // the page mode area, then the feed before the cut
    EXPECT_EQ(dotsUnlikeTheBitmap(logo, 0, rows, 40), 0);
    EXPECT_TRUE(host.messages == std::vector<std::string>{"데이터 출력을 완료했습니다"} && workLeftEmpty);

    form.Command11_Click();
    EXPECT_TRUE(comes("in-progress.png")) << printerLog();
    ::kill(static_cast<pid_t>(program.processId()), SIGINT);
    ASSERT_TRUE(program.waitForFinished(5000) && program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0) << program.exitCode();
    EXPECT_FALSE(fs::exists(fs::symlink_status(ports.path() / "COM11")) || fs::exists(out.path() / "in-progress.png"));
    const QImage tiles = receipt("receipt-0002.png");
    ASSERT_EQ(tiles.size(), QSize(432, 12 * 24)) << printerLog();  // eleven rows and the blank line after them
    EXPECT_THAT(printerLog(), testing::HasSubstr("text (36 characters): \"├┼┼┼┼┼┼┼┼┼┼┼┼┼┼┼┼┼┼┼┼┼┼┼┼┼┼┼┼┼┼┼┼┼┼┤\""));
}

// The expected paper, drawn from the bytes as they left, is the printer's receipts dot for dot:
// the test pattern, a logo, the barcodes' sample page, charts of code tables, a picture as GS ( L
// graphics, and the tile grid left uncut until Ctrl-C.
TEST_F(VirtualPrinterPty, TheExpectedPaperIsThePrintersReceiptsDotForDot)
{
    form.setText(Control::Text2, "1");
    form.Command9_Click();
    std::vector<std::vector<std::uint8_t>> rows(30, std::vector<std::uint8_t>(5, 0x5A));
    printLogo(rows);
    form.PrintCodes(printbench::run::Action::Barcodes, printbench::codes::samplePage({}));
    form.PrintCodePages({{0, 17}, true});
    printbench::pictures::GreyPicture grey{120, 60, {}};
    for (int i = 0; i < 120 * 60; ++i) grey.grey.push_back(std::uint8_t(i % 120 * 2 + i / 120));
    form.PrintPicture(printbench::pictures::dither(grey, printbench::pictures::Dither::Atkinson),
                      printbench::pictures::ImageMode::Graphics, "ramp.png");
    form.Command11_Click();
    ASSERT_TRUE(comes("in-progress.png")) << printerLog();
    ::kill(static_cast<pid_t>(program.processId()), SIGINT);
    ASSERT_TRUE(program.waitForFinished(5000)) << printerLog();

    const auto view = paper.view(true);
    std::vector<std::string> unlike;
    std::size_t n = 0;
    for (char name[32]; std::snprintf(name, sizeof name, "receipt-%04zu.png", n + 1), fs::exists(out.path() / name); ++n) {
        const QImage receipt = QImage(q(out.path() / name)).convertToFormat(QImage::Format_Grayscale8);
        if (n >= view->pieces.size() || printbench::printer::pageImage(*view->pieces[n].page) != receipt) unlike.push_back(name);
    }
    EXPECT_EQ(n, 5u) << printerLog();  // the test pattern goes out with the logo's cut
    EXPECT_EQ(view->pieces.size(), n);
    EXPECT_THAT(unlike, testing::IsEmpty());
    EXPECT_EQ(std::tuple(view->soFar, view->droppedRows), std::tuple(true, 0u));  // the tile grid, uncut
}

// The codes of a picture, with where each was seen.
std::vector<printbench::scan::CodeFound> codesIn(const QImage& picture)
{
    const QImage grey = picture.convertToFormat(QImage::Format_Grayscale8);
    std::vector<std::uint8_t> dots;
    for (int y = 0; y < grey.height(); ++y) dots.insert(dots.end(), grey.constScanLine(y), grey.constScanLine(y) + grey.width());
    return printbench::scan::readCodes(dots.data(), grey.width(), grey.height()).codes;
}

// Test pages › Barcodes…' sample page through the pseudo-terminal: the virtual printer's receipt,
// read back by zxing-cpp, holds every code of the page with its own text (DataBar Limited, which
// the reader cannot read, excepted). Painted over, one code fails the check by its name.
TEST_F(VirtualPrinterPty, TheSamplePagesReceiptReadsBackAndACodePaintedOverFailsByName)
{
    namespace codes = printbench::codes;
    form.PrintCodes(printbench::run::Action::Barcodes, codes::samplePage({}));
    QImage page = receipt("receipt-0001.png");
    ASSERT_FALSE(page.isNull()) << printerLog();
    std::vector<printbench::scan::CodeRead> read;
    for (const auto& found : codesIn(page)) read.push_back(found.code);
    std::vector<std::string> lines;
    for (const codes::ScanRow& row : codes::checkScan(form.lastCodesSent(), read))
        if (row.verdict != codes::Verdict::Read) lines.push_back(codes::scanLine(row));
    EXPECT_EQ(lines, std::vector<std::string>{"DATABAR-LIMITED 0950110153000: not checkable (the reader reads no DataBar Limited)"});

    // The EAN-8 painted white from the rows above its bars to those below them.
    const auto all = codesIn(page);
    const auto ean8 = std::find_if(all.begin(), all.end(), [](const auto& f) { return f.code.format == "EAN-8"; });
    ASSERT_NE(ean8, all.end());
    const auto inked = [&](int y) {
        for (int x = ean8->left; x <= ean8->right; ++x)
            if (qGray(page.pixel(x, y)) < 128) return true;
        return false;
    };
    int top = ean8->top, bottom = ean8->bottom;
    while (top > 0 && inked(top - 1)) --top;
    while (bottom + 1 < page.height() && inked(bottom + 1)) ++bottom;
    for (int y = top; y <= bottom; ++y)
        for (int x = 0; x < page.width(); ++x) page.setPixel(x, y, qRgb(255, 255, 255));
    read.clear();
    for (const auto& found : codesIn(page)) read.push_back(found.code);
    const std::vector<codes::ScanRow> rows = codes::checkScan(form.lastCodesSent(), read);
    EXPECT_FALSE(codes::scanPassed(rows));
    lines.clear();
    for (const codes::ScanRow& row : rows)
        if (row.verdict == codes::Verdict::NotFound) lines.push_back(codes::scanLine(row));
    EXPECT_EQ(lines, std::vector<std::string>{"EAN-8 96385074: not found"});
}

// A photo's band on which zxing-cpp 1.4 stops the process with an assertion when it tries hard:
// the reader stops in a child process of its own, and the band is read again more simply.
TEST(CodeReader, ABandTheReaderStopsOnIsReadAgainMoreSimplyAndTheProgramGoesOn)
{
    const auto read = printbench::scan::readCodesInFile(PRINTBENCH_TEST_DATA "/photo-zxing-stops-on.png");
    ASSERT_TRUE(std::holds_alternative<std::vector<printbench::scan::CodeRead>>(read)) << std::get<std::string>(read);
    const auto& codes = std::get<std::vector<printbench::scan::CodeRead>>(read);
    ASSERT_EQ(codes.size(), 1u);
    EXPECT_EQ(codes[0].format + " " + codes[0].text, "DataBarExpanded (3103)000123");
}

// A captured stream instead of a port: logged, an unknown byte named, the receipt written.
TEST(VirtualPrinterDecode, ACaptureFileIsLoggedAndPrinted)
{
    TempDir dir;
    writeFile(dir.path() / "capture.bin", {0x1D, 0x61, 0x01, 0x07, 0x1A, 0x78, 0x01, 0xDA, 0xC4, 0xBF, 0x0A, 0x1B, 0x69, 0x41});
    ASSERT_EQ(QProcess::execute(PRINTBENCH_PRINTER, {"--decode", q(dir.path() / "capture.bin"), "--model", "KL-330",
                                                     "--out", q(dir.path() / "out"), "--log", q(dir.path() / "log.txt")}), 0);
    EXPECT_EQ(readFile(dir.path() / "log.txt"),
              "00000000  GS a 1: automatic status back on\n00000003  unknown: 07\n00000004  SUB \"x\" 1: box-drawing table on\n"
              "00000007  text (3 characters): \"┌─┐\"\n0000000A  LF: print and line feed\n0000000B  ESC i: full cut\n"
              "0000000D  text (1 character): \"A\"\n");
    EXPECT_EQ(QImage(q(dir.path() / "out/receipt-0001.png")).size(), QSize(432, 32));  // the cut's receipt
    EXPECT_EQ(QImage(q(dir.path() / "out/receipt-0002.png")).size(), QSize(432, 24));  // the uncut "A", at the input's end
}

// Paper longer than a page leaves in pieces named in order; a status asked again and again is
// one line and a count; the program's options are checked before anything is made.
TEST(VirtualPrinterProgram, PiecesOfALongReceiptRepeatedStatusesAndItsOptions)
{
    TempDir dir;
    std::vector<std::uint8_t> capture;
    for (int i = 0; i < 70; ++i) capture.insert(capture.end(), {0x1B, 0x4A, 0xFF});  // 17,850 dots of feed
    capture.insert(capture.end(), {0x1B, 0x69, 0x10, 0x04, 0x02, 0x10, 0x04, 0x02, 0x10, 0x04, 0x02, 0x41, 0x0A, 0x1B, 0x69});
    writeFile(dir.path() / "capture.bin", capture);
    QProcess decode;
    decode.setWorkingDirectory(q(dir.path()));
    decode.start(PRINTBENCH_PRINTER, {"--decode", q(dir.path() / "capture.bin"), "--model", "KL-330", "--out", "r",
                                      "--log", q(dir.path() / "log.txt")});
    ASSERT_TRUE(decode.waitForFinished());
    EXPECT_EQ(decode.readAllStandardOutput().toStdString(),
              "# receipt r/receipt-0001.png: 432 x 16384 dots, piece 1 of a long receipt, paper continues on the next page\n"
              "# receipt r/receipt-0002.png: 432 x 1275 dots, piece 2 of 2 (receipt-0001.png to receipt-0002.png), full cut\n"
              "# status 0x12 (not sent: decoding a file)\n# status 0x12 (not sent: decoding a file) (2 more)\n"
              "# receipt r/receipt-0003.png: 432 x 32 dots, full cut\n");

    const struct {
        QStringList args;
        int exit;
        const char* says;
    } rows[] = {
        {{"--version"}, 0, "printbench-printer 0."},
        {{"--help"}, 0, "  KL-310 448 dots   KL-320 640 dots   KL-330 432 dots\n"},
        {{"--tcp", "0", "--bogus"}, 2, "printbench-printer: unknown option --bogus\n"},
        {{"--tcp", "65536"}, 2, "--tcp takes a TCP port number from 0 to 65535, not \"65536\""},
        {{"--tcp", "0", "--com", "3"}, 2, "--tcp serves a TCP port instead of a serial line: leave out --com and --ports"},
        {{"--listen", "0.0.0.0"}, 2, "--listen goes with --tcp"},
        {{"--tcp", "0", "--listen", "printer.lab"}, 1, "cannot listen on printer.lab:0: not an IPv4 or IPv6 address"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.args.join(' ').toStdString());
        QProcess program;
        program.setProcessChannelMode(QProcess::MergedChannels);
        program.start(PRINTBENCH_PRINTER, row.args);
        ASSERT_TRUE(program.waitForFinished());
        EXPECT_EQ(program.exitCode(), row.exit);
        EXPECT_THAT(program.readAll().toStdString(), testing::HasSubstr(row.says));
    }
}

} // namespace
