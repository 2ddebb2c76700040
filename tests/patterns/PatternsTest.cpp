// The three test prints, against the subsystem on a link of the recorder (width 432 unless a
// test says otherwise).

#include "patterns/PatternRuns.h"
#include "patterns/TestPrints.h"
#include "support/Benches.h"

#include <gtest/gtest.h>

using namespace printbench;

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
    // Width; bit pattern line 1 (runs, last run), line 2; test pattern line 2; tile inner characters.
    const std::vector<std::tuple<int, std::string, std::string, std::string, int>> rows{
        {432, "10 432-456", "9 408-432", "145 432-433", 34},   {448, "10 432-456", "9 408-432", "150 447-448", 35},
        {512, "11 480-504", "11 504-528", "171 510-511", 40},  {640, "14 624-648", "13 600-624", "214 639-640", 51},
        {894, "19 864-888", "19 888-912", "299 894-895", 0},
    };
    const auto described = [](const std::vector<patterns::DotRun>& runs) {
        return std::to_string(runs.size()) + " " + std::to_string(runs.back().start) + "-" + std::to_string(runs.back().end);
    };
    for (const auto& [width, line1, line2, test, tile] : rows) {
        EXPECT_EQ(described(patterns::bitPatternRuns(width, 1)), line1) << width;
        EXPECT_EQ(described(patterns::bitPatternRuns(width, 2)), line2) << width;
        EXPECT_EQ(described(patterns::testPatternRuns(width)), test) << width;
        EXPECT_EQ(patterns::tileInnerCount(width), tile) << width;
        EXPECT_EQ(patterns::tileGridRows(width).size(), tile ? 11u : 0u) << width;
    }
}

TEST(BitPattern, OneRepetitionAt432OnBothRoutes)
{
    for (const bool usb : {false, true}) {
        testkit::Rig r;
        patterns::PrintBitPattern(r.route(usb), r.state, r.rec);
        const std::size_t pass = r.rec.find("events 1");
        const std::size_t wait = r.rec.find("sleep 1000");
        EXPECT_EQ(r.rec.stream(0, pass), join({"1A 31 1A 43 1A 32 1A 43 1B 33 18 1A 31", kBitLine1At432, "1A 32",
                                               kBitLine2At432, usb ? "" : "0A", "1A 4F"}))
            << usb;
        EXPECT_EQ(r.rec.stream(pass, wait), times("1A 31 0A 1A 32 0A", 10));
        EXPECT_EQ(r.rec.stream(wait), usb ? "1A 46 1B 32" : "10 04 02 1A 43 1A 46 1B 32");
        EXPECT_EQ(byteCount(r.rec.stream(pass)) - (usb ? 4 : 6), usb ? 60u : 63u);  // less the closing
        EXPECT_EQ(r.rec.only({"repeated", "usb status"}), "repeated 1");
        // On serial the commands go as text and each position byte of a run alone.
        const std::size_t run = r.rec.find(usb ? "usb byte 57" : "serial text 1A 57");
        EXPECT_EQ(r.rec.timeline[run + 1] + " | " + r.rec.timeline[run + 4],
                  usb ? "usb byte 00 | usb byte 00" : "serial bytes 00 | serial bytes 00");
    }
}

TEST(BitPattern, AStopEndsTheRunAtTheNextRepetitionWithoutClosing)
{
    testkit::Rig r;
    r.rec.repeat = 0;
    r.state.StopRequested = 1;  // from an earlier run
    r.rec.atEventPass(3, [&] { r.state.StopRequested = 1; });
    patterns::PrintBitPattern(r.serial(), r.state, r.rec);
    EXPECT_EQ(r.rec.count("sleep 1000"), 2u);  // repetitions 1 and 2 complete
    EXPECT_EQ(r.rec.only({"repeated"}), "repeated 1 | repeated 2");
    EXPECT_EQ(r.rec.timeline.back(), "events 3");
}

TEST(BitPattern, RepeatCountEditedMidRunTakesEffectAtTheNextComparison)
{
    testkit::Rig r;
    r.rec.repeat = 5;
    r.rec.atEventPass(2, [&] { r.rec.repeat = 3; });
    patterns::PrintBitPattern(r.usb(), r.state, r.rec);
    EXPECT_EQ(r.rec.eventPasses, 3);
    EXPECT_EQ(r.rec.stream(r.rec.find("sleep 1000", r.rec.find("events 3"))), "1A 46 1B 32");
}

