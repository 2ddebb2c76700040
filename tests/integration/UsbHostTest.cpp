// The real USB route on this host, which may have no USB bus and has no USB printer.

#include "app/adapters/LibusbTransport.h"
#include "link/usb/UsbPrinterControl.h"
#include "support/Benches.h"

#include <gtest/gtest.h>

using namespace printbench;
using enum link::usb::TransportError;

TEST(UsbOnThisHost, NoPrinterGivesResultOneAndTheErrorBoxARunIsRefusedOnceAndNothingIsSentWithoutADevice)
{
    app::LibusbTransport transport;
    testkit::Ground g;
    link::usb::UsbPrinterControl control(transport, g.codePage);
    window::Form1 form(g.rec, g.rec, g.rec.serial, control, g.codePage, g.ports.path());
    form.Form_Load();
    form.setListIndex(window::Control::Combo2, 12);
    form.Command2_Click();  // the density a run sends first is refused at the run's event pass
    EXPECT_EQ(g.rec.only({"message"}), "message critical \"[Returned Data]:1,USB포트를 열수 없습니다.\\r\\n"
                                       "프린터 및 케이블을 확인하시고 다시 시도해 주십시오\" | "
                                       "message critical \"Sending to the USB printer failed.\\r\\n"
                                       "Reason: No USB printer is connected; choose \\\"USB\\\" again.\"");
    // Listed again, with or without a bus, and no device opens: all work is refused.
    transport.devices();
    std::vector<std::uint8_t> in{0x1B, 0x40};
    EXPECT_TRUE(transport.open({}) != None && transport.bulkOut(0x01, in, 50) == NoDevice &&
                transport.bulkIn(0x81, in, 64, 50) == NoDevice && in.empty() && transport.claim({}) == NoDevice &&
                !transport.deviceId({}) && !transport.portStatus({}) && !transport.productString());
}
