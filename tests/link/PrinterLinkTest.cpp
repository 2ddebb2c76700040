#include "support/Benches.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

using namespace printbench;
using link::PrinterChannel;
using link::Route;
using testing::ElementsAre;
using testkit::hex;
using Bytes = std::vector<std::uint8_t>;
using Lines = std::vector<std::string>;
using Scope = link::PrinterLink::HandlerScope;

TEST(Channels, EachRouteKeepsItsOwnCallsAndCommandTextCarriesEveryCodeBelow128Unchanged)
{
    // What each operation leaves without a route, over serial and over USB (a USB status read is shown).
    const std::vector<std::tuple<const char*, std::function<void(PrinterChannel&)>, std::vector<Lines>>> rows{
        {"command", [](PrinterChannel& c) { c.command(Bytes{0x1B, 0x69}); }, {{}, {"serial text 1B 69"}, {"usb byte 1B", "usb byte 69"}}},
        {"byte", [](PrinterChannel& c) { c.byte(0xFB); }, {{}, {"serial bytes FB"}, {"usb byte FB"}}},
        {"bytes", [](PrinterChannel& c) { c.bytes(Bytes{0x00, 0x7F, 0x80, 0xFF}); },
         {{}, {"serial bytes 00 7F 80 FF"}, {"usb byte 00", "usb byte 7F", "usb byte 80", "usb byte FF"}}},
        {"text", [](PrinterChannel& c) { c.text("한A\r\n"); }, {{}, {"serial text C7 D1 41 0D 0A"}, {"usb text \"한A\\r\\n\""}}},
        {"status", [](PrinterChannel& c) { c.requestStatus(); }, {{}, {"serial text 10 04 02"}, {"usb status member 6 -> 18", "shown 18"}}},
        {"wait", [](PrinterChannel& c) { c.wait(7); }, {{"sleep 7"}, {"sleep 7"}, {"sleep 7"}}},
        {"events", [](PrinterChannel& c) { c.letEventsIn(); }, {{"events 1"}, {"events 1"}, {"events 1"}}},
    };
    for (const auto& [name, act, expected] : rows) {
        SCOPED_TRACE(name);
        for (std::size_t i = 0; i < expected.size(); ++i) {
            SCOPED_TRACE(i == 0 ? "no route" : i == 1 ? "serial" : "usb");
            testkit::Rig r;
            act(i == 0 ? r.link.channel(Route::None) : r.route(i == 2));
            Lines seen = r.rec.lines({"serial ", "usb ", "sleep ", "events ", "link failed"});
            for (const std::int32_t s : r.rec.usbStatusShown) seen.push_back("shown " + std::to_string(s));
            EXPECT_EQ(seen, expected[i]);
        }
    }
    testkit::Rig r;
    Bytes all(128);
    for (int c = 0; c < 128; ++c) all[std::size_t(c)] = std::uint8_t(c);
    r.serial().command(all);
    EXPECT_EQ(r.rec.wire(), "serial text " + hex(all));
}

TEST(Routes, FollowThePortListOldVerChoosesMember5AndAFailedOpenSaysWhy)
{
    const std::vector<std::pair<int, Route>> table{{0, Route::None}, {1, Route::Serial}, {11, Route::Serial},
                                                   {12, Route::Usb}, {13, Route::None}, {-1, Route::None}};
    testkit::Rig r;
    for (const auto& [index, route] : table) {
        SCOPED_TRACE(index);
        r.link.selectPort(index);
        EXPECT_EQ(r.link.current().route(), route);
    }
    r.serial();
    r.link.selectPort(12);
    r.rec.usb.statusResults = {0x12, 0x20};
    r.link.current().command(Bytes{0x1B, 0x40});
    r.link.setOldFirmware(true);
    r.link.current().requestStatus();
    r.link.setOldFirmware(false);
    EXPECT_EQ(r.link.ReadUsbStatus(), 0x20);
    EXPECT_EQ(r.rec.lines({"serial ", "usb ", "sleep ", "events ", "message ", "end program"}),
              (Lines{"usb byte 1B", "usb byte 40", "usb status member 5 -> 18", "usb status member 6 -> 32"}));

    const auto whyOpenFails = [&r](int port) {
        const auto failure = r.link.openSerial(*link::SerialSettings::forPort(port, "19200"));
        return failure ? window::failureMessage(*failure).text() : "opened";
    };
    r.rec.serial.openError = "Permission denied";
    EXPECT_EQ(whyOpenFails(3), "COM3 could not be opened.\r\nDevice: /dev/ttyS2\r\nReason: Permission denied");
    r.rec.serial.hostDeviceList = {"/dev/ttyS0"};
    EXPECT_THAT(whyOpenFails(7), testing::StartsWith("COM7 could not be opened.\r\nCOM7: no device"));
    EXPECT_EQ(r.rec.linkFailures, 0);
}

