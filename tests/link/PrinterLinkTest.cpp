// The link: each route's call pattern, the port list's choice, the flush points, the failure
// rule and the traffic tap.

#include "support/Benches.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

using namespace printbench;
using link::PrinterChannel;
using link::Route;
using testing::HasSubstr;
using testkit::hex;

namespace {

using Bytes = std::vector<std::uint8_t>;

} // namespace

TEST(Channels, EachRouteKeepsItsOwnCallsForTheSameBytes)
{
    struct Row {
        const char* what;
        std::function<void(PrinterChannel&)> act;
        const char* serial;
        const char* usb;
    };
    const Bytes cut{0x1B, 0x69}, any{0x00, 0x7F, 0x80, 0xFF};
    const std::vector<Row> rows{
        {"command", [&](PrinterChannel& c) { c.command(cut); }, "serial text 1B 69", "usb byte 1B | usb byte 69"},
        {"byte", [](PrinterChannel& c) { c.byte(0xFB); }, "serial bytes FB", "usb byte FB"},
        {"bytes", [&](PrinterChannel& c) { c.bytes(any); }, "serial bytes 00 7F 80 FF",
         "usb byte 00 | usb byte 7F | usb byte 80 | usb byte FF"},
        {"text", [](PrinterChannel& c) { c.text("한A\r\n"); }, "serial text C7 D1 41 0D 0A", "usb text \"한A\\r\\n\""},
        {"status", [](PrinterChannel& c) { c.requestStatus(); }, "serial text 10 04 02", "usb status member 6 -> 18"},
        {"wait", [](PrinterChannel& c) { c.wait(7); }, "sleep 7", "sleep 7"},
        {"events", [](PrinterChannel& c) { c.letEventsIn(); }, "events 1", "events 1"},
    };
    for (const Row& row : rows) {
        for (const bool usb : {false, true}) {
            testkit::Rig r;
            row.act(r.route(usb));
            EXPECT_EQ(r.rec.wire(), usb ? row.usb : row.serial) << row.what << (usb ? " over USB" : " over serial");
            EXPECT_EQ(r.rec.usbStatusShown, std::vector<std::int32_t>(usb && row.what == std::string("status"), 0x12));
        }
        testkit::Rig none;
        none.link.selectPort(0);
        if (row.what != std::string("wait") && row.what != std::string("events")) {
            row.act(none.link.channel(Route::None));
            EXPECT_EQ(none.rec.wire(), "") << row.what << " without a route";
        }
    }
}

TEST(Channels, CommandTextCarriesEveryCodeBelow128Unchanged)
{
    testkit::Rig r;
    Bytes all(128);
    for (int c = 0; c < 128; ++c) all[std::size_t(c)] = std::uint8_t(c);
    r.serial().command(all);
    EXPECT_EQ(r.rec.wire(), "serial text " + hex(all));
}

TEST(Routes, FollowThePortListAndOldVerChoosesMember5)
{
    const std::vector<std::pair<int, Route>> table{{0, Route::None}, {1, Route::Serial}, {11, Route::Serial},
                                                   {12, Route::Usb}, {13, Route::None}, {-1, Route::None}};
    testkit::Rig r;
    for (const auto& [index, route] : table) {
        r.link.selectPort(index);
        EXPECT_EQ(r.link.current().route(), route) << index;
    }
    r.serial();
    r.link.selectPort(12);
    r.rec.usb.statusResults = {0x12, 0x20};
    r.link.current().command(Bytes{0x1B, 0x40});
    r.link.setOldFirmware(true);
    r.link.current().requestStatus();
    r.link.setOldFirmware(false);
    EXPECT_EQ(r.link.ReadUsbStatus(), 0x20);
    EXPECT_EQ(r.rec.wire(), "usb byte 1B | usb byte 40 | usb status member 5 -> 18 | usb status member 6 -> 32");
}

TEST(SerialOpen, FailuresNameThePortTheDeviceAndTheReason)
{
    testkit::Rig r;
    r.rec.serial.openError = "Permission denied";
    EXPECT_EQ(r.link.openSerial(*link::SerialSettings::forPort(3, "19200")).reason,
              "COM3 could not be opened.\r\nDevice: /dev/ttyS2\r\nReason: Permission denied");
    EXPECT_FALSE(r.rec.serial.isOpen());
    r.rec.serial.hostDeviceList = {"/dev/ttyS0"};
    EXPECT_THAT(r.link.openSerial(*link::SerialSettings::forPort(7, "19200")).reason,
                testing::StartsWith("COM7 could not be opened.\r\nCOM7: no device"));
    EXPECT_EQ(r.rec.linkFailures, 0);
}

TEST(LinkFailure, IsReportedOncePerHandlerClosesThePortAndDropsTheRest)
{
    testkit::Rig r;
    PrinterChannel& serial = r.serial();
    r.rec.serial.flushError = "Input/output error";
    {
        const link::PrinterLink::HandlerScope scope(r.link);
        serial.command(Bytes{0x1B, 0x69});
        serial.wait(500);  // the flush before the sleep meets the failure
        serial.command(Bytes{0x1B, 0x6D});
        serial.wait(500);
        EXPECT_TRUE(r.link.failedInHandler());
    }
    EXPECT_EQ(r.rec.wire(), "serial text 1B 69 | serial close | sleep 500 | sleep 500");
    EXPECT_EQ(r.rec.only({"link failed"}),
              "link failed \"Sending to COM3 (/dev/ttyS2) failed; the port has been closed.\\r\\nReason: Input/output error\"");

    // The next handler reports again, once: the port is closed now.
    r.rec.timeline.clear();
    {
        const link::PrinterLink::HandlerScope scope(r.link);
        serial.command(Bytes{0x1B, 0x69});
        serial.byte(0x00);
    }
    EXPECT_EQ(r.rec.only({"link failed"}), "link failed \"COM3 is not open, so nothing was sent.\\r\\n"
                                           "Choose the port again once the printer is connected.\"");
}

