#include "patterns/TestPrints.h"

#include "patterns/PatternRuns.h"
#include "protocol/Commands.h"
#include "status/Density.h"

namespace printbench::patterns {

namespace p = protocol;
using commands::RepeatRun;
using link::Route;

namespace {

// SUB "W" and a run's four position bytes, each alone.
void sendDotRun(link::PrinterChannel& channel, DotRun run)
{
    channel.command(p::PatternRun);
    for (const std::uint8_t b : p::runPositions(run.start, run.end)) channel.byte(b);
}

}  // namespace

RunEnd PrintBitPattern(link::PrinterChannel& channel, SharedState& state, RunPanel& panel)
{
    RepeatRun run(channel, state, panel);
    const Route route = channel.route();
    if (route == Route::None) return RunEnd::Complete;

    for (const p::Bytes command : {p::Bytes(p::PatternLine1), p::Bytes(p::PatternClear), p::Bytes(p::PatternLine2),
                                   p::Bytes(p::PatternClear), p::Bytes(p::LineSpacing24)})
        channel.command(command);
    if (run.stopRequested()) return RunEnd::Stopped;
    for (const int line : {1, 2}) {
        channel.command(line == 1 ? p::PatternLine1 : p::PatternLine2);
        for (const DotRun& r : bitPatternRuns(state.PrintWidthDots, line)) sendDotRun(channel, r);
    }
    if (route == Route::Serial) channel.command(p::LineFeed);
    channel.command(p::PatternStart);

    for (;;) {
        run.letEventsIn();
        if (run.stopRequested()) return RunEnd::Stopped;
        run.begin(false);
        panel.showRepetition(run.begun());
        for (int i = 0; i < 10; ++i) {
            for (const p::Bytes command :
                 {p::Bytes(p::PatternLine1), p::Bytes(p::LineFeed), p::Bytes(p::PatternLine2), p::Bytes(p::LineFeed)})
                channel.command(command);
        }
        channel.wait(1000);
        run.finish();
        if (route == Route::Serial) channel.requestStatus();
        if (run.countReached()) {
            if (route == Route::Serial) channel.command(p::PatternClear);
            channel.command(p::PatternFinish);
            channel.command(p::DefaultLineSpacing);
            return RunEnd::Complete;
        }
    }
}

RunEnd PrintTilePattern(link::PrinterChannel& channel, int densityIndex, SharedState& state, RunPanel& panel)
{
    RepeatRun run(channel, state, panel);
    const Route route = channel.route();
    if (route == Route::None) return RunEnd::Complete;
    if (route == Route::Serial) status::Density(channel, densityIndex);

    for (;;) {
        run.letEventsIn();
        run.begin();
        channel.command(route == Route::Serial ? p::BoxTableOn : p::BoxTableOnDigit);
        channel.command(p::KanjiOff);
        channel.command(p::LineSpacing24);
        if (run.stopRequested()) return RunEnd::Stopped;

        for (const std::vector<std::uint8_t>& row : tileGridRows(state.PrintWidthDots)) {
            for (const std::uint8_t b : row) channel.byte(b);
            channel.command(p::LineFeed);
        }
        if (route == Route::Serial) channel.command(p::LineFeed);
        channel.wait(1000);
        channel.requestStatus();
        run.finish();
        if (run.countReached()) {
            if (route == Route::Serial) {
                channel.command(p::LineSpacing32);
                channel.command(p::BoxTableOff);
            } else {
                // ESC 3 "2" and SUB "x" 0, the letters as text: 1B 33 32 1A 78 00 on the wire.
                channel.byte(p::Esc);
                channel.byte(p::LineSpacingPrefix[1]);
                channel.text("2");
                channel.byte(p::Sub);
                channel.text("x");
                channel.byte(0x00);
            }
            return RunEnd::Complete;
        }
    }
}

RunEnd PrintTestPattern(link::PrinterChannel& channel, int densityIndex, SharedState& state, RunPanel& panel)
{
    status::Density(channel, densityIndex);
    RepeatRun run(channel, state, panel);
    const Route route = channel.route();
    if (route == Route::None) return RunEnd::Complete;

    for (const p::Bytes command : {p::Bytes(p::LineSpacing24), p::Bytes(p::PatternLine1), p::Bytes(p::PatternClear),
                                   p::Bytes(p::PatternLine2), p::Bytes(p::PatternClear), p::Bytes(p::PatternLine1)})
        channel.command(command);
    sendDotRun(channel, {0, static_cast<std::uint16_t>(state.PrintWidthDots)});
    channel.command(p::PatternLine2);

    for (;;) {
        run.letEventsIn();
        if (run.stopRequested()) return RunEnd::Stopped;
        for (const DotRun& r : testPatternRuns(state.PrintWidthDots)) sendDotRun(channel, r);
        run.begin();
        channel.command(p::LineFeed);
        channel.command(p::PatternStart);
        if (run.stopRequested()) return RunEnd::Stopped;
        for (int i = 0; i < 10; ++i) {
            channel.command(p::PatternLine1);
            channel.command(p::LineFeed);
        }
        for (const p::Bytes command : {p::Bytes(p::PatternFinish), p::Bytes(p::LineFeed), p::Bytes(p::PatternStart)})
            channel.command(command);
        for (int i = 0; i < 10; ++i) {
            channel.command(p::PatternLine2);
            channel.command(p::LineFeed);
        }
        if (run.stopRequested()) return RunEnd::Stopped;
        run.finish();
        channel.requestStatus();
        if (run.countReached()) {
            channel.command(p::PatternFinish);
            channel.command(p::DefaultLineSpacing);
            return RunEnd::Complete;
        }
    }
}

}  // namespace printbench::patterns
