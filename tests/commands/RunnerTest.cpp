#include "support/Bench.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace printbench;
using shell::Control;
using testing::ElementsAre;
using testing::IsEmpty;

namespace {

std::vector<std::string> items(const testkit::Recorder& rec)
{
    std::vector<std::string> out;
    for (int i = 0; i < rec.listCount(Control::List2); ++i) out.push_back(rec.listItem(Control::List2, i));
    return out;
}

} // namespace

TEST(SelectedList, DoubleClicksAddAtTheEndAndRemoveTheTail)
{
    testkit::Bench b;
    for (const char* entry : {"Full Cut", "Feed", "Print H", "Feed", "Text Output"}) b.add(entry);
    EXPECT_THAT(items(b.rec), ElementsAre("Full Cut", "Feed", "Print H", "Feed", "Text Output"));
    EXPECT_EQ(b.rec.text(Control::Text9), "5");

    b.rec.setListIndex(Control::List2, 1);
    b.form.List2_DblClick();
    EXPECT_THAT(items(b.rec), ElementsAre("Full Cut"));
    EXPECT_EQ(b.rec.text(Control::Text9), "5");  // rewritten after additions only

    b.rec.setListIndex(Control::List2, -1);
    b.form.List2_DblClick();  // nothing selected: nothing removed
    EXPECT_EQ(items(b.rec).size(), 1u);

    b.rec.setListIndex(Control::List2, 0);
    b.form.List2_DblClick();
    EXPECT_THAT(items(b.rec), IsEmpty());
}

TEST(SelectedList, RemovesMoreThan255EntriesAtOnce)
{
    testkit::Bench b;
    for (int i = 0; i < 300; ++i) b.add("Feed");
    b.rec.setListIndex(Control::List2, 0);
    b.form.List2_DblClick();
    EXPECT_THAT(items(b.rec), IsEmpty());
}

TEST(Runner, TwoPassesOfFullCutAndFeed)
{
    testkit::Bench b;
    b.add("Full Cut");
    b.add("Feed");
    b.type(Control::Text2, "2");
    b.serial();
    b.form.Command2_Click();
    const std::vector<std::string> pass{"serial text 1B 69",    "serial text 10 04 02", "sleep 500",
                                        "serial text 10 04 02", "serial text 1B 4A",    "serial bytes 64",
                                        "sleep 500"};
    std::vector<std::string> expected{"serial text 1D 28 4B 02 00 31", "serial bytes 00", "events 1"};
    expected.insert(expected.end(), pass.begin(), pass.end());
    expected.push_back("events 2");
    expected.insert(expected.end(), pass.begin(), pass.end());
    EXPECT_EQ(b.rec.wire(), expected);
    EXPECT_THAT(b.rec.only({"Text4", "Text2", "List2 index"}),
                ElementsAre("Text4 = \"1\"", "List2 index 0", "List2 index 1", "Text4 = \"2\"", "List2 index 0",
                            "List2 index 1", "Text2 = \"1\""));
}

TEST(Runner, EmptyListMakesOnePassAfterTheDensity)
{
    testkit::Bench b;
    b.type(Control::Text2, "7");
    b.usb();
    b.form.Command2_Click();
    EXPECT_EQ(b.rec.only({"usb byte"}).size(), 7u);
    EXPECT_EQ(b.rec.eventPasses, 1);
    EXPECT_EQ(b.rec.text(Control::Text4), "1");
    EXPECT_EQ(b.rec.text(Control::Text2), "1");
}

TEST(Runner, SameCommandThreeTimesRunsThreeTimesPerPass)
{
    testkit::Bench b;
    for (int i = 0; i < 3; ++i) b.add("Partial Cut");
    b.type(Control::Text5, "0");
    b.serial();
    b.form.Command2_Click();
    EXPECT_EQ(b.rec.only({"serial text 1B 6D"}).size(), 3u);
    EXPECT_EQ(b.rec.eventPasses, 1);
}

