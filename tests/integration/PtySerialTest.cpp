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
#include <fstream>
#include <functional>
#include <thread>

using namespace std::chrono_literals;
using printbench::link::LinkFailure;
using printbench::link::LinkStatus;
using printbench::link::OutputForm;
using printbench::link::QtSerialPort;
using printbench::link::SerialSettings;
using printbench::shell::Control;
using printbench::testkit::hex;
using printbench::testkit::Pty;
using testing::ElementsAre;
using testing::HasSubstr;
using testing::IsEmpty;

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr int kSpeed9600 = 3;
constexpr int kSpeed115200 = 7;
constexpr int kCom3 = 3;

// Runs the event loop until `done` holds, for at most `limit`; false when it never did.
bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 2s)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

void pumpFor(std::chrono::milliseconds span)
{
    pumpUntil([] { return false; }, span);
}

SerialSettings lineSettings(const std::string& line, int handshaking = 2)
{
    SerialSettings s;
    s.portNumber = 3;
    s.settings = line;
    s.handshaking = handshaking;
    s.rtsEnable = true;
    return s;
}

// Nothing but what a test expected has left the port: a marker sent now must be the very
// next thing the printer reads.
void expectNothingMoreThenMarker(QtSerialPort& port, Pty& pty)
{
    const Bytes marker{0xA5, 0x5A};
    port.write(marker, OutputForm::Bytes);
    ASSERT_TRUE(port.flush().isOk());
    EXPECT_EQ(hex(pty.read(2)), "A5 5A");
}

class CountingListener : public printbench::link::SerialListener {
public:
    void serialDataArrived() override { ++arrived; }
    void serialLinkLost(const std::string& reason) override
    {
        ++lost;
        lastReason = reason;
        if (onLost) onLost();
    }
    int arrived = 0;
    int lost = 0;
    std::string lastReason;
    std::function<void()> onLost;
};

class PtySerial : public testing::Test {
protected:
    void SetUp() override { printbench::testkit::ensureQtApp(); }

    Pty pty;
    QtSerialPort port;
    CountingListener listener;
};

TEST_F(PtySerial, OpenSetsSpeedStopBitsAndFlowControlOnTheLine)
{
    struct Case {
        std::string line;
        int handshaking;
        speed_t speed;
        bool twoStopBits;
        bool rtsCts;
        bool xonXoff;
    };
    const std::vector<Case> cases{
        {"115200,n,8,1", 2, B115200, false, true, false},
        {"9600,n,8,2", 0, B9600, true, false, false},
        {"19200,n,8,1", 1, B19200, false, false, true},
        {"1200,n,8,1", 3, B1200, false, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line + " handshaking " + std::to_string(c.handshaking));
        const LinkStatus status = port.open(lineSettings(c.line, c.handshaking), pty.slavePath());
        ASSERT_TRUE(status.isOk()) << status.reason;
        ASSERT_TRUE(port.isOpen());
        const auto t = pty.lineSettings();
        ASSERT_TRUE(t);
        EXPECT_EQ(cfgetospeed(&*t), c.speed);
        EXPECT_EQ(cfgetispeed(&*t), c.speed);
        EXPECT_EQ((t->c_cflag & CSTOPB) != 0, c.twoStopBits);
        EXPECT_EQ((t->c_cflag & CRTSCTS) != 0, c.rtsCts);
        EXPECT_EQ((t->c_iflag & IXON) != 0, c.xonXoff);
        EXPECT_EQ((t->c_iflag & IXOFF) != 0, c.xonXoff);
        // Raw: no echo, no line editing, no translation of CR or LF in either direction.
        EXPECT_EQ(t->c_lflag & (ECHO | ICANON | ISIG), 0u);
        EXPECT_EQ(t->c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP), 0u);
        EXPECT_EQ(t->c_oflag & OPOST, 0u);
        port.close();
        EXPECT_FALSE(port.isOpen());
    }
}

