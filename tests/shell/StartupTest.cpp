#include "support/Bench.h"

#include <gtest/gtest.h>
#include <gmock/gmock.h>

using namespace printbench;
using shell::Control;
using testing::ElementsAre;
using testing::IsEmpty;

namespace {

std::vector<std::string> items(const printbench::testkit::Recorder& rec, Control c)
{
    std::vector<std::string> out;
    for (int i = 0; i < rec.listCount(c); ++i) out.push_back(rec.listItem(c, i));
    return out;
}

} // namespace

TEST(Startup, FillsListsAndPresetsFieldsWithoutTouchingThePrinter)
{
    printbench::testkit::Recorder rec;
    printbench::testkit::TempDir ports;
    shell::Form1 form(rec, rec, rec.serial, rec.usb, ports.path());
    form.Form_Load();

    EXPECT_THAT(items(rec, Control::Combo1),
                ElementsAre("1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"));
    EXPECT_THAT(items(rec, Control::Combo2),
                ElementsAre("Port Select", "COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7", "COM8", "COM9",
                            "COM10", "COM11", "USB"));
    EXPECT_THAT(items(rec, Control::Combo3), ElementsAre("-5", "-4", "-3", "-2", "-1", "0", "+1", "+2", "+3", "+4", "+5"));
    EXPECT_THAT(items(rec, Control::Combo4),
                ElementsAre("KL-310", "KL-320", "KL-330", "KL-340", "KL-350", "KL-360", "KR-410", "KR-420", "KR-430"));
    EXPECT_THAT(items(rec, Control::List1),
                ElementsAre("Print H", "Text Output", "Feed", "Full Cut", "Partial Cut", "BlackMark(Forward)",
                            "BlackMark Out(Forward)", "BlackMark(Reverse)", "BlackMark Out(Reverse)"));
    EXPECT_THAT(items(rec, Control::List2), IsEmpty());

    EXPECT_EQ(rec.listText(Control::Combo1), "19200");
    EXPECT_EQ(rec.listText(Control::Combo2), "Port Select");
    EXPECT_EQ(rec.listText(Control::Combo3), "0");
    EXPECT_EQ(rec.listText(Control::Combo4), "KL-310");
    EXPECT_EQ(rec.listIndex(Control::List1), -1);

    EXPECT_EQ(rec.text(Control::Text1), "Please enter the text you want to output.");
    EXPECT_EQ(rec.text(Control::Text2), "1");
    EXPECT_EQ(rec.text(Control::Text4), "0");
    EXPECT_EQ(rec.text(Control::Text5), "500");
    EXPECT_EQ(rec.text(Control::Text6), "0");
    EXPECT_EQ(rec.text(Control::Text9), "0");
    EXPECT_EQ(rec.text(Control::Text10), "100");
    EXPECT_FALSE(rec.checked(Control::Check2));
    EXPECT_TRUE(rec.isEnabled(Control::Combo1));

    // "KL-310" is shown, yet the width is 432 until a model is chosen.
    EXPECT_EQ(form.state().PrintWidthDots, 432);
    EXPECT_EQ(form.state().StopRequested, 0);

    EXPECT_THAT(rec.wire(), IsEmpty());
    EXPECT_THAT(rec.serial.osWrites, IsEmpty());
}

TEST(Startup, SelectsInTheDescribedOrderAndRunsTheClickHandlers)
{
    printbench::testkit::Recorder rec;
    printbench::testkit::TempDir ports;
    shell::Form1 form(rec, rec, rec.serial, rec.usb, ports.path());
    form.Form_Load();

    std::vector<std::string> order;
    for (const auto& line : rec.timeline) {
        if (line.find(" index ") != std::string::npos || line.find(" = ") != std::string::npos) order.push_back(line);
    }
    EXPECT_THAT(order, ElementsAre("Combo1 index 4", "Combo2 index 0", "Combo3 index 5", "Combo4 index 0",
                                   "Text9 = \"0\"", "Text1 = \"Please enter the text you want to output.\"",
                                   "Text2 = \"1\"", "Text4 = \"0\"", "Text5 = \"500\"", "Text6 = \"0\"",
                                   "Text10 = \"100\""));
    // Text7 keeps its design text: start-up never sets it.
    EXPECT_THAT(rec.only({"Text7"}), IsEmpty());
}

TEST(ModelList, SetsThePrintWidthOfEachModel)
{
    const std::vector<std::pair<int, int>> table{
        {0, 448}, {1, 640}, {2, 432}, {3, 640}, {4, 640}, {5, 894}, {6, 432}, {7, 512}, {8, 512}, {1, 640}, {0, 448},
    };
    printbench::testkit::Bench b;
    for (const auto& [index, width] : table) {
        b.choose(Control::Combo4, index);
        EXPECT_EQ(b.form.state().PrintWidthDots, width) << "model index " << index;
    }
    // Choosing a model sends nothing and does not reconnect USB.
    EXPECT_THAT(b.rec.wire(), IsEmpty());
}

TEST(EndButton, WithoutAnOpenPortEndsWithoutSending)
{
    printbench::testkit::Bench b;
    b.form.Command1_Click();
    EXPECT_THAT(b.rec.wire(), ElementsAre("end program"));
}

TEST(EndButton, ClosesAnOpenPortFirst)
{
    printbench::testkit::Bench b;
    b.choose(Control::Combo2, 2);
    b.rec.timeline.clear();
    b.form.Command1_Click();
    EXPECT_THAT(b.rec.wire(), ElementsAre("serial close", "end program"));
    EXPECT_FALSE(b.rec.serial.isOpen());
}

TEST(Text1, DoubleClickEmptiesIt)
{
    printbench::testkit::Bench b;
    b.form.Text1_DblClick();
    EXPECT_EQ(b.rec.text(Control::Text1), "");
    b.form.Text1_DblClick();
    EXPECT_EQ(b.rec.text(Control::Text1), "");
    EXPECT_THAT(b.rec.wire(), IsEmpty());
}

TEST(SendingButtons, RefuseAfterGoingBackToPortSelectWithCom2StillOpen)
{
    printbench::testkit::Bench b;
    b.choose(Control::Combo2, 2);
    b.choose(Control::Combo2, 0);
    b.rec.timeline.clear();
    b.form.Command2_Click();
    EXPECT_THAT(b.rec.wire(), ElementsAre("message critical \"Please Select Port\""));
    EXPECT_TRUE(b.rec.serial.isOpen());
}
