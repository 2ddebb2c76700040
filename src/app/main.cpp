#include "app/Application.h"

#include <cstdio>
#include <cstring>

#ifndef PRINTBENCH_VERSION
#define PRINTBENCH_VERSION ""
#endif

int main(int argc, char* argv[])
{
    // Answered before Qt starts, so it needs no display.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::fputs("printbench " PRINTBENCH_VERSION "\n", stdout);
        return 0;
    }
    printbench::app::Application app(argc, argv);
    return app.exec();
}
