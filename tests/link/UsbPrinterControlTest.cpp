#include "link/usb/UsbPrinterControl.h"

#include "support/FakeUsbTransport.h"
#include "support/Recorder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace printbench;
using namespace printbench::link::usb;
using Error = testkit::FakeUsbTransport::Error;
using testkit::FakeUsbTransport;
using testkit::hex;
using testing::ElementsAre;
using Bytes = std::vector<std::uint8_t>;

namespace {

// The control on a USB stack in memory, with a KR-420 attached unless told otherwise.
struct Usb {
    FakeUsbTransport transport;
    link::CodePage codePage{"CP949"};
    UsbPrinterControl control{transport, codePage};
    explicit Usb(std::vector<FakeUsbTransport::Device> devices = {FakeUsbTransport::printer(1, "MDL:KR-420;")})
    {
        transport.attached = std::move(devices);
    }
};

} // namespace

TEST(UsbDevice, IdFieldsModelMatchingAndTheBidirectionalPrinterSettingFirst)
{
    EXPECT_EQ(parseDeviceId(" mfg : Acme ;MDL:KR-420; CMD:ESC/POS;"),
              (std::map<std::string, std::string>{{"MFG", "Acme"}, {"MDL", "KR-420"}, {"CMD", "ESC/POS"}}));

    // Model list name, device ID, product string, match.
    const std::vector<std::tuple<const char*, std::optional<std::string>, std::optional<std::string>, bool>> table{
        {"KR-420", "MFG:Acme;MDL:KR-420;", std::nullopt, true},   {"KR-420", "MFG:Acme;MODEL:kr 420;", std::nullopt, true},
        {"KR-420", "MFG:Acme;MDL:KR420 ;", std::nullopt, true},   {"KR-420", "MFG:Acme;MDL:KR-430;", std::nullopt, false},
        {"KR-420", "MFG:Acme;CMD:ESC/POS;", "Receipt Printer kr-420", true},
        {"KR-420", std::nullopt, "KR-4200", true},                {"KL-310", "MDL:KL-3100;", std::nullopt, false},
        {"KR-420", std::nullopt, std::nullopt, false},            {"", "MDL:;", std::nullopt, false},
    };
    for (const auto& [model, id, product, match] : table) {
        SCOPED_TRACE(model + (" " + id.value_or("-") + " " + product.value_or("-")));
        EXPECT_EQ(modelMatches(model, id, product), match);
    }

    // Interface 0 in two alternate settings: unidirectional (OUT 0x01; its IN is interrupt) and
    // bidirectional (OUT 0x03, IN 0x84); a setting of another class before them.
    const InterfaceInfo hid{.interfaceClass = 3, .endpoints = {{0x02, 0x02, 64}, {0x81, 0x02, 64}}};
    const InterfaceInfo one{.interfaceClass = 7, .endpoints = {{0x01, 0x02, 64}, {0x85, 0x03, 8}}};
    const InterfaceInfo two{.alternateSetting = 1, .interfaceClass = 7, .endpoints = {{0x03, 0x02, 64}, {0x84, 0x02, 64}}};
    // The setting picked, its OUT endpoint and its IN endpoint (00 for none).
    const auto pick = [](std::vector<InterfaceInfo> settings) -> std::string {
        const auto p = printerInterface(DeviceInfo{.interfaces = std::move(settings)});
        if (!p) return "none";
        return hex(Bytes{std::uint8_t(p->interface.alternateSetting), p->out, p->in.value_or(0)});
    };
    EXPECT_EQ(pick({hid, one, two}) + " | " + pick({hid, two, one}) + " | " + pick({hid, one}) + " | " + pick({hid}),
              "01 03 84 | 01 03 84 | 00 01 00 | none");
}

