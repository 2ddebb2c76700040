#include "support/Bench.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>


using namespace printbench;
using shell::Control;
using testing::ElementsAre;
using testing::IsEmpty;

TEST(SerialOpen, AFailureNamesPortDeviceAndReasonAndLeavesThePortClosed)
{
    printbench::testkit::Bench b;
    b.rec.serial.openError = "Permission denied";
    b.choose(Control::Combo2, 3);
    EXPECT_THAT(b.rec.wire(), ElementsAre("serial open COM3 failed",
                                          "message critical \"COM3 could not be opened.\\r\\n"
                                          "Device: /dev/ttyS2\\r\\nReason: Permission denied\""));
    EXPECT_FALSE(b.rec.serial.isOpen());
    EXPECT_EQ(b.form.state().StopRequested, 0);
}

TEST(SerialOpen, APortThatReachesNoDeviceSaysSo)
{
    printbench::testkit::Bench b;
    b.rec.serial.hostDeviceList = {"/dev/ttyS0"};
    b.choose(Control::Combo2, 7);
    const auto lines = b.rec.wire();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_THAT(lines[0], testing::StartsWith("message critical \"COM7 could not be opened.\\r\\nCOM7: no device"));
}

TEST(SerialSend, WritingWhileThePortIsClosedIsReportedOnceAndStops)
{
    printbench::testkit::Bench b;
    b.rec.serial.openError = "No such file or directory";
    b.choose(Control::Combo2, 3);
    b.rec.timeline.clear();
    {
        const link::PrinterLink::HandlerScope scope(b.form.link());
        b.form.Density();
        b.form.Density();
    }
    EXPECT_THAT(b.rec.wire(), ElementsAre("message critical \"COM3 is not open, so nothing was sent.\\r\\n"
                                          "Choose the port again once the printer is connected.\""));
    EXPECT_EQ(b.form.state().StopRequested, 1);
}

TEST(SerialSend, AFailedWriteIsReportedOnceClosesThePortAndDropsTheRestOfTheHandler)
{
    printbench::testkit::Bench b;
    b.choose(Control::Combo2, 3);
    b.rec.timeline.clear();
    b.rec.serial.flushError = "Input/output error";
    {
        const link::PrinterLink::HandlerScope scope(b.form.link());
        b.form.Density();
        b.form.Wait(500);  // flush point: the write fails here
        b.form.Density();  // dropped silently
        b.form.Wait(500);
    }
    EXPECT_THAT(b.rec.wire(),
                ElementsAre("serial text 1D 28 4B 02 00 31", "serial bytes 00", "serial close",
                            "message critical \"Sending to COM3 (/dev/ttyS2) failed; the port has been closed.\\r\\n"
                            "Reason: Input/output error\"",
                            "sleep 500", "sleep 500"));
    EXPECT_EQ(b.form.state().StopRequested, 1);
    EXPECT_FALSE(b.rec.serial.isOpen());

    // The next handler reports again, once.
    b.rec.timeline.clear();
    {
        const link::PrinterLink::HandlerScope scope(b.form.link());
        b.form.Density();
        b.form.Density();
    }
    EXPECT_EQ(b.rec.only({"message "}).size(), 1u);
}

TEST(SerialSend, ChoosingThePortAgainAfterAFailureWorksInTheSameHandler)
{
    printbench::testkit::Bench b;
    b.choose(Control::Combo2, 3);
    b.rec.serial.flushError = "Input/output error";
    const link::PrinterLink::HandlerScope scope(b.form.link());
    b.form.Density();
    b.form.link().flush();
    b.rec.serial.flushError.reset();
    b.rec.timeline.clear();
    b.choose(Control::Combo2, 3);  // e.g. during a run's event pass
    EXPECT_THAT(b.rec.wire(), ElementsAre("serial open COM3 19200,n,8,1", "serial text 1D 61 01"));
}

TEST(SerialLink, LosingTheDeviceWhileOpenIsReportedAndClosesThePort)
{
    printbench::testkit::Bench b;
    b.choose(Control::Combo2, 3);
    b.rec.timeline.clear();
    b.rec.serial.listener->serialLinkLost("The device went away");
    EXPECT_THAT(b.rec.wire(),
                ElementsAre("serial close", "message critical \"The connection to COM3 (/dev/ttyS2) was lost; the "
                                            "port has been closed.\\r\\nReason: The device went away\""));
    EXPECT_EQ(b.form.state().StopRequested, 1);
}

TEST(UsbSend, AFailedTransferIsReportedOnceAndStops)
{
    printbench::testkit::Bench b;
    b.rec.usb.statusResults = {0x12};
    b.choose(Control::Combo2, 12);
    b.rec.timeline.clear();
    b.rec.usb.flushError = "No USB printer is connected";
    {
        const link::PrinterLink::HandlerScope scope(b.form.link());
        b.form.Density();
        b.form.Wait(100);
        b.form.Density();
    }
    EXPECT_EQ(b.rec.only({"message "}),
              std::vector<std::string>{"message critical \"Sending to the USB printer failed.\\r\\n"
                                       "Reason: No USB printer is connected\""});
    EXPECT_EQ(b.rec.only({"usb byte"}).size(), 7u);
    EXPECT_EQ(b.form.state().StopRequested, 1);
}

TEST(Coalescing, BytesLeaveAtFlushPointsOnlyAndInOrder)
{
    printbench::testkit::Bench b;
    b.choose(Control::Combo2, 3);
    b.rec.serial.osWrites.clear();
    {
        const link::PrinterLink::HandlerScope scope(b.form.link());
        b.form.Density();
        b.form.link().SendSerialText("\x1B\x69");
        EXPECT_THAT(b.rec.serial.osWrites, IsEmpty());
        b.form.Wait(500);  // before a sleep
        b.form.link().SendSerialText("\x10\x04\x02");
        b.form.DoEvents();  // before an event pass
        b.form.link().SendSerialText("\x1B\x6D");
        b.form.MsgBox(shell::Icon::None, "done");  // before a message box
        b.form.link().SendSerialText("\x1B\x40");
    }  // when the handler returns
    std::vector<std::string> writes;
    for (const auto& w : b.rec.serial.osWrites) writes.push_back(printbench::testkit::hex(w));
    EXPECT_THAT(writes, ElementsAre("1D 28 4B 02 00 31 00 1B 69", "10 04 02", "1B 6D", "1B 40"));
}

TEST(Coalescing, UsbBytesLeaveBeforeAStatusRead)
{
    printbench::testkit::Bench b;
    b.rec.usb.statusResults = {0x12, 0x12};
    b.choose(Control::Combo2, 12);
    b.rec.usb.transfers.clear();
    const link::PrinterLink::HandlerScope scope(b.form.link());
    b.form.Density();
    b.form.link().ReadUsbStatus();
    ASSERT_EQ(b.rec.usb.transfers.size(), 1u);
    EXPECT_EQ(printbench::testkit::hex(b.rec.usb.transfers[0]), "1D 28 4B 02 00 31 00");
}
