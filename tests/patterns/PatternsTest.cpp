#include "patterns/PatternBytes.h"
#include "support/Bench.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace printbench;
using shell::Control;
using testing::ElementsAre;

namespace {

// `hex` n times, space-separated: a literal repeated, as the printer receives it.
std::string times(const std::string& hex, int n)
{
    std::string out;
    for (int i = 0; i < n; ++i) out += (out.empty() ? "" : " ") + hex;
    return out;
}

std::string join(std::initializer_list<std::string> parts)
{
    std::string out;
    for (const auto& p : parts) out += (out.empty() || p.empty() ? "" : " ") + p;
    return out;
}

std::size_t byteCount(const std::string& hex)
{
    return hex.empty() ? 0 : (hex.size() + 1) / 3;
}

// The bit pattern's runs at 432 dots, as sent: SUB "W" sL sH eL eH.
const std::string kBitLine1At432 =
    "1A 57 00 00 18 00 1A 57 30 00 48 00 1A 57 60 00 78 00 1A 57 90 00 A8 00 1A 57 C0 00 D8 00 "
    "1A 57 F0 00 08 01 1A 57 20 01 38 01 1A 57 50 01 68 01 1A 57 80 01 98 01 1A 57 B0 01 C8 01";
const std::string kBitLine2At432 =
    "1A 57 18 00 30 00 1A 57 48 00 60 00 1A 57 78 00 90 00 1A 57 A8 00 C0 00 1A 57 D8 00 F0 00 "
    "1A 57 08 01 20 01 1A 57 38 01 50 01 1A 57 68 01 80 01 1A 57 98 01 B0 01";

} // namespace

TEST(PatternRuns, CountsAndLastRunsPerWidth)
{
    struct Row {
        int width;
        std::size_t bitLine1;
        std::pair<int, int> bitLast1;
        std::size_t bitLine2;
        std::pair<int, int> bitLast2;
        std::size_t testRuns;
        std::pair<int, int> testLast;
        int tileInner;
    };
    const std::vector<Row> rows{
        {432, 10, {432, 456}, 9, {408, 432}, 145, {432, 433}, 34},
        {448, 10, {432, 456}, 9, {408, 432}, 150, {447, 448}, 35},
        {512, 11, {480, 504}, 11, {504, 528}, 171, {510, 511}, 40},
        {640, 14, {624, 648}, 13, {600, 624}, 214, {639, 640}, 51},
        {894, 19, {864, 888}, 19, {888, 912}, 299, {894, 895}, 0},
    };
    const auto last = [](const std::vector<patterns::DotRun>& runs) {
        return std::pair<int, int>(runs.back().start, runs.back().end);
    };
    for (const auto& r : rows) {
        const auto line1 = patterns::bitPatternRuns(r.width, 1);
        const auto line2 = patterns::bitPatternRuns(r.width, 2);
        const auto test = patterns::testPatternRuns(r.width);
        EXPECT_EQ(line1.size(), r.bitLine1) << r.width;
        EXPECT_EQ(last(line1), r.bitLast1) << r.width;
        EXPECT_EQ(line2.size(), r.bitLine2) << r.width;
        EXPECT_EQ(last(line2), r.bitLast2) << r.width;
        EXPECT_EQ(test.size(), r.testRuns) << r.width;
        EXPECT_EQ(last(test), r.testLast) << r.width;
        EXPECT_EQ(patterns::tileInnerCount(r.width), r.tileInner) << r.width;
        EXPECT_EQ(patterns::tileGridRows(r.width).size(), r.tileInner ? 11u : 0u) << r.width;
    }
}

