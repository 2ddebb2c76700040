// The Qt serial adapter against real pseudo-terminals: the test plays the printer on the master
// side, the adapter (alone, or under the main window's core) holds the slave. A Linux pty keeps
// the speed, CSTOPB, CRTSCTS, IXON and IXOFF as set; it forces CS8 and clears PARENB on every
// change, so data bits and parity cannot be seen here.

#include "app/adapters/QtSerialPort.h"
#include "cockpit/Journal.h"
#include "support/Benches.h"
#include "support/Pty.h"
#include "support/PrinterPeer.h"

#include <QTest>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace std::chrono_literals;
using namespace printbench::link;
using namespace printbench::testkit;
using Octets = std::vector<std::uint8_t>;

namespace {

const SerialSettings k115200{.baud = 115200};
const std::string kHungUp = "the line was hung up (the device or its far side went away)";
std::tuple<LinkFailure, std::string> outcome(const LinkStatus& s) { return {s.failure, s.reason}; }

// The line as the adapter left it: speed, CSTOPB and CRTSCTS, IXON and IXOFF, and whether it
// is raw (no echo, no line editing, no translation of CR or LF either way).
using LineState = std::tuple<speed_t, tcflag_t, tcflag_t, bool>;
LineState line(const termios& t)
{
    return {cfgetospeed(&t), t.c_cflag & (CSTOPB | CRTSCTS), t.c_iflag & (IXON | IXOFF),
            !(t.c_lflag & (ECHO | ICANON | ISIG) || t.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP) || t.c_oflag & OPOST)};
}

// The two ends of the line; the test hears what the adapter announces.
struct Ends : SerialListener {
    Ends()
    {
        ensureQtApp();
        port.setListener(this);
    }
    void serialDataArrived() override
    {
        ++arrived;
        onArrived();
    }
    void serialLinkLost(const std::string& why) override
    {
        ++lost;
        reason = why;
    }
    LinkStatus send(const Octets& bytes, OutputForm form = OutputForm::Bytes)
    {
        port.write(bytes, form);
        return port.flush();
    }
    std::string drained()
    {
        Octets got;
        while (const auto b = port.readByte()) got.push_back(*b);
        return hex(got);
    }

    int arrived = 0, lost = 0;
    std::string reason;
    std::function<void()> onArrived = [] {};
    Pty pty;
    printbench::app::QtSerialPort port;
};
struct PtySerial : testing::Test, Ends {};

// The line as asked (RTS/CTS unless told otherwise, as the window asks), or the reason it cannot
// be opened and a closed port. The window's GS a 1 on this adapter is VirtualPrinterPty's.
TEST_F(PtySerial, OpenSetsTheLineAsAskedOrFailsWithTheReason)
{
    for (const auto& [settings, expected] :
         {std::pair(SerialSettings{.baud = 9600, .stopBits = SerialSettings::StopBits::Two, .flowControl = SerialSettings::FlowControl::None},
                    LineState(B9600, CSTOPB, 0, true)),
          std::pair(SerialSettings{.baud = 19200, .flowControl = SerialSettings::FlowControl::XonXoff}, LineState(B19200, 0, IXON | IXOFF, true)),
          std::pair(SerialSettings{.baud = 115200}, LineState(B115200, CRTSCTS, 0, true))}) {
        SCOPED_TRACE(settings.text());
        ASSERT_TRUE(port.open(settings, pty.slavePath()).isOk());
        EXPECT_EQ(line(pty.lineSettings()), expected);
    }
    for (const auto& [baud, device, why] : {std::tuple(19200, pty.slavePath() + "-gone", "No such file or directory"),
                                            std::tuple(0, pty.slavePath(), "the line settings 0,n,8,1 cannot be set")}) {
        SCOPED_TRACE(why);
        const LinkStatus status = port.open({.baud = baud}, device);
        EXPECT_TRUE(status.failure == LinkFailure::OpenFailed && send({0x0A}).failure == LinkFailure::NotOpen);
        EXPECT_THAT(status.reason, testing::HasSubstr(why));
    }

}

// What is gathered at a close never leaves. A printer that takes nothing: the master never reads,
// so the pty's buffer (about 12 KB) fills and the rest of 100 KB cannot leave; at 4 Mbit/s the
// allowance is 2 s plus twice 250 ms of line time.
TEST_F(PtySerial, AFlushSendsEveryByteInOneOsWriteOrTimesOutOnAPrinterThatTakesNothing)
{
    ASSERT_TRUE(port.open(k115200, pty.slavePath()).isOk());
    Octets all;
    for (int i = 0; i < 256; ++i) all.push_back(static_cast<std::uint8_t>(i));
    port.write(std::span(all).first(0x80), OutputForm::Bytes);
    port.write(std::span(all).subspan(0x80), OutputForm::Text);
    EXPECT_THAT(pty.read(1, 50ms), testing::IsEmpty());  // nothing before the flush
    EXPECT_TRUE(port.flush().isOk());
    EXPECT_EQ(pty.read(257, 100ms), all);
    port.write(Octets{0x1B, 0x40}, OutputForm::Bytes);
    port.close();
    EXPECT_TRUE(port.open({.baud = 4000000}, pty.slavePath()).isOk() && port.flush().isOk());
    EXPECT_EQ(port.osWriteCount(), 1);
    EXPECT_EQ(outcome(send(Octets(100000, 0x55))),
              std::tuple(LinkFailure::WriteTimedOut, "the printer did not take the bytes within 2500 ms (is it holding CTS?)"));
}

