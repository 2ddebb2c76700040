// The sequence runner, against the subsystem: the recorder is its panel (the selected list,
// "Repeat Rating", "Repeated") and its channel follows the port list.

#include "commands/SequenceRunner.h"
#include "support/Benches.h"

#include <gtest/gtest.h>

using namespace printbench;
using commands::RunEnd;
using commands::RunSequence;

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

TEST(Runner, TwoPassesOfFullCutAndFeed)
{
    Sequence r({"Full Cut", "Feed"}, 2);
    EXPECT_EQ(r.go(), RunEnd::Complete);
    const std::string pass = "serial text 1B 69 | serial text 10 04 02 | sleep 500 | serial text 10 04 02 | "
                             "serial text 1B 4A | serial bytes 64 | sleep 500";
    EXPECT_EQ(r.rec.wire(), "serial text 1D 28 4B 02 00 31 | serial bytes 00 | events 1 | " + pass + " | events 2 | " + pass);
    EXPECT_EQ(r.rec.only({"repeated", "highlight"}),
              "repeated 1 | highlight 0 | highlight 1 | repeated 2 | highlight 0 | highlight 1");
}

TEST(Runner, AnEmptyListMakesOnePassAfterTheDensity)
{
    Sequence r({}, 7, true);
    EXPECT_EQ(r.go(), RunEnd::Complete);
    EXPECT_EQ(r.rec.wire(), "usb byte 1D | usb byte 28 | usb byte 4B | usb byte 02 | usb byte 00 | usb byte 31 | "
                            "usb byte 00 | events 1");
}

TEST(Runner, TheSameCommandThreeTimesRunsThreeTimesAPassInListOrder)
{
    Sequence r({"Partial Cut", "Full Cut", "Partial Cut"});
    r.rec.delay = 0;
    r.go();
    EXPECT_EQ(r.rec.only({"serial text 1B"}), "serial text 1B 6D | serial text 1B 69 | serial text 1B 6D");
    EXPECT_EQ(r.rec.eventPasses, 1);
}

TEST(Runner, ZeroRunsUntilStopAndAStoppedPassSendsNothingMore)
{
    Sequence r({"Full Cut"}, 0);
    r.state.StopRequested = 1;  // left by an earlier run: starting clears it
    r.rec.atEventPass(4, [&] { r.state.StopRequested = 1; });
    EXPECT_EQ(r.go(), RunEnd::Stopped);
    EXPECT_EQ(r.rec.count("serial text 1B 69"), 3u);
    EXPECT_EQ(r.rec.timeline.back(), "highlight 0");
    EXPECT_EQ(r.rec.only({"repeated"}), "repeated 1 | repeated 2 | repeated 3 | repeated 4");
}

TEST(Runner, AnEntryThatMatchesNoNameIsSkippedAndNotCounted)
{
    // R × n = 2 is met only at pass 2, when two commands have run; with R = 3, at pass 6.
    for (const auto& [repeat, passes] : std::vector<std::pair<int, int>>{{1, 2}, {3, 6}}) {
        Sequence r({"Full Cut", "full cut"}, repeat);
        r.rec.delay = 0;
        r.go();
        EXPECT_EQ(r.rec.eventPasses, passes) << repeat;
        EXPECT_EQ(r.rec.count("serial text 1B 69"), std::size_t(passes)) << repeat;
    }
}

TEST(Runner, TheCountAndTheListAreReadAtTheEndOfEveryPass)
{
    // Lowered below the passes made: the equality never holds again.
    Sequence lowered({"Feed"}, 5);
    lowered.rec.atEventPass(4, [&] { lowered.rec.repeat = 2; });
    lowered.rec.atEventPass(9, [&] { lowered.state.StopRequested = 1; });
    EXPECT_EQ(lowered.go(), RunEnd::Stopped);
    EXPECT_EQ(lowered.rec.eventPasses, 9);

    // An entry added in pass 2's event pass runs in that pass; removed again in pass 3's, the
    // run ends when 4 commands have run: 4 × 1.
    Sequence grown({"Feed"}, 4);
    grown.rec.atEventPass(2, [&] { grown.rec.entries.push_back("Partial Cut"); });
    grown.rec.atEventPass(3, [&] { grown.rec.entries.pop_back(); });
    EXPECT_EQ(grown.go(), RunEnd::Complete);
    EXPECT_EQ(grown.rec.eventPasses, 3);
    EXPECT_EQ(grown.rec.count("serial text 1B 6D"), 1u);
}

TEST(Runner, CommandsFollowThePortListChosenDuringARun)
{
    Sequence r({"Partial Cut"}, 2);
    r.rec.usb.statusResults.assign(4, 0x12);
    r.rec.atEventPass(2, [&] { r.link.selectPort(12); });
    r.go();
    EXPECT_EQ(r.rec.count("serial text 1B 6D"), 1u);
    EXPECT_EQ(r.rec.only({"usb byte"}), "usb byte 1B | usb byte 6D");
}

TEST(Runner, AFaultByteHandledInTheEventPassEndsTheRunBeforeTheNextCommand)
{
    Sequence r({"Full Cut", "Feed"}, 5);
    r.rec.onSerialData = [&] {
        if (status::ReceiveStatus(r.link, r.rec) != status::FaultClass::Normal) r.state.StopRequested = 1;
    };
    r.rec.atEventPass(2, [&] {
        r.rec.receive({0x05});
        r.rec.deliverReceive();
    });
    EXPECT_EQ(r.go(), RunEnd::Stopped);
    EXPECT_EQ(r.rec.count("serial text 1B 69"), 1u);
    EXPECT_EQ(r.rec.stream(r.rec.find("events 2")), "10 05 02");
}

TEST(Runner, CountsBeyondSixteenBitsEndExactly)
{
    Sequence r({"Partial Cut"}, 40000);
    r.rec.delay = 0;
    r.rec.recording = false;
    EXPECT_EQ(r.go(), RunEnd::Complete);
    EXPECT_EQ(r.rec.eventPasses, 40000);
    EXPECT_EQ(r.rec.serial.bytesWritten, 7u + 40000u * 8u);
}
