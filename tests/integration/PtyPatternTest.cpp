// The three test prints over a pseudo-terminal linked as COM3, end to end: the real core on
// QtSerialPort, real sleeps, and the printer thread of PrinterPeer.h answering every status
// request with 0x12. Each runs twice on a KL-330 (432 dots).
//
// Byte totals for two repetitions, counted from the printer's side of the line:
//   bit pattern   3 (GS a 1 on choosing COM3)
//                 + 132 (11 set-up, SUB "1" and 10 runs, SUB "2" and 9 runs, LF, SUB "O")
//                 + 2 x 63 (ten pairs of line 1 / line 2 with LF, status request)
//                 + 6 (SUB "C", SUB "F", ESC 2)                                   = 267
//   test pattern  3 + 7 (density)
//                 + 21 (ESC 3 24, SUB "1" "C" "2" "C" "1", the full-width run, SUB "2")
//                 + 2 x 941 (145 line-2 runs, 71 bytes of printing and status request)
//                 + 4 (SUB "F", ESC 2)                                            = 1917
//   tile          3 + 7 (density)
//                 + 2 x 419 (8 opening, 11 rows of 36 characters and LF, LF, status request)
//                 + 6 (ESC 3 32, SUB "x" 0)                                       = 854

#include "integration/PrinterPeer.h"
#include "integration/Pty.h"
#include "integration/QtApp.h"
#include "bitmap/BitmapTestFiles.h"
#include "bitmap/Form3.h"
#include "link/QtSerialPort.h"
#include "shell/Form1.h"
#include "support/Recorder.h"
#include "support/TempDir.h"

#include <QCoreApplication>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>

using namespace std::chrono_literals;
using printbench::shell::Control;
using printbench::shell::Form1;
using printbench::testkit::hex;
using printbench::testkit::Printer;
using printbench::testkit::QuietHost;
using testing::EndsWith;
using testing::HasSubstr;
using testing::IsEmpty;
using testing::StartsWith;

namespace {

constexpr int kCom3 = 3;
constexpr int kKl330 = 2;  // 432 dots

class PtyPattern : public testing::Test {
protected:
    PtyPattern()
    {
        printbench::testkit::ensureQtApp();
        std::filesystem::create_symlink(pty.slavePath(), ports.path() / "COM3");
        form.Form_Load();
        form.setListIndex(Control::Combo4, kKl330);
        form.setText(Control::Text2, "2");
        form.setListIndex(Control::Combo2, kCom3);
    }

    // Runs the print, lets the window read the answers still waiting, and returns the bytes
    // the printer read and how long the print took.
    std::pair<Printer::Bytes, std::chrono::milliseconds> print(void (Form1::*click)())
    {
        return print([&] { (form.*click)(); });
    }
    std::pair<Printer::Bytes, std::chrono::milliseconds> print(const std::function<void()>& click)
    {
        const auto start = std::chrono::steady_clock::now();
        click();
        const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);

        for (const auto end = std::chrono::steady_clock::now() + 2s;
             expectedRequests > 0 && (printer.requestsAnswered() < expectedRequests || rec.text(Control::Text6) != "Hex : 12") &&
             std::chrono::steady_clock::now() < end;)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);

        const Printer::Bytes marker{0xA5, 0x5A};
        port.write(marker, printbench::link::OutputForm::Bytes);
        EXPECT_TRUE(port.flush().isOk());
        Printer::Bytes got;
        EXPECT_TRUE(printer.bytesUpTo(marker, got)) << "the marker never reached the printer";
        return {got, took};
    }

    // Both repetitions ran, each status request was answered and the answer shown, and no
    // message box came up.
    void expectTwoCleanRepetitions()
    {
        EXPECT_EQ(printer.requestsAnswered(), 2);
        EXPECT_EQ(rec.text(Control::Text6), "Hex : 12");
        EXPECT_EQ(rec.text(Control::Text4), "2");
        EXPECT_EQ(form.state().StopRequested, 0);
        EXPECT_THAT(host.messages, IsEmpty());
    }

    int expectedRequests = 2;  // status requests the print makes
    printbench::testkit::Pty pty;
    printbench::testkit::TempDir ports;
    printbench::testkit::Recorder rec;
    QuietHost host;
    printbench::link::QtSerialPort port;
    Printer printer{pty, [](int) { return std::uint8_t{0x12}; }};
    Form1 form{host, rec, port, rec.usb, ports.path()};
};