TEST(BitPattern, OneRepetitionAt432OnBothRoutes)
{
    const std::string repetition = times("1A 31 0A 1A 32 0A", 10);
    for (const bool usb : {false, true}) {
        testkit::Bench b;
        b.choose(Control::Combo4, 2);  // KL-330, 432 dots
        usb ? b.usb() : b.serial();
        b.form.Command10_Click();
        const std::size_t pass = b.rec.find("events 1");
        const std::size_t wait = b.rec.find("sleep 1000");
        EXPECT_EQ(b.rec.stream(0, pass), join({"1A 31 1A 43 1A 32 1A 43 1B 33 18 1A 31", kBitLine1At432, "1A 32",
                                               kBitLine2At432, usb ? "" : "0A", "1A 4F"}))
            << usb;
        EXPECT_EQ(b.rec.stream(pass, wait), repetition);
        EXPECT_EQ(b.rec.stream(wait), usb ? "1A 46 1B 32" : "10 04 02 1A 43 1A 46 1B 32");
        EXPECT_EQ(byteCount(b.rec.stream(pass, wait)) + (usb ? 0 : 3), usb ? 60u : 63u);
        EXPECT_EQ(b.rec.text(Control::Text4), "1");
    }
}

TEST(BitPattern, SerialWritesCommandsAsTextAndEachPositionByteAlone)
{
    testkit::Bench b;
    b.serial();
    b.form.Command10_Click();
    const auto& t = b.rec.timeline;
    const std::size_t first = b.rec.find("serial text 1A 57");
    EXPECT_EQ(std::vector<std::string>(t.begin() + first, t.begin() + first + 6),
              (std::vector<std::string>{"serial text 1A 57", "serial bytes 00", "serial bytes 00", "serial bytes 18",
                                        "serial bytes 00", "serial text 1A 57"}));
}

TEST(BitPattern, StopOrFaultEndsAtTheNextRepetitionWithoutClosing)
{
    for (const bool fault : {false, true}) {
        testkit::Bench b;
        b.type(Control::Text2, "0");
        b.serial();
        b.rec.atEventPass(3, [&] {
            if (!fault) return b.form.Command6_Click();
            b.rec.receive({0x05});
            b.rec.deliverReceive();
        });
        b.form.Command10_Click();
        EXPECT_EQ(b.rec.only({"sleep 1000"}).size(), 2u) << fault;  // repetitions 1 and 2 complete
        EXPECT_EQ(b.rec.text(Control::Text4), "2") << fault;
        EXPECT_EQ(b.rec.stream(b.rec.find("events 3")), fault ? "10 05 02" : "") << fault;
    }
}

TEST(BitPattern, RepeatCountEditedMidRunTakesEffectAtTheNextComparison)
{
    testkit::Bench b;
    b.type(Control::Text2, "5");
    b.usb();
    b.rec.atEventPass(2, [&] { b.form.setText(Control::Text2, "3"); });
    b.form.Command10_Click();
    EXPECT_EQ(b.rec.eventPasses, 3);
    EXPECT_EQ(b.rec.stream(b.rec.find("sleep 1000", b.rec.find("events 3"))), "1A 46 1B 32");
}

TEST(TilePattern, OneRepetitionAt432OnBothRoutes)
{
    const std::string grid = join({"DA", times("C2", 34), "BF 0A", times(join({"C3", times("C5", 34), "B4 0A"}), 9),
                                   "C0", times("C1", 34), "D9 0A"});
    testkit::Bench s;
    s.serial();
    s.form.Command11_Click();
    EXPECT_EQ(s.rec.stream(0, s.rec.find("events 1")), "1D 28 4B 02 00 31 00");
    EXPECT_EQ(s.rec.stream(s.rec.find("events 1")),
              join({"1A 78 01 1C 2E 1B 33 18", grid, "0A 10 04 02 1B 33 20 1A 78 00"}));
    EXPECT_EQ(s.rec.only({"serial bytes"}).size(), 1u + 11u * 36u);  // density byte, each grid character

    testkit::Bench u;
    u.usb();
    u.form.Command11_Click();
    EXPECT_EQ(u.rec.stream(), join({"1A 78 31 1C 2E 1B 33 18", grid, "1B 33 32 1A 78 00"}));
    const auto t = u.rec.only({"usb"});
    EXPECT_EQ(std::vector<std::string>(t.end() - 7, t.end()),
              (std::vector<std::string>{"usb status member 6 -> 18", "usb byte 1B", "usb byte 33", "usb text \"2\"",
                                        "usb byte 1A", "usb text \"x\"", "usb byte 00"}));
}

