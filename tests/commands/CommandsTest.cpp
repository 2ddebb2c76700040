// The catalogue's commands and the H diagram, against the subsystem on a link of the recorder.

#include "commands/PaperCommands.h"
#include "commands/SequenceRunner.h"
#include "commands/TextCommands.h"
#include "support/Benches.h"

#include <gtest/gtest.h>

using namespace printbench;

namespace {

// 21 lines of `letters` H and LF as sent on each route, each followed by " | "; none for 0 letters.
std::string hBlock(bool usb, int letters)
{
    std::string serial = "serial text", out;
    for (int i = 0; i < letters; ++i) serial += " 48";
    const std::string line = usb ? "usb text \"" + std::string(std::size_t(letters), 'H') + "\" | usb byte 0A" : serial + " 0A";
    for (int i = 0; i < 21 && letters; ++i) out += line + " | ";
    return out;
}

} // namespace

TEST(Catalogue, EachCommandOnEachRoute)
{
    // Entry, the text typed, serial wire (Delay 500), USB wire (Delay 0); Feed 100, width 894. A
    // line break typed goes out as CR LF; nothing goes without a route.
    const std::string status = " | serial text 10 04 02 | sleep 500 | serial text 10 04 02",
                      usbStatus = " | usb status member 6 -> 18 | sleep 0 | usb status member 6 -> 18",
                      feed = " | serial text 1B 4A 7F" + status,
                      usbFeed = " | usb byte 1B | usb byte 4A | usb byte 7F" + usbStatus;
    const std::vector<std::tuple<const char*, std::string, std::string, std::string>> rows{
        {"Full Cut", "", "serial text 1B 69" + status, "usb byte 1B | usb byte 69" + usbStatus},
        {"Partial Cut", "", "serial text 1B 6D" + status, "usb byte 1B | usb byte 6D" + usbStatus},
        {"BlackMark(Forward)", "", "serial text 1A 62 01" + status, "usb byte 1A | usb byte 62 | usb byte 31" + usbStatus},
        {"BlackMark Out(Forward)", "", "serial text 1A 62 00" + status, "usb byte 1A | usb byte 62 | usb byte 00" + usbStatus},
        {"BlackMark(Reverse)", "", "serial text 1A 62 03" + status, "usb byte 1A | usb byte 62 | usb byte 33" + usbStatus},
        {"BlackMark Out(Reverse)", "", "serial text 1A 62 02" + status, "usb byte 1A | usb byte 62 | usb byte 32" + usbStatus},
        {"Text Output", "ABC", "serial text 41 42 43 0A" + feed, "usb text \"ABC\\r\\n\"" + usbFeed},
        {"Text Output", "", "serial text 0A" + feed, "usb text \"\\r\\n\"" + usbFeed},
        {"Text Output", "A\r\nB", "serial text 41 0D 0A 42 0A" + feed, "usb text \"A\\r\\nB\\r\\n\"" + usbFeed},
        {"Feed", "", "serial text 1B 4A | serial bytes 64 | sleep 500", "usb byte 1B | usb byte 4A | usb byte 64 | sleep 0"},
        {"Print H", "", "sleep 500 | serial text 10 04 02", "sleep 0 | usb status member 6 -> 18"},  // no lines at 894
        {"full cut", "", "", ""},  // no catalogue name: nothing, not counted
    };
    for (const auto& [entry, text, serial, usb] : rows) {
        SCOPED_TRACE(entry + (" " + testkit::quoted(text)));
        testkit::Rig s, u, none;
        s.state.PrintWidthDots = u.state.PrintWidthDots = none.state.PrintWidthDots = 894;
        u.rec.delay = 0;
        s.rec.printText = u.rec.printText = none.rec.printText = text;
        EXPECT_EQ(commands::RunCatalogueCommand(entry, s.serial(), s.state, s.rec), !serial.empty());
        commands::RunCatalogueCommand(entry, u.usb(), u.state, u.rec);
        commands::RunCatalogueCommand(entry, none.link.channel(link::Route::None), none.state, none.rec);
        EXPECT_EQ(s.rec.wire() + " / " + u.rec.wire() + " / " + none.rec.wire(), serial + " / " + usb + " / ");
    }
}

