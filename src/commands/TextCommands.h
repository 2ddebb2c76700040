#pragma once

#include "commands/RepeatRun.h"
#include "commands/SharedState.h"
#include "link/Channel.h"

#include <cstdint>
#include <string>

namespace printbench::commands {

// The text as typed (line breaks inside it as CR LF), ended by LF on serial and CR LF on USB,
// then ESC J 127 and the status before and after the delay.
void SendTextOutput(link::PrinterChannel& channel, const std::string& text, std::int64_t delayMs);

// A block of 21 lines of H across the print width, the delay, and one status request.
void SendPrintH(link::PrinterChannel& channel, int widthDots, std::int64_t delayMs);

// One block of H, then a status poll a second until the repeat count of polls has finished or
// the run is stopped. "Repeated" counts the polls on USB and shows 0 on serial. The channel
// should follow the port list: the route is read afresh after every event pass.
RunEnd RunHDiagram(link::PrinterChannel& channel, SharedState& state, RunPanel& panel);

// Letters in one line of H at a print width: 36 at 432, 37 at 448, 42 at 512, 53 at 640;
// 0 for any other width (894 among them), which prints no lines.
int hLineLength(int widthDots);

// Lines of H in one block.
inline constexpr int kHLinesPerBlock = 21;

}  // namespace printbench::commands
