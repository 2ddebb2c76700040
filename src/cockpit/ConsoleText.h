#pragma once

#include "cockpit/Journal.h"
#include "printer/Decoder.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

namespace printbench::cockpit {

// The traffic console's text: one line per traffic record, under a heading line for each
// action, with the time to the millisecond, the direction, the route, the bytes in hexadecimal
// and what they mean. Sent bytes are decoded as the virtual printer decodes them (a decoder
// per route, so a command cut between two sends reads whole); received bytes are status values.
class ConsoleText {
public:
    enum class Filter { Both, Sent, Received };

    // The lines of one record (a heading first when its action differs from the last one),
    // each ending in '\n'. `label` is the record's action's. Records filtered out still go
    // through the decoders.
    std::string lines(const TrafficRecord& r, const std::string& label, int utcOffsetMinutes,
                      Filter filter = Filter::Both);
    // The same, with the label and the local time of `journal`.
    std::string lines(const Journal& journal, const TrafficRecord& r, Filter filter = Filter::Both)
    {
        return lines(r, journal.actionLabel(r.action), journal.utcOffsetMinutes(), filter);
    }

    // "(1,234 records dropped before the console showed them)", or empty.
    static std::string droppedText(std::uint64_t records);

private:
    printer::Decoder m_serial, m_usb;
    std::uint64_t m_lastAction = UINT64_MAX;
};

// The console's reading of the journal, with the decoding on a thread of its own: the thread
// that sends (and reads the journal) pays only for a copy of the bytes. What waits for the
// thread is bounded: beyond 2 MiB the oldest waiting records go, counted (a rate no printer
// line reaches: the thread formats far faster than any port sends).
class ConsoleWorker {
public:
    ConsoleWorker();
    ~ConsoleWorker();
    ConsoleWorker(const ConsoleWorker&) = delete;
    ConsoleWorker& operator=(const ConsoleWorker&) = delete;

    // Copies the records the journal took in since the last read, with their labels, and
    // queues them for formatting with `filter`.
    void read(Journal& journal, ConsoleText::Filter filter = ConsoleText::Filter::Both);
    // Takes the lines formatted so far; with `wait`, once everything queued is formatted.
    std::string take(bool wait = false);
    // Records that went before the console showed them: out of the journal's ring before they
    // were read, or while waiting for the thread.
    std::uint64_t missed() const;

private:
    struct Item {
        TrafficRecord record;
        std::string label;
        int utcOffsetMinutes;
        ConsoleText::Filter filter;
    };
    void work();

    ConsoleText m_text;  // the worker's
    std::uint64_t m_next = 0;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake, m_idle;
    std::deque<Item> m_queue;
    std::size_t m_queuedBytes = 0;
    std::uint64_t m_missed = 0;
    std::string m_out;
    bool m_busy = false, m_stop = false;
    std::thread m_thread;
};

}  // namespace printbench::cockpit
