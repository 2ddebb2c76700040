#include "commands/TextCommands.h"

#include "commands/PaperCommands.h"
#include "protocol/Commands.h"

namespace printbench::commands {

using link::Route;

namespace {

void printHBlock(link::PrinterChannel& channel, int widthDots)
{
    const int letters = hLineLength(widthDots);
    if (letters == 0) return;
    const std::string line(static_cast<std::size_t>(letters), 'H');
    const Route route = channel.route();
    for (int i = 0; i < kHLinesPerBlock; ++i) {
        if (route == Route::Serial) {
            channel.text(line + "\n");
        } else if (route == Route::Usb) {
            channel.text(line);
            channel.byte(protocol::LineFeed[0]);
        }
    }
}

}  // namespace

int hLineLength(int widthDots)
{
    switch (widthDots) {
    case 432:
    case 448:
    case 512:
    case 640: return widthDots / 12;
    default: return 0;
    }
}

void SendTextOutput(link::PrinterChannel& channel, const std::string& text, std::int64_t delayMs)
{
    const Route route = channel.route();
    if (route == Route::None) return;
    channel.text(text + (route == Route::Serial ? "\n" : "\r\n"));
    channel.command(protocol::PrintAndFeed127);
    statusAroundDelay(channel, delayMs);
}

void SendPrintH(link::PrinterChannel& channel, int widthDots, std::int64_t delayMs)
{
    if (channel.route() == Route::None) return;
    printHBlock(channel, widthDots);
    channel.wait(delayMs);
    channel.requestStatus();
}

RunEnd RunHDiagram(link::PrinterChannel& channel, SharedState& state, RunPanel& panel)
{
    RepeatRun run(channel, state, panel);
    printHBlock(channel, state.PrintWidthDots);
    if (channel.route() == Route::Serial) panel.showRepetition(0);
    for (;;) {
        run.letEventsIn();
        if (run.stopRequested()) return RunEnd::Stopped;
        run.begin(false);
        if (channel.route() == Route::Usb) panel.showRepetition(run.begun());
        channel.wait(1000);
        channel.requestStatus();
        run.finish();
        if (run.countReached()) return RunEnd::Complete;
    }
}

}  // namespace printbench::commands
