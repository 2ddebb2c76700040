// Status handling and density, against the subsystem on a link of the recorder.

#include "status/Density.h"
#include "status/StatusHandling.h"
#include "support/Benches.h"

#include <gtest/gtest.h>

using namespace printbench;
using status::FaultClass;

TEST(SerialStatus, FaultClassesAtTheirBoundaries)
{
    // Received byte, its read-out, and what follows: "" nothing, "stop" DLE ENQ 2, "settle"
    // DLE ENQ 2 and 300 ms.
    const std::vector<std::tuple<std::uint8_t, std::string, std::string>> rows{
        {0, "Hex : 00", ""},         {1, "Hex : 01", "stop"},     {7, "Hex : 07", "stop"},     {8, "Hex : 08", ""},
        {9, "Hex : 09", "stop"},     {10, "Hex : 0A", ""},        {11, "Hex : 0B", "settle"},  {15, "Hex : 0F", "settle"},
        {16, "Hex : 10", ""},        {18, "Hex : 12", ""},        {31, "Hex : 1F", ""},        {32, "Hex : 20", "settle"},
        {48, "Hex : 30", "settle"},  {255, "Hex : FF", "settle"},
    };
    for (const auto& [v, shown, action] : rows) {
        testkit::Rig r;
        r.serial();
        r.rec.receive({v});
        const FaultClass fault = status::ReceiveStatus(r.link, r.rec);
        std::string expected = "status \"\" | waiting \"\" | waiting \"1\" | status \"" + shown.substr(0, v < 16 ? 7 : 6) + "\"";
        if (!action.empty()) expected += " | serial text 10 05 02";
        if (action == "settle") expected += " | sleep 300";
        expected += " | status \"" + shown + "\"";
        EXPECT_EQ(r.rec.only({"status", "waiting", "serial", "sleep"}), expected) << int(v);
        EXPECT_EQ(fault, action.empty() ? FaultClass::Normal : action == "stop" ? FaultClass::Fault : FaultClass::FaultWithSettle)
            << int(v);
    }
}

TEST(SerialStatus, OnlyTheLastOfSeveralBytesCountsAndNoneShowsZero)
{
    testkit::Rig r;
    r.serial();
    r.rec.receive({22, 0, 6});
    EXPECT_EQ(status::ReceiveStatus(r.link, r.rec), FaultClass::Fault);
    EXPECT_EQ(r.rec.only({"status", "waiting"}), "status \"\" | waiting \"\" | waiting \"3\" | status \"Hex : 0\" | status \"Hex : 06\"");

    testkit::Rig e;
    e.serial();
    EXPECT_EQ(status::ReceiveStatus(e.link, e.rec), FaultClass::Normal);
    EXPECT_EQ(e.rec.only({"status", "waiting", "serial"}), "status \"\" | waiting \"\" | waiting \"0\" | status \"Hex : 0\" | status \"Hex : 00\"");
}

TEST(StatusDisplayText, ZeroPrefixBelowSixteenAndUpperCaseHex)
{
    const std::vector<std::pair<std::int32_t, std::string>> table{
        {0, "Hex : 00"},  {5, "Hex : 05"},   {15, "Hex : 0F"},         {16, "Hex : 10"},
        {18, "Hex : 12"}, {171, "Hex : AB"}, {255, "Hex : FF"},        {256, "Hex : 100"},
        {-2, "Hex : 0FFFFFFFE"},             {-16, "Hex : 0FFFFFFF0"}, {INT32_MIN, "Hex : 080000000"},
    };
    for (const auto& [value, text] : table) {
        testkit::Rig r;
        EXPECT_FALSE(status::ShowUsbStatus(value, r.rec)) << value;
        EXPECT_EQ(r.rec.only({"status"}), "status \"\" | status \"" + text + "\"") << value;
    }
    testkit::Rig r;
    EXPECT_EQ(status::ShowUsbStatus(-1, r.rec), "[Returned Data]:-1,USB포트를 열수 없습니다.\r\n"
                                                "프린터 및 케이블을 확인하시고 다시 시도해 주십시오");
    EXPECT_EQ(r.rec.only({"status"}), "");  // the shown status stays as it was
}

TEST(StatusButtons, AskAndClearOnEachRoute)
{
    const std::vector<std::tuple<bool, void (*)(link::PrinterChannel&), std::string>> rows{
        {false, status::AskStatus, "serial text 1D 61 01 | serial text 10 04 02"},
        {true, status::AskStatus, "usb status member 6 -> 18"},
        {false, status::ClearStatus, "serial text 10 05 02 | sleep 300 | serial text 1B 40 | serial text 1D 61 01"},
        {true, status::ClearStatus, "usb byte 10 | usb byte 05 | usb byte 02 | sleep 300 | usb byte 1B | usb byte 40 | "
                                    "usb byte 1D | usb byte 61 | usb byte 01"},
    };
    for (const auto& [usb, action, wire] : rows) {
        testkit::Rig r;
        action(r.route(usb));
        EXPECT_EQ(r.rec.wire(), wire);
    }
}

TEST(Density, TheStepByteOfEachEntryOnBothRoutes)
{
    // Index of the density list, its entry, and the density byte m.
    const std::vector<std::tuple<int, const char*, const char*>> table{
        {0, "-5", "FB"}, {1, "-4", "FC"}, {2, "-3", "FD"}, {3, "-2", "FE"}, {4, "-1", "FF"}, {5, "0", "00"},
        {6, "+1", "01"}, {7, "+2", "02"}, {8, "+3", "03"}, {9, "+4", "04"}, {10, "+5", "05"},
    };
    for (const auto& [index, entry, m] : table) {
        testkit::Rig s, u;
        status::Density(s.serial(), index);
        EXPECT_EQ(s.rec.wire(), std::string("serial text 1D 28 4B 02 00 31 | serial bytes ") + m) << entry;
        status::Density(u.usb(), index);
        EXPECT_EQ(u.rec.wire(), std::string("usb byte 1D | usb byte 28 | usb byte 4B | usb byte 02 | usb byte 00 | "
                                            "usb byte 31 | usb byte ") + m)
            << entry;
    }
    testkit::Rig none;
    status::Density(none.link.channel(link::Route::None), 0);
    EXPECT_EQ(none.rec.wire(), "");
}
