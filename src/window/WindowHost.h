#pragma once

#include "link/Host.h"
#include "window/Messages.h"

#include <string>

namespace printbench::window {

enum class Icon { None, Information, Warning, Critical };

// The host as the window layer needs it: besides waits and event passes, modal message boxes
// and the end of the program.
class WindowHost : public link::Host {
public:
    // A modal message box with the application's title and a single OK button, in the window's
    // language.
    virtual void message(Icon icon, const Message& text) = 0;

    // A modal question with two answers: true for `yes` (the default button), false for `no`
    // or the box closed.
    virtual bool ask(const Message& text, const Message& yes, const Message& no) = 0;

    // Ends the program after the current handler returns, closing all its windows.
    virtual void endProgram() = 0;
};

}  // namespace printbench::window
