#include "support/Bench.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace printbench;
using shell::Control;
using testing::ElementsAre;
using testing::ElementsAreArray;
using testing::IsEmpty;

namespace {

std::vector<std::string> repeated(const std::vector<std::string>& lines, int times)
{
    std::vector<std::string> out;
    for (int i = 0; i < times; ++i) out.insert(out.end(), lines.begin(), lines.end());
    return out;
}

// 36 letters H (48) and LF: one line at 432 dots.
const std::string kLine432 =
    "serial text 48 48 48 48 48 48 48 48 48 48 48 48 48 48 48 48 48 48 48 48 48 48 48 48 48 48 48 48 48 48 48 48 48 48 "
    "48 48 0A";

} // namespace

TEST(TextOutput, SerialEndsWithLfUsbWithCrLf)
{
    printbench::testkit::Bench s;
    s.type(Control::Text1, "ABC");
    s.serial();
    s.form.SendTextOutput();
    EXPECT_THAT(s.rec.wire(), ElementsAre("serial text 41 42 43 0A", "serial text 1B 4A 7F", "serial text 10 04 02",
                                          "sleep 500", "serial text 10 04 02"));

    printbench::testkit::Bench u;
    u.type(Control::Text1, "ABC");
    u.usb();
    u.form.SendTextOutput();
    EXPECT_THAT(u.rec.wire(), ElementsAre("usb text \"ABC\\r\\n\"", "usb byte 1B", "usb byte 4A", "usb byte 7F",
                                          "usb status member 6 -> 18", "sleep 500", "usb status member 6 -> 18"));
}

TEST(TextOutput, EmptyAndMultiLineText)
{
    printbench::testkit::Bench s;
    s.form.Text1_DblClick();
    s.serial();
    s.form.SendTextOutput();
    EXPECT_EQ(s.rec.wire().front(), "serial text 0A");

    printbench::testkit::Bench u;
    u.form.Text1_DblClick();
    u.usb();
    u.form.SendTextOutput();
    EXPECT_EQ(u.rec.wire().front(), "usb text \"\\r\\n\"");

    // A line break typed in the field goes out as CR LF, before the final LF.
    printbench::testkit::Bench m;
    m.type(Control::Text1, "A\r\nB");
    m.serial();
    m.form.SendTextOutput();
    EXPECT_EQ(m.rec.wire().front(), "serial text 41 0D 0A 42 0A");
}

TEST(PrintH, TwentyOneLinesAcrossTheWidthThenTheDelayAndOneStatusRequest)
{
    printbench::testkit::Bench b;
    b.serial();
    b.form.SendPrintH();
    std::vector<std::string> expected = repeated({kLine432}, 21);
    expected.push_back("sleep 500");
    expected.push_back("serial text 10 04 02");
    EXPECT_THAT(b.rec.wire(), ElementsAreArray(expected));
}

TEST(PrintH, LineLengthPerModelAndNoneAt894)
{
    // Model index, letters per line (0: no lines).
    const std::vector<std::pair<int, std::size_t>> table{{2, 36}, {0, 37}, {7, 42}, {1, 53}, {5, 0}};
    for (const auto& [model, letters] : table) {
        printbench::testkit::Bench b;
        b.choose(Control::Combo4, model);
        b.usb();
        b.form.SendPrintH();
        const auto texts = b.rec.only({"usb text"});
        const auto lfs = b.rec.only({"usb byte 0A"});
        EXPECT_EQ(texts.size(), letters ? 21u : 0u) << model;
        EXPECT_EQ(lfs.size(), texts.size()) << model;
        if (letters) {
            EXPECT_EQ(texts[0], "usb text \"" + std::string(letters, 'H') + "\"") << model;
        }
        EXPECT_THAT(b.rec.only({"sleep", "usb status"}), ElementsAre("sleep 500", "usb status member 6 -> 18"));
    }
}

TEST(HDiagram, UsbShowsEachPollAndEndsAtTheRepeatCount)
{
    printbench::testkit::Bench b;
    b.type(Control::Text2, "3");
    b.choose(Control::Combo4, 5);  // 894: no H lines, only the polls
    b.usb();
    b.form.Command8_Click();
    EXPECT_THAT(b.rec.only({"events", "Text4", "sleep", "usb"}),
                ElementsAre("events 1", "Text4 = \"1\"", "sleep 1000", "usb status member 6 -> 18",  //
                            "events 2", "Text4 = \"2\"", "sleep 1000", "usb status member 6 -> 18",  //
                            "events 3", "Text4 = \"3\"", "sleep 1000", "usb status member 6 -> 18"));
    EXPECT_EQ(b.rec.text(Control::Text2), "3");
}

TEST(HDiagram, SerialPrintsOnceAndKeepsRepeatedAtZero)
{
    printbench::testkit::Bench b;
    b.type(Control::Text2, "2");
    b.serial();
    b.form.Command8_Click();
    std::vector<std::string> expected = repeated({kLine432}, 21);
    for (const char* line : {"Text4 = \"0\"", "events 1", "sleep 1000", "serial text 10 04 02", "events 2", "sleep 1000",
                             "serial text 10 04 02"})
        expected.push_back(line);
    EXPECT_THAT(b.rec.only({"serial", "events", "sleep", "Text4"}), ElementsAreArray(expected));
}

TEST(HDiagram, ZeroRunsUntilStopped)
{
    printbench::testkit::Bench b;
    b.type(Control::Text2, "0");
    b.serial();
    b.rec.atEventPass(50, [&] { b.form.Command6_Click(); });
    b.form.Command8_Click();
    EXPECT_EQ(b.rec.eventPasses, 50);
    EXPECT_EQ(b.rec.only({"sleep 1000"}).size(), 49u);
    EXPECT_EQ(b.rec.only({"serial text 10 04 02"}).size(), 49u);
}

TEST(HDiagram, RefusesWithoutAPort)
{
    printbench::testkit::Bench b;
    b.form.Command8_Click();
    EXPECT_THAT(b.rec.wire(), ElementsAre("message critical \"Please Select Port\""));
}