// The real libusb transport against an emulated printer (UsbEmulatedTest) pins the results 0, 2,
// 1, 3 and 4, transfers of at most 16 KiB, the status reads and a printer lost mid-transfer. Here
// what the emulator cannot express: an interface of another class, refused and busy at once, no
// USB stack, which printer a reopen holds, the timeouts, a timed-out transfer and failed reads.
TEST(UsbFakeStack, OpenResultsReopeningTimeoutsAndFailurePaths)
{
    auto refused = FakeUsbTransport::printer(3, "MDL:KR-420;"), busy = FakeUsbTransport::printer(4, "MDL:KR-420;"),
         notAPrinter = FakeUsbTransport::printer(5, "MDL:KR-420;");
    refused.openError = Error::Access;
    busy.claimError = Error::Busy;
    notAPrinter.info.interfaces[0].interfaceClass = 3;
    // Devices attached, a USB stack there, the result: busy says more than refused.
    for (const auto& [devices, available, result] : std::vector<std::tuple<std::vector<FakeUsbTransport::Device>, bool, std::int32_t>>{
             {{notAPrinter}, true, 1}, {{refused, busy}, true, 4}, {{}, false, 5}}) {
        SCOPED_TRACE(result);
        Usb usb(devices);
        usb.transport.isAvailable = available;
        EXPECT_EQ(usb.control.openByModel("KR-420"), result);
        EXPECT_FALSE(usb.control.connected());
    }
    // Reopening lets go of the printer held before: the one opened and claimed, by index.
    Usb two({FakeUsbTransport::printer(1, "MDL:KR-420;"), FakeUsbTransport::printer(2, "MDL:KL-320;")});
    for (const auto& [model, result, held] : std::vector<std::tuple<const char*, std::int32_t, int>>{{"KR-420", 0, 0}, {"KL-320", 0, 1}, {"KL-999", 2, -1}}) {
        SCOPED_TRACE(model);
        EXPECT_EQ(two.control.openByModel(model), result);
        EXPECT_EQ(two.control.connected(), result == 0);
        EXPECT_EQ(std::pair(two.transport.openDevice, two.transport.claimed), std::pair(held, held));
    }

    // A byte sent when the next transfer meets `error`: how its flush ends, and whether the printer stays connected.
    Usb usb;
    const auto sendMeeting = [&usb](Error error) {
        usb.transport.outErrors = {error};
        usb.control.sendByte(0x41);
        const link::LinkFailure failure = usb.control.flush().failure;
        return std::pair(failure, usb.control.connected());
    };
    EXPECT_EQ(sendMeeting(Error::None), std::pair(link::LinkFailure::NotConnected, false));  // never connected
    ASSERT_EQ(usb.control.openByModel("KR-420"), 0);
    EXPECT_EQ(sendMeeting(Error::Timeout), std::pair(link::LinkFailure::WriteTimedOut, true));
    EXPECT_EQ(sendMeeting(Error::NoDevice), std::pair(link::LinkFailure::Lost, false));
    EXPECT_EQ(usb.control.readStatus(), -1);
    ASSERT_EQ(usb.control.openByModel("KR-420"), 0);  // plugged in again

    // The timeout grows with the transfer, 2 s to wake and then 8 KB a second: the
    // two 1-byte transfers above, then 30,000 bytes as 16,384 and 13,616.
    usb.control.sendText("한A\r\n");
    EXPECT_TRUE(usb.transport.outTransfers.empty());  // nothing before the flush
    for (int i = 0; i < 30000 - 5; ++i) usb.control.sendByte(0x55);
    ASSERT_TRUE(usb.control.flush().isOk() && usb.control.flush().isOk());  // the second has nothing: no transfer
    EXPECT_EQ(hex(Bytes(usb.transport.outTransfers[0].begin(), usb.transport.outTransfers[0].begin() + 6)), "C7 D1 41 0D 0A 55");
    EXPECT_THAT(usb.transport.timeouts, ElementsAre(2000, 2000, 4048, 3702));

    // DLE EOT 2 once what came unasked is drained; the status is the reply's first byte. A failed
    // port status read, and a unidirectional printer's status, are -1.
    usb.transport.outTransfers.clear();
    usb.transport.inReplies = {{0x05}, {0x32}};
    usb.transport.statusAnswer = Bytes{0x12, 0x99};
    EXPECT_EQ(usb.control.readStatus(), 0x12);
    EXPECT_THAT(usb.transport.outTransfers, ElementsAre(Bytes{0x10, 0x04, 0x02}));
    EXPECT_EQ(usb.control.readStatusOldFirmware(), -1);
    Usb one({FakeUsbTransport::printer(1, "MDL:KR-420;", {}, false)});
    ASSERT_EQ(one.control.openByModel("KR-420"), 0);
    EXPECT_EQ(one.control.readStatus(), -1);
}
