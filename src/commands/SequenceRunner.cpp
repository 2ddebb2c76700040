#include "commands/SequenceRunner.h"

#include "commands/PaperCommands.h"
#include "commands/TextCommands.h"
#include "status/Density.h"

namespace printbench::commands {

using protocol::BlackMark;

namespace {

// R × m == executed, without overflowing for any R the field can hold.
bool countReached(std::int64_t r, std::int64_t m, std::int64_t executed)
{
    if (m == 0) return executed == 0;
    return executed % m == 0 && executed / m == r;
}

}  // namespace

bool RunCatalogueCommand(std::string_view entry, link::PrinterChannel& channel, const SharedState& state,
                         SequencePanel& panel)
{
    // In the order the runner compares the names.
    if (entry == "Full Cut") SendFullCut(channel, panel.delayMs());
    else if (entry == "Partial Cut") SendPartialCut(channel, panel.delayMs());
    else if (entry == "BlackMark(Forward)") SendBlackMark(channel, BlackMark::Forward, panel.delayMs());
    else if (entry == "BlackMark Out(Forward)") SendBlackMark(channel, BlackMark::OutForward, panel.delayMs());
    else if (entry == "BlackMark(Reverse)") SendBlackMark(channel, BlackMark::Reverse, panel.delayMs());
    else if (entry == "BlackMark Out(Reverse)") SendBlackMark(channel, BlackMark::OutReverse, panel.delayMs());
    else if (entry == "Text Output") SendTextOutput(channel, panel.text(), panel.delayMs());
    else if (entry == "Print H") SendPrintH(channel, state.PrintWidthDots, panel.delayMs());
    else if (entry == "Feed") SendFeed(channel, panel.feedDots(), panel.delayMs());
    else return false;
    return true;
}

RunEnd RunSequence(link::PrinterChannel& channel, int densityIndex, SharedState& state, SequencePanel& panel)
{
    RepeatRun run(channel, state, panel);  // its begun count is the pass number
    std::int64_t executed = 0;
    status::Density(channel, densityIndex);

    for (;;) {
        run.begin();
        run.letEventsIn();
        const int n = panel.entryCount();
        for (int i = 0; i < n; ++i) {
            panel.highlight(i);
            if (run.stopRequested()) return RunEnd::Stopped;
            const std::string entry = panel.entry(i);
            if (RunCatalogueCommand(entry, channel, state, panel)) {
                ++executed;
                panel.commandRan(entry);
            }
        }
        run.finish();
        if (countReached(panel.repeatCount(), panel.entryCount(), executed)) return RunEnd::Complete;
    }
}

}  // namespace printbench::commands
