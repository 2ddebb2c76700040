#pragma once

#include "link/Failure.h"
#include "run/RunRecord.h"

#include <cstdint>
#include <string>

namespace printbench::run {

// Why a run was asked to stop.
enum class StopCause { User, Fault, LinkLost, Failed };

// What the window tells the cockpit as actions and runs go: which action sends the bytes now,
// and how a run starts, passes, stops and ends. Every call is optional; the default does
// nothing, so the window runs alike without a cockpit.
class RunObserver {
public:
    virtual ~RunObserver() = default;

    // A single action outside runs ("Status", "Status Clear", "Open COM3", ...): the bytes
    // that follow belong to it.
    virtual void actionBegun(const std::string& /*label*/) {}
    // A port was chosen in the port list: opened (or connected), or not.
    virtual void portChosen(bool /*opened*/) {}
    // The printer on `port` said who it is.
    virtual void identityRead(const std::string& /*port*/, const status::PrinterIdentity& /*identity*/) {}

    virtual void runStarted(const RunSettings& /*settings*/) {}
    // `of` is the repeat count as it reads when the pass begins (0: until stopped).
    virtual void passBegun(std::int64_t /*pass*/, std::int64_t /*of*/) {}
    virtual void passFinished(std::int64_t /*pass*/) {}
    virtual void commandBegun(const std::string& /*name*/) {}
    virtual void commandRan(const std::string& /*name*/) {}
    // A barcode or 2-D code has been sent.
    virtual void codeSent(const CodeSent& /*code*/) {}
    // A stop by the user (`by` names the way out: "Stop", "End", "SIGTERM", "SIGINT", "SIGHUP")
    // or by a fault status.
    virtual void stopAsked(StopCause /*cause*/, const std::string& /*by*/) {}
    // A stop because the link failed (cause LinkLost) or nothing could be sent (Failed).
    virtual void stopFailed(const link::Failure& /*failure*/) {}
    virtual void runEnded(bool /*complete*/) {}
};

}  // namespace printbench::run
