// The catalogue's commands and the H diagram, against the subsystem on a link of the recorder.

#include "commands/PaperCommands.h"
#include "commands/SequenceRunner.h"
#include "commands/TextCommands.h"
#include "support/Benches.h"

#include <gtest/gtest.h>

using namespace printbench;

namespace {

std::string times(const std::string& line, int n)
{
    std::string out;
    for (int i = 0; i < n; ++i) out += (out.empty() ? "" : " | ") + line;
    return out;
}

// 36 letters H (48) and LF: one line at 432 dots.
std::string h36()
{
    std::string h;
    for (int i = 0; i < 36; ++i) h += "48 ";
    return "serial text " + h + "0A";
}

} // namespace

TEST(Catalogue, EachCommandOnEachRoute)
{
    // Entry, serial wire (Delay 500), USB wire (Delay 0); Feed 100, text "ABC" or empty, width 894.
    const std::string status = " | serial text 10 04 02 | sleep 500 | serial text 10 04 02";
    const std::string usbStatus = " | usb status member 6 -> 18 | sleep 0 | usb status member 6 -> 18";
    const std::vector<std::tuple<const char*, std::string, std::string>> rows{
        {"Full Cut", "serial text 1B 69" + status, "usb byte 1B | usb byte 69" + usbStatus},
        {"Partial Cut", "serial text 1B 6D" + status, "usb byte 1B | usb byte 6D" + usbStatus},
        {"BlackMark(Forward)", "serial text 1A 62 01" + status, "usb byte 1A | usb byte 62 | usb byte 31" + usbStatus},
        {"BlackMark Out(Forward)", "serial text 1A 62 00" + status, "usb byte 1A | usb byte 62 | usb byte 00" + usbStatus},
        {"BlackMark(Reverse)", "serial text 1A 62 03" + status, "usb byte 1A | usb byte 62 | usb byte 33" + usbStatus},
        {"BlackMark Out(Reverse)", "serial text 1A 62 02" + status, "usb byte 1A | usb byte 62 | usb byte 32" + usbStatus},
        {"Text Output", "serial text 41 42 43 0A | serial text 1B 4A 7F" + status,
         "usb text \"ABC\\r\\n\" | usb byte 1B | usb byte 4A | usb byte 7F" + usbStatus},
        {"Feed", "serial text 1B 4A | serial bytes 64 | sleep 500", "usb byte 1B | usb byte 4A | usb byte 64 | sleep 0"},
        {"Print H", "sleep 500 | serial text 10 04 02", "sleep 0 | usb status member 6 -> 18"},  // no lines at 894
        {"full cut", "", ""},  // no catalogue name: nothing, not counted
        {"", "serial text 0A | serial text 1B 4A 7F" + status, "usb text \"\\r\\n\" | usb byte 1B | usb byte 4A | usb byte 7F" + usbStatus},
    };
    for (const auto& [entry, serial, usb] : rows) {
        testkit::Rig s, u;
        s.state.PrintWidthDots = u.state.PrintWidthDots = 894;
        u.rec.delay = 0;
        const bool text = *entry == '\0';  // the empty row is Text Output with an empty text
        s.rec.printText = u.rec.printText = text ? "" : "ABC";
        EXPECT_EQ(commands::RunCatalogueCommand(text ? "Text Output" : entry, s.serial(), s.state, s.rec), !serial.empty());
        commands::RunCatalogueCommand(text ? "Text Output" : entry, u.usb(), u.state, u.rec);
        EXPECT_EQ(s.rec.wire(), serial) << entry;
        EXPECT_EQ(u.rec.wire(), usb) << entry;
    }
    testkit::Rig none;
    for (const std::string_view entry : commands::kCatalogue)
        commands::RunCatalogueCommand(entry, none.link.channel(link::Route::None), none.state, none.rec);
    EXPECT_EQ(none.rec.wire(), "");
    // A line break typed in the text goes out as CR LF, before the final LF.
    testkit::Rig m;
    commands::SendTextOutput(m.serial(), "A\r\nB", 0);
    EXPECT_EQ(m.rec.timeline.front(), "serial text 41 0D 0A 42 0A");
}

