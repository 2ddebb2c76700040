// Whole runs of the sequence runner over a pseudo-terminal, with real sleeps and real event
// passes, against the printer thread of PrinterPeer.h.

#include "integration/PrinterPeer.h"
#include "integration/Pty.h"
#include "integration/QtApp.h"
#include "link/QtSerialPort.h"
#include "shell/Form1.h"
#include "support/Recorder.h"
#include "support/TempDir.h"

#include <QCoreApplication>
#include <QTimer>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

using namespace std::chrono_literals;
using printbench::shell::Control;
using printbench::testkit::Printer;
using printbench::testkit::QuietHost;
using testing::IsEmpty;
using testing::MatchesRegex;

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr int kCom3 = 3;
constexpr int kFeed = 2;
constexpr int kFullCut = 3;

class PtyRun : public testing::Test {
protected:
    PtyRun()
    {
        printbench::testkit::ensureQtApp();
        std::filesystem::create_symlink(pty.slavePath(), ports.path() / "COM3");
        form.Form_Load();
        form.setText(Control::Text5, "20");
    }

    void add(int catalogueIndex)
    {
        rec.setListIndex(Control::List1, catalogueIndex);
        form.List1_DblClick();
    }

    // What the printer read, up to the moment of the call.
    std::string farSide(Printer& printer)
    {
        const Bytes marker{0xA5, 0x5A};
        port.write(marker, printbench::link::OutputForm::Bytes);
        EXPECT_TRUE(port.flush().isOk());
        return printer.receivedUpTo(marker);
    }

    printbench::testkit::Pty pty;
    printbench::testkit::TempDir ports;
    printbench::testkit::Recorder rec;
    QuietHost host;
    printbench::link::QtSerialPort port;
    printbench::shell::Form1 form{host, rec, port, rec.usb, ports.path()};
};

TEST_F(PtyRun, TwoPassesOfCutAndFeedReachThePrinterInOrderAndTheAnswersAreShown)
{
    Printer printer(pty, [](int) { return std::uint8_t{0x12}; });
    add(kFullCut);
    add(kFeed);
    form.setText(Control::Text2, "2");
    form.setListIndex(Control::Combo2, kCom3);

    form.Command2_Click();

    // Answers still waiting after the last pass are read once the loop runs again.
    for (const auto end = std::chrono::steady_clock::now() + 2s;
         rec.text(Control::Text6) != "Hex : 12" && std::chrono::steady_clock::now() < end;)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(farSide(printer), "1D 61 01 1D 28 4B 02 00 31 00 "
                                "1B 69 10 04 02 10 04 02 1B 4A 64 "
                                "1B 69 10 04 02 10 04 02 1B 4A 64");
    EXPECT_EQ(rec.text(Control::Text6), "Hex : 12");
    EXPECT_EQ(rec.text(Control::Text4), "2");
    EXPECT_EQ(rec.text(Control::Text2), "1");
    EXPECT_EQ(form.state().StopRequested, 0);
    EXPECT_THAT(host.messages, IsEmpty());
}

TEST_F(PtyRun, AFaultAnswerEndsAnEndlessRunAtAPassBoundaryAndAsksForRecovery)
{
    Printer printer(pty, [](int request) { return static_cast<std::uint8_t>(request < 3 ? 0x12 : 0x05); });
    add(kFullCut);
    form.setText(Control::Text2, "0");
    form.setListIndex(Control::Combo2, kCom3);

    // A run that ignores the fault is stopped by hand after 10 s, and the test fails.
    bool watchdogFired = false;
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [&] {
        watchdogFired = true;
        form.Command6_Click();
    });
    watchdog.start(10s);
    form.Command2_Click();
    watchdog.stop();

    EXPECT_FALSE(watchdogFired);
    // The fault is handled in an event pass, before a pass's first command: only whole passes
    // (at least two, since the third request is the first one answered 05), then the recovery
    // request, which a late fault answer may repeat, and nothing else.
    EXPECT_THAT(farSide(printer), MatchesRegex("1D 61 01 1D 28 4B 02 00 31 00"
                                               "( 1B 69 10 04 02 10 04 02){2,}"
                                               "( 10 05 02)+"));
    EXPECT_EQ(rec.text(Control::Text6), "Hex : 05");
    EXPECT_EQ(form.state().StopRequested, 1);
    EXPECT_THAT(host.messages, IsEmpty());
}

} // namespace
