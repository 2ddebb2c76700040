// The three test prints, against the subsystem on a link of the recorder, at 432 dots unless said.

#include "patterns/CodePageCharts.h"
#include "patterns/PatternRuns.h"
#include "patterns/TestPrints.h"
#include "support/Benches.h"
#include "support/Streams.h"

#include <gtest/gtest.h>

using namespace printbench;
using testkit::times;
using Lines = std::vector<std::string>;

namespace {

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
    // Bit pattern line 1, line 2, test pattern line 2 (runs, last run); tile inner characters, rows.
    const auto described = [](const std::vector<patterns::DotRun>& runs) {
        return std::to_string(runs.size()) + " " + std::to_string(runs.back().start) + "-" + std::to_string(runs.back().end);
    };
    for (const auto& [width, seen] : std::vector<std::pair<int, std::string>>{
             {432, "10 432-456 / 9 408-432 / 145 432-433 / 34 / 11"}, {448, "10 432-456 / 9 408-432 / 150 447-448 / 35 / 11"},
             {512, "11 480-504 / 11 504-528 / 171 510-511 / 40 / 11"}, {640, "14 624-648 / 13 600-624 / 214 639-640 / 51 / 11"},
             {894, "19 864-888 / 19 888-912 / 299 894-895 / 0 / 0"}}) {
        SCOPED_TRACE(width);
        EXPECT_EQ(described(patterns::bitPatternRuns(width, 1)) + " / " + described(patterns::bitPatternRuns(width, 2)) + " / " +
                      described(patterns::testPatternRuns(width)) + " / " + std::to_string(patterns::tileInnerCount(width)) +
                      " / " + std::to_string(patterns::tileGridRows(width).size()),
                  seen);
    }
}

TEST(TestPrints, OneRepetitionOfEachAt432OnBothRoutes)
{
    const std::string grid = "DA " + times("C2", 34) + " BF 0A " + times("C3 " + times("C5", 34) + " B4 0A", 9) + " C0 " +
                             times("C1", 34) + " D9 0A";
    for (const bool usb : {false, true}) {
        SCOPED_TRACE(usb ? "USB" : "serial");
        testkit::Rig b, tile, t;
        patterns::PrintBitPattern(b.route(usb), b.state, b.rec);
        const std::size_t pass = b.rec.find("events 1"), wait = b.rec.find("sleep 1000");
        EXPECT_EQ(b.rec.stream(0, pass), "1A 31 1A 43 1A 32 1A 43 1B 33 18 1A 31 " + kBitLine1At432 + " 1A 32 " + kBitLine2At432 +
                                             (usb ? "" : " 0A") + " 1A 4F");
        EXPECT_EQ(b.rec.stream(pass, wait) + " / " + b.rec.stream(wait),
                  times("1A 31 0A 1A 32 0A", 10) + " / " + (usb ? "1A 46 1B 32" : "10 04 02 1A 43 1A 46 1B 32"));
        // On serial the commands go as text and each position byte of a run alone.
        const std::size_t run = b.rec.find(usb ? "usb byte 57" : "serial text 1A 57");
        EXPECT_EQ(b.rec.timeline[run + 1] + " | " + b.rec.timeline[run + 4] + " | " + b.rec.only({"repeated", "usb status"}),
                  usb ? "usb byte 00 | usb byte 00 | repeated 1" : "serial bytes 00 | serial bytes 00 | repeated 1");

        // The tile: on serial the density first and a call for it and for each grid character.
        patterns::PrintTilePattern(tile.route(usb), 0, tile.state, tile.rec);
        const std::size_t opened = tile.rec.find("events 1");
        EXPECT_EQ(tile.rec.stream(0, opened) + " / " + tile.rec.stream(opened),
                  usb ? " / 1A 78 31 1C 2E 1B 33 18 " + grid + " 1B 33 32 1A 78 00"
                      : "1D 28 4B 02 00 31 FB / 1A 78 01 1C 2E 1B 33 18 " + grid + " 0A 10 04 02 1B 33 20 1A 78 00");
        const std::string wire = tile.rec.wire();
        EXPECT_EQ(std::to_string(tile.rec.count("serial bytes")) + " | " + wire.substr(wire.rfind("sleep 1000")),
                  usb ? "0 | sleep 1000 | usb status member 6 -> 18 | usb byte 1B | usb byte 33 | usb text \"2\" | usb byte 1A | "
                        "usb text \"x\" | usb byte 00"
                      : "397 | sleep 1000 | serial text 10 04 02 | serial text 1B 33 20 | serial text 1A 78 00");

        patterns::PrintTestPattern(t.route(usb), 10, t.state, t.rec);
        const std::size_t first = t.rec.find("events 1");
        EXPECT_EQ(t.rec.stream(0, first), testkit::kTestPatternOpening);
        const std::string repetition = t.rec.stream(first);
        const std::string tail = testkit::testPatternEnd(usb);
        EXPECT_EQ(repetition.substr(0, 35) + " ... " + repetition.substr(repetition.size() - tail.size()),
                  testkit::kTestPatternRepetitionStart + " ... " + tail);
        EXPECT_EQ((repetition.size() + 1) / 3, (usb ? 938u : 941u) + 4u);  // bytes, the closing included
        EXPECT_EQ(std::to_string(t.rec.count(usb ? "usb status" : "serial text 1A 57")) + " | " + t.rec.only({"repeated"}),
                  usb ? "1 | repeated 1" : "146 | repeated 1");
    }
    // A width change applies to the test pattern's line 2 in the next repetition; line 1 is defined once.
    testkit::Rig r;
    r.rec.repeat = 2;
    r.rec.atEventPass(2, [&] { r.state.PrintWidthDots = 640; });
    patterns::PrintTestPattern(r.serial(), 5, r.state, r.rec);
    EXPECT_EQ(r.rec.count("serial text 1A 57"), 1u + 145u + 214u);
}

