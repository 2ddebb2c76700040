#pragma once

#include "commands/RepeatRun.h"
#include "commands/SharedState.h"
#include "link/Channel.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace printbench::commands {

// The command catalogue, in the order of the "Command List".
inline constexpr std::array<std::string_view, 9> kCatalogue{
    "Print H",
    "Text Output",
    "Feed",
    "Full Cut",
    "Partial Cut",
    "BlackMark(Forward)",
    "BlackMark Out(Forward)",
    "BlackMark(Reverse)",
    "BlackMark Out(Reverse)",
};

// What a sequence run reads as it goes, besides the repeat count: the selected list as it
// stands, and each command's values at the moment the command runs.
class SequencePanel : public RunPanel {
public:
    virtual int entryCount() = 0;
    virtual std::string entry(int index) = 0;
    // The entry about to run is highlighted.
    virtual void highlight(int index) = 0;

    virtual std::int64_t delayMs() = 0;    // "Delay"
    virtual std::uint64_t feedDots() = 0;  // "Feed"
    virtual std::string text() = 0;        // the text to print
    // A command of the list has been sent (an entry the catalogue lacks sends nothing).
    virtual void commandRan(const std::string& /*entry*/) {}
};

// Runs the catalogue command named `entry` (exactly, case-sensitively); false, with nothing
// sent, for a name the catalogue lacks.
bool RunCatalogueCommand(std::string_view entry, link::PrinterChannel& channel, const SharedState& state,
                         SequencePanel& panel);

// The density once, then the selected commands pass after pass. Events are let in once per
// pass, before its first command, and a stop takes effect there. The run is complete when the
// repeat count × the number of entries, both read at the end of the pass, equals the number of
// commands executed. The channel should follow the port list: each command goes over the
// route chosen when it runs.
RunEnd RunSequence(link::PrinterChannel& channel, int densityIndex, SharedState& state, SequencePanel& panel);

}  // namespace printbench::commands
