#pragma once

#include "link/SerialPort.h"

#include <time.h>

#include <cstdint>
#include <cstdio>
#include <exception>
#include <fstream>
#include <optional>
#include <span>
#include <string>
#include <vector>

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

// Seconds on `clock`: the process's CPU time unless another clock is named.
inline double cpuSeconds(clockid_t clock = CLOCK_PROCESS_CPUTIME_ID)
{
    timespec t{};
    clock_gettime(clock, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// The process's resident memory now, in KiB (VmRSS); 0 when it cannot be read.
inline long residentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string key;
    long value = 0;
    while (status >> key) {
        if (key == "VmRSS:") {
            status >> value;
            return value;
        }
        status.ignore(1 << 12, '\n');
    }
    return 0;
}

// A serial port in memory: it gathers what is written, keeping it readable as QtSerialPort
// does, and a flush drops it, counting it in `sent`.
class MemoryPort : public link::SerialPort {
public:
    link::LinkStatus open(const link::SerialSettings&, const std::string&) override
    {
        m_open = true;
        return {};
    }
    void close() override { m_open = false, m_pending.clear(); }
    bool isOpen() const override { return m_open; }
    void write(std::span<const std::uint8_t> bytes, link::OutputForm) override
    {
        m_pending.insert(m_pending.end(), bytes.begin(), bytes.end());
    }
    link::LinkStatus flush() override
    {
        sent += m_pending.size();
        m_pending.clear();
        return {};
    }
    std::optional<std::span<const std::uint8_t>> gathered() const override { return std::span(m_pending); }
    int bytesWaiting() override { return 0; }
    std::optional<std::uint8_t> readByte() override { return std::nullopt; }
    void setListener(link::SerialListener*) override {}
    std::vector<std::string> hostDevices() const override { return {"/dev/ttyS0", "/dev/ttyS1", "/dev/ttyS2"}; }
    std::uint64_t sent = 0;

private:
    bool m_open = false;
    std::vector<std::uint8_t> m_pending;
};

}  // namespace printbench::bench