TEST_F(PtySerial, EveryByteValueLeavesUnchangedInOneOsWritePerFlush)
{
    ASSERT_TRUE(port.open(lineSettings("115200,n,8,1"), pty.slavePath()).isOk());

    Bytes all(256);
    for (int v = 0; v < 256; ++v) all[static_cast<std::size_t>(v)] = static_cast<std::uint8_t>(v);
    struct Case {
        const char* what;
        std::vector<Bytes> writes;
        Bytes expected;
    };
    const std::vector<Case> cases{
        {"control and high bytes",
         {{0x00, 0x0A, 0x0D, 0x11, 0x13, 0x7F, 0x80, 0xFF}},
         {0x00, 0x0A, 0x0D, 0x11, 0x13, 0x7F, 0x80, 0xFF}},
        {"text and bytes gathered from several writes",
         {{0x1D, 0x61, 0x01}, {0x41, 0x0D, 0x0A}, {0x00}, {0xFF, 0x11}},
         {0x1D, 0x61, 0x01, 0x41, 0x0D, 0x0A, 0x00, 0xFF, 0x11}},
        {"all 256 values", {all}, all},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const int before = port.osWriteCount();
        for (std::size_t i = 0; i < c.writes.size(); ++i)
            port.write(c.writes[i], i % 2 ? OutputForm::Text : OutputForm::Bytes);
        // Gathered bytes stay with the adapter until the flush.
        EXPECT_THAT(pty.read(1, 50ms), IsEmpty());
        const LinkStatus status = port.flush();
        ASSERT_TRUE(status.isOk()) << status.reason;
        EXPECT_EQ(port.osWriteCount(), before + 1);
        EXPECT_EQ(hex(pty.read(c.expected.size())), hex(c.expected));
    }

    const int before = port.osWriteCount();
    EXPECT_TRUE(port.flush().isOk());
    EXPECT_EQ(port.osWriteCount(), before);
    expectNothingMoreThenMarker(port, pty);
}

TEST_F(PtySerial, CloseDiscardsWhatWasGathered)
{
    ASSERT_TRUE(port.open(lineSettings("115200,n,8,1"), pty.slavePath()).isOk());
    const Bytes dropped{0x1B, 0x40};
    port.write(dropped, OutputForm::Bytes);
    port.close();
    ASSERT_TRUE(port.open(lineSettings("115200,n,8,1"), pty.slavePath()).isOk());
    expectNothingMoreThenMarker(port, pty);
}

