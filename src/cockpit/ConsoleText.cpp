#include "cockpit/ConsoleText.h"

#include "cockpit/StatusNames.h"
#include "cockpit/TimeText.h"
#include "printer/Characters.h"
#include "printer/CommandLog.h"

#include <cstdio>

namespace printbench::cockpit {

namespace {

constexpr std::size_t kHexShown = 24;      // bytes shown in hexadecimal on a line
constexpr std::size_t kCommandsShown = 6;  // commands described on a line

// The commands of one record in words: text gathered into one quoted run.
class Summary : public printer::CommandSink {
public:
    void command(const printer::Command& c) override
    {
        if (c.op == printer::Op::Char) {
            if (!m_inText) add("\"");
            m_inText = true;
            if (m_count <= kCommandsShown) m_out += printer::utf8Of(std::uint32_t(c.a));
            return;
        }
        closeText();
        add(printer::describe(c));
    }
    std::string text()
    {
        closeText();
        if (m_count > kCommandsShown) m_out += " … and " + std::to_string(m_count - kCommandsShown) + " more";
        return m_out;
    }

private:
    void add(const std::string& s)
    {
        if (++m_count > kCommandsShown) return;
        if (m_count > 1) m_out += "; ";
        m_out += s;
    }
    void closeText()
    {
        if (m_inText && m_count <= kCommandsShown) m_out += "\"";
        m_inText = false;
    }

    std::string m_out;
    std::size_t m_count = 0;
    bool m_inText = false;
};

std::string hex(const std::vector<std::uint8_t>& bytes)
{
    std::string s;
    char buf[4];
    for (std::size_t i = 0; i < bytes.size() && i < kHexShown; ++i) {
        std::snprintf(buf, sizeof buf, i ? " %02X" : "%02X", bytes[i]);
        s += buf;
    }
    if (bytes.size() > kHexShown) s += " … (" + std::to_string(bytes.size()) + " bytes)";
    return s;
}

std::string grouped(std::uint64_t n)
{
    std::string digits = std::to_string(n), out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}

} // namespace

std::string ConsoleText::lines(const TrafficRecord& r, Filter filter)
{
    const bool sent = r.direction == link::Traffic::Direction::Sent;
    std::string meaning;
    if (sent) {
        Summary summary;
        (r.route == link::Route::Usb ? m_usb : m_serial).feed(r.bytes, summary);
        meaning = summary.text();
    } else {
        for (const std::uint8_t b : r.bytes) {
            if (!meaning.empty()) meaning += "; ";
            meaning += "status " + hexValue(b) + " " + readStatus(b).meaning;
        }
    }
    if ((filter == Filter::Sent && !sent) || (filter == Filter::Received && sent)) return {};

    std::string out;
    if (r.action != m_lastAction) {
        m_lastAction = r.action;
        const std::string& label = m_journal.actionLabel(r.action);
        out += "── " + (label.empty() ? std::string("(outside any action)") : label) + " ──\n";
    }
    out += stampText(r.atMs, m_journal.utcOffsetMinutes()) + (sent ? "  → " : "  ← ") +
           (r.route == link::Route::Usb ? "USB     " : "serial  ") + hex(r.bytes);
    if (!meaning.empty()) out += "   " + meaning;
    return out + "\n";
}

std::string ConsoleText::droppedText(std::uint64_t records, std::uint64_t bytes)
{
    if (records == 0) return {};
    return "(" + grouped(records) + (records == 1 ? " record, " : " records, ") + grouped(bytes) +
           " bytes dropped from the console's memory)";
}

} // namespace printbench::cockpit
