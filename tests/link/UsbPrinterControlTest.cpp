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
    for (const auto& [model, id, product, match] : table)
        EXPECT_EQ(modelMatches(model, id, product), match) << id.value_or("-") << " " << product.value_or("-");

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

TEST(UsbOpen, ResultCodesForEveryWayOfNotConnectingAndReopeningReleasesThePreviousPrinter)
{
    auto refused = FakeUsbTransport::printer(3, "MDL:KR-420;");
    refused.openError = Error::Access;
    auto busy = FakeUsbTransport::printer(4, "MDL:KR-420;");
    busy.claimError = Error::Busy;
    auto notAPrinter = FakeUsbTransport::printer(5, "MDL:KR-420;");
    notAPrinter.info.interfaces[0].interfaceClass = 3;
    // Devices attached, a USB stack there, the result.
    const std::vector<std::tuple<std::vector<FakeUsbTransport::Device>, bool, std::int32_t>> cases{
        {{FakeUsbTransport::printer(1, "MDL:KL-310;"), FakeUsbTransport::printer(2, "MDL:KR-420;")}, true, 0},
        {{notAPrinter}, true, 1},                                  // no USB printer at all
        {{FakeUsbTransport::printer(1, "MDL:KL-310;")}, true, 2},  // printers, none of the model
        {{refused}, true, 3},                                      // the printer may not be opened
        {{busy}, true, 4},                                         // held by another program
        {{refused, busy}, true, 4},                                // busy says more than refused
        {{}, false, 5},                                            // no USB stack
    };
    for (const auto& [devices, available, result] : cases) {
        Usb usb(devices);
        usb.transport.isAvailable = available;
        EXPECT_EQ(usb.control.openByModel("KR-420"), result);
        EXPECT_EQ(usb.control.connected(), result == 0) << result;
    }

    Usb usb({FakeUsbTransport::printer(1, "MDL:KR-420;"), FakeUsbTransport::printer(2, "MDL:KL-320;")});
    for (const auto& [model, result, openAndClaimed] : std::vector<std::tuple<const char*, std::int32_t, int>>{
             {"KR-420", 0, 0}, {"KL-320", 0, 1}, {"KL-999", 2, -1}}) {
        EXPECT_EQ(usb.control.openByModel(model), result);
        EXPECT_EQ(std::pair(usb.transport.openDevice, usb.transport.claimed), std::pair(openAndClaimed, openAndClaimed)) << model;
        EXPECT_EQ(usb.control.connected(), result == 0) << model;
    }
}

TEST(UsbSend, BytesAndTextLeaveAtTheFlushInTransfersOfAtMost16KiB)
{
    Usb usb;
    ASSERT_EQ(usb.control.openByModel("KR-420"), 0);
    for (const std::int16_t b : {0x1B, 0x40}) usb.control.sendByte(b);
    usb.control.sendText("한A\r\n");
    EXPECT_TRUE(usb.transport.outTransfers.empty());
    ASSERT_TRUE(usb.control.flush().isOk());

    Bytes logo(30000);
    for (std::size_t i = 0; i < logo.size(); ++i) logo[i] = static_cast<std::uint8_t>(i * 7);
    for (const std::uint8_t b : logo) usb.control.sendByte(b);
    ASSERT_TRUE(usb.control.flush().isOk());
    EXPECT_TRUE(usb.control.flush().isOk());  // nothing gathered: no transfer
    EXPECT_THAT(usb.transport.outTransfers,
                ElementsAre(Bytes{0x1B, 0x40, 0xC7, 0xD1, 0x41, 0x0D, 0x0A},  // CP949
                            Bytes(logo.begin(), logo.begin() + 16384), Bytes(logo.begin() + 16384, logo.end())));
    // The timeout grows with the transfer, 2 s to wake and then 8 KB a second: the full 16 KiB one takes longest.
    EXPECT_THAT(usb.transport.timeouts, ElementsAre(2000, 4048, 3702));
}

TEST(UsbSendAndStatus, FailuresUnpluggingAndTheTwoStatusReads)
{
    Usb usb;
    // A byte sent when the next transfer meets `error`: how its flush ends, and whether the printer stays connected.
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

    // Plugged in again: choosing "USB" reconnects.
    EXPECT_EQ(usb.control.openByModel("KR-420"), 0);
    EXPECT_EQ(sendMeeting(Error::None), std::pair(link::LinkFailure::None, true));

    // DLE EOT 2 once what came unasked is drained; for the old firmware, the port status.
    usb.transport.inReplies = {{0x05}, {0x32}};  // sent unasked earlier
    usb.transport.statusAnswer = Bytes{0x12, 0x99};  // the status is the reply's first byte
    EXPECT_EQ(usb.control.readStatus(), 0x12);
    EXPECT_THAT(usb.transport.outTransfers, ElementsAre(Bytes{0x41}, Bytes{0x10, 0x04, 0x02}));
    usb.transport.statusAnswer.reset();
    EXPECT_EQ(usb.control.readStatus(), -1);  // nothing answers

    usb.transport.portStatusByte = 0x18;
    EXPECT_EQ(usb.control.readStatusOldFirmware(), 0x18);
    usb.transport.portStatusByte.reset();
    EXPECT_EQ(usb.control.readStatusOldFirmware(), -1);

    // A unidirectional printer has no status reply to read.
    Usb one({FakeUsbTransport::printer(1, "MDL:KR-420;", {}, false)});
    ASSERT_EQ(one.control.openByModel("KR-420"), 0);
    EXPECT_EQ(one.control.readStatus(), -1);
}