TEST_F(PtyPattern, BitPatternTwiceReachesThePrinterWholeWithASecondsPauseEach)
{
    const auto [bytes, took] = print(&Form1::Command10_Click);

    EXPECT_EQ(bytes.size(), 267u);
    EXPECT_THAT(hex(bytes), StartsWith("1D 61 01 1A 31 1A 43 1A 32 1A 43 1B 33 18 1A 31 1A 57 00 00 18 00 "
                                       "1A 57 30 00 48 00"));
    EXPECT_THAT(hex(bytes), HasSubstr("1A 57 98 01 B0 01 0A 1A 4F 1A 31 0A 1A 32 0A"));
    EXPECT_THAT(hex(bytes), EndsWith("1A 31 0A 1A 32 0A 10 04 02 1A 43 1A 46 1B 32"));
    EXPECT_GE(took, 2000ms);
    expectTwoCleanRepetitions();
}

TEST_F(PtyPattern, TestPatternTwiceReachesThePrinterWhole)
{
    const Printer::Bytes bytes = print(&Form1::Command9_Click).first;

    EXPECT_EQ(bytes.size(), 1917u);
    EXPECT_THAT(hex(bytes), StartsWith("1D 61 01 1D 28 4B 02 00 31 00 "
                                       "1B 33 18 1A 31 1A 43 1A 32 1A 43 1A 31 1A 57 00 00 B0 01 1A 32 "
                                       "1A 57 00 00 01 00 1A 57 03 00 04 00"));
    // Line 2 is sent again in the second repetition, after the first one's status request.
    EXPECT_THAT(hex(bytes), HasSubstr("1A 32 0A 10 04 02 1A 57 00 00 01 00"));
    EXPECT_THAT(hex(bytes), EndsWith("1A 32 0A 1A 32 0A 10 04 02 1A 46 1B 32"));
    expectTwoCleanRepetitions();
}

TEST_F(PtyPattern, TileGridTwiceReachesThePrinterWholeWithASecondsPauseEach)
{
    const auto [bytes, took] = print(&Form1::Command11_Click);

    EXPECT_EQ(bytes.size(), 854u);
    EXPECT_THAT(hex(bytes), StartsWith("1D 61 01 1D 28 4B 02 00 31 00 1A 78 01 1C 2E 1B 33 18 DA C2 C2"));
    EXPECT_THAT(hex(bytes), EndsWith("C1 C1 D9 0A 0A 10 04 02 1B 33 20 1A 78 00"));
    EXPECT_GE(took, 2000ms);
    expectTwoCleanRepetitions();
}

TEST_F(PtyPattern, ALogoReachesThePrinterByteExactAndLeavesNoWorkFile)
{
    printbench::testkit::TempDir pictures, work;
    const auto bmp = printbench::testkit::monochromeBmp(10, 3, {{0x0F, 0x3F}, {0xF0, 0x7F}, {0x55, 0xBF}});
    printbench::testkit::writeFile(pictures.path() / "logo.bmp", bmp);
    rec.setText(Control::Dir1, pictures.path().string());
    printbench::bitmap::Form3 window(form, rec, work.path());
    window.Form_Load();
    window.File1_DblClick("logo.bmp");

    expectedRequests = 0;
    const Printer::Bytes bytes = print([&] { window.Command1_Click(); }).first;
    EXPECT_EQ(hex(bytes), "1D 61 01 1B 33 18 1B 4C 1B 54 00 1B 57 00 00 00 00 AF 01 08 02 1B 2A 21 10 00 "
                          "A0 00 00 80 00 00 A0 00 00 80 00 00 60 00 00 40 00 00 60 00 00 40 00 00 C0 00 00 "
                          "A0 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 0A "
                          "1B 0C 1B 53 1B 4A 7F 1B 69 10 05 02");
    EXPECT_EQ(host.messages, std::vector<std::string>{"데이터 출력을 완료했습니다"});
    EXPECT_TRUE(std::filesystem::is_empty(work.path()));
}

} // namespace
