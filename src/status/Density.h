#pragma once

#include "link/Channel.h"

namespace printbench::status {

// GS ( K 49 m for the density list's index (0 "-5" to 10 "+5"): the six fixed bytes as a
// command, then m, which may be 128 or more, alone. Nothing without a route; no status read
// and no delay follow.
void Density(link::PrinterChannel& channel, int densityIndex);

}  // namespace printbench::status