TEST(TestPrints, StopCountChangesAndNoRoute)
{
    // At 894 dots counting 0, with a stale stop flag cleared: the pass whose stop ends the print
    // at its next check, without closing; the passes shown; the bytes from pass 2 on.
    using Print = void (*)(link::PrinterChannel&, testkit::Rig&);
    const std::vector<std::tuple<const char*, Print, bool, int, Lines, std::string>> rows{
        {"bit pattern", [](link::PrinterChannel& c, testkit::Rig& r) { patterns::PrintBitPattern(c, r.state, r.rec); }, false, 3,
         {"events 1", "repeated 1", "sleep 1000", "events 2", "repeated 2", "sleep 1000", "events 3"},
         times("1A 31 0A 1A 32 0A", 10) + " 10 04 02"},
        {"tile", [](link::PrinterChannel& c, testkit::Rig& r) { patterns::PrintTilePattern(c, 5, r.state, r.rec); }, false, 3,
         {"events 1", "repeated 1", "sleep 1000", "events 2", "repeated 2", "sleep 1000", "events 3", "repeated 3"},
         "1A 78 01 1C 2E 1B 33 18 0A 10 04 02 1A 78 01 1C 2E 1B 33 18"},
        {"test pattern", [](link::PrinterChannel& c, testkit::Rig& r) { patterns::PrintTestPattern(c, 5, r.state, r.rec); }, true, 2,
         {"events 1", "repeated 1", "events 2"}, ""},
    };
    for (const auto& [name, print, usb, stopAt, passes, bytes] : rows) {
        SCOPED_TRACE(name);
        testkit::Rig r;
        r.state.PrintWidthDots = 894;
        r.rec.repeat = 0;
        r.state.StopRequested = 1;
        r.rec.atEventPass(stopAt, [&r] { r.state.StopRequested = 1; });
        print(r.route(usb), r);
        EXPECT_EQ(r.rec.lines({"events", "repeated", "sleep 1000"}), passes);
        EXPECT_EQ(r.rec.stream(r.rec.find("events 2")), bytes);
    }

    testkit::Rig r;
    r.rec.repeat = 5;
    r.rec.atEventPass(2, [&] { r.rec.repeat = 3; });
    patterns::PrintBitPattern(r.usb(), r.state, r.rec);
    EXPECT_EQ(r.rec.eventPasses, 3);
    EXPECT_EQ(r.rec.stream(r.rec.find("sleep 1000", r.rec.find("events 3"))), "1A 46 1B 32");

    testkit::Rig none;
    for (const auto& row : rows) std::get<Print>(row)(none.link.channel(link::Route::None), none);
    EXPECT_EQ(none.rec.timeline, std::vector<std::string>{});
}

TEST(CodePageCharts, TableChartBytes)
{
    // Table 16 whole: the rows written out as the printer gets them, 7F as a space.
    std::string rows;
    for (const char* row : {"2x   ! \" # $ % & ' ( ) * + , - . / \n", "3x 0 1 2 3 4 5 6 7 8 9 : ; < = > ? \n",
                            "4x @ A B C D E F G H I J K L M N O \n", "5x P Q R S T U V W X Y Z [ \\ ] ^ _ \n",
                            "6x ` a b c d e f g h i j k l m n o \n", "7x p q r s t u v w x y z { | } ~   \n",
                            "8x \x80 \x81 \x82 \x83 \x84 \x85 \x86 \x87 \x88 \x89 \x8A \x8B \x8C \x8D \x8E \x8F \n",
                            "9x \x90 \x91 \x92 \x93 \x94 \x95 \x96 \x97 \x98 \x99 \x9A \x9B \x9C \x9D \x9E \x9F \n",
                            "Ax \xA0 \xA1 \xA2 \xA3 \xA4 \xA5 \xA6 \xA7 \xA8 \xA9 \xAA \xAB \xAC \xAD \xAE \xAF \n",
                            "Bx \xB0 \xB1 \xB2 \xB3 \xB4 \xB5 \xB6 \xB7 \xB8 \xB9 \xBA \xBB \xBC \xBD \xBE \xBF \n",
                            "Cx \xC0 \xC1 \xC2 \xC3 \xC4 \xC5 \xC6 \xC7 \xC8 \xC9 \xCA \xCB \xCC \xCD \xCE \xCF \n",
                            "Dx \xD0 \xD1 \xD2 \xD3 \xD4 \xD5 \xD6 \xD7 \xD8 \xD9 \xDA \xDB \xDC \xDD \xDE \xDF \n",
                            "Ex \xE0 \xE1 \xE2 \xE3 \xE4 \xE5 \xE6 \xE7 \xE8 \xE9 \xEA \xEB \xEC \xED \xEE \xEF \n",
                            "Fx \xF0 \xF1 \xF2 \xF3 \xF4 \xF5 \xF6 \xF7 \xF8 \xF9 \xFA \xFB \xFC \xFD \xFE \xFF \n"})
        rows += row;
    const std::vector<std::uint8_t> chart = patterns::codeTableChart(16);
    EXPECT_EQ(std::string(chart.begin(), chart.end()),
              "\x1B\x40\x1C\x2E\x1B\x74\x10" "Code table 16 (ESC t 16): WPC1252\n" + rows + "\x1B\x40");
    // A table the list does not name is charted by its number alone.
    const std::vector<std::uint8_t> other = patterns::codeTableChart(7);
    EXPECT_EQ(std::string(other.begin(), other.begin() + 30), "\x1B\x40\x1C\x2E\x1B\x74\x07" "Code table 7 (ESC t 7)\n");
}

