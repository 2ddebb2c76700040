#pragma once

#include <cstdint>
#include <string>

namespace printbench::shell {

enum class Icon { None, Information, Warning, Critical };

// What the core needs from the machine it runs on. Nothing in the core sleeps, reads the
// clock, runs the event loop or opens a dialog except through this.
class Host {
public:
    virtual ~Host() = default;

    // Blocking wait on the user-interface thread, at least `ms` milliseconds. No user input
    // and no serial events are handled during it.
    virtual void sleep(std::int64_t ms) = 0;

    // Lets the window handle its pending events once and returns.
    virtual void processEvents() = 0;

    // A modal message box with the application's title and a single OK button.
    virtual void message(Icon icon, const std::string& text) = 0;

    // Milliseconds on a monotonic clock.
    virtual std::int64_t nowMs() = 0;

    // Ends the program after the current handler returns, closing all its windows.
    virtual void endProgram() = 0;
};

} // namespace printbench::shell
