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

TEST(UsbDeviceId, FieldsAndModelMatching)
{
    const auto f = parseDeviceId(" mfg : Acme ;MDL:KR-420; CMD:ESC/POS;");
    EXPECT_EQ(f.at("MFG"), "Acme");
    EXPECT_EQ(f.at("MDL"), "KR-420");
    EXPECT_EQ(f.at("CMD"), "ESC/POS");

    // Model list name, device ID, product string, match.
    const std::vector<std::tuple<const char*, std::optional<std::string>, std::optional<std::string>, bool>> table{
        {"KR-420", "MFG:Acme;MDL:KR-420;", std::nullopt, true},
        {"KR-420", "MFG:Acme;MODEL:kr 420;", std::nullopt, true},
        {"KR-420", "MFG:Acme;MDL:KR420 ;", std::nullopt, true},
        {"KR-420", "MFG:Acme;MDL:KR-430;", std::nullopt, false},
        {"KR-420", "MFG:Acme;CMD:ESC/POS;", "Receipt Printer kr-420", true},
        {"KR-420", std::nullopt, "KR-4200", true},
        {"KL-310", "MDL:KL-3100;", std::nullopt, false},
        {"KR-420", std::nullopt, std::nullopt, false},
        {"", "MDL:;", std::nullopt, false},
    };
    for (const auto& [model, id, product, match] : table)
        EXPECT_EQ(modelMatches(model, id, product), match) << model << " / " << id.value_or("-") << " / " << product.value_or("-");
}

TEST(UsbOpen, ThePrinterInterfaceIsTheBidirectionalSettingWhereThereIsOne)
{
    // Interface 0 in two alternate settings: unidirectional (OUT 0x01) and bidirectional
    // (OUT 0x03, IN 0x84); a setting of another class before them.
    const auto setting = [](int alternate, int cls, std::vector<EndpointInfo> endpoints) {
        InterfaceInfo i;
        i.alternateSetting = alternate;
        i.interfaceClass = cls;
        i.endpoints = std::move(endpoints);
        return i;
    };
    const InterfaceInfo hid = setting(0, 3, {{0x02, 0x02, 64}, {0x81, 0x02, 64}});
    const InterfaceInfo one = setting(0, 7, {{0x01, 0x02, 64}, {0x85, 0x03, 8}});  // IN here is interrupt
    const InterfaceInfo two = setting(1, 7, {{0x03, 0x02, 64}, {0x84, 0x02, 64}});
    DeviceInfo d;
    d.interfaces = {hid, one, two};
    auto p = printerInterface(d);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->interface.alternateSetting, 1);
    EXPECT_EQ(p->out, 0x03);
    EXPECT_EQ(p->in, 0x84);
    d.interfaces = {hid, two, one};  // the first bidirectional one stays
    EXPECT_EQ(printerInterface(d)->out, 0x03);
    d.interfaces = {hid, one};
    EXPECT_EQ(printerInterface(d)->out, 0x01);
    EXPECT_FALSE(printerInterface(d)->in);
    d.interfaces = {hid};
    EXPECT_FALSE(printerInterface(d));
}

TEST(UsbOpen, ResultCodesForEveryWayOfNotConnecting)
{
    struct Case {
        const char* what;
        std::vector<FakeUsbTransport::Device> devices;
        bool available;
        std::int32_t result;
    };
    auto refused = FakeUsbTransport::printer(3, "MDL:KR-420;");
    refused.openError = Error::Access;
    auto busy = FakeUsbTransport::printer(4, "MDL:KR-420;");
    busy.claimError = Error::Busy;
    auto notAPrinter = FakeUsbTransport::printer(5, "MDL:KR-420;");
    notAPrinter.info.interfaces[0].interfaceClass = 3;
    const std::vector<Case> cases{
        {"two printers, the second of the model",
         {FakeUsbTransport::printer(1, "MDL:KL-310;"), FakeUsbTransport::printer(2, "MDL:KR-420;")}, true, 0},
        {"no USB printer at all", {notAPrinter}, true, 1},
        {"printers, none of the model", {FakeUsbTransport::printer(1, "MDL:KL-310;")}, true, 2},
        {"the printer may not be opened", {refused}, true, 3},
        {"the printer is held by another program", {busy}, true, 4},
        {"no USB stack", {}, false, 5},
    };
    for (const auto& c : cases) {
        Usb usb(c.devices);
        usb.transport.isAvailable = c.available;
        EXPECT_EQ(usb.control.openByModel("KR-420"), c.result) << c.what;
        EXPECT_EQ(usb.control.connected(), c.result == 0) << c.what;
    }
}

