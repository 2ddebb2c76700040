// Status handling and density, against the subsystem on a link of the recorder.

#include "status/Density.h"
#include "status/StatusHandling.h"
#include "support/Benches.h"

#include "window/Messages.h"

#include <gtest/gtest.h>

using namespace printbench;
using Lines = std::vector<std::string>;

TEST(StatusReadOut, SerialBytesAndUsbValues)
{
    // Bytes received, the last one's read-out, and the recovery that follows: none, DLE ENQ 2 (a fault),
    // or DLE ENQ 2 and 300 ms (a fault that settles). Only the last of several bytes counts; none reads 00.
    using enum status::FaultClass;
    const std::string stop = " | serial text 10 05 02", settle = stop + " | sleep 300";
    const std::vector<std::tuple<std::vector<std::uint8_t>, std::string, std::string>> rows{
        {{0}, "00", ""},       {{1}, "01", stop},      {{7}, "07", stop},      {{8}, "08", ""},         {{9}, "09", stop},
        {{10}, "0A", ""},      {{11}, "0B", settle},   {{15}, "0F", settle},   {{16}, "10", ""},        {{18}, "12", ""},
        {{31}, "1F", ""},      {{32}, "20", settle},   {{48}, "30", settle},   {{255}, "FF", settle},   {{}, "00", ""},
        {{22, 0, 6}, "06", stop},                      {{6, 0, 22}, "16", ""},
    };
    for (const auto& [bytes, shown, recovery] : rows) {
        SCOPED_TRACE("received: " + testkit::hex(bytes));
        testkit::Rig r;
        r.serial();
        r.rec.serial.rx.assign(bytes.begin(), bytes.end());
        const auto fault = status::ReceiveStatus(r.link, r.rec);
        EXPECT_EQ(r.rec.only({"status", "waiting", "serial", "sleep"}),
                  "status \"\" | waiting \"\" | waiting \"" + std::to_string(bytes.size()) + "\" | status \"Hex : " +
                      (shown < "10" ? "0" : "") + "\"" + recovery + " | status \"Hex : " + shown + "\"");
        EXPECT_EQ(fault, recovery.empty() ? Normal : recovery == stop ? Fault : FaultWithSettle);
    }

    // A USB value: zero-prefixed below 16, upper-case hex; -1 is an error for a box, the status kept.
    for (const auto& [value, text] : std::vector<std::pair<std::int32_t, std::string>>{
             {0, "00"}, {5, "05"}, {15, "0F"}, {16, "10"}, {18, "12"}, {171, "AB"}, {255, "FF"}, {256, "100"}, {-2, "0FFFFFFFE"},
             {-16, "0FFFFFFF0"}, {INT32_MIN, "080000000"},
             {-1, "[Returned Data]:-1,USB포트를 열수 없습니다.\r\n프린터 및 케이블을 확인하시고 다시 시도해 주십시오"}}) {
        SCOPED_TRACE(value);
        testkit::Rig r;
        const std::optional<link::Failure> box = status::ShowUsbStatus(value, r.rec);
        EXPECT_EQ(r.rec.only({"status"}) + (box ? window::failureMessage(*box).text() : ""),
                  value == -1 ? text : "status \"\" | status \"Hex : " + text + "\"");
    }
}

TEST(StatusButtonsAndDensity, EachOnEachRoute)
{
    const std::vector<std::tuple<const char*, bool, void (*)(link::PrinterChannel&), Lines>> rows{
        {"ask on serial", false, status::AskStatus, {"serial text 1D 61 01", "serial text 10 04 02"}},
        {"ask on USB", true, status::AskStatus, {"usb status member 6 -> 18"}},
        {"clear on serial", false, status::ClearStatus, {"serial text 10 05 02", "sleep 300", "serial text 1B 40", "serial text 1D 61 01"}},
        {"clear on USB", true, status::ClearStatus, {"usb byte 10", "usb byte 05", "usb byte 02", "sleep 300", "usb byte 1B", "usb byte 40",
                                                     "usb byte 1D", "usb byte 61", "usb byte 01"}},
    };
    for (const auto& [name, usb, action, wire] : rows) {
        SCOPED_TRACE(name);
        testkit::Rig r;
        action(r.route(usb));
        EXPECT_EQ(r.rec.lines({"serial ", "usb ", "sleep ", "events ", "message ", "end program"}), wire);
    }
    // The density list's index and the byte m: GS ( K 2 0 1 m, on serial as text and m alone.
    for (int index = 0; index <= 10; ++index) {
        SCOPED_TRACE(index);
        const std::string m = std::string("FB FC FD FE FF 00 01 02 03 04 05").substr(std::size_t(index) * 3, 2);
        testkit::Rig s, u, none;
        status::Density(s.serial(), index);
        status::Density(u.usb(), index);
        status::Density(none.link.channel(link::Route::None), index);
        EXPECT_EQ(s.rec.wire() + " / " + u.rec.wire() + " / " + none.rec.wire(),
                  "serial text 1D 28 4B 02 00 31 | serial bytes " + m + " / usb byte 1D | usb byte 28 | usb byte 4B | "
                  "usb byte 02 | usb byte 00 | usb byte 31 | usb byte " + m + " / ");
    }
}
