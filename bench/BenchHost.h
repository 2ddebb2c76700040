#pragma once

#include "shell/QtHost.h"

#include <cstdio>
#include <string>

namespace printbench::bench {

// Real sleeps and event passes; a message box would stop the measurement, so it is printed.
class PrintingHost : public shell::QtHost {
public:
    PrintingHost() : QtHost("PrintBench") {}
    void message(shell::Icon, const std::string& text) override
    {
        std::fprintf(stderr, "message: %s\n", text.c_str());
        ++messages;
    }
    int messages = 0;
};

} // namespace printbench::bench
