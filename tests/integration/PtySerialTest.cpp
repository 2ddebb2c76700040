// The Qt serial adapter against real pseudo-terminals: the test plays the printer on the
// master side, the adapter (alone, or under the main window's core) holds the slave.
//
// A Linux pseudo-terminal keeps the speed, CSTOPB, CRTSCTS, IXON and IXOFF as set; it forces
// CS8 and clears PARENB on every change, so data bits and parity cannot be seen here.

#include "app/adapters/QtSerialPort.h"
#include "support/Benches.h"
#include "support/Pty.h"
#include "support/QtApp.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <numeric>
#include <tuple>

using namespace std::chrono_literals;
using namespace printbench::testkit;
using printbench::link::SerialSettings, printbench::link::SerialListener, printbench::link::LinkStatus,
    printbench::link::LinkFailure, printbench::link::OutputForm;
using Bytes = std::vector<std::uint8_t>;
using Flow = SerialSettings::FlowControl;

namespace {

const SerialSettings k115200{.baud = 115200};
const std::string kHungUp = "the line was hung up (the device or its far side went away)";

// The line as the adapter left it: speed, CSTOPB and CRTSCTS, IXON and IXOFF, and whether it
// is raw (no echo, no line editing, no translation of CR or LF either way).
using LineState = std::tuple<speed_t, tcflag_t, tcflag_t, bool>;
LineState line(const Pty& pty)
{
    const termios t = pty.lineSettings().value();
    return {cfgetospeed(&t), t.c_cflag & (CSTOPB | CRTSCTS), t.c_iflag & (IXON | IXOFF),
            !(t.c_lflag & (ECHO | ICANON | ISIG) || t.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP) || t.c_oflag & OPOST)};
}
const LineState kRtsCtsAt115200{B115200, CRTSCTS, 0, true};

// The two ends of the line; the test hears what the adapter announces.
struct Ends : SerialListener {
    Ends() { ensureQtApp(); port.setListener(this); }
    void serialDataArrived() override { ++arrived; onArrived(); }
    void serialLinkLost(const std::string& why) override { ++lost; reason = why; }

    int arrived = 0, lost = 0;
    std::string reason;
    std::function<void()> onArrived = [] {};
    Pty pty;
    printbench::app::QtSerialPort port;
};
struct PtySerial : testing::Test, Ends {};

TEST_F(PtySerial, OpenSetsTheLineAsAskedOrFailsWithTheReasonAndStaysClosed)
{
    for (const auto& [settings, expected] : std::vector<std::pair<SerialSettings, LineState>>{
             {k115200, kRtsCtsAt115200},
             {{.baud = 9600, .stopBits = SerialSettings::StopBits::Two, .flowControl = Flow::None}, {B9600, CSTOPB, 0, true}},
             {{.baud = 19200, .flowControl = Flow::XonXoff}, {B19200, 0, IXON | IXOFF, true}}}) {
        ASSERT_TRUE(port.open(settings, pty.slavePath()).isOk());
        EXPECT_EQ(line(pty), expected) << settings.text();
    }
    for (const auto& [baud, device, why] : std::vector<std::tuple<int, std::string, std::string>>{
             {19200, pty.slavePath() + "-gone", "No such file or directory"},
             {0, pty.slavePath(), "the line settings 0,n,8,1 cannot be set"}}) {
        const LinkStatus status = port.open({.baud = baud}, device);
        EXPECT_EQ(status.failure, LinkFailure::OpenFailed) << why;
        EXPECT_THAT(status.reason, testing::HasSubstr(why));
        EXPECT_FALSE(port.isOpen()) << why;
    }
    EXPECT_TRUE(port.open(k115200, pty.slavePath()).isOk());  // nothing of a failed open sticks
}

TEST_F(PtySerial, EveryByteValueLeavesUnchangedInOneOsWritePerFlushAndCloseDropsTheRest)
{
    ASSERT_TRUE(port.open(k115200, pty.slavePath()).isOk());
    Bytes all(256);
    std::iota(all.begin(), all.end(), 0);
    port.write(std::span(all).first(0x80), OutputForm::Bytes);
    port.write(std::span(all).subspan(0x80), OutputForm::Text);
    EXPECT_THAT(pty.read(1, 50ms), testing::IsEmpty());  // nothing before the flush
    ASSERT_TRUE(port.flush().isOk());
    EXPECT_EQ(port.osWriteCount(), 1);
    EXPECT_EQ(pty.read(257, 100ms), all);

    // What is gathered at a close never leaves, and a flush of nothing writes nothing.
    port.write(Bytes{0x1B, 0x40}, OutputForm::Bytes);
    port.close();
    ASSERT_TRUE(port.open(k115200, pty.slavePath()).isOk());
    EXPECT_TRUE(port.flush().isOk());
    EXPECT_EQ(port.osWriteCount(), 1);
}

