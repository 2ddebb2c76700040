#pragma once

#include "commands/RepeatRun.h"
#include "commands/SharedState.h"
#include "link/Channel.h"

namespace printbench::patterns {

using commands::RunPanel;
using commands::RunEnd;
using commands::SharedState;

// The three test prints. Each repeats until the repeat count is reached (then its closing
// commands) or the stop flag is found raised at the start of a repetition (then nothing more).
// The channel is the route chosen when the print starts; a print without a route sends nothing.

// Two pattern lines of 24-dot runs, the second in the gaps of the first, printed alternately
// at 24-dot spacing: twenty lines a repetition, a second's pause, and on serial a status
// request.
RunEnd PrintBitPattern(link::PrinterChannel& channel, SharedState& state, RunPanel& panel);

// A grid of box-drawing characters across the print width, once a repetition, then a second's
// pause and the status. The density first, on serial only. Every repetition sends its opening
// commands before the stop test, so a stopped run still sends them once more.
RunEnd PrintTilePattern(link::PrinterChannel& channel, int densityIndex, SharedState& state, RunPanel& panel);

// The density first. Line 1 a full-width run, defined once; line 2 runs of two dots in every
// three, sent again in every repetition with the width read afresh; ten lines of each printed
// per repetition, with no pause between repetitions.
RunEnd PrintTestPattern(link::PrinterChannel& channel, int densityIndex, SharedState& state, RunPanel& panel);

}  // namespace printbench::patterns
