// printbench-run against printbench-printer on a TCP port of this machine, both run as a
// script runs them: the network route, the runner's exit statuses and its reports end to end.

#include "app/adapters/QtSerialPort.h"
#include "support/PrinterLogs.h"
#include "support/PrinterPeer.h"
#include "support/Streams.h"
#include "support/Recorder.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTcpServer>
#include <QTest>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <regex>

namespace fs = std::filesystem;
using namespace printbench::testkit;
using testing::HasSubstr;

namespace {

// A KL-330 (432 dots) listening on a free port of 127.0.0.1; its log and receipts in folders.
struct TcpPrinter : testing::Test {
    TempDir out, logs, work, config;
    QProcess printer, runner;
    int port = 0;

    TcpPrinter()
    {
        ensureQtApp();
        start(0);
    }
    ~TcpPrinter() override
    {
        for (QProcess* p : {&runner, &printer}) {
            p->kill();
            p->waitForFinished();
        }
    }
    void start(int tcpPort)
    {
        const std::size_t from = printerLog().size();  // the line of this start, not of an earlier printer
        printer.setProcessChannelMode(QProcess::MergedChannels);
        printer.setStandardOutputFile(q(logs.path() / "printer.log"), QIODevice::Append);
        printer.start(PRINTBENCH_PRINTER, {"--tcp", QString::number(tcpPort), "--model", "KL-330", "--out", q(out.path())});
        std::smatch m;
        const std::regex listening(" on tcp 127\\.0\\.0\\.1:([0-9]+),");
        std::string log;  // the match points into it
        ASSERT_TRUE(QTest::qWaitFor([&] { return std::regex_search(log = printerLog().substr(from), m, listening); })) << printerLog();
        port = std::stoi(m[1]);
    }
    std::string printerLog() const { return readFile(logs.path() / "printer.log"); }
    bool logSays(const std::string& text, std::size_t times = 1)
    {
        return QTest::qWaitFor([&] { return count(printerLog(), text) >= times; }, 15000);
    }

