#pragma once

#include "cockpit/Journal.h"
#include "printer/Decoder.h"

#include <cstdint>
#include <string>

namespace printbench::cockpit {

// The traffic console's text: one line per traffic record, under a heading line for each
// action, with the time to the millisecond, the direction, the route, the bytes in hexadecimal
// and what they mean. Sent bytes are decoded as the virtual printer decodes them (a decoder
// per route, so a command cut between two sends reads whole); received bytes are status values.
class ConsoleText {
public:
    enum class Filter { Both, Sent, Received };

    explicit ConsoleText(const Journal& journal) : m_journal(journal) {}

    // The lines of one record (a heading first when its action differs from the last one),
    // each ending in '\n'. Records filtered out still go through the decoders.
    std::string lines(const TrafficRecord& r, Filter filter = Filter::Both);

    // "(1,234 records, 56,789 bytes dropped from the console's memory)", or empty.
    static std::string droppedText(std::uint64_t records, std::uint64_t bytes);

private:
    const Journal& m_journal;
    printer::Decoder m_serial, m_usb;
    std::uint64_t m_lastAction = UINT64_MAX;
};

} // namespace printbench::cockpit
