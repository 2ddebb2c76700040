// The sequence runner; the recorder is its panel (the list, "Repeat Rating", "Repeated").

#include "commands/SequenceRunner.h"
#include "support/Benches.h"

#include <gtest/gtest.h>

using namespace printbench;
using commands::RunEnd;
using commands::RunSequence;
using Lines = std::vector<std::string>;

namespace {

struct Sequence : testkit::Rig {
    explicit Sequence(std::vector<std::string> entries, std::int64_t repeat = 1, bool overUsb = false)
    {
        rec.entries = std::move(entries);
        rec.repeat = repeat;
        route(overUsb);
    }
    RunEnd go() { return RunSequence(link.current(), 5, state, rec); }
};

} // namespace

TEST(Runner, PassesRunTheListInOrderAndCountOnlyTheEntriesThatRan)
{
    Sequence two({"Full Cut", "Feed"}, 2);
    EXPECT_EQ(two.go(), RunEnd::Complete);
    const std::string pass = "highlight 0 | serial text 1B 69 | serial text 10 04 02 | sleep 500 | serial text 10 04 02 | "
                             "highlight 1 | serial text 1B 4A | serial bytes 64 | sleep 500";
    EXPECT_EQ(two.rec.only({"serial", "usb", "sleep", "events", "message", "repeated", "highlight"}),
              "serial text 1D 28 4B 02 00 31 | serial bytes 00 | repeated 1 | events 1 | " + pass +
                  " | repeated 2 | events 2 | " + pass);

    // Entries, count, route, and the passes with the cuts and USB calls in them. An empty list makes
    // one pass; an entry that matches no name is not counted: R × n = 2 is met at pass 2, 6 at pass 6.
    const std::string cut = "serial text 1B 69";
    const std::vector<std::tuple<std::vector<std::string>, int, bool, Lines>> rows{
        {{}, 7, true, {"usb byte 1D", "usb byte 28", "usb byte 4B", "usb byte 02", "usb byte 00", "usb byte 31", "usb byte 00",
                       "events 1"}},
        {{"Partial Cut", "Full Cut", "Partial Cut"}, 1, false, {"events 1", "serial text 1B 6D", cut, "serial text 1B 6D"}},
        {{"Full Cut", "full cut"}, 1, false, {"events 1", cut, "events 2", cut}},
        {{"Full Cut", "full cut"}, 3, false,
         {"events 1", cut, "events 2", cut, "events 3", cut, "events 4", cut, "events 5", cut, "events 6", cut}},
    };
    for (const auto& [entries, repeat, usb, seen] : rows) {
        SCOPED_TRACE(std::to_string(entries.size()) + " entries, count " + std::to_string(repeat));
        Sequence r(entries, repeat, usb);
        EXPECT_EQ(r.go(), RunEnd::Complete);
        EXPECT_EQ(r.rec.lines({"events", "serial text 1B 6", "usb byte"}), seen);
    }
    Sequence many({"Partial Cut"}, 65537);  // beyond 16 bits: ends exactly
    many.rec.recording = false;
    EXPECT_EQ(many.go(), RunEnd::Complete);
    EXPECT_EQ(std::to_string(many.rec.eventPasses) + " passes, " + std::to_string(many.rec.serial.bytesWritten) + " bytes",
              "65537 passes, 524303 bytes");
}

// What an event pass changes takes effect in that pass: a stop, the count and the list (read at
// the end of every pass), the port list, a fault byte.
TEST(Runner, EventPassesStopEditAndRerouteTheRun)
{
    Sequence zero({"Full Cut"}, 0);  // never met: runs until stopped
    zero.state.StopRequested = 1;     // left by an earlier run: starting clears it
    zero.rec.atEventPass(4, [&] { zero.state.StopRequested = 1; });
    EXPECT_EQ(zero.go(), RunEnd::Stopped);
    EXPECT_EQ(zero.rec.lines({"repeated", "serial text 1B 69"}),
              (Lines{"repeated 1", "serial text 1B 69", "repeated 2", "serial text 1B 69", "repeated 3", "serial text 1B 69", "repeated 4"}));
    EXPECT_EQ(zero.rec.timeline.back(), "highlight 0");

    Sequence lowered({"Feed"}, 5);  // below the passes made: the equality never holds again
    lowered.rec.atEventPass(4, [&] { lowered.rec.repeat = 2; });
    lowered.rec.atEventPass(9, [&] { lowered.state.StopRequested = 1; });
    EXPECT_EQ(lowered.go(), RunEnd::Stopped);
    EXPECT_EQ(lowered.rec.eventPasses, 9);

    // An entry added in pass 2 runs in that pass; removed in pass 3, 4 commands make 4 × 1.
    Sequence grown({"Feed"}, 4);
    grown.rec.atEventPass(2, [&] { grown.rec.entries.push_back("Partial Cut"); });
    grown.rec.atEventPass(3, [&] { grown.rec.entries.pop_back(); });
    EXPECT_EQ(grown.go(), RunEnd::Complete);
    EXPECT_EQ(std::to_string(grown.rec.eventPasses) + " passes, " + std::to_string(grown.rec.count("serial text 1B 6D")) + " cut",
              "3 passes, 1 cut");

    Sequence moved({"Partial Cut"}, 2);
    moved.rec.atEventPass(2, [&] { moved.link.selectPort(12); });
    moved.go();
    EXPECT_EQ(moved.rec.lines({"serial text 1B 6D", "usb byte"}), (Lines{"serial text 1B 6D", "usb byte 1B", "usb byte 6D"}));

    Sequence fault({"Full Cut", "Feed"}, 5);  // handled as the window does: no command after it
    fault.rec.onSerialData = [&] {
        if (status::ReceiveStatus(fault.link, fault.rec) != status::FaultClass::Normal) fault.state.StopRequested = 1;
    };
    fault.rec.receive({0x05});  // announced in pass 2
    fault.rec.atEventPass(2, [&] { fault.rec.deliverReceive(); });
    EXPECT_EQ(fault.go(), RunEnd::Stopped);
    EXPECT_EQ(std::to_string(fault.rec.count("serial text 1B 69")) + " cut, then " + fault.rec.stream(fault.rec.find("events 2")),
              "1 cut, then 10 05 02");
}