// A reply waiting when a flush starts is taken in by the flush's wait and announced once, after
// it; so is one that comes while the listener is still at work. Then two status bytes close together: the recovery request for the first reads the second
// inside its own flush, so the read notice for the second is stale, and no lost line.
TEST_F(PtySerial, PrinterBytesAreAnnouncedOnceOutsideFlushesAndReadInOrder)
{
    ASSERT_TRUE(port.open(k115200, pty.slavePath()).isOk() && pty.write({0x12, 0x00, 0xFF}));
    ASSERT_TRUE(send({0x10, 0x04, 0x01}).isOk());
    EXPECT_EQ(hex(pty.read(3)) + " announced " + std::to_string(arrived), "10 04 01 announced 0");
    ASSERT_TRUE(QTest::qWaitFor([&] { return arrived > 0; }));
    QTest::qWait(50);
    EXPECT_EQ(std::pair(arrived, port.bytesWaiting()), std::pair(1, 3));
    EXPECT_EQ(drained(), "12 00 FF");

    std::string seen;  // a byte that comes while the listener waits inside its notice is announced after it
    onArrived = [&] {
        seen += drained() + ";";
        if (seen == "32;" && pty.write({0x12})) QTest::qWait(100);
    };
    ASSERT_TRUE(pty.write({0x32}));
    EXPECT_TRUE(QTest::qWaitFor([&] { return seen == "32;12;"; }, 1000)) << seen;

    onArrived = [&] { drained(); EXPECT_TRUE(send({0x10, 0x05, 0x02}, OutputForm::Text).isOk()); };
    ASSERT_TRUE(pty.write({0x12}));
    ASSERT_TRUE(send({0x10, 0x04, 0x02}, OutputForm::Text).isOk() && pty.write({0x05}));
    QTest::qWait(50);
    EXPECT_TRUE(lost == 0 && port.isOpen()) << reason;
    EXPECT_EQ(hex(pty.read(6)), "10 04 02 10 05 02");
}

// The tap reads what was sent where the adapter gathers it and has each byte once, however many
// hand-overs come between two flushes.
TEST_F(PtySerial, TheTapHasEachByteSentOnceHoweverOftenItIsHandedOver)
{
    Ground g;
    std::filesystem::create_symlink(pty.slavePath(), g.ports.path() / "COM4");
    PrinterLink link{port, g.rec.usb, g.rec, g.codePage, g.rec, g.ports.path()};
    printbench::cockpit::Journal journal{g.rec};
    link.setTap(&journal);
    link.selectPort(4);
    ASSERT_FALSE(link.openSerial(*SerialSettings::forPort(4, "115200")));
    link.SendSerialBytes(Octets{0x1B, 0x40}), link.handOverTraffic(), link.handOverTraffic();
    link.SendSerialText("AB"), link.handOverTraffic();
    link.SendSerialBytes(Octets{0x0A}), link.flush();
    link.SendSerialBytes(Octets{0x1B, 0x69}), link.handOverTraffic(), link.flush();
    Octets tapped;
    journal.readTraffic(0, [&](const printbench::cockpit::TrafficRecord& r) { tapped.insert(tapped.end(), r.bytes.begin(), r.bytes.end()); });
    EXPECT_EQ(hex(pty.read(8, 500ms)), "1B 40 41 42 0A 1B 69");
    EXPECT_EQ(hex(tapped), "1B 40 41 42 0A 1B 69");
}

// A byte that comes while the adapter waits on the port (a host's sleep) is dated when it came,
// and the listener hears of it once the wait is over, not during it.
TEST_F(PtySerial, AByteThatComesDuringAWaitIsDatedWhenItCameAndAnnouncedAfterIt)
{
    ASSERT_TRUE(port.open(k115200, pty.slavePath()).isOk());
    std::atomic<std::int64_t> sentAt{0};
    const auto deadline = std::chrono::steady_clock::now() + 1000ms;
    std::thread printer([&] {
        std::this_thread::sleep_for(200ms);
        sentAt = printbench::app::QtSerialPort::monotonicMs();
        const std::uint8_t paperEnd = 0x32;
        EXPECT_EQ(::write(pty.masterFd(), &paperEnd, 1), 1);
    });
    port.waitUntil(deadline);
    printer.join();
    EXPECT_GE(std::chrono::steady_clock::now(), deadline);
    EXPECT_EQ(arrived, 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return arrived > 0; }));
    EXPECT_EQ(drained(), "32");
    ASSERT_TRUE(port.lastArrivalMs());
    EXPECT_NEAR(double(*port.lastArrivalMs()), double(sentAt.load()), 5.0);
}

// The printer going away is reported once, by the flush that meets it or else to the listener,
// and the port, left open by its owner, closes itself once the event loop sees the dead line.
TEST(PtySerialGone, APrinterGoneIsReportedOnceAndThePortCloses)
{
    for (const bool flushing : {true, false}) {
        SCOPED_TRACE(flushing ? "met by a flush" : "seen by the listener");
        Ends peer;
        ASSERT_TRUE(peer.port.open(k115200, peer.pty.slavePath()).isOk());
        peer.pty.closeMaster();
        if (flushing) {
            EXPECT_EQ(outcome(peer.send({0x1B, 0x40, 0x41})), std::tuple(LinkFailure::WriteFailed, kHungUp));
            EXPECT_TRUE(peer.port.flush().isOk());  // what was gathered went with the failure
        }
        EXPECT_TRUE(QTest::qWaitFor([&] { return !peer.port.isOpen(); }, 2000));
        QTest::qWait(100);  // a dead line left open would keep failing reads
        EXPECT_EQ(std::tuple(peer.lost, peer.reason, peer.arrived), std::tuple(flushing ? 0 : 1, flushing ? "" : kHungUp, 0));
    }
}

} // namespace