TEST(UsbOpen, OpeningAgainReleasesThePreviousPrinterFirst)
{
    Usb usb({FakeUsbTransport::printer(1, "MDL:KR-420;"), FakeUsbTransport::printer(2, "MDL:KL-320;")});
    ASSERT_EQ(usb.control.openByModel("KR-420"), 0);
    EXPECT_EQ(usb.transport.claimed, 0);
    ASSERT_EQ(usb.control.openByModel("KL-320"), 0);
    EXPECT_EQ(usb.transport.claimed, 1);
    EXPECT_EQ(usb.control.openByModel("KL-999"), 2);
    EXPECT_EQ(usb.transport.openDevice, -1);
}

TEST(UsbSend, BytesAndTextLeaveAtTheFlushInTransfersOfAtMost16KiB)
{
    Usb usb;
    ASSERT_EQ(usb.control.openByModel("KR-420"), 0);
    for (const std::int16_t b : {0x1B, 0x40}) usb.control.sendByte(b);
    usb.control.sendText("한A\r\n");
    EXPECT_TRUE(usb.transport.outTransfers.empty());
    ASSERT_TRUE(usb.control.flush().isOk());
    ASSERT_EQ(usb.transport.outTransfers.size(), 1u);
    EXPECT_EQ(hex(usb.transport.outTransfers[0]), "1B 40 C7 D1 41 0D 0A");  // text in CP949

    usb.transport.outTransfers.clear();
    std::vector<std::uint8_t> logo(30000);
    for (std::size_t i = 0; i < logo.size(); ++i) logo[i] = static_cast<std::uint8_t>(i * 7);
    for (const std::uint8_t b : logo) usb.control.sendByte(b);
    ASSERT_TRUE(usb.control.flush().isOk());
    ASSERT_EQ(usb.transport.outTransfers.size(), 2u);
    EXPECT_EQ(usb.transport.outTransfers[0].size(), 16384u);
    EXPECT_EQ(usb.transport.outTransfers[1].size(), 13616u);
    std::vector<std::uint8_t> joined = usb.transport.outTransfers[0];
    joined.insert(joined.end(), usb.transport.outTransfers[1].begin(), usb.transport.outTransfers[1].end());
    EXPECT_EQ(joined, logo);
    // The timeout grows with the transfer: the full 16 KiB one may take longer than the rest.
    EXPECT_GT(usb.transport.timeouts[1], usb.transport.timeouts[2]);
    EXPECT_TRUE(usb.control.flush().isOk());  // nothing gathered: no transfer
    EXPECT_EQ(usb.transport.outTransfers.size(), 2u);
}

TEST(UsbSend, FailuresAndUnplugging)
{
    Usb usb;
    usb.control.sendByte(0x41);
    EXPECT_EQ(usb.control.flush().failure, link::LinkFailure::NotConnected);  // never connected

    ASSERT_EQ(usb.control.openByModel("KR-420"), 0);
    usb.transport.outErrors = {Error::Timeout};
    usb.control.sendByte(0x41);
    EXPECT_EQ(usb.control.flush().failure, link::LinkFailure::WriteTimedOut);
    EXPECT_TRUE(usb.control.connected());

    usb.transport.outErrors = {Error::NoDevice};
    usb.control.sendByte(0x41);
    EXPECT_EQ(usb.control.flush().failure, link::LinkFailure::Lost);
    EXPECT_FALSE(usb.control.connected());
    EXPECT_EQ(usb.control.readStatus(), -1);

    // Plugged in again: choosing "USB" reconnects.
    EXPECT_EQ(usb.control.openByModel("KR-420"), 0);
    usb.control.sendByte(0x42);
    EXPECT_TRUE(usb.control.flush().isOk());
}

TEST(UsbStatus, CurrentFirmwareAsksWithDleEot2AfterDrainingOldFirmwareAsksThePort)
{
    Usb usb;
    ASSERT_EQ(usb.control.openByModel("KR-420"), 0);

    usb.transport.inReplies = {{0x05}, {0x32}};  // sent unasked earlier
    usb.transport.statusAnswer = 0x12;
    EXPECT_EQ(usb.control.readStatus(), 0x12);
    EXPECT_THAT(usb.transport.outTransfers, ElementsAre(std::vector<std::uint8_t>{0x10, 0x04, 0x02}));

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