TEST(Runner, ZeroRunsUntilStopAndStopKeepsTheFields)
{
    testkit::Bench b;
    b.add("Full Cut");
    b.type(Control::Text2, "0");
    b.serial();
    b.rec.atEventPass(4, [&] { b.form.Command6_Click(); });
    b.form.Command2_Click();
    EXPECT_EQ(b.rec.only({"serial text 1B 69"}).size(), 3u);  // no command of the 4th pass
    EXPECT_EQ(b.rec.text(Control::Text4), "4");
    EXPECT_EQ(b.rec.text(Control::Text2), "0");
    EXPECT_EQ(b.rec.wire().back(), "events 4");
}

TEST(Runner, AnEntryThatMatchesNoNameIsSkippedAndNotCounted)
{
    testkit::Bench b;
    b.add("Full Cut");
    b.rec.addListItem(Control::List2, "full cut");  // case matters
    b.type(Control::Text2, "1");
    b.type(Control::Text5, "0");
    b.serial();
    // R × n = 2 is met only at pass 2, when two commands have run.
    b.form.Command2_Click();
    EXPECT_EQ(b.rec.eventPasses, 2);
    EXPECT_EQ(b.rec.only({"serial text 1B 69"}).size(), 2u);

    // With R = 3: 3 × 2 = 6 executed commands at pass 6.
    b.type(Control::Text2, "3");
    b.rec.eventPasses = 0;
    b.form.Command2_Click();
    EXPECT_EQ(b.rec.eventPasses, 6);
}

TEST(Runner, LoweringTheCountBelowThePassesMadeRunsUntilStopped)
{
    testkit::Bench b;
    b.add("Feed");
    b.type(Control::Text2, "5");
    b.serial();
    b.rec.atEventPass(4, [&] { b.form.setText(Control::Text2, "2"); });
    b.rec.atEventPass(9, [&] { b.form.Command6_Click(); });
    b.form.Command2_Click();
    EXPECT_EQ(b.rec.eventPasses, 9);
    EXPECT_EQ(b.rec.text(Control::Text2), "2");
}

TEST(Runner, AFaultByteDuringAPassEndsTheRunBeforeTheNextPass)
{
    testkit::Bench b;
    b.add("Full Cut");
    b.add("Feed");
    b.type(Control::Text2, "5");
    b.serial();
    // The printer's answer arrives during pass 1 and is handled at the next event pass.
    b.rec.atEventPass(2, [&] {
        b.rec.receive({0x05});
        b.rec.deliverReceive();
    });
    b.form.Command2_Click();
    EXPECT_EQ(b.rec.only({"serial text 1B 69"}).size(), 1u);
    const auto tail = b.rec.wire();
    EXPECT_THAT(std::vector<std::string>(tail.end() - 2, tail.end()), ElementsAre("events 2", "serial text 10 05 02"));
    EXPECT_EQ(b.rec.text(Control::Text6), "Hex : 05");
    EXPECT_EQ(b.form.state().StopRequested, 1);
}

TEST(Runner, ALinkFailureIsReportedOnceAndEndsTheRun)
{
    testkit::Bench b;
    b.add("Full Cut");
    b.type(Control::Text2, "0");
    b.serial();
    b.rec.serial.flushError = "Input/output error";
    b.form.Command2_Click();
    EXPECT_EQ(b.rec.only({"message"}).size(), 1u);
    EXPECT_EQ(b.rec.eventPasses, 1);
    EXPECT_FALSE(b.rec.serial.isOpen());
}

TEST(Runner, CountsBeyondSixteenBitsEndExactly)
{
    testkit::Bench b;
    b.add("Partial Cut");
    b.type(Control::Text2, "40000");
    b.type(Control::Text5, "0");
    b.serial();
    b.form.Command2_Click();
    EXPECT_EQ(b.rec.eventPasses, 40000);
    EXPECT_EQ(b.rec.text(Control::Text4), "40000");
    EXPECT_EQ(b.rec.text(Control::Text2), "1");
}
