#pragma once

#include "commands/RepeatRun.h"
#include "commands/SharedState.h"
#include "link/Channel.h"
#include "pictures/Pictures.h"

#include <cstdint>

namespace printbench::pictures {

// Prints a picture's bytes as a page of codes is printed: ESC @; what goes before the bands;
// each band whole, after an event pass and a stop check; what ends them; then ESC J 120 and a
// Full Cut with its status requests around the delay. One pass of the panel; nothing without a
// route.
commands::RunEnd PrintPicture(link::PrinterChannel& channel, const PictureBytes& bytes, commands::SharedState& state,
                              commands::RunPanel& panel, std::int64_t delayMs);

}  // namespace printbench::pictures