TEST(TilePattern, OneRepetitionAt432OnBothRoutes)
{
    const std::string grid = join({"DA", times("C2", 34), "BF 0A", times(join({"C3", times("C5", 34), "B4 0A"}), 9),
                                   "C0", times("C1", 34), "D9 0A"});
    testkit::Rig s;
    patterns::PrintTilePattern(s.serial(), 0, s.state, s.rec);
    EXPECT_EQ(s.rec.stream(0, s.rec.find("events 1")), "1D 28 4B 02 00 31 FB");
    EXPECT_EQ(s.rec.stream(s.rec.find("events 1")), join({"1A 78 01 1C 2E 1B 33 18", grid, "0A 10 04 02 1B 33 20 1A 78 00"}));
    EXPECT_EQ(s.rec.count("serial bytes"), 1u + 11u * 36u);  // density byte, each grid character
    EXPECT_EQ(s.rec.only({"repeated", "sleep"}), "repeated 1 | sleep 1000");

    testkit::Rig u;
    patterns::PrintTilePattern(u.usb(), 0, u.state, u.rec);
    EXPECT_EQ(u.rec.stream(), join({"1A 78 31 1C 2E 1B 33 18", grid, "1B 33 32 1A 78 00"}));
    EXPECT_EQ(u.rec.wire().substr(u.rec.wire().rfind("sleep 1000")),
              "sleep 1000 | usb status member 6 -> 18 | usb byte 1B | usb byte 33 | usb text \"2\" | usb byte 1A | "
              "usb text \"x\" | usb byte 00");
}

TEST(TilePattern, At894OnlyTheOpeningLfAndStatusAndAStopStillSendsTheOpening)
{
    testkit::Rig r;
    r.state.PrintWidthDots = 894;
    patterns::PrintTilePattern(r.serial(), 5, r.state, r.rec);
    EXPECT_EQ(r.rec.stream(r.rec.find("events 1")), "1A 78 01 1C 2E 1B 33 18 0A 10 04 02 1B 33 20 1A 78 00");

    testkit::Rig s;
    s.state.PrintWidthDots = 894;
    s.rec.repeat = 0;
    s.rec.atEventPass(3, [&] { s.state.StopRequested = 1; });
    patterns::PrintTilePattern(s.serial(), 5, s.state, s.rec);
    EXPECT_EQ(s.rec.only({"repeated"}), "repeated 1 | repeated 2 | repeated 3");
    EXPECT_EQ(s.rec.stream(s.rec.find("events 3")), "1A 78 01 1C 2E 1B 33 18");
}

TEST(TestPattern, OneRepetitionAt432OnBothRoutes)
{
    for (const bool usb : {false, true}) {
        testkit::Rig r;
        patterns::PrintTestPattern(r.route(usb), 10, r.state, r.rec);
        const std::size_t pass = r.rec.find("events 1");
        EXPECT_EQ(r.rec.stream(0, pass),
                  "1D 28 4B 02 00 31 05 1B 33 18 1A 31 1A 43 1A 32 1A 43 1A 31 1A 57 00 00 B0 01 1A 32");
        const std::string repetition = r.rec.stream(pass);
        EXPECT_EQ(repetition.substr(0, 35), "1A 57 00 00 01 00 1A 57 03 00 04 00");
        EXPECT_EQ(byteCount(repetition), (usb ? 938u : 941u) + 4u);
        const std::string tail = join({"1A 57 B0 01 B1 01 0A 1A 4F", times("1A 31 0A", 10), "1A 46 0A 1A 4F",
                                       times("1A 32 0A", 10), usb ? "" : "10 04 02", "1A 46 1B 32"});
        EXPECT_EQ(repetition.substr(repetition.size() - tail.size()), tail) << usb;
        EXPECT_EQ(r.rec.count(usb ? "usb status" : "serial text 1A 57"), usb ? 1u : 146u);
        EXPECT_EQ(r.rec.only({"repeated"}), "repeated 1");
    }
}

TEST(TestPattern, AWidthChangeAppliesToLine2OfTheNextRepetition)
{
    testkit::Rig r;
    r.rec.repeat = 2;
    r.rec.atEventPass(2, [&] { r.state.PrintWidthDots = 640; });
    patterns::PrintTestPattern(r.serial(), 5, r.state, r.rec);
    const std::string second = r.rec.stream(r.rec.find("events 2"));
    EXPECT_EQ(second.substr(0, 17), "1A 57 00 00 01 00");
    EXPECT_NE(second.find("1A 57 7F 02 80 02 0A 1A 4F"), std::string::npos);
    EXPECT_EQ(r.rec.count("serial text 1A 57"), 1u + 145u + 214u);  // line 1 defined once
}

TEST(TestPattern, AStopEndsBeforeSendingAnythingOfTheNextRepetition)
{
    testkit::Rig r;
    r.rec.repeat = 0;
    r.rec.atEventPass(2, [&] { r.state.StopRequested = 1; });
    patterns::PrintTestPattern(r.usb(), 5, r.state, r.rec);
    EXPECT_EQ(r.rec.timeline.back(), "events 2");
    EXPECT_EQ(r.rec.only({"repeated"}), "repeated 1");
}

TEST(TestPrints, NothingWithoutARoute)
{
    testkit::Rig r;
    link::PrinterChannel& none = r.link.channel(link::Route::None);
    patterns::PrintBitPattern(none, r.state, r.rec);
    patterns::PrintTilePattern(none, 5, r.state, r.rec);
    patterns::PrintTestPattern(none, 5, r.state, r.rec);
    EXPECT_EQ(r.rec.timeline, std::vector<std::string>{});
}