    // printbench-run at the printer as a KL-330, COM5 of its port folder holding the address.
    void launch(QStringList args)
    {
        fs::create_directories(config.path() / "printbench/ports");
        std::ofstream(config.path() / "printbench/ports/COM5") << "tcp://127.0.0.1:" << port << "\n";
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_CONFIG_HOME", q(config.path()));
        environment.insert("XDG_DATA_HOME", q(work.path()));
        runner.setProcessEnvironment(environment);
        runner.start(PRINTBENCH_RUN, QStringList{"--model", "KL-330"} + args);
        ASSERT_TRUE(runner.waitForStarted());
    }
    struct Ended {
        int exit = -1;
        std::string out, err;
    };
    Ended finish()
    {
        EXPECT_TRUE(runner.waitForFinished(30000));
        return {runner.exitCode(), runner.readAllStandardOutput().toStdString(), runner.readAllStandardError().toStdString()};
    }
    Ended run(const QStringList& args)
    {
        launch(args);
        return finish();
    }
    QStringList at() const { return {"--port", "tcp://127.0.0.1:" + QString::number(port)}; }
    std::string file(const char* name) const { return (work.path() / name).string(); }
};

// Two passes through the address given on the command line: the bytes arrive whole and the
// printer's status bytes come back. A logo through COM5 of the port folder then prints below the
// paper the last pass fed (100 dots), dot for dot, and is cut.
TEST_F(TcpPrinter, ASequenceAndALogoThroughThePortFolderArriveWholeAndRender)
{
    const Ended sequence = run(at() + QStringList{"--repeat", "2", "--delay", "100", "--report", q(work.path() / "run.json"),
                                                  "sequence", "Full Cut,Feed"});
    EXPECT_EQ(sequence.exit, 0) << sequence.err;
    // The printer's answers came back over the socket (a fault stopping a run is Headless.ExitStatusesAndReports's).
    EXPECT_THAT(readFile(work.path() / "run.json"), HasSubstr(R"("hex":"0x12","meaning":"normal","class":"normal","route":"tcp")"));
    EXPECT_THAT(sequence.out, testing::MatchesRegex("Done: 2 passes in 00:00:0[0-9]\n"));
    ASSERT_TRUE(logSays("connection closed")) << printerLog();
    const std::string log = printerLog();
    EXPECT_EQ(log.substr(log.find("00000000"), log.find("# connection closed") - log.find("00000000")),
              twoPassesOfFullCutAndFeed(out.path().string() + "/receipt-0001.png"));
    const std::vector<std::vector<std::uint8_t>> rows{{0x0F, 0x3F}, {0xF0, 0x7F}, {0x55, 0xBF}};
    writeFile(work.path() / "logo.bmp", kTenByThree);
    const Ended logo = run({"--port", "COM5", "--quiet", "logo", q(work.path() / "logo.bmp")});
    EXPECT_EQ(std::tuple(logo.exit, logo.out), std::tuple(0, "Done: 1 pass in 00:00:00\n")) << logo.err;
    ASSERT_TRUE(QTest::qWaitFor([&] { return fs::exists(out.path() / "receipt-0002.png"); })) << printerLog();
    const QImage receipt(q(out.path() / "receipt-0002.png"));
    ASSERT_EQ(receipt.size(), QSize(432, 100 + 520 + 127));  // the last pass's feed, the page mode area, the feed to the cutter
    EXPECT_EQ(dotsUnlikeTheBitmap(receipt, 100, rows, 10), 0);
}

// A QR code to the printer on TCP: its receipt read by printbench-printer, and checked against the
// run's report by check-scan (0); the same receipt with the code painted over fails it (1), the
// JUnit case of the code a failure.
TEST_F(TcpPrinter, AQrCodesReceiptPassesTheScanCheckUntilItIsPaintedOver)
{
    const QString report = q(work.path() / "r.json"), junit = q(work.path() / "scan.xml");
    const Ended qr = run(at() + QStringList{"--report", report, "qr", "https://example.com", "--module", "6", "--ec", "M"});
    EXPECT_EQ(qr.exit, 0) << qr.err;
    ASSERT_TRUE(QTest::qWaitFor([&] { return fs::exists(out.path() / "receipt-0001.png"); })) << printerLog();
    const QString receipt = q(out.path() / "receipt-0001.png"), blotted = q(work.path() / "blotted.png");
    const auto program = [](const char* path, const QStringList& args) {
        QProcess p;
        p.start(path, args);
        EXPECT_TRUE(p.waitForFinished(30000));
        return Ended{p.exitCode(), p.readAllStandardOutput().toStdString(), p.readAllStandardError().toStdString()};
    };
    const Ended read = program(PRINTBENCH_PRINTER, {"--read-codes", receipt});
    EXPECT_EQ(std::tuple(read.exit, read.out), std::tuple(0, "QRCode\thttps://example.com\n")) << read.err;
    const Ended checked = program(PRINTBENCH_RUN, {"check-scan", receipt, "--sent", report});
    EXPECT_EQ(std::tuple(checked.exit, checked.out), std::tuple(0, "QR https://example.com: read\n")) << checked.err;

    QImage picture(receipt);
    for (int y = 40; y < picture.height(); ++y)  // below the title line
        for (int x = 0; x < picture.width(); ++x) picture.setPixel(x, y, qRgb(255, 255, 255));
    ASSERT_TRUE(picture.save(blotted));
    const Ended failed = program(PRINTBENCH_RUN, {"check-scan", blotted, "--sent", report, "--junit", junit});
    EXPECT_EQ(std::tuple(failed.exit, failed.out), std::tuple(1, "QR https://example.com: not found\n")) << failed.err;
    EXPECT_THAT(readFile(work.path() / "scan.xml"),
                HasSubstr("name=\"1 QR https://example.com\">\n    <failure type=\"not found\""));
    EXPECT_EQ(program(PRINTBENCH_PRINTER, {"--read-codes", blotted}).exit, 1);
}

// Paper end typed at the printer during a run without end: exit 1, the byte and its meaning on
// standard error, and the JUnit failure on the pass the byte arrived in: the last the printer saw
// begin (each begins with a cut, after its check), or, when it came in the moment between a
// pass's start and its check, the one after it.
TEST_F(TcpPrinter, APaperEndStopsARunWithoutEndWithExitOneAndTheJUnitFailureOnItsPass)
{
    launch(at() + QStringList{"--repeat", "0", "--delay", "100", "--junit", q(work.path() / "run.xml"), "sequence", "Full Cut,Feed"});
    ASSERT_TRUE(logSays("ESC i: full cut", 3)) << printerLog();
    printer.write("paper-end\n");
    printer.waitForBytesWritten();
    const Ended ended = finish();
    EXPECT_EQ(ended.exit, 1) << ended.err;
    EXPECT_THAT(ended.err, HasSubstr("printbench-run: stopped by the printer: 0x32 paper end"));
    const std::size_t cuts = count(printerLog(), "ESC i: full cut");
    const std::string junit = readFile(work.path() / "run.xml");
    const std::string passes = std::to_string(junit.find("tests=\"" + std::to_string(cuts) + "\"") != std::string::npos ? cuts : cuts + 1);
    EXPECT_THAT(junit, HasSubstr("tests=\"" + passes + "\" failures=\"1\""));
    EXPECT_THAT(junit, testing::ContainsRegex("name=\"pass " + passes + "\">\n    <failure type=\"stopped by a fault\" message=\"paper end \\(0x32\\) arrived at [0-9:.]+ in pass " + passes + "\""));
}

// The printer killed in the middle of a run: exit 3 and the stop's reason in the report; a
// printer on the same port later is reached by the next run.
TEST_F(TcpPrinter, APrinterGoneMidRunIsALinkErrorWithItsReasonAndTheNextRunReachesItsSuccessor)
{
    launch(at() + QStringList{"--repeat", "0", "--delay", "50", "--report", q(work.path() / "run.json"), "sequence", "Full Cut,Feed"});
    ASSERT_TRUE(logSays("ESC i: full cut", 2)) << printerLog();
    printer.kill();
    printer.waitForFinished();
    const Ended ended = finish();
    EXPECT_EQ(ended.exit, 3) << ended.err;
    EXPECT_THAT(ended.out, testing::StartsWith("Link lost at pass "));
    // Named as given (a write refused or the loss noticed first, whichever came first).
    EXPECT_THAT(ended.err, testing::AllOf(HasSubstr(" tcp://127.0.0.1:" + std::to_string(port) + " "), testing::Not(HasSubstr("COM1"))));
    EXPECT_THAT(readFile(work.path() / "run.json"), HasSubstr(R"("stop":{"reason":"link lost","detail":")"));

    start(port);
    const Ended again = run(at() + QStringList{"--quiet", "sequence", "Full Cut"});
    EXPECT_EQ(std::tuple(again.exit, again.out), std::tuple(0, "Done: 1 pass in 00:00:00\n")) << again.err;
}

// Nothing listening: exit 3 with the system's reason, without waiting out the connect time.
TEST_F(TcpPrinter, ARefusedConnectionIsALinkErrorAtOnce)
{
    QTcpServer probe;  // a port that was free a moment ago, and is again
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
    const QString free = "tcp://127.0.0.1:" + QString::number(probe.serverPort());
    probe.close();
    QElapsedTimer clock;
    clock.start();
    const Ended ended = run({"--port", free, "--report", q(work.path() / "run.json"), "status"});
    EXPECT_LT(clock.elapsed(), printbench::app::QtSerialPort::kConnectMs);
    EXPECT_EQ(ended.exit, 3);
    EXPECT_EQ(ended.err, "printbench-run: " + free.toStdString() + " could not be opened: Connection refused\n");
    EXPECT_EQ(ended.out, "Not run: " + free.toStdString() + " could not be opened: Connection refused\n");
    EXPECT_THAT(readFile(work.path() / "run.json"), HasSubstr(R"("speed":"",)"));  // it sets nothing on a network printer
}

// A network printer that closes the connection is a lost link at once: no send has to fail first.
TEST(TcpPrinterGone, APrinterThatClosesTheConnectionIsALostLinkWithoutASend)
{
    ensureQtApp();
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
    struct : printbench::link::SerialListener {
        int lost = 0;
        std::string reason;
        void serialDataArrived() override {}
        void serialLinkLost(const std::string& why) override { ++lost, reason = why; }
    } listener;
    printbench::app::QtSerialPort port;
    port.setListener(&listener);
    ASSERT_TRUE(port.open({.baud = 19200}, "tcp://127.0.0.1:" + std::to_string(server.serverPort())).isOk());
    ASSERT_TRUE(server.waitForNewConnection(5000));
    server.nextPendingConnection()->close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return listener.lost > 0; }, 5000));
    EXPECT_EQ(std::tuple(listener.lost, listener.reason, port.isOpen()), std::tuple(1, "the printer closed the connection", false));
}

} // namespace
