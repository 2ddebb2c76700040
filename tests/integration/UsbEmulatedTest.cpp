// The USB route through the real libusb, to a printer emulated below it by umockdev: the
// libusb transport, the USB printer control and the window's USB handling, byte for byte.

#include "app/adapters/LibusbTransport.h"
#include "app/usb/UsbVirtualPrinter.h"
#include "bitmap/LogoPrint.h"
#include "link/usb/UsbPrinterControl.h"
#include "patterns/TestPrints.h"
#include "support/Benches.h"
#include "support/PrinterPeer.h"
#include "printer/usb/EmulatedUsbPrinter.h"
#include "support/Streams.h"

#include <QImage>

#include <gtest/gtest.h>

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>

using namespace printbench;
using printer::EmulatedUsbPrinter;
using testkit::hex;
using testkit::times;
using Bytes = std::vector<std::uint8_t>;

namespace {

// Without the preload there is nothing to emulate with. In the sanitizer build ctest runs the
// tests with it (AddressSanitizer told not to insist on coming first); run there without it,
// they skip, saying so.
struct UsbEmulated : testing::Test {
    void SetUp() override
    {
        if (printer::UsbTestbed::preloaded()) return;
#ifdef PRINTBENCH_SANITIZE
        GTEST_SKIP() << "no umockdev preload beside AddressSanitizer: nothing emulated";
#endif
        FAIL() << "run under umockdev-wrapper (LD_PRELOAD=libumockdev-preload.so.0)";
    }
};

// Root opens any file whatever its mode. While this lives, the calling thread lacks the
// capabilities to override file modes, as a user without the udev rule does.
class HeldToFileModes {
public:
    HeldToFileModes()
    {
        syscall(SYS_capget, &m_header, m_saved);
        __user_cap_data_struct reduced[2] = {m_saved[0], m_saved[1]};
        reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        syscall(SYS_capset, &m_header, reduced);
    }
    ~HeldToFileModes() { syscall(SYS_capset, &m_header, m_saved); }

private:
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_saved[2]{};
};

// A testbed, the libusb transport and the USB control on it, and the main window over them.
struct UsbBench {
    printer::UsbTestbed bed;
    testkit::Ground g;
    app::LibusbTransport transport;
    link::usb::UsbPrinterControl control{transport, g.codePage};
    window::Form1 form{g.rec, g.rec, g.rec.serial, control, g.codePage, g.ports.path()};

    UsbBench() { form.Form_Load(); }
    // The model list at KR-420, then the port list at USB: the window connects.
    void chooseUsb()
    {
        form.setListIndex(window::Control::Combo4, 7);
        form.setListIndex(window::Control::Combo2, 12);
    }
};

} // namespace

TEST_F(UsbEmulated, ConnectResultsAndTheKernelDriverDetachedWhileConnected)
{
    struct Case {
        const char* what;
        std::vector<EmulatedUsbPrinter::Setup> printers;
        bool locked, busy;
        std::int32_t result;
    };
    const EmulatedUsbPrinter::Setup kr420{}, kl310{3, "MFG:Acme;MDL:KL-310;CMD:ESC/POS;"};
    for (const Case& c : std::vector<Case>{{"the model", {kl310, kr420}, false, false, 0},
                                           {"another model", {kl310}, false, false, 2},
                                           {"no device", {}, false, false, 1},
                                           {"a node the user may not open", {kr420}, true, false, 3},
                                           {"an interface claimed elsewhere", {kr420}, false, true, 4}}) {
        SCOPED_TRACE(c.what);
        UsbBench b;
        std::vector<std::unique_ptr<EmulatedUsbPrinter>> printers;
        for (const auto& setup : c.printers) {
            printers.push_back(std::make_unique<EmulatedUsbPrinter>(b.bed, setup));
            if (c.locked) printers.back()->lockNode();
            printers.back()->claimedElsewhere(c.busy);
        }
        {
            HeldToFileModes asAUser;
            EXPECT_EQ(b.control.openByModel("KR-420"), c.result);
        }
        if (c.result == 1) {
            // The window shows the result; a run is refused once, at the run's event pass.
            b.g.rec.timeline.clear();
            b.form.setListIndex(window::Control::Combo2, 12);
            b.form.Command2_Click();
            EXPECT_EQ(b.g.rec.lines({"message"}), (testkit::Lines{"message critical \"[Returned Data]:1,USB포트를 열수 없습니다.\\r\\n"
                                                                  "프린터 및 케이블을 확인하시고 다시 시도해 주십시오\"",
                                                                  "message critical \"Sending to the USB printer failed.\\r\\n"
                                                                  "Reason: No USB printer is connected; choose \\\"USB\\\" again.\""}));
            // Listed again and no device opens: all work is refused.
            using enum link::usb::TransportError;
            b.transport.devices();
            Bytes in{0x1B, 0x40};
            EXPECT_TRUE(b.transport.open({}) != None && b.transport.bulkOut(0x01, in, 50) == NoDevice &&
                        b.transport.bulkIn(0x81, in, 64, 50) == NoDevice && in.empty() && b.transport.claim({}) == NoDevice &&
                        !b.transport.deviceId({}) && !b.transport.portStatus({}) && !b.transport.productString());
        }
        if (c.result != 0) continue;
        // Connected: the kernel's printer driver is off the printer; letting go gives it back.
        EmulatedUsbPrinter& printer = *printers.back();
        EXPECT_EQ(printer.driver(), "");
        EXPECT_EQ(b.control.openByModel("KR-999"), 2);
        EXPECT_EQ(printer.driver(), "usblp");
        EXPECT_EQ(printer.events(), (std::vector<std::string>{"detach usblp", "claim 0", "release 0", "attach usblp"}));
        EXPECT_TRUE(printers.front()->events().empty());  // the KL-310 was opened, asked and left alone
    }
}

