// The real USB control on this host, which has no USB printer: choosing "USB" answers
// "no USB printer found" (1) with the connection error, and nothing crashes.

#include "link/usb/LibusbTransport.h"
#include "link/usb/UsbPrinterControl.h"
#include "support/Bench.h"

#include <gtest/gtest.h>

using namespace printbench;

TEST(UsbOnThisHost, NoPrinterGivesResultOneAndTheErrorBox)
{
    link::usb::LibusbTransport transport;
    const link::CodePage codePage("CP949");
    link::usb::UsbPrinterControl control(transport, codePage);
    testkit::Recorder rec;
    testkit::TempDir ports;
    shell::Form1 form(rec, rec, rec.serial, control, ports.path());
    form.Form_Load();
    rec.timeline.clear();
    form.setListIndex(shell::Control::Combo2, 12);
    const auto messages = rec.only({"message"});
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "message critical \"[Returned Data]:1,USB포트를 열수 없습니다.\\r\\n"
                           "프린터 및 케이블을 확인하시고 다시 시도해 주십시오\"");
    // The density a run sends first is refused at the run's event pass, with one message.
    form.Command2_Click();
    const auto after = rec.only({"message"});
    ASSERT_EQ(after.size(), 2u);
    EXPECT_EQ(after[1], "message critical \"Sending to the USB printer failed.\\r\\n"
                        "Reason: No USB printer is connected; choose \\\"USB\\\" again.\"");
}