TEST(TilePattern, At894OnlyTheOpeningLfAndStatus)
{
    testkit::Bench b;
    b.choose(Control::Combo4, 5);
    b.serial();
    b.form.Command11_Click();
    EXPECT_EQ(b.rec.stream(b.rec.find("events 1")), "1A 78 01 1C 2E 1B 33 18 0A 10 04 02 1B 33 20 1A 78 00");
}

TEST(TilePattern, StopStillRaisesRepeatedAndSendsTheOpening)
{
    testkit::Bench b;
    b.type(Control::Text2, "");  // empty: runs until stopped
    b.choose(Control::Combo4, 5);
    b.serial();
    b.rec.atEventPass(3, [&] { b.form.Command6_Click(); });
    b.form.Command11_Click();
    EXPECT_EQ(b.rec.text(Control::Text4), "3");
    EXPECT_EQ(b.rec.stream(b.rec.find("events 3")), "1A 78 01 1C 2E 1B 33 18");
}

TEST(TestPattern, OneRepetitionAt432OnBothRoutes)
{
    for (const bool usb : {false, true}) {
        testkit::Bench b;
        b.choose(Control::Combo4, 2);
        usb ? b.usb() : b.serial();
        b.form.Command9_Click();
        const std::size_t pass = b.rec.find("events 1");
        EXPECT_EQ(b.rec.stream(0, pass),
                  "1D 28 4B 02 00 31 00 1B 33 18 1A 31 1A 43 1A 32 1A 43 1A 31 1A 57 00 00 B0 01 1A 32");
        const std::string repetition = b.rec.stream(pass);
        const std::string closing = "1A 46 1B 32";
        EXPECT_EQ(repetition.substr(0, 17), "1A 57 00 00 01 00");
        EXPECT_EQ(byteCount(repetition), (usb ? 938u : 941u) + 4u);
        const std::string tail = join({"1A 57 B0 01 B1 01 0A 1A 4F", times("1A 31 0A", 10), "1A 46 0A 1A 4F",
                                       times("1A 32 0A", 10), usb ? "" : "10 04 02", closing});
        EXPECT_EQ(repetition.substr(repetition.size() - tail.size()), tail) << usb;
        EXPECT_EQ(b.rec.only({usb ? "usb status" : "serial text 1A 57"}).size(), usb ? 1u : 146u);
    }
}

TEST(TestPattern, AModelChangeAppliesToLine2OfTheNextRepetition)
{
    testkit::Bench b;
    b.choose(Control::Combo4, 2);
    b.type(Control::Text2, "2");
    b.serial();
    b.rec.atEventPass(2, [&] { b.choose(Control::Combo4, 1); });  // KL-320, 640 dots
    b.form.Command9_Click();
    const std::string second = b.rec.stream(b.rec.find("events 2"));
    EXPECT_EQ(second.substr(0, 17), "1A 57 00 00 01 00");
    EXPECT_NE(second.find("1A 57 7F 02 80 02 0A 1A 4F"), std::string::npos);
    EXPECT_EQ(b.rec.only({"serial text 1A 57"}).size(), 1u + 145u + 214u);  // line 1 defined once
}

TEST(TestPattern, StopEndsBeforeSendingAnythingOfTheNextRepetition)
{
    testkit::Bench b;
    b.type(Control::Text2, "0");
    b.usb();
    b.rec.atEventPass(2, [&] { b.form.Command6_Click(); });
    b.form.Command9_Click();
    EXPECT_EQ(b.rec.timeline.back(), "events 2");
    EXPECT_EQ(b.rec.text(Control::Text4), "1");
}

TEST(Patterns, RefuseWithoutAPort)
{
    testkit::Bench b;
    b.form.Command9_Click();
    b.form.Command10_Click();
    b.form.Command11_Click();
    EXPECT_EQ(b.rec.wire(), std::vector<std::string>(3, "message critical \"Please Select Port\""));
}
