#pragma once

#include "link/Failure.h"
#include "link/Route.h"
#include "run/Action.h"
#include "status/Identity.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace printbench::run {

// One status value the printer gave: a byte received on the serial line or the value of a USB
// status read. `atMs` is wall-clock time (milliseconds since 1970, UTC).
struct StatusEvent {
    std::int64_t atMs = 0;
    std::int32_t value = 0;
    link::Route route = link::Route::None;
    std::int64_t pass = 0;  // the pass of the run in progress it arrived in; 0 outside runs
};

// A barcode or 2-D code a run sent, as the run log and the reports list it.
struct CodeSent {
    std::string symbology;           // "EAN-13", "CODE128", "QR", "PDF417", ...
    std::string settings;            // "height 162, module 3, hri below, font A, form B"
    std::string text;                // the data as the technician gave it
    std::vector<std::uint8_t> data;  // the data bytes sent (the records' dataHex)
};

// What a run was started with, as the window read it at the start.
struct RunSettings {
    Action action = Action::Sequence;
    // The action as the program that ran it names it: the window's caption in its language
    // ("비트패턴", "Bit Pattern"), printbench-run's English ("Bit Pattern").
    std::string label;
    // The model whose width the prints used: "KR-420", or "none chosen (432 dots)".
    std::string model;
    // The port as the technician named it ("COM3", "USB", a device path), or the address of a
    // network printer ("tcp://192.168.1.50:9100"); the route the bytes took: "serial", "usb",
    // "tcp"; and the device the port reached, when known.
    std::string port, route, device;
    std::string speed, density;
    std::int64_t delayMs = 0;
    std::uint64_t feedDots = 0;
    std::int64_t repeatCount = 0;       // 0: until stopped
    std::vector<std::string> sequence;  // the selected list of a sequence run
    std::string file;                   // the bitmap of a logo print
};

enum class RunEnding {
    Running,
    Completed,       // every pass asked for is done, the printer answered, and no fault came
    StoppedByUser,   // "Stop", "End", the close box or a signal (RunRecord::stoppedBy names it)
    StoppedByFault,  // a fault status byte, during the run or just after its last byte
    LinkLost,        // a send failed or the line went away
    Failed,          // nothing was sent: a logo refused or its work files not written
    NoAnswer,        // status requests were sent and none was answered
    Interrupted,     // the program ended before the run did (read back from the run log)
};

// Everything the bench knows about one run, for the run log, the report and the status bar.
struct RunRecord {
    std::string runId;  // unique among the run logs of every process: start time, process, count
    RunSettings settings;
    std::int64_t startMs = 0, endMs = 0;  // wall clock
    int utcOffsetMinutes = 0;             // of the local time the record is shown in
    std::int64_t passesBegun = 0, passesCompleted = 0, commandsExecuted = 0;
    std::uint64_t bytesSent = 0, bytesReceived = 0;
    // The status values received during the run: every one up to a bound, then those that
    // differ from the one before them and every fault; what is not kept is counted.
    std::vector<StatusEvent> statuses;
    std::uint64_t statusesDropped = 0;
    // Status requests sent during the run, and those no byte answered: none before the next
    // request or within the listening time after it (a USB status read that returned nothing).
    std::uint64_t statusRequests = 0, statusUnanswered = 0;
    RunEnding ending = RunEnding::Running;
    std::string stoppedBy;                            // "Stop", "End", "SIGTERM", "SIGINT", "SIGHUP"
    std::int64_t stopPass = 0;                        // the pass in progress when the stop was asked
    std::optional<StatusEvent> stopStatus;            // the fault that stopped the run
    std::optional<link::Failure> failure;             // why the link was lost, why nothing was sent
    std::optional<status::PrinterIdentity> identity;  // last read on the port in this session
    std::vector<CodeSent> codes;                      // the barcodes and 2-D codes sent, in order
};

// What a record names the model when none was chosen: "none chosen (432 dots)".
inline std::string noModelChosen(int widthDots)
{
    return "none chosen (" + std::to_string(widthDots) + " dots)";
}

// "12 of 40 status requests unanswered"
inline std::string unansweredText(const RunRecord& r)
{
    return std::to_string(r.statusUnanswered) + " of " + std::to_string(r.statusRequests) +
           " status requests unanswered";
}

}  // namespace printbench::run
