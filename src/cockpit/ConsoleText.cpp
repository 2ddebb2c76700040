#include "cockpit/ConsoleText.h"

#include "cockpit/StatusNames.h"
#include "cockpit/TimeText.h"
#include "printer/Characters.h"
#include "printer/CommandLog.h"

#include <cstdio>
#include <utility>

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
            if (m_count <= kCommandsShown) m_out += printer::utf8Of(std::uint32_t(c.a), static_cast<std::uint8_t>(c.b));
            return;
        }
        if (printer::continues(c)) return;
        closeText();
        if (m_count >= kCommandsShown) ++m_count;  // counted, not described
        else add(printer::describe(c));
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

void appendHex(std::string& s, const std::vector<std::uint8_t>& bytes)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    for (std::size_t i = 0; i < bytes.size() && i < kHexShown; ++i) {
        if (i) s += ' ';
        s += digits[bytes[i] >> 4];
        s += digits[bytes[i] & 0xF];
    }
    if (bytes.size() > kHexShown) s += " … (" + std::to_string(bytes.size()) + " bytes)";
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

}  // namespace

std::string ConsoleText::lines(const TrafficRecord& r, const std::string& label, int utcOffsetMinutes, Filter filter)
{
    const bool sent = r.direction == link::Traffic::Direction::Sent;
    std::string meaning;
    if (sent) {
        Summary summary;
        (r.route == link::Route::Usb ? m_usb : m_serial).feed(r.bytes, summary);
        meaning = summary.text();
    } else if (r.answer) {
        meaning = "answer to the identity query";
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
        out += "── " + (label.empty() ? std::string("(outside any action)") : label) + " ──\n";
    }
    out += stampText(r.atMs, utcOffsetMinutes);
    out += sent ? "  → " : "  ← ";
    out += r.route == link::Route::Usb ? "USB     " : "serial  ";
    appendHex(out, r.bytes);
    if (!meaning.empty()) {
        out += "   ";
        out += meaning;
    }
    out += '\n';
    return out;
}

std::string ConsoleText::droppedText(std::uint64_t records)
{
    if (records == 0) return {};
    return "(" + grouped(records) + (records == 1 ? " record" : " records") +
           " dropped before the console showed them)";
}

// --- The worker ------------------------------------------------------------------------------

namespace {
constexpr std::size_t kWaitingBound = std::size_t(2) << 20;
}

ConsoleWorker::ConsoleWorker() : m_thread([this] { work(); })
{}

ConsoleWorker::~ConsoleWorker()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

void ConsoleWorker::read(Journal& journal, ConsoleText::Filter filter)
{
    std::deque<Item> items;
    std::size_t bytes = 0;
    const std::uint64_t gone = m_next < journal.firstTrafficSeq() ? journal.firstTrafficSeq() - m_next : 0;
    m_next = journal.readTraffic(m_next, [&](const TrafficRecord& r) {
        items.push_back({r, journal.actionLabel(r.action), journal.utcOffsetMinutes(), filter});
        bytes += r.bytes.size();
    });
    {
        const std::lock_guard lock(m_mutex);
        m_missed += gone;
        for (Item& item : items) m_queue.push_back(std::move(item));
        m_queuedBytes += bytes;
        while (m_queuedBytes > kWaitingBound && m_queue.size() > 1) {
            m_queuedBytes -= m_queue.front().record.bytes.size();
            m_queue.pop_front();
            ++m_missed;
        }
    }
    m_wake.notify_one();
}

std::string ConsoleWorker::take(bool wait)
{
    std::unique_lock lock(m_mutex);
    if (wait) m_idle.wait(lock, [this] { return m_queue.empty() && !m_busy; });
    return std::exchange(m_out, {});
}

std::uint64_t ConsoleWorker::missed() const
{
    const std::lock_guard lock(m_mutex);
    return m_missed;
}

void ConsoleWorker::work()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stop || !m_queue.empty(); });
        if (m_stop) return;
        Item item = std::move(m_queue.front());
        m_queue.pop_front();
        m_queuedBytes -= item.record.bytes.size();
        m_busy = true;
        lock.unlock();
        std::string text = m_text.lines(item.record, item.label, item.utcOffsetMinutes, item.filter);
        lock.lock();
        m_out += text;
        m_busy = false;
        if (m_queue.empty()) m_idle.notify_all();
    }
}

}  // namespace printbench::cockpit
