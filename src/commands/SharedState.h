#pragma once

#include <cstdint>

namespace printbench::commands {

// The two values the window and every run share.
struct SharedState {
    // 1 asks every run in progress (sequence run, H diagram, test prints) to end at its next
    // check. Raised by "Stop", by a fault status and by a failure of the link; cleared only
    // when a run starts.
    std::uint8_t StopRequested = 0;

    // Printable width of the chosen model in dots. Set by the model list.
    std::int16_t PrintWidthDots = 0;
};

}  // namespace printbench::commands