// A reply already waiting when a flush starts is taken in by the flush's wait and announced
// once, after the flush; a byte arriving while idle is announced from the event loop. Then two
// status bytes close together: the recovery request sent for the first reads the second inside
// its own flush, so the port's read notice for the second is stale, and no lost line.
TEST_F(PtySerial, PrinterBytesAreAnnouncedOnceOutsideFlushesAndReadInOrder)
{
    ASSERT_TRUE(port.open(k115200, pty.slavePath()).isOk());
    ASSERT_TRUE(pty.write(Bytes{0x12, 0x00}) && pty.waitForSlaveInput());
    port.write(Bytes{0x10, 0x04, 0x01}, OutputForm::Bytes);
    ASSERT_TRUE(port.flush().isOk());
    EXPECT_EQ(arrived, 0);
    EXPECT_EQ(hex(pty.read(3)), "10 04 01");
    ASSERT_TRUE(pumpUntil([&] { return arrived > 0; }));
    pumpUntil([] { return false; }, 50ms);
    EXPECT_EQ(arrived, 1);
    ASSERT_TRUE(pty.write(Bytes{0xFF}));
    ASSERT_TRUE(pumpUntil([&] { return arrived == 2 && port.bytesWaiting() == 3; }));
    Bytes got;
    while (const auto b = port.readByte()) got.push_back(*b);
    EXPECT_EQ(hex(got), "12 00 FF");

    onArrived = [&] {
        while (port.readByte()) {}
        port.write(Bytes{0x10, 0x05, 0x02}, OutputForm::Text);
        EXPECT_TRUE(port.flush().isOk());
    };
    ASSERT_TRUE(pty.write(Bytes{0x12}) && pty.waitForSlaveInput());
    port.write(Bytes{0x10, 0x04, 0x02}, OutputForm::Text);
    ASSERT_TRUE(port.flush().isOk());
    ASSERT_TRUE(pty.write(Bytes{0x05}) && pty.waitForSlaveInput());
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    pumpUntil([] { return false; }, 50ms);
    EXPECT_EQ(lost, 0) << reason;
    EXPECT_TRUE(port.isOpen());
    EXPECT_EQ(hex(pty.read(6)), "10 04 02 10 05 02");
}

// The printer going away is reported once, by the flush that meets it or else to the listener,
// and the port, left open by its owner, closes itself once the event loop sees the dead line.
TEST_F(PtySerial, APrinterGoneIsReportedOnceAndThePortCloses)
{
    for (const bool flushAfterwards : {true, false}) {
        SCOPED_TRACE(flushAfterwards ? "flush after it went" : "gone while idle");
        Ends peer;
        ASSERT_TRUE(peer.port.open(k115200, peer.pty.slavePath()).isOk());
        peer.pty.closeMaster();
        if (flushAfterwards) {
            peer.port.write(Bytes{0x1B, 0x40, 0x41}, OutputForm::Bytes);
            const LinkStatus status = peer.port.flush();
            EXPECT_EQ(status.failure, LinkFailure::WriteFailed);
            EXPECT_EQ(status.reason, kHungUp);
            EXPECT_TRUE(peer.port.flush().isOk());  // what was gathered went with the failure
        }
        EXPECT_TRUE(pumpUntil([&] { return !peer.port.isOpen(); }, 2s));
        pumpUntil([] { return false; }, 100ms);  // a dead line left open would keep failing reads
        EXPECT_EQ(peer.lost, flushAfterwards ? 0 : 1);
        EXPECT_EQ(peer.reason, flushAfterwards ? "" : kHungUp);
        EXPECT_EQ(peer.arrived, 0);
        peer.port.write(Bytes{0x0A}, OutputForm::Bytes);
        EXPECT_EQ(peer.port.flush().failure, LinkFailure::NotOpen);
    }
}

// The master never reads, so the pty's buffer (about 12 KB) fills and the rest of 100 KB
// cannot leave. At 4 Mbit/s the allowance is 2 s plus twice 250 ms of line time.
TEST_F(PtySerial, APrinterThatTakesNothingMakesTheFlushTimeOut)
{
    ASSERT_TRUE(port.open({.baud = 4000000}, pty.slavePath()).isOk());
    port.write(Bytes(100000, 0x55), OutputForm::Bytes);
    const LinkStatus status = port.flush();
    EXPECT_EQ(status.failure, LinkFailure::WriteTimedOut);
    EXPECT_EQ(status.reason, "the printer did not take the bytes within 2500 ms (is it holding CTS?)");
}

// The main window's core on the adapter: COM3 is a link to the pty in the port folder.
TEST_F(PtySerial, Com3SendsGsA1OnALineSetUpForThePrinterAndAgainAfterASpeedChange)
{
    Recorder rec;
    TempDir ports;
    printbench::link::CodePage codePage{"CP949"};
    printbench::window::Form1 form{rec, rec, port, rec.usb, codePage, ports.path()};
    std::filesystem::create_symlink(pty.slavePath(), ports.path() / "COM3");
    form.Form_Load();
    form.setListIndex(printbench::window::Control::Combo1, 7);
    form.setListIndex(printbench::window::Control::Combo2, 3);
    EXPECT_EQ(line(pty), kRtsCtsAt115200);
    EXPECT_EQ(hex(pty.read(4, 100ms)), "1D 61 01");
    form.setListIndex(printbench::window::Control::Combo1, 3);
    EXPECT_EQ(line(pty), LineState(B9600, CRTSCTS, 0, true));
    EXPECT_EQ(hex(pty.read(4, 100ms)), "1D 61 01");
    EXPECT_EQ(port.osWriteCount(), 2);  // one write each time
    EXPECT_EQ(rec.only({"message "}), "");
}

} // namespace
