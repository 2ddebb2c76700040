#pragma once

// The two sides of a whole run over a pseudo-terminal. The run blocks the test's thread until
// it ends, so the printer is a thread on the master side that keeps every byte it reads and
// answers each status request (DLE EOT 2) at once.

#include "app/adapters/QtHost.h"
#include "support/Pty.h"
#include "support/Recorder.h"

#include <algorithm>
#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

namespace printbench::testkit {

// Real sleeps and event passes; message boxes are kept instead of shown.
class QuietHost : public app::QtHost {
public:
    QuietHost() : QtHost("PrintBench") {}
    void message(window::Icon, const std::string& text) override { messages.push_back(text); }
    std::vector<std::string> messages;
};

class Printer {
public:
    using Bytes = std::vector<std::uint8_t>;

    // `answer` gives the reply to the n-th status request, counting from 1.
    Printer(Pty& pty, std::function<std::uint8_t(int)> answer) : m_pty(pty), m_answer(std::move(answer)) {}
    ~Printer()
    {
        m_stop = true;
        m_thread.join();
    }

    // Everything read before `marker`, which the test sends after the run, and true once the
    // marker has come; everything read and false when it has not within 5 s.
    bool bytesUpTo(const Bytes& marker, Bytes& out)
    {
        for (const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);;
             std::this_thread::sleep_for(std::chrono::milliseconds(5))) {
            const std::lock_guard lock(m_mutex);
            const bool found = m_seen.size() >= marker.size() && std::equal(marker.rbegin(), marker.rend(), m_seen.rbegin());
            if (found || std::chrono::steady_clock::now() >= end) {
                out.assign(m_seen.begin(), m_seen.end() - (found ? std::ptrdiff_t(marker.size()) : 0));
                return found;
            }
        }
    }
    // The same as hex, with " MISSING MARKER" when the marker did not come.
    std::string receivedUpTo(const Bytes& marker)
    {
        Bytes got;
        return bytesUpTo(marker, got) ? hex(got) : hex(got) + " MISSING MARKER";
    }
    int requestsAnswered() const { return m_answered; }

private:
    void serve()
    {
        static const Bytes request{0x10, 0x04, 0x02};
        for (int requests = 0; !m_stop;) {
            const Bytes got = m_pty.read(1, std::chrono::milliseconds(20));
            const std::lock_guard lock(m_mutex);
            m_seen.insert(m_seen.end(), got.begin(), got.end());
            if (!got.empty() && m_seen.size() >= 3 && std::equal(request.begin(), request.end(), m_seen.end() - 3) &&
                m_pty.write(Bytes{m_answer(++requests)}))
                ++m_answered;
        }
    }

    Pty& m_pty;
    std::function<std::uint8_t(int)> m_answer;
    std::mutex m_mutex;
    Bytes m_seen;
    std::atomic<int> m_answered{0};
    std::atomic<bool> m_stop{false};
    std::thread m_thread{[this] { serve(); }};
};

} // namespace printbench::testkit
