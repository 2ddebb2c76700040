#include "support/Bench.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace printbench;
using shell::Control;
using testing::ElementsAre;
using testing::ElementsAreArray;

TEST(SerialStatus, FaultClassesAtTheirBoundaries)
{
    // Received byte, text shown, what follows: "" nothing, "stop" DLE ENQ 2, "settle" DLE ENQ 2
    // and 300 ms.
    struct Row {
        std::uint8_t v;
        const char* shown;
        const char* action;
    };
    const std::vector<Row> rows{
        {0, "Hex : 00", ""},     {1, "Hex : 01", "stop"},     {7, "Hex : 07", "stop"},     {8, "Hex : 08", ""},
        {9, "Hex : 09", "stop"}, {10, "Hex : 0A", ""},        {11, "Hex : 0B", "settle"}, {15, "Hex : 0F", "settle"},
        {16, "Hex : 10", ""},    {18, "Hex : 12", ""},        {31, "Hex : 1F", ""},        {32, "Hex : 20", "settle"},
        {48, "Hex : 30", "settle"}, {255, "Hex : FF", "settle"},
    };
    for (const auto& row : rows) {
        testkit::Bench b;
        b.serial();
        b.rec.receive({row.v});
        b.rec.deliverReceive();
        std::vector<std::string> expected{"Text6 = \"\"", "Text7 = \"\"", "Text7 = \"1\"",
                                          std::string("Text6 = \"Hex : ") + (row.v < 16 ? "0" : "") + "\""};
        if (std::string(row.action) != "") expected.push_back("serial text 10 05 02");
        if (std::string(row.action) == "settle") expected.push_back("sleep 300");
        expected.push_back(std::string("Text6 = \"") + row.shown + "\"");
        EXPECT_THAT(b.rec.timeline, ElementsAreArray(expected)) << int(row.v);
        EXPECT_EQ(b.form.state().StopRequested, std::string(row.action) != "" ? 1 : 0) << int(row.v);
    }
}

TEST(SerialStatus, OnlyTheLastOfSeveralBytesCountsAndNoneShowsZero)
{
    testkit::Bench b;
    b.serial();
    b.rec.receive({22, 0, 6});
    b.rec.deliverReceive();
    EXPECT_EQ(b.rec.text(Control::Text6), "Hex : 06");
    EXPECT_EQ(b.rec.text(Control::Text7), "3");
    EXPECT_EQ(b.form.state().StopRequested, 1);

    testkit::Bench e;
    e.serial();
    e.rec.deliverReceive();  // a notification with nothing waiting
    EXPECT_EQ(e.rec.text(Control::Text6), "Hex : 00");
    EXPECT_EQ(e.rec.text(Control::Text7), "0");
    EXPECT_TRUE(e.rec.only({"serial"}).empty());
}

TEST(StatusButton, AsksForTheStatusOnEachRoute)
{
    testkit::Bench s;
    s.serial();
    s.form.Command5_Click();
    EXPECT_THAT(s.rec.wire(), ElementsAre("serial text 1D 61 01", "serial text 10 04 02"));

    testkit::Bench u;
    u.usb();
    u.rec.tick(Control::Check2, true);
    u.form.Command5_Click();
    EXPECT_THAT(u.rec.wire(), ElementsAre("usb status member 5 -> 18"));
    EXPECT_EQ(u.rec.text(Control::Text6), "Hex : 12");
}

TEST(StatusClear, RecoversThePrinterAndResetsTheFields)
{
    const std::vector<std::string> resets{"Combo3 index 5", "Text2 = \"1\"", "Text4 = \"0\"", "Text5 = \"500\"",
                                          "Text6 = \"0\""};
    testkit::Bench s;
    s.form.setListIndex(Control::Combo3, 0);
    s.type(Control::Text2, "9");
    s.type(Control::Text5, "20");
    s.serial();
    s.form.Command4_Click();
    std::vector<std::string> expected{"serial text 10 05 02", "sleep 300", "serial text 1B 40", "serial text 1D 61 01"};
    expected.insert(expected.end(), resets.begin(), resets.end());
    EXPECT_THAT(s.rec.only({"serial", "sleep", "Combo3", "Text", "message"}), ElementsAreArray(expected));

    testkit::Bench u;
    u.usb();
    u.form.Command4_Click();
    expected = {"usb byte 10", "usb byte 05", "usb byte 02", "sleep 300",   "usb byte 1B",
                "usb byte 40", "usb byte 1D", "usb byte 61", "usb byte 01"};
    expected.insert(expected.end(), resets.begin(), resets.end());
    EXPECT_THAT(u.rec.only({"usb", "sleep", "Combo3", "Text", "message"}), ElementsAreArray(expected));
}
