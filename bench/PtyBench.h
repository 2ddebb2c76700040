#pragma once

// What the pseudo-terminal benchmarks share: the main window's handlers on QtSerialPort, COM3
// a link to a pseudo-terminal whose far side the benchmark plays, real sleeps and event passes,
// and the window's fields in memory, written down nowhere.

#include "app/adapters/QtSerialPort.h"
#include "support/PrinterPeer.h"
#include "support/Pty.h"
#include "support/Recorder.h"
#include "window/Form1.h"

#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace printbench::bench {

struct PtyBench {
    testkit::Pty pty;
    testkit::TempDir ports;
    testkit::QuietHost host;
    testkit::Recorder fields;
    app::QtSerialPort port;
    const link::CodePage codePage{link::CodePage::forEnvironment()};

    PtyBench()
    {
        std::filesystem::create_symlink(pty.slavePath(), ports.path() / "COM3");
        fields.recording = false;
    }

    // The handlers, loaded, sending through `serial` (the port itself, or something around it).
    std::unique_ptr<window::Form1> load(link::SerialPort& serial)
    {
        auto form = std::make_unique<window::Form1>(host, fields, serial, fields.usb, codePage, ports.path());
        form->Form_Load();
        return form;
    }

    // A message box would have stopped the measurement (an open that failed, a lost line): the
    // messages kept instead are shown here. True when there were none.
    bool noMessages() const
    {
        for (const std::string& text : host.messages) std::fprintf(stderr, "message: %s\n", text.c_str());
        return host.messages.empty();
    }
};

// The printer on the master side of the pseudo-terminal: drains the line as fast as it fills,
// so that the far side is never what a figure measures, answers every status request (DLE EOT
// 2) with 0x12 and keeps the request's arrival time (the monotonic clock, ns).
class FarSide {
public:
    explicit FarSide(int master) : m_master(master), m_thread([this] { serve(); }) {}
    ~FarSide()
    {
        m_stop = true;
        m_thread.join();
    }
    std::atomic<long long> bytes{0};

    int requestCount()
    {
        const std::lock_guard lock(m_mutex);
        return m_requestCount;
    }
    // Arrival times of the first byte of each request not taken yet, once `count` of them have
    // come (fewer after 5 s when they did not).
    std::vector<long long> requests(std::size_t count)
    {
        for (int tries = 0; tries < 500; ++tries) {
            {
                const std::lock_guard lock(m_mutex);
                if (m_requests.size() >= count) break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        const std::lock_guard lock(m_mutex);
        std::vector<long long> out;
        out.swap(m_requests);
        return out;
    }

private:
    void serve()
    {
        std::uint8_t last[3]{};
        long long stamps[3]{};
        while (!m_stop) {
            pollfd p{m_master, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0) continue;
            std::uint8_t buf[4096];
            const ssize_t n = ::read(m_master, buf, sizeof buf);
            const long long t = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                    std::chrono::steady_clock::now().time_since_epoch())
                                    .count();
            for (ssize_t i = 0; i < n; ++i) {
                last[0] = last[1], last[1] = last[2], last[2] = buf[i];
                stamps[0] = stamps[1], stamps[1] = stamps[2], stamps[2] = t;
                // A request leaves in one write, so its first byte's stamp is the whole request's.
                if (last[0] == 0x10 && last[1] == 0x04 && last[2] == 0x02) {
                    const std::uint8_t answer = 0x12;
                    (void)!::write(m_master, &answer, 1);
                    const std::lock_guard lock(m_mutex);
                    m_requests.push_back(stamps[0]);
                    ++m_requestCount;
                }
            }
            if (n > 0) bytes += n;
        }
    }

    int m_master;
    std::mutex m_mutex;
    std::vector<long long> m_requests;
    int m_requestCount = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

}  // namespace printbench::bench
