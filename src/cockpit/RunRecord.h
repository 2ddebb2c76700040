#pragma once

#include "link/Route.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace printbench::cockpit {

// One status value the printer gave: a byte received on the serial line or the value of a USB
// status read. `atMs` is wall-clock time (milliseconds since 1970, UTC).
struct StatusEvent {
    std::int64_t atMs = 0;
    std::int32_t value = 0;
    link::Route route = link::Route::None;
    std::int64_t pass = 0;  // the pass of the run in progress it arrived in; 0 outside runs
};

// What a run was started with, as the window read it at the start.
struct RunSettings {
    std::string action;  // "Run", "H Diagram", "비트패턴", "Tile", "Test Pattern", "Logo"
    std::string model, port, speed, density;
    std::int64_t delayMs = 0;
    std::uint64_t feedDots = 0;
    std::int64_t repeatCount = 0;    // 0: until stopped
    std::vector<std::string> sequence;  // the selected list of a sequence run
    std::string file;                   // the bitmap of a logo print
};

enum class RunEnding {
    Running,
    Completed,       // every pass asked for is done
    StoppedByUser,   // "Stop"
    StoppedByFault,  // a fault status byte
    LinkLost,        // a send failed or the line went away
    Failed,          // nothing was sent: a logo refused or its work files not written
};

// Everything the bench knows about one run, for the run log, the report and the status bar.
struct RunRecord {
    RunSettings settings;
    std::int64_t startMs = 0, endMs = 0;  // wall clock
    int utcOffsetMinutes = 0;             // of the local time the record is shown in
    std::int64_t passesBegun = 0, passesCompleted = 0, commandsExecuted = 0;
    std::uint64_t bytesSent = 0, bytesReceived = 0;
    // Every status value received during the run; beyond a bound the oldest are dropped and
    // counted.
    std::vector<StatusEvent> statuses;
    std::uint64_t statusesDropped = 0;
    RunEnding ending = RunEnding::Running;
    std::optional<StatusEvent> stopStatus;  // the fault that stopped the run
    std::string stopDetail;                 // why the link was lost, why the run failed
};

} // namespace printbench::cockpit
