#pragma once

#include <cstdio>
#include <exception>

namespace printbench::bench {

// A benchmark's exit code: runs `measure`, which prints its figures and says whether it could
// measure everything; 0 when it could, 1 (and why, on stderr) when not or when it threw (no
// pseudo-terminal or temporary folder to be had).
template <typename Measure>
int measured(const char* name, Measure measure)
{
    bool ok = false;
    try {
        ok = measure();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", name, e.what());
    }
    std::fflush(stdout);
    if (!ok) {
        std::fprintf(stderr, "%s: could not measure everything\n", name);
        return 1;
    }
    return 0;
}

}  // namespace printbench::bench
