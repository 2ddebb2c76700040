// The real USB route on this host, which may have no USB bus and has no USB printer.

#include "app/adapters/LibusbTransport.h"
#include "link/usb/UsbPrinterControl.h"
#include "support/Benches.h"

#include <gtest/gtest.h>

#include <set>

using namespace printbench;
using namespace printbench::link::usb;

TEST(UsbOnThisHost, NoPrinterGivesResultOneAndTheErrorBoxAndARunIsRefusedOnce)
{
    app::LibusbTransport transport;
    const link::CodePage codePage("CP949");
    UsbPrinterControl control(transport, codePage);
    testkit::Recorder rec;
    testkit::TempDir ports;
    window::Form1 form(rec, rec, rec.serial, control, codePage, ports.path());
    form.Form_Load();
    rec.timeline.clear();
    form.setListIndex(window::Control::Combo2, 12);
    EXPECT_EQ(rec.only({"message"}), "message critical \"[Returned Data]:1,USB포트를 열수 없습니다.\\r\\n"
                                     "프린터 및 케이블을 확인하시고 다시 시도해 주십시오\"");
    // The density a run sends first is refused at the run's event pass.
    rec.timeline.clear();
    form.Command2_Click();
    EXPECT_EQ(rec.only({"message"}), "message critical \"Sending to the USB printer failed.\\r\\n"
                                     "Reason: No USB printer is connected; choose \\\"USB\\\" again.\"");
}

TEST(LibusbTransport, ListsSaneDescriptorsAndRefusesWorkWithoutAnOpenDevice)
{
    app::LibusbTransport transport;
    const std::vector<DeviceInfo> devices = transport.devices();
    EXPECT_TRUE(transport.available() || devices.empty());
    for (const DeviceInfo& d : devices) {
        EXPECT_TRUE(d.bus >= 1 && d.address >= 1 && d.address <= 127) << d.bus << ":" << d.address;
        std::set<int> numbers, withSettingZero;
        for (const InterfaceInfo& i : d.interfaces) {
            numbers.insert(i.number);
            if (i.alternateSetting == 0) withSettingZero.insert(i.number);
            for (const EndpointInfo& e : i.endpoints)  // never endpoint 0, no reserved address bits
                EXPECT_TRUE((e.address & 0x0f) != 0 && (e.address & 0x70) == 0 && e.maxPacketSize > 0) << int(e.address);
        }
        EXPECT_FALSE(numbers.empty());
        EXPECT_EQ(numbers, withSettingZero) << "every interface has an alternate setting 0";
    }
    transport.devices();  // the second listing releases the first one's references

    DeviceInfo ghost;
    ghost.bus = ghost.address = 255;
    EXPECT_NE(transport.open(ghost), TransportError::None);
    const std::uint8_t bytes[] = {0x1b, 0x40};
    EXPECT_NE(transport.bulkOut(0x01, bytes, 50), TransportError::None);
    std::vector<std::uint8_t> in{1, 2, 3};
    EXPECT_NE(transport.bulkIn(0x81, in, 64, 50), TransportError::None);
    EXPECT_TRUE(in.empty());
    EXPECT_NE(transport.claim({}), TransportError::None);
    EXPECT_FALSE(transport.deviceId({}) || transport.portStatus({}) || transport.productString());
}