TEST_F(PtySerial, OpenFailsWithAClearReasonAndLeavesThePortClosed)
{
    printbench::testkit::TempDir dir;
    const std::string regularFile = (dir.path() / "not-a-tty").string();
    std::ofstream(regularFile) << "x";

    struct Case {
        const char* what;
        SerialSettings settings;
        std::string device;
        std::string reason;
    };
    const std::vector<Case> cases{
        {"missing device", lineSettings("19200,n,8,1"), (dir.path() / "ttyGone").string(), "No such file or directory"},
        {"not a terminal", lineSettings("19200,n,8,1"), regularFile, "Inappropriate ioctl for device"},
        {"unusable settings", lineSettings("fast,n,8,1"), pty.slavePath(), "\"fast,n,8,1\""},
        {"unknown handshaking", lineSettings("19200,n,8,1", 7), pty.slavePath(), "handshaking 7"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const LinkStatus status = port.open(c.settings, c.device);
        EXPECT_EQ(status.failure, LinkFailure::OpenFailed);
        EXPECT_THAT(status.reason, HasSubstr(c.reason));
        EXPECT_FALSE(port.isOpen());
        EXPECT_EQ(port.bytesWaiting(), 0);
        EXPECT_EQ(port.readByte(), std::nullopt);
    }

    // Nothing of a failed open sticks: the real device opens and carries bytes.
    ASSERT_TRUE(port.open(lineSettings("19200,n,8,1"), pty.slavePath()).isOk());
    expectNothingMoreThenMarker(port, pty);
}

TEST_F(PtySerial, StatusBytesFromThePrinterAreReadAfterTheReceiveNotification)
{
    port.setListener(&listener);
    ASSERT_TRUE(port.open(lineSettings("115200,n,8,1"), pty.slavePath()).isOk());
    const Bytes status{0x12, 0x00, 0xFF};
    ASSERT_TRUE(pty.write(status));
    ASSERT_TRUE(pumpUntil([&] { return listener.arrived > 0 && port.bytesWaiting() == 3; }));
    EXPECT_EQ(port.readByte(), 0x12);
    EXPECT_EQ(port.readByte(), 0x00);
    EXPECT_EQ(port.readByte(), 0xFF);
    EXPECT_EQ(port.readByte(), std::nullopt);
    EXPECT_EQ(port.bytesWaiting(), 0);
    EXPECT_EQ(listener.lost, 0);
}

TEST_F(PtySerial, BytesArrivingDuringAFlushAreAnnouncedAfterIt)
{
    bool flushing = false;
    bool announcedDuringFlush = false;
    class Listener : public CountingListener {
    public:
        std::function<void()> onArrived;
        void serialDataArrived() override
        {
            CountingListener::serialDataArrived();
            onArrived();
        }
    } watcher;
    watcher.onArrived = [&] { announcedDuringFlush = announcedDuringFlush || flushing; };
    port.setListener(&watcher);
    ASSERT_TRUE(port.open(lineSettings("115200,n,8,1"), pty.slavePath()).isOk());

    // The reply is already waiting when the flush starts, so the flush's wait sees it.
    const Bytes reply{0x12};
    ASSERT_TRUE(pty.write(reply));
    ASSERT_TRUE(pty.waitForSlaveInput());
    const Bytes command{0x10, 0x04, 0x01};
    port.write(command, OutputForm::Bytes);
    flushing = true;
    ASSERT_TRUE(port.flush().isOk());
    flushing = false;
    EXPECT_EQ(hex(pty.read(3)), "10 04 01");

    ASSERT_TRUE(pumpUntil([&] { return watcher.arrived > 0; }));
    EXPECT_FALSE(announcedDuringFlush);
    EXPECT_EQ(watcher.arrived, 1);
    EXPECT_EQ(port.readByte(), 0x12);
}

// Two status bytes close together: the first is announced after a flush that the second
// arrives during; the recovery request sent for the first reads the second inside its own
// flush, so the port's read notice for it is stale. A stale notice is no lost line.
TEST_F(PtySerial, AStaleReadNoticeIsNotALostLine)
{
    class Replier : public CountingListener {
    public:
        QtSerialPort* port = nullptr;
        void serialDataArrived() override
        {
            CountingListener::serialDataArrived();
            while (port->readByte()) {
            }
            const Bytes recover{0x10, 0x05, 0x02};
            port->write(recover, OutputForm::Text);
            EXPECT_TRUE(port->flush().isOk());
        }
    } replier;
    replier.port = &port;
    port.setListener(&replier);
    ASSERT_TRUE(port.open(lineSettings("115200,n,8,1"), pty.slavePath()).isOk());

    const Bytes first{0x12}, second{0x05};
    ASSERT_TRUE(pty.write(first));
    ASSERT_TRUE(pty.waitForSlaveInput());
    const Bytes request{0x10, 0x04, 0x02};
    port.write(request, OutputForm::Text);
    ASSERT_TRUE(port.flush().isOk());
    ASSERT_TRUE(pty.write(second));
    ASSERT_TRUE(pty.waitForSlaveInput());
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    pumpFor(50ms);

    EXPECT_EQ(replier.lost, 0) << replier.lastReason;
    EXPECT_TRUE(port.isOpen());
    EXPECT_EQ(hex(pty.read(6)), "10 04 02 10 05 02");
}

TEST_F(PtySerial, FlushAfterThePrinterWentAwayFailsAndIsTheOnlyReport)
{
    port.setListener(&listener);
    ASSERT_TRUE(port.open(lineSettings("115200,n,8,1"), pty.slavePath()).isOk());
    pty.closeMaster();
    const Bytes bytes{0x1B, 0x40, 0x41};
    port.write(bytes, OutputForm::Bytes);

    const LinkStatus status = port.flush();
    EXPECT_EQ(status.failure, LinkFailure::WriteFailed);
    EXPECT_EQ(status.reason, "the line was hung up (the device or its far side went away)");
    EXPECT_EQ(listener.lost, 0);

    // What was gathered went with the failure.
    EXPECT_TRUE(port.flush().isOk());

    // Left open by its owner, the port closes itself once the event loop sees the dead line,
    // without a second report.
    EXPECT_TRUE(pumpUntil([&] { return !port.isOpen(); }));
    pumpFor(100ms);
    EXPECT_EQ(listener.lost, 0);
    EXPECT_FALSE(port.isOpen());
}

TEST_F(PtySerial, PrinterGoneWhileIdleIsReportedOnceAndThePortCloses)
{
    struct Case {
        const char* what;
        bool withListener;
        bool listenerCloses;
    };
    const std::vector<Case> cases{
        {"listener closes the port", true, true},
        {"listener leaves the port open", true, false},
        {"no listener", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Pty printer;
        QtSerialPort serial;
        CountingListener heard;
        if (c.listenerCloses) heard.onLost = [&] { serial.close(); };
        serial.setListener(c.withListener ? &heard : nullptr);
        ASSERT_TRUE(serial.open(lineSettings("115200,n,8,1"), printer.slavePath()).isOk());

        printer.closeMaster();
        if (c.withListener) {
            EXPECT_TRUE(pumpUntil([&] { return heard.lost > 0; }));
            EXPECT_EQ(heard.lastReason, "the line was hung up (the device or its far side went away)");
        } else {
            EXPECT_TRUE(pumpUntil([&] { return !serial.isOpen(); }));
        }
        // The dead line keeps failing reads while the port is open; it must be closed by now
        // and stay quiet.
        EXPECT_FALSE(serial.isOpen());
        pumpFor(100ms);
        EXPECT_EQ(heard.lost, c.withListener ? 1 : 0);
        EXPECT_EQ(heard.arrived, 0);

        // A send after the loss has nowhere to go.
        const Bytes late{0x0A};
        serial.write(late, OutputForm::Bytes);
        EXPECT_EQ(serial.flush().failure, LinkFailure::NotOpen);
    }
}

TEST_F(PtySerial, APrinterThatTakesNothingMakesTheFlushTimeOut)
{
    // The master never reads, so the pty's buffer (about 12 KB on current kernels) fills and
    // the rest of 100 KB cannot leave. At 4 Mbit/s the allowance is 2 s plus twice 250 ms of
    // line time, which keeps this test short.
    ASSERT_TRUE(port.open(lineSettings("4000000,n,8,1"), pty.slavePath()).isOk());
    const Bytes big(100000, 0x55);
    port.write(big, OutputForm::Bytes);
    const LinkStatus status = port.flush();
    EXPECT_EQ(status.failure, LinkFailure::WriteTimedOut);
    EXPECT_EQ(status.reason, "the printer did not take the bytes within 2500 ms (is it holding CTS?)");
    EXPECT_EQ(port.osWriteCount(), 1);
}

// The main window's core driving the adapter: COM3 is a link in the port folder to the pty.
class PtyCore : public testing::Test {
protected:
    PtyCore()
    {
        printbench::testkit::ensureQtApp();
        std::filesystem::create_symlink(pty.slavePath(), ports.path() / "COM3");
        form.Form_Load();
        rec.timeline.clear();
    }

    void chooseCom3At115200()
    {
        form.setListIndex(Control::Combo1, kSpeed115200);
        form.setListIndex(Control::Combo2, kCom3);
    }

    std::vector<std::string> messages() const { return rec.only({"message "}); }

    Pty pty;
    printbench::testkit::Recorder rec;
    printbench::testkit::TempDir ports;
    QtSerialPort port;
    printbench::shell::Form1 form{rec, rec, port, rec.usb, ports.path()};
};

TEST_F(PtyCore, Com3At115200SendsGsA1OnALineSetUpForThePrinter)
{
    chooseCom3At115200();
    ASSERT_TRUE(port.isOpen());
    EXPECT_THAT(messages(), IsEmpty());
    EXPECT_EQ(hex(pty.read(3)), "1D 61 01");
    EXPECT_EQ(port.osWriteCount(), 1);
    expectNothingMoreThenMarker(port, pty);

    const auto t = pty.lineSettings();
    ASSERT_TRUE(t);
    EXPECT_EQ(cfgetospeed(&*t), B115200);
    EXPECT_EQ(t->c_cflag & CSTOPB, 0u);
    EXPECT_NE(t->c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(t->c_iflag & (IXON | IXOFF), 0u);
}

TEST_F(PtyCore, ChangingTheSpeedReopensAt9600AndSendsGsA1Again)
{
    chooseCom3At115200();
    ASSERT_EQ(hex(pty.read(3)), "1D 61 01");

    form.setListIndex(Control::Combo1, kSpeed9600);
    ASSERT_TRUE(port.isOpen());
    EXPECT_THAT(messages(), IsEmpty());
    const auto t = pty.lineSettings();
    ASSERT_TRUE(t);
    EXPECT_EQ(cfgetospeed(&*t), B9600);
    EXPECT_NE(t->c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(hex(pty.read(3)), "1D 61 01");
    expectNothingMoreThenMarker(port, pty);
}

TEST_F(PtyCore, AComLinkToNoUsableDeviceFailsWithTheDeviceAndTheReason)
{
    // A pty that existed and is gone again: COM3 dangles.
    std::string gone;
    {
        Pty earlier;
        gone = earlier.slavePath();
    }
    ASSERT_FALSE(std::filesystem::exists(gone));
    const std::string regularFile = (ports.path() / "plain-file").string();
    std::ofstream(regularFile) << "x";

    struct Case {
        std::string target;
        std::string reason;
    };
    const std::vector<Case> cases{
        {gone, "No such file or directory"},
        {regularFile, "Inappropriate ioctl for device"},
    };
    form.setListIndex(Control::Combo1, kSpeed115200);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target);
        std::filesystem::remove(ports.path() / "COM3");
        std::filesystem::create_symlink(c.target, ports.path() / "COM3");
        rec.timeline.clear();
        form.setListIndex(Control::Combo2, kCom3);
        EXPECT_THAT(rec.wire(), ElementsAre("message critical \"COM3 could not be opened.\\r\\nDevice: " + c.target +
                                            "\\r\\nReason: " + c.reason + "\""));
        EXPECT_FALSE(port.isOpen());
        EXPECT_EQ(port.osWriteCount(), 0);
    }
}

TEST_F(PtyCore, ASendToAPrinterThatWentAwayIsReportedOnceAndClosesThePort)
{
    chooseCom3At115200();
    ASSERT_EQ(hex(pty.read(3)), "1D 61 01");
    const std::string device = pty.slavePath();
    pty.closeMaster();
    {
        const printbench::link::PrinterLink::HandlerScope scope(form.link());
        form.link().SendSerialText("\x1B@");
        const Bytes bytes{0x1D, 0x56, 0x01};
        form.link().SendSerialBytes(bytes);
    }
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(form.state().StopRequested, 1);
    pumpFor(100ms);
    const std::vector<std::string> shown = messages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], "message critical \"Sending to COM3 (" + device +
                            ") failed; the port has been closed.\\r\\nReason: the line was hung up (the device or its "
                            "far side went away)\"");
}