TEST(FeedAndPrintH, WorkedAmountsAndWidthsOnBothRoutes)
{
    // Amount and its parts of at most 255 dots (ESC J and the part each); only a single part waits.
    for (const auto& [amount, parts] : std::vector<std::pair<std::uint64_t, std::string>>{
             {0, "00"}, {255, "FF"}, {256, "FF 01"}, {510, "FF FF"}, {760, "FF FF FA"}, {1010, "FF FF FF F5"}}) {
        SCOPED_TRACE(amount);
        testkit::Rig s, u;
        commands::SendFeed(s.serial(), amount, 500);
        commands::SendFeed(u.usb(), amount, 500);
        std::string serial, usb;
        for (std::size_t i = 0; i < parts.size(); i += 3) {
            serial += (i ? " | " : "") + std::string("serial text 1B 4A | serial bytes ") + parts.substr(i, 2);
            usb += (i ? " | " : "") + std::string("usb byte 1B | usb byte 4A | usb byte ") + parts.substr(i, 2);
        }
        const std::string wait = parts.size() == 2 ? " | sleep 500" : "";
        EXPECT_EQ(s.rec.wire() + " / " + u.rec.wire(), serial + wait + " / " + usb + wait);
    }

    for (const auto& [width, letters] : std::vector<std::pair<int, int>>{{432, 36}, {448, 37}, {512, 42}, {640, 53}, {894, 0}}) {
        SCOPED_TRACE(width);
        testkit::Rig s, u;  // letters per line; none at 894
        commands::SendPrintH(s.serial(), width, 500);
        commands::SendPrintH(u.usb(), width, 500);
        EXPECT_EQ(s.rec.wire(), hBlock(false, letters) + "sleep 500 | serial text 10 04 02");
        EXPECT_EQ(u.rec.wire(), hBlock(true, letters) + "sleep 500 | usb status member 6 -> 18");
    }
}

TEST(HDiagram, PrintsOncePollsEverySecondAndShowsThePollsOnUsb)
{
    // Route, width, count (0 is never met), the pass that stops it, what follows; a stale stop is cleared.
    const std::vector<std::tuple<bool, int, int, int, std::string>> rows{
        {true, 894, 3, 0, "events 1 | repeated 1 | sleep 1000 | usb status member 6 -> 18 | events 2 | repeated 2 | sleep 1000 | "
                          "usb status member 6 -> 18 | events 3 | repeated 3 | sleep 1000 | usb status member 6 -> 18"},
        {false, 432, 2, 0, hBlock(false, 36) + "repeated 0 | events 1 | sleep 1000 | serial text 10 04 02 | events 2 | "
                                               "sleep 1000 | serial text 10 04 02"},
        {false, 894, 0, 4, "repeated 0 | events 1 | sleep 1000 | serial text 10 04 02 | events 2 | sleep 1000 | "
                           "serial text 10 04 02 | events 3 | sleep 1000 | serial text 10 04 02 | events 4"},
    };
    for (const auto& [usb, width, repeat, stopAt, seen] : rows) {
        SCOPED_TRACE((usb ? "USB, count " : "serial, count ") + std::to_string(repeat));
        testkit::Rig r;
        r.state.PrintWidthDots = width;
        r.rec.repeat = repeat;
        r.state.StopRequested = 1;
        r.rec.atEventPass(stopAt, [&r] { r.state.StopRequested = 1; });
        commands::RunHDiagram(r.route(usb), r.state, r.rec);
        EXPECT_EQ(r.rec.only({"serial", "usb", "events", "sleep", "repeated"}), seen);
    }
}