TEST(LinkFailure, BothRoutesFailingInOneHandlerAreReportedOnce)
{
    testkit::Rig r;
    r.serial().command(Bytes{0x41});
    r.usb().command(Bytes{0x42});
    r.rec.serial.flushError = r.rec.usb.flushError = "gone";
    {
        const link::PrinterLink::HandlerScope scope(r.link);
    }  // the flush at the handler's end meets both failures
    EXPECT_EQ(r.rec.only({"link failed"}),
              "link failed \"Sending to COM3 (/dev/ttyS2) failed; the port has been closed.\\r\\nReason: gone\" | link failed \"\"");
    EXPECT_EQ(r.rec.linkFailures, 2);  // both stop a run
}

TEST(LinkFailure, ReopeningInTheSameHandlerSendsAgain)
{
    testkit::Rig r;
    PrinterChannel& serial = r.serial();
    r.rec.serial.flushError = "Input/output error";
    const link::PrinterLink::HandlerScope scope(r.link);
    serial.command(Bytes{0x41});
    r.link.flush();
    r.rec.serial.flushError.reset();
    ASSERT_TRUE(r.link.openSerial(*link::SerialSettings::forPort(3, "19200")).isOk());  // in a run's event pass, say
    serial.command(Bytes{0x42});
    r.link.flush();
    EXPECT_EQ(hex(r.rec.serial.osWrites.back()), "42");
}

TEST(LinkFailure, ALostLineAndAFailedUsbTransferAreReported)
{
    testkit::Rig r;
    r.serial();
    r.rec.serial.listener->serialLinkLost("The device went away");
    EXPECT_EQ(r.rec.wire(), "serial close");
    EXPECT_EQ(r.rec.only({"link failed"}), "link failed \"The connection to COM3 (/dev/ttyS2) was lost; the port has "
                                           "been closed.\\r\\nReason: The device went away\"");

    PrinterChannel& usb = r.usb();
    r.rec.usb.flushError = "No USB printer is connected";
    {
        const link::PrinterLink::HandlerScope scope(r.link);
        usb.command(Bytes{0x1B, 0x69});
        usb.wait(100);
        usb.command(Bytes{0x1B, 0x69});
    }
    EXPECT_EQ(r.rec.only({"link failed"}),
              "link failed \"Sending to the USB printer failed.\\r\\nReason: No USB printer is connected\"");
    EXPECT_EQ(r.rec.count("usb byte"), 2u);
}

TEST(Coalescing, BytesLeaveAtFlushPointsOnlyAndInOrder)
{
    testkit::Rig r;
    PrinterChannel& serial = r.serial();
    {
        const link::PrinterLink::HandlerScope scope(r.link);
        serial.command(Bytes{0x1D, 0x28});
        serial.byte(0x00);
        EXPECT_TRUE(r.rec.serial.osWrites.empty());
        serial.wait(500);
        serial.requestStatus();
        serial.letEventsIn();
        serial.command(Bytes{0x1B, 0x40});
    }  // the end of the handler
    std::vector<std::string> writes;
    for (const auto& w : r.rec.serial.osWrites) writes.push_back(hex(w));
    EXPECT_THAT(writes, testing::ElementsAre("1D 28 00", "10 04 02", "1B 40"));

    PrinterChannel& usb = r.usb();
    usb.command(Bytes{0x1D, 0x28});
    usb.requestStatus();  // a status read is a flush point too
    ASSERT_EQ(r.rec.usb.transfers.size(), 1u);
    EXPECT_EQ(hex(r.rec.usb.transfers[0]), "1D 28");
}

TEST(Tap, SeesEveryByteSentAndReceivedWithRouteAndTime)
{
    struct Seen : link::Tap {
        void traffic(const link::Traffic& t) override
        {
            lines.push_back(std::to_string(t.atMs) + (t.route == Route::Serial ? " serial " : " usb ") +
                            (t.direction == link::Traffic::Direction::Sent ? "out " : "in ") + hex(t.bytes));
        }
        std::vector<std::string> lines;
    } seen;
    testkit::Rig r;
    PrinterChannel& serial = r.serial();
    serial.command(Bytes{0x1B, 0x69});  // no tap yet: the clock is not even read
    EXPECT_EQ(r.rec.clockReads, 0);
    r.link.setTap(&seen);
    serial.text("한");
    serial.wait(20);
    serial.byte(0xFF);
    r.rec.receive({0x12, 0x05});
    r.link.readByte();
    r.link.readByte();
    PrinterChannel& usb = r.usb();
    usb.text("A\n");
    usb.byte(0x0A);
    usb.requestStatus();
    EXPECT_THAT(seen.lines, testing::ElementsAre("0 serial out C7 D1", "20 serial out FF", "20 serial in 12",
                                                 "20 serial in 05", "20 usb out 41 0A", "20 usb out 0A",
                                                 "20 usb in 12"));
}