TEST_F(PtyCore, APrinterGoneWhileIdleIsReportedOnceAndClosesThePort)
{
    chooseCom3At115200();
    ASSERT_EQ(hex(pty.read(3)), "1D 61 01");
    const std::string device = pty.slavePath();
    pty.closeMaster();
    EXPECT_TRUE(pumpUntil([&] { return !messages().empty(); }));
    pumpFor(100ms);
    const std::vector<std::string> shown = messages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], "message critical \"The connection to COM3 (" + device +
                            ") was lost; the port has been closed.\\r\\nReason: the line was hung up (the device or "
                            "its far side went away)\"");
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(form.state().StopRequested, 1);
}

TEST_F(PtyCore, AStatusByteFromThePrinterReachesTheReceiveHandler)
{
    std::vector<int> events;
    Bytes received;
    form.link().setReceiveHandler([&](int event) {
        events.push_back(event);
        while (const auto b = form.link().serialPort().readByte()) received.push_back(*b);
    });
    chooseCom3At115200();
    ASSERT_EQ(hex(pty.read(3)), "1D 61 01");

    const Bytes status{0x12};
    ASSERT_TRUE(pty.write(status));
    ASSERT_TRUE(pumpUntil([&] { return !received.empty(); }));
    EXPECT_EQ(hex(received), "12");
    EXPECT_THAT(events, ElementsAre(2));
    EXPECT_THAT(messages(), IsEmpty());
}

} // namespace
