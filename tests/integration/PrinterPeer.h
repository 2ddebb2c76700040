#pragma once

// The two sides of a whole run over a pseudo-terminal: a host with real sleeps and event
// passes that keeps message boxes instead of showing them, and a printer thread on the master
// side that keeps every byte it reads and answers each status request (DLE EOT 2) at once,
// because the run blocks the test's thread until it ends.

#include "integration/Pty.h"
#include "shell/QtHost.h"
#include "support/Recorder.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace printbench::testkit {

// Real sleeps and event passes; message boxes are kept instead of shown.
class QuietHost : public shell::QtHost {
public:
    QuietHost() : QtHost("PrintBench") {}
    void message(shell::Icon, const std::string& text) override { messages.push_back(text); }
    std::vector<std::string> messages;
};

class Printer {
public:
    using Bytes = std::vector<std::uint8_t>;

    // `answer` gives the reply to the n-th status request, counting from 1.
    Printer(Pty& pty, std::function<std::uint8_t(int)> answer)
        : m_pty(pty), m_answer(std::move(answer)), m_thread([this] { serve(); }) {}
    ~Printer()
    {
        m_stop = true;
        m_thread.join();
    }

    // Everything read so far, once `marker` (sent by the test after the run) has come too;
    // the marker is left off. Without the marker within 5 s, everything read and `false`.
    bool bytesUpTo(const Bytes& marker, Bytes& out)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (std::chrono::steady_clock::now() < end) {
            {
                const std::lock_guard lock(m_mutex);
                if (m_seen.size() >= marker.size() && std::equal(marker.rbegin(), marker.rend(), m_seen.rbegin())) {
                    out.assign(m_seen.begin(), m_seen.end() - static_cast<std::ptrdiff_t>(marker.size()));
                    return true;
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        const std::lock_guard lock(m_mutex);
        out = m_seen;
        return false;
    }

    // The same as hex, with a "MISSING MARKER" suffix when the marker did not come.
    std::string receivedUpTo(const Bytes& marker)
    {
        Bytes got;
        const bool found = bytesUpTo(marker, got);
        return hex(got) + (found ? "" : " MISSING MARKER");
    }

    // Status requests answered so far.
    int requestsAnswered() const { return m_answered; }

private:
    void serve()
    {
        int requests = 0;
        while (!m_stop) {
            const Bytes got = m_pty.read(1, std::chrono::milliseconds(20));
            if (got.empty()) continue;
            bool request = false;
            {
                const std::lock_guard lock(m_mutex);
                m_seen.push_back(got[0]);
                const std::size_t n = m_seen.size();
                request = n >= 3 && m_seen[n - 3] == 0x10 && m_seen[n - 2] == 0x04 && m_seen[n - 1] == 0x02;
            }
            if (request && m_pty.write(Bytes{m_answer(++requests)})) ++m_answered;
        }
    }

    Pty& m_pty;
    std::function<std::uint8_t(int)> m_answer;
    std::mutex m_mutex;
    Bytes m_seen;
    std::atomic<int> m_answered{0};
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

} // namespace printbench::testkit