TEST(LinkFailure, IsReportedOncePerHandlerClosesThePortAndDropsTheRest)
{
    testkit::Rig r;
    PrinterChannel& serial = r.serial();
    r.rec.serial.flushError = "Input/output error";
    {
        const Scope scope(r.link);
        serial.command(Bytes{0x1B, 0x69});
        serial.wait(500);  // the flush before the sleep meets the failure
        serial.command(Bytes{0x1B, 0x6D});
        serial.wait(500);
        EXPECT_TRUE(r.link.failedInHandler());
    }
    EXPECT_EQ(r.rec.lines({"serial ", "sleep ", "link failed"}),
              (Lines{"serial text 1B 69", "serial close", "link failed \"Sending to COM3 (/dev/ttyS2) failed; the port has been "
                     "closed.\\r\\nReason: Input/output error\"", "sleep 500", "sleep 500"}));

    // The next handler reports again, once: the port is closed now. Reopened within that
    // handler (in a run's event pass, say), the port takes bytes again.
    r.rec.timeline.clear();
    r.rec.serial.flushError.reset();
    {
        const Scope scope(r.link);
        serial.command(Bytes{0x1B, 0x69});
        serial.byte(0x00);
        ASSERT_FALSE(r.link.openSerial(*link::SerialSettings::forPort(3, "19200")));
        serial.command(Bytes{0x42});
    }
    EXPECT_EQ(r.rec.lines({"link failed"}), (Lines{"link failed \"COM3 is not open, so nothing was sent.\\r\\n"
                                                  "Choose the port again once the printer is connected.\""}));
    EXPECT_THAT(r.rec.serial.osWrites, ElementsAre(Bytes{0x42}));
}

TEST(LinkFailure, ALostLineAFailedUsbTransferAndTwoFailingRoutesAreReportedOnce)
{
    testkit::Rig r;
    r.serial();
    r.rec.serial.listener->serialLinkLost("The device went away");
    EXPECT_EQ(r.rec.lines({"serial ", "link failed"}),
              (Lines{"serial close", "link failed \"The connection to COM3 (/dev/ttyS2) was lost; the port has been closed.\\r\\n"
                                     "Reason: The device went away\""}));

    PrinterChannel& usb = r.usb();
    r.rec.usb.flushError = "No USB printer is connected";
    {
        const Scope scope(r.link);
        usb.command(Bytes{0x1B, 0x69});
        usb.wait(100);
        usb.command(Bytes{0x1B, 0x69});
    }
    EXPECT_EQ(r.rec.lines({"link failed", "usb byte"}), (Lines{"usb byte 1B", "usb byte 69", "link failed \"Sending to the USB "
                                                              "printer failed.\\r\\nReason: No USB printer is connected\""}));

    // Both routes fail at the end of an empty handler: one report, and both failures stop a run.
    r.serial().command(Bytes{0x41});
    r.usb().command(Bytes{0x42});
    r.rec.serial.flushError = r.rec.usb.flushError = "gone";
    Scope{r.link};
    EXPECT_EQ(r.rec.lines({"link failed"}),
              (Lines{"link failed \"Sending to COM3 (/dev/ttyS2) failed; the port has been closed.\\r\\nReason: gone\"",
                     "link failed (reported)"}));
}

TEST(Traffic, LeavesAtFlushPointsOnlyAndTheTapSeesEveryByteWithRouteAndTime)
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
    {
        const Scope scope(r.link);
        serial.command(Bytes{0x1D, 0x28});  // no tap yet: the clock is not even read
        serial.byte(0x00);
        EXPECT_EQ(r.rec.clockReads, 0);
        r.link.setTap(&seen);
        serial.text("한");
        serial.wait(20);
        serial.requestStatus();
        serial.letEventsIn();
        serial.byte(0xFF);
    }  // the end of the handler
    EXPECT_THAT(r.rec.serial.osWrites,
                ElementsAre(Bytes{0x1D, 0x28, 0x00, 0xC7, 0xD1}, Bytes{0x10, 0x04, 0x02}, Bytes{0xFF}));
    r.rec.receive({0x12, 0x05});
    for (int i = 0; i < 2; ++i) r.link.readByte();
    PrinterChannel& usb = r.usb();
    usb.text("A\n");
    usb.byte(0x0A);
    usb.requestStatus();  // a status read is a flush point too; the tap gets a flush point's sends at once
    EXPECT_THAT(r.rec.usb.transfers, ElementsAre(Bytes{0x41, 0x0A, 0x0A}));
    EXPECT_THAT(seen.lines, ElementsAre("0 serial out C7 D1", "20 serial out 10 04 02", "20 serial out FF",
                                        "20 serial in 12", "20 serial in 05", "20 usb out 41 0A 0A", "20 usb in 12"));
}
