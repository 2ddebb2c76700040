#pragma once

#include "link/Channel.h"
#include "protocol/Commands.h"

#include <cstdint>
#include <vector>

namespace printbench::commands {

// The cuts and black-mark moves: the command, then DLE EOT 2 on serial or a status read on
// USB, the delay, and the same again, so that a fault shows at once. Nothing without a route.
void SendFullCut(link::PrinterChannel& channel, std::int64_t delayMs);
void SendPartialCut(link::PrinterChannel& channel, std::int64_t delayMs);
void SendBlackMark(link::PrinterChannel& channel, protocol::BlackMark move, std::int64_t delayMs);

// ESC J in parts of at most 255 dots, the amount alone after each ESC J. A feed of one part is
// followed by the delay; a split feed returns at once. No feed asks for the status.
void SendFeed(link::PrinterChannel& channel, std::uint64_t dots, std::int64_t delayMs);

// The amounts of the ESC J parts of a feed: 760 -> 255 255 250.
std::vector<std::uint8_t> feedParts(std::uint64_t dots);

// The status asked for, the delay, and the status asked for again.
void statusAroundDelay(link::PrinterChannel& channel, std::int64_t delayMs);

}  // namespace printbench::commands
