#pragma once

#include <cstdint>

namespace printbench::link {

// The machine the bench runs on, as the link and the subsystems need it. Nothing in the core
// sleeps, runs the event loop or reads the clock except through this.
class Host {
public:
    virtual ~Host() = default;

    // Blocking wait on the user-interface thread, at least `ms` milliseconds. No user input
    // and no serial events are handled during it.
    virtual void sleep(std::int64_t ms) = 0;

    // Lets the window handle its pending events once and returns.
    virtual void processEvents() = 0;

    // Milliseconds on a monotonic clock: the time stamps of the traffic tap.
    virtual std::int64_t nowMs() = 0;
};

}  // namespace printbench::link