TEST(Feed, WorkedAmountsOnBothRoutes)
{
    // Amount, the bytes (serial: ESC J as text and the amount alone; USB: a call each), delay.
    for (const auto& [amount, bytes, delay] : std::vector<std::tuple<std::uint64_t, std::string, bool>>{
             {0, "1B 4A 00", true}, {255, "1B 4A FF", true}, {256, "1B 4A FF 1B 4A 01", false}, {510, "1B 4A FF 1B 4A FF", false},
             {760, "1B 4A FF 1B 4A FF 1B 4A FA", false}, {1010, "1B 4A FF 1B 4A FF 1B 4A FF 1B 4A F5", false}}) {
        testkit::Rig s, u;
        commands::SendFeed(s.serial(), amount, 500);
        commands::SendFeed(u.usb(), amount, 500);
        EXPECT_EQ(s.rec.stream() + " / " + u.rec.stream(), bytes + " / " + bytes) << amount;
        // One text write of ESC J and one byte write a part; one call a byte on USB.
        const std::size_t parts = (bytes.size() + 1) / 9;
        EXPECT_EQ(s.rec.count("serial text 1B 4A") + s.rec.count("serial bytes") + u.rec.count("usb byte"), 5 * parts) << amount;
        EXPECT_EQ(s.rec.count("serial text"), parts) << amount;
        EXPECT_EQ(s.rec.only({"sleep"}) + u.rec.only({"sleep", "usb status"}), delay ? "sleep 500sleep 500" : "") << amount;
    }
}

TEST(PrintH, TwentyOneLinesAcrossTheWidth)
{
    testkit::Rig s;
    commands::SendPrintH(s.serial(), 432, 500);
    EXPECT_EQ(s.rec.wire(), times(h36(), 21) + " | sleep 500 | serial text 10 04 02");
    // Width, letters per line (0: no lines).
    for (const auto& [width, letters] : std::vector<std::pair<int, std::size_t>>{{448, 37}, {512, 42}, {640, 53}, {894, 0}}) {
        testkit::Rig u;
        commands::SendPrintH(u.usb(), width, 500);
        const std::string line = "usb text \"" + std::string(letters, 'H') + "\" | usb byte 0A";
        EXPECT_EQ(u.rec.wire(), (letters ? times(line, 21) + " | " : "") + "sleep 500 | usb status member 6 -> 18") << width;
    }
}

TEST(HDiagram, PrintsOncePollsEverySecondAndShowsThePollsOnUsb)
{
    testkit::Rig u;
    u.state.PrintWidthDots = 894;  // no H lines, only the polls
    u.rec.repeat = 3;
    u.state.StopRequested = 1;     // from an earlier run: a new one clears it
    commands::RunHDiagram(u.usb(), u.state, u.rec);
    EXPECT_EQ(u.rec.only({"events", "repeated", "sleep", "usb"}),
              "events 1 | repeated 1 | sleep 1000 | usb status member 6 -> 18 | events 2 | repeated 2 | sleep 1000 | "
              "usb status member 6 -> 18 | events 3 | repeated 3 | sleep 1000 | usb status member 6 -> 18");

    testkit::Rig s;
    s.rec.repeat = 2;
    commands::RunHDiagram(s.serial(), s.state, s.rec);
    EXPECT_EQ(s.rec.only({"serial", "events", "sleep", "repeated"}),
              times(h36(), 21) + " | repeated 0 | events 1 | sleep 1000 | serial text 10 04 02 | events 2 | sleep 1000 | "
                                 "serial text 10 04 02");

    testkit::Rig z;  // a count of 0 is never met: the polls go on until a stop
    z.rec.repeat = 0;
    z.rec.atEventPass(50, [&] { z.state.StopRequested = 1; });
    commands::RunHDiagram(z.serial(), z.state, z.rec);
    EXPECT_EQ(std::to_string(z.rec.eventPasses) + " passes, " + std::to_string(z.rec.count("sleep 1000")) + " waits, " +
                  std::to_string(z.rec.count("serial text 10 04 02")) + " requests",
              "50 passes, 49 waits, 49 requests");
}
