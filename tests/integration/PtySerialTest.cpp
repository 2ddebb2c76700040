// The Qt serial adapter against real pseudo-terminals: the test plays the printer on the
// master side, the adapter (alone, or under the main window's core) holds the slave.
//
// What a Linux pseudo-terminal keeps of the line settings: the speed, CSTOPB, CRTSCTS and the
// input flags (IXON, IXOFF) read back as set. Data bits and parity do not: the pty driver
// forces CS8 and clears PARENB on every change, so "7 data bits, even parity" cannot be seen
// here and is not asserted.

#include "integration/Pty.h"
#include "integration/QtApp.h"
#include "link/QtSerialPort.h"
#include "shell/Form1.h"
#include "support/Recorder.h"
#include "support/TempDir.h"

#include <QCoreApplication>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <numeric>
#include <thread>

using namespace std::chrono_literals;
using namespace printbench::link;
using namespace printbench::testkit;
using printbench::shell::Control;

namespace {

using Bytes = std::vector<std::uint8_t>;
const std::string kHungUp = "the line was hung up (the device or its far side went away)";

// Runs the event loop until `done` holds, for at most `limit`; false when it never did.
bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 2s)
{
    for (const auto end = std::chrono::steady_clock::now() + limit; !done(); std::this_thread::sleep_for(1ms)) {
        if (std::chrono::steady_clock::now() >= end) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

void pumpFor(std::chrono::milliseconds span) { pumpUntil([] { return false; }, span); }

SerialSettings lineSettings(const std::string& line, int handshaking = 2)
{
    return {.portNumber = 3, .settings = line, .handshaking = handshaking, .rtsEnable = true};
}

// The line as the adapter left it: speed, stop bits and flow control as asked, and raw.
void expectLine(const Pty& pty, speed_t speed, bool twoStopBits, bool rtsCts, bool xonXoff)
{
    const auto t = pty.lineSettings();
    ASSERT_TRUE(t);
    EXPECT_EQ(cfgetospeed(&*t), speed);
    EXPECT_EQ((t->c_cflag & CSTOPB) != 0, twoStopBits);
    EXPECT_EQ((t->c_cflag & CRTSCTS) != 0, rtsCts);
    EXPECT_EQ(t->c_iflag & (IXON | IXOFF), xonXoff ? (IXON | IXOFF) : 0u);
    // No echo, no line editing, no translation of CR or LF in either direction.
    EXPECT_EQ(t->c_lflag & (ECHO | ICANON | ISIG), 0u);
    EXPECT_EQ(t->c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP), 0u);
    EXPECT_EQ(t->c_oflag & OPOST, 0u);
}

struct CountingListener : SerialListener {
    void serialDataArrived() override { ++arrived; if (onArrived) onArrived(); }
    void serialLinkLost(const std::string& reason) override { ++lost; lastReason = reason; }
    int arrived = 0, lost = 0;
    std::string lastReason;
    std::function<void()> onArrived;
};

class PtySerial : public testing::Test {
protected:
    PtySerial() { ensureQtApp(); }
    void openAt115200() { ASSERT_TRUE(port.open(lineSettings("115200,n,8,1"), pty.slavePath()).isOk()); }

    Pty pty;
    QtSerialPort port;
    CountingListener listener;
};

TEST_F(PtySerial, OpenSetsSpeedStopBitsAndFlowControlOnARawLine)
{
    struct Case { std::string line; int handshaking; speed_t speed; bool twoStopBits, rtsCts, xonXoff; };
    // Handshaking 2 (RTS/CTS) is the core's choice, checked under PtyCore.
    for (const Case& c : {Case{"115200,n,8,1", 3, B115200, false, true, false},
                          Case{"9600,n,8,2", 0, B9600, true, false, false},
                          Case{"19200,n,8,1", 1, B19200, false, false, true}}) {
        SCOPED_TRACE(c.line + " handshaking " + std::to_string(c.handshaking));
        ASSERT_TRUE(port.open(lineSettings(c.line, c.handshaking), pty.slavePath()).isOk());
        expectLine(pty, c.speed, c.twoStopBits, c.rtsCts, c.xonXoff);
    }
}

TEST_F(PtySerial, EveryByteValueLeavesUnchangedInOneOsWritePerFlushAndCloseDropsTheRest)
{
    openAt115200();
    Bytes all(256);
    std::iota(all.begin(), all.end(), 0);
    // Gathered from writes of both forms; nothing leaves before the flush.
    port.write(std::span(all).first(0x80), OutputForm::Bytes);
    port.write(std::span(all).subspan(0x80), OutputForm::Text);
    EXPECT_THAT(pty.read(1, 50ms), testing::IsEmpty());
    ASSERT_TRUE(port.flush().isOk());
    EXPECT_EQ(port.osWriteCount(), 1);
    EXPECT_EQ(pty.read(257, 100ms), all);

    // What is gathered at a close never leaves, and a flush of nothing writes nothing.
    port.write(Bytes{0x1B, 0x40}, OutputForm::Bytes);
    port.close();
    openAt115200();
    EXPECT_TRUE(port.flush().isOk());
    EXPECT_EQ(port.osWriteCount(), 1);
}

TEST_F(PtySerial, OpenFailsWithAClearReasonAndLeavesThePortClosed)
{
    struct Case { std::string line; int handshaking; std::string device, reason; };
    for (const Case& c : {Case{"19200,n,8,1", 2, pty.slavePath() + "-gone", "No such file or directory"},
                          Case{"fast,n,8,1", 2, pty.slavePath(), "\"fast,n,8,1\""},
                          Case{"19200,n,8,1", 7, pty.slavePath(), "handshaking 7"}}) {
        SCOPED_TRACE(c.reason);
        const LinkStatus status = port.open(lineSettings(c.line, c.handshaking), c.device);
        EXPECT_EQ(status.failure, LinkFailure::OpenFailed);
        EXPECT_THAT(status.reason, testing::HasSubstr(c.reason));
        EXPECT_FALSE(port.isOpen());
    }
    openAt115200();  // nothing of a failed open sticks
}

// A reply already waiting when a flush starts is taken in by the flush's wait: it is announced
// once, after the flush. A byte arriving while idle is announced from the event loop.
TEST_F(PtySerial, PrinterBytesAreAnnouncedOnceOutsideFlushesAndReadAfterwards)
{
    port.setListener(&listener);
    openAt115200();

    ASSERT_TRUE(pty.write(Bytes{0x12, 0x00}));
    ASSERT_TRUE(pty.waitForSlaveInput());
    port.write(Bytes{0x10, 0x04, 0x01}, OutputForm::Bytes);
    ASSERT_TRUE(port.flush().isOk());
    EXPECT_EQ(listener.arrived, 0);
    EXPECT_EQ(hex(pty.read(3)), "10 04 01");
    ASSERT_TRUE(pumpUntil([&] { return listener.arrived > 0; }));
    pumpFor(50ms);
    EXPECT_EQ(listener.arrived, 1);

    ASSERT_TRUE(pty.write(Bytes{0xFF}));
    ASSERT_TRUE(pumpUntil([&] { return listener.arrived == 2 && port.bytesWaiting() == 3; }));
    Bytes got;
    while (const auto b = port.readByte()) got.push_back(*b);
    EXPECT_EQ(hex(got), "12 00 FF");
    EXPECT_EQ(listener.lost, 0);
}

// Two status bytes close together: the first is announced after a flush that the second
// arrives during; the recovery request sent for the first reads the second inside its own
// flush, so the port's read notice for it is stale. A stale notice is no lost line.
TEST_F(PtySerial, AStaleReadNoticeIsNotALostLine)
{
    listener.onArrived = [&] {
        while (port.readByte()) {}
        port.write(Bytes{0x10, 0x05, 0x02}, OutputForm::Text);
        EXPECT_TRUE(port.flush().isOk());
    };
    port.setListener(&listener);
    openAt115200();

    ASSERT_TRUE(pty.write(Bytes{0x12}));
    ASSERT_TRUE(pty.waitForSlaveInput());
    port.write(Bytes{0x10, 0x04, 0x02}, OutputForm::Text);
    ASSERT_TRUE(port.flush().isOk());
    ASSERT_TRUE(pty.write(Bytes{0x05}));
    ASSERT_TRUE(pty.waitForSlaveInput());
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    pumpFor(50ms);

    EXPECT_EQ(listener.lost, 0) << listener.lastReason;
    EXPECT_TRUE(port.isOpen());
    EXPECT_EQ(hex(pty.read(6)), "10 04 02 10 05 02");
}

// The printer going away is reported once, by the flush that meets it or else to the listener,
// and the port, left open by its owner, closes itself once the event loop sees the dead line.
TEST_F(PtySerial, APrinterGoneIsReportedOnceAndThePortCloses)
{
    for (const bool flushAfterwards : {true, false}) {
        SCOPED_TRACE(flushAfterwards ? "flush after it went" : "gone while idle");
        Pty printer;
        QtSerialPort serial;
        CountingListener heard;
        serial.setListener(&heard);
        ASSERT_TRUE(serial.open(lineSettings("115200,n,8,1"), printer.slavePath()).isOk());
        printer.closeMaster();
        if (flushAfterwards) {
            serial.write(Bytes{0x1B, 0x40, 0x41}, OutputForm::Bytes);
            const LinkStatus status = serial.flush();
            EXPECT_EQ(status.failure, LinkFailure::WriteFailed);
            EXPECT_EQ(status.reason, kHungUp);
            EXPECT_TRUE(serial.flush().isOk());  // what was gathered went with the failure
        }
        EXPECT_TRUE(pumpUntil([&] { return !serial.isOpen(); }));
        pumpFor(100ms);  // a dead line left open keeps failing reads
        EXPECT_EQ(heard.lost, flushAfterwards ? 0 : 1);
        EXPECT_EQ(heard.lastReason, flushAfterwards ? "" : kHungUp);
        EXPECT_EQ(heard.arrived, 0);
        serial.write(Bytes{0x0A}, OutputForm::Bytes);
        EXPECT_EQ(serial.flush().failure, LinkFailure::NotOpen);
    }
}

TEST_F(PtySerial, APrinterThatTakesNothingMakesTheFlushTimeOut)
{
    // The master never reads, so the pty's buffer (about 12 KB) fills and the rest of 100 KB
    // cannot leave. At 4 Mbit/s the allowance is 2 s plus twice 250 ms of line time.
    ASSERT_TRUE(port.open(lineSettings("4000000,n,8,1"), pty.slavePath()).isOk());
    port.write(Bytes(100000, 0x55), OutputForm::Bytes);
    const LinkStatus status = port.flush();
    EXPECT_EQ(status.failure, LinkFailure::WriteTimedOut);
    EXPECT_EQ(status.reason, "the printer did not take the bytes within 2500 ms (is it holding CTS?)");
}

// The main window's core driving the adapter: COM3 is a link in the port folder.
class PtyCore : public PtySerial {
protected:
    static constexpr int kSpeed9600 = 3, kSpeed115200 = 7, kCom3 = 3;

    void chooseCom3LinkedTo(const std::string& device)
    {
        std::filesystem::create_symlink(device, ports.path() / "COM3");
        form.Form_Load();
        form.setListIndex(Control::Combo1, kSpeed115200);
        rec.timeline.clear();
        form.setListIndex(Control::Combo2, kCom3);
    }

    Recorder rec;
    TempDir ports;
    printbench::shell::Form1 form{rec, rec, port, rec.usb, ports.path()};
};

TEST_F(PtyCore, Com3SendsGsA1OnALineSetUpForThePrinterAndAgainAfterASpeedChange)
{
    const auto expectGsA1At = [&](speed_t speed) {
        EXPECT_THAT(rec.only({"message "}), testing::IsEmpty());
        expectLine(pty, speed, false, true, false);
        EXPECT_EQ(hex(pty.read(4, 100ms)), "1D 61 01");
    };
    chooseCom3LinkedTo(pty.slavePath());
    expectGsA1At(B115200);
    form.setListIndex(Control::Combo1, kSpeed9600);
    expectGsA1At(B9600);
    EXPECT_EQ(port.osWriteCount(), 2);  // 1D 61 01 in one write each time
}

TEST_F(PtyCore, AComLinkToNoUsableDeviceFailsWithTheDeviceAndTheReason)
{
    const std::string gone = pty.slavePath() + "-gone";
    chooseCom3LinkedTo(gone);
    EXPECT_THAT(rec.wire(), testing::ElementsAre("message critical \"COM3 could not be opened.\\r\\nDevice: " + gone +
                                                 "\\r\\nReason: No such file or directory\""));
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(port.osWriteCount(), 0);
}

} // namespace