TEST(CodePageCharts, KoreanChartFraming)
{
    const std::vector<std::uint8_t> chart = patterns::koreanChart();
    const std::string s(chart.begin(), chart.end());
    const std::string head = "\x1B\x40\x1C\x26" "KS X 1001 (FS &): rows A1 B0 C8 CA\n"
                             "A1Ax  \xA1\xA1\xA1\xA2\xA1\xA3\xA1\xA4\xA1\xA5\xA1\xA6\xA1\xA7\xA1\xA8\xA1\xA9\xA1\xAA\xA1\xAB"
                             "\xA1\xAC\xA1\xAD\xA1\xAE\xA1\xAF\n";
    const std::string tail = "CAFx\xCA\xF0\xCA\xF1\xCA\xF2\xCA\xF3\xCA\xF4\xCA\xF5\xCA\xF6\xCA\xF7\xCA\xF8\xCA\xF9\xCA\xFA"
                             "\xCA\xFB\xCA\xFC\xCA\xFD\xCA\xFE  \n\x1C\x2E\x1B\x40";
    EXPECT_EQ(s.substr(0, head.size()), head);
    EXPECT_EQ(s.substr(s.size() - tail.size()), tail);
    // Four rows of six lines; the first Hangul row starts with 가 (B0 A1), the last ends with 힝 (C8 FE).
    EXPECT_EQ(std::count(s.begin(), s.end(), '\n'), 25);
    EXPECT_NE(s.find("B0Ax  \xB0\xA1"), std::string::npos);
    EXPECT_NE(s.find("\xC8\xFE  \n"), std::string::npos);
}

TEST(CodePageCharts, TableListsAndThePrint)
{
    const auto tables = [](std::string_view text) {
        const auto read = patterns::readTableList(text);
        if (const auto* e = std::get_if<std::string>(&read)) return *e;
        return patterns::tableListText(std::get<std::vector<std::uint8_t>>(read));
    };
    EXPECT_EQ(tables("0, 16,17 ,0,255"), "0,16,17,255");
    EXPECT_EQ(tables("0,256"), "\"256\" is not a code table: give numbers 0 to 255 parted by commas");
    EXPECT_EQ(tables("0,,1"), "\"\" is not a code table: give numbers 0 to 255 parted by commas");
    EXPECT_EQ(tables("x"), "\"x\" is not a code table: give numbers 0 to 255 parted by commas");
    EXPECT_EQ(patterns::tableListText(patterns::defaultTables()), "0,1,2,3,4,5,16,17,18,19");

    // An event pass and the stop check before each chart; the feed and the Full Cut at the end.
    testkit::Rig r;
    EXPECT_EQ(patterns::PrintCodePages(r.serial(), {{0, 16}, true}, r.state, r.rec, 500), patterns::RunEnd::Complete);
    EXPECT_EQ(r.rec.only({"events", "repeated", "sleep"}), "repeated 1 | events 1 | events 2 | events 3 | sleep 500");
    const std::string sent = r.rec.stream(0);
    EXPECT_EQ(sent.substr(0, 20), "1B 40 1C 2E 1B 74 00");
    EXPECT_EQ(sent.substr(sent.size() - 38), "1B 40 1B 4A 78 1B 69 10 04 02 10 04 02");
    testkit::Rig s;
    s.rec.atEventPass(2, [&] { s.state.StopRequested = 1; });
    EXPECT_EQ(patterns::PrintCodePages(s.usb(), {{0, 16}, true}, s.state, s.rec, 500), patterns::RunEnd::Stopped);
    EXPECT_EQ(s.rec.stream(s.rec.find("events 2")), "");
}