TEST_F(UsbEmulated, TestPatternAndLogosLeaveAsTheLiteralStreamsInTransfersOfAtMost16KiB)
{
    UsbBench b;
    EmulatedUsbPrinter printer(b.bed, {});
    printer.answerStatus(0x12);
    b.chooseUsb();
    ASSERT_TRUE(b.control.connected()) << b.g.rec.only({"message"});
    const std::size_t before = printer.outTransfers().size();

    link::PrinterLink& link = b.form.link();
    link::PrinterChannel& usb = link.channel(link::Route::Usb);
    commands::SharedState state{0, 432};
    testkit::TempDir pictures, work;
    // A black logo 2000 dots wide, three bands: 18,048 bytes in one flush.
    testkit::writeFile(pictures.path() / "ten.bmp", testkit::kTenByThree);
    testkit::writeFile(pictures.path() / "wide.bmp", testkit::monochromeBmp(2000, 72, std::vector<Bytes>(72, Bytes(250, 0))));
    {
        const link::PrinterLink::HandlerScope scope(link);
        patterns::PrintTestPattern(usb, 10, state, b.g.rec);
        link.flush();
        for (const char* logo : {"ten.bmp", "wide.bmp"}) {
            EXPECT_TRUE(bitmap::PrintLogo(pictures.path(), logo, work.path(), usb).sent());
            link.flush();
        }
    }
    const auto all = printer.outTransfers();
    const std::vector<Bytes> transfers(all.begin() + std::ptrdiff_t(before), all.end());
    std::string stream;
    for (const Bytes& t : transfers) stream += (stream.empty() ? "" : " ") + hex(t);

    // The test pattern (its bytes on this route are TestPrints.OneRepetitionOfEach…'s) whole, with
    // its status request, DLE EOT 2 as a transfer of its own, before the closing.
    const std::string pattern = stream.substr(0, stream.find(" 1B 33 18 1B 4C"));
    EXPECT_EQ(pattern.substr(0, testkit::kTestPatternOpening.size()), testkit::kTestPatternOpening);
    EXPECT_EQ(pattern.substr(pattern.size() - 29), "1A 32 0A 10 04 02 1A 46 1B 32");
    EXPECT_EQ((pattern.size() + 1) / 3, 28u + 938u + 3u + 4u);

    const std::string setUp = testkit::kTenByThreeStream.substr(0, 54), finish = testkit::kTenByThreeStream.substr(216);
    const std::string band = "1B 2A 21 D0 07 " + times("FF FF FF", 2000) + " 0A";
    EXPECT_EQ(stream.substr(pattern.size() + 1), testkit::kTenByThreeStream + " " + setUp + band + " " + band + " " + band + " " + finish);
    std::vector<std::size_t> seen;
    for (const Bytes& t : transfers) seen.push_back(t.size());
    EXPECT_EQ(std::vector<std::size_t>(seen.end() - 3, seen.end()), (std::vector<std::size_t>{84, 16384, 1664}));
    EXPECT_LE(*std::max_element(seen.begin(), seen.end()), 16384u);
}

TEST_F(UsbEmulated, StatusReadsTheAnswerNoAnswerInTimeAndThePortStatus)
{
    UsbBench b;
    EmulatedUsbPrinter printer(b.bed, {2, "MFG:Acme;MDL:KR-420;CMD:ESC/POS;SN:PB-0001;"});
    ASSERT_EQ(b.control.openByModel("KR-420"), 0);
    // The length before the device ID counts its own two bytes: the ID arrives to its last character.
    EXPECT_EQ(b.transport.deviceId({}), "MFG:Acme;MDL:KR-420;CMD:ESC/POS;SN:PB-0001;");
    for (const std::optional<std::uint8_t> answer : {std::optional<std::uint8_t>(0x12), {0x08}, {}, {0x00}}) {
        SCOPED_TRACE(answer ? "answer " + std::to_string(*answer) : "no answer");
        printer.answerStatus(answer);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(b.control.readStatus(), answer ? *answer : -1);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));  // 500 ms documented
    }
    for (const std::uint8_t port : {0x18, 0x08}) {
        SCOPED_TRACE("port status " + std::to_string(port));
        printer.setPortStatus(port);
        EXPECT_EQ(b.control.readStatusOldFirmware(), port);
    }
    EXPECT_EQ(printer.outTransfers(), std::vector<Bytes>(4, Bytes{0x10, 0x04, 0x02}));  // a transfer each
}

TEST_F(UsbEmulated, APrinterThatVanishesMidTransferStopsTheRunWithOneMessageAndReconnectsWhenBack)
{
    UsbBench b;
    EmulatedUsbPrinter printer(b.bed, {});
    printer.answerStatus(0x12);
    b.chooseUsb();
    ASSERT_TRUE(b.control.connected());
    b.form.setText(window::Control::Text1, std::string(100, 'A'));
    b.form.setText(window::Control::Text2, "0");  // until stopped
    b.form.setText(window::Control::Text10, "0");
    for (int i = 0; i < b.g.rec.listCount(window::Control::List1); ++i)
        if (b.g.rec.listItem(window::Control::List1, i) == "Text Output") b.g.rec.setListIndex(window::Control::List1, i);
    b.form.List1_DblClick();
    b.g.rec.atEventPass(4, [&] { printer.vanishAfter(40); });
    b.g.rec.timeline.clear();
    b.form.Command2_Click();
    // One message; the pass shown next is where the run checks and stops, sending nothing more.
    EXPECT_EQ(b.g.rec.lines({"message", "Text4"}),
              (testkit::Lines{"Text4 = \"1\"", "Text4 = \"2\"", "Text4 = \"3\"", "Text4 = \"4\"", "message critical \"Sending to the USB "
                              "printer failed.\\r\\nReason: the USB printer was disconnected\"", "Text4 = \"5\""}));
    EXPECT_EQ(b.form.state().StopRequested, 1);
    EXPECT_EQ(printer.outTransfers().back(), Bytes(40, 'A'));  // cut off in the middle
    EXPECT_FALSE(b.control.connected());

    printer.unplug();
    printer.plugIn();
    printer.answerStatus(0x12);
    b.g.rec.timeline.clear();
    b.form.setListIndex(window::Control::Combo2, 12);
    EXPECT_EQ(b.g.rec.only({"message"}), "message information \"KR-420 모델에 USB로 연결되었습니다.\"");
    EXPECT_TRUE(b.control.connected());
}

// `printbench --usb-virtual-printer KR-420`: the window finds the virtual printer on the
// emulated bus by its model, reads the status it holds, and what it prints lands as a receipt.
TEST_F(UsbEmulated, TheVirtualPrinterOnTheEmulatedBusAnswersAndPrints)
{
    testkit::ensureQtApp();
    testkit::TempDir receipts;
    app::UsbVirtualPrinter printer("KR-420", receipts.path());
    testkit::Ground g;
    app::LibusbTransport transport;
    link::usb::UsbPrinterControl control{transport, g.codePage};
    window::Form1 form{g.rec, g.rec, g.rec.serial, control, g.codePage, g.ports.path()};
    form.Form_Load();
    form.setListIndex(window::Control::Combo4, 7);
    form.setListIndex(window::Control::Combo2, 12);
    ASSERT_TRUE(control.connected()) << g.rec.only({"message"});
    printer.setStatus(0x32);
    EXPECT_EQ(control.readStatus(), 0x32);
    printer.setStatus(0x12);
    EXPECT_EQ(control.readStatus(), 0x12);
    EXPECT_EQ(transport.deviceId({}), "MFG:PrintBench;MDL:KR-420;CMD:ESC/POS;SN:PB-0001;");
    // GS I answers come back on bulk IN in the order asked: serial number, then model ID.
    Bytes answer;
    ASSERT_EQ(transport.bulkOut(0x01, testkit::unhex("1D 49 44 1D 49 01"), 1000), link::usb::TransportError::None);
    EXPECT_EQ(transport.bulkIn(0x82, answer, 64, 1000), link::usb::TransportError::None);
    EXPECT_EQ(hex(answer), "5F 50 42 2D 30 30 30 31 00 20");

    for (const int entry : {2, 3}) {  // "Feed", "Full Cut"
        g.rec.setListIndex(window::Control::List1, entry);
        form.List1_DblClick();
    }
    form.setText(window::Control::Text5, "0");
    form.Command2_Click();
    EXPECT_EQ(QImage(QString::fromStdString((receipts.path() / "receipt-0001.png").string())).size(), QSize(512, 100));
}
