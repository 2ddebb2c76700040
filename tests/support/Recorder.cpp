#include "support/Recorder.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

namespace printbench::testkit {

using shell::Control;
using shell::controlName;

std::string hex(std::span<const std::uint8_t> bytes)
{
    std::string out;
    char buf[4];
    for (std::uint8_t b : bytes) {
        std::snprintf(buf, sizeof buf, "%02X", b);
        if (!out.empty()) out += ' ';
        out += buf;
    }
    return out;
}

std::vector<std::uint8_t> unhex(const std::string& text)
{
    std::vector<std::uint8_t> out;
    std::istringstream in(text);
    for (unsigned v; in >> std::hex >> v;) out.push_back(static_cast<std::uint8_t>(v));
    return out;
}

namespace {

// Quoted text with control characters escaped, so that a timeline line stays on one line.
std::string quoted(const std::string& s)
{
    std::string out = "\"";
    for (char c : s) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\r') out += "\\r";
        else if (c == '\n') out += "\\n";
        else if (c == '"') out += "\\\"";
        else if (u < 0x20 || u == 0x7F) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", u);
            out += buf;
        } else out += c;
    }
    return out + "\"";
}

const char* iconName(shell::Icon icon)
{
    switch (icon) {
    case shell::Icon::None: return "plain";
    case shell::Icon::Information: return "information";
    case shell::Icon::Warning: return "warning";
    case shell::Icon::Critical: return "critical";
    }
    return "?";
}

} // namespace

// --- serial ---

link::LinkStatus RecordingSerial::open(const link::SerialSettings& settings, const std::string& devicePath)
{
    lastSettings = settings;
    lastDevice = devicePath;
    if (openError) {
        m_r.record("serial open COM" + std::to_string(settings.portNumber) + " failed");
        return link::LinkStatus::fail(link::LinkFailure::OpenFailed, *openError);
    }
    m_open = true;
    m_r.record("serial open COM" + std::to_string(settings.portNumber) + " " + settings.settings);
    return link::LinkStatus::ok();
}

void RecordingSerial::close()
{
    m_open = false;
    m_pending.clear();
    m_r.record("serial close");
}

void RecordingSerial::write(std::span<const std::uint8_t> bytes, link::OutputForm form)
{
    m_r.record(std::string(form == link::OutputForm::Text ? "serial text " : "serial bytes ") + hex(bytes));
    m_pending.insert(m_pending.end(), bytes.begin(), bytes.end());
}

link::LinkStatus RecordingSerial::flush()
{
    if (m_pending.empty()) return link::LinkStatus::ok();
    if (flushError) {
        m_pending.clear();
        return link::LinkStatus::fail(link::LinkFailure::WriteFailed, *flushError);
    }
    osWrites.push_back(std::move(m_pending));
    m_pending.clear();
    return link::LinkStatus::ok();
}

std::optional<std::uint8_t> RecordingSerial::readByte()
{
    if (rx.empty()) return std::nullopt;
    const std::uint8_t b = rx.front();
    rx.pop_front();
    return b;
}

// --- USB ---

std::int32_t RecordingUsb::openByModel(const std::string& model)
{
    m_r.record("usb open " + model + " -> " + std::to_string(openResult));
    return openResult;
}

void RecordingUsb::sendByte(std::int16_t byte)
{
    const auto b = static_cast<std::uint8_t>(byte);
    m_r.record("usb byte " + hex(std::span(&b, 1)));
    m_pending.push_back(b);
}

void RecordingUsb::sendText(const std::string& text)
{
    m_r.record("usb text " + quoted(text));
    m_pending.insert(m_pending.end(), text.begin(), text.end());
}

std::int32_t RecordingUsb::readStatusOldFirmware()
{
    std::int32_t r = -1;
    if (!statusResults.empty()) {
        r = statusResults.front();
        statusResults.pop_front();
    }
    m_r.record("usb status member 5 -> " + std::to_string(r));
    return r;
}

std::int32_t RecordingUsb::readStatus()
{
    std::int32_t r = -1;
    if (!statusResults.empty()) {
        r = statusResults.front();
        statusResults.pop_front();
    }
    m_r.record("usb status member 6 -> " + std::to_string(r));
    return r;
}

link::LinkStatus RecordingUsb::flush()
{
    if (m_pending.empty()) return link::LinkStatus::ok();
    if (flushError) {
        m_pending.clear();
        return link::LinkStatus::fail(link::LinkFailure::WriteFailed, *flushError);
    }
    transfers.push_back(std::move(m_pending));
    m_pending.clear();
    return link::LinkStatus::ok();
}

// --- timeline ---

std::vector<std::string> Recorder::only(std::initializer_list<std::string_view> prefixes) const
{
    std::vector<std::string> out;
    for (const auto& line : timeline) {
        for (std::string_view p : prefixes) {
            if (std::string_view(line).substr(0, p.size()) == p) {
                out.push_back(line);
                break;
            }
        }
    }
    return out;
}

std::vector<std::string> Recorder::wire() const
{
    return only({"serial ", "usb ", "sleep ", "events ", "message ", "end program"});
}

std::string Recorder::stream(std::size_t first, std::size_t last) const
{
    std::string out;
    const auto append = [&out](std::string_view hexBytes) {
        if (hexBytes.empty()) return;
        if (!out.empty()) out += ' ';
        out += hexBytes;
    };
    for (std::size_t i = first; i < std::min(last, timeline.size()); ++i) {
        const std::string_view line = timeline[i];
        for (std::string_view prefix : {"serial text ", "serial bytes ", "usb byte "}) {
            if (line.substr(0, prefix.size()) == prefix) append(line.substr(prefix.size()));
        }
        if (line.substr(0, 10) == "usb text \"") {
            // Quoted printable text; the patterns and commands send ASCII only.
            const std::string_view text = line.substr(10, line.size() - 11);
            std::vector<std::uint8_t> bytes;
            for (std::size_t k = 0; k < text.size(); ++k) {
                if (text[k] == '\\' && k + 1 < text.size()) {
                    const char e = text[++k];
                    bytes.push_back(e == 'r' ? 0x0D : e == 'n' ? 0x0A : static_cast<std::uint8_t>(e));
                } else {
                    bytes.push_back(static_cast<std::uint8_t>(text[k]));
                }
            }
            append(hex(bytes));
        }
    }
    return out;
}

std::size_t Recorder::find(const std::string& line, std::size_t from) const
{
    for (std::size_t i = from; i < timeline.size(); ++i) {
        if (timeline[i] == line) return i;
    }
    return timeline.size();
}

void Recorder::atEventPass(int n, std::function<void()> action)
{
    m_script[n].push_back(std::move(action));
}

void Recorder::receive(std::initializer_list<std::uint8_t> bytes)
{
    serial.rx.insert(serial.rx.end(), bytes.begin(), bytes.end());
}

void Recorder::deliverReceive()
{
    if (serial.listener) serial.listener->serialDataArrived();
}

// --- host ---

void Recorder::sleep(std::int64_t ms)
{
    record("sleep " + std::to_string(ms));
    clockMs += ms;
}

void Recorder::processEvents()
{
    ++eventPasses;
    record("events " + std::to_string(eventPasses));
    const auto it = m_script.find(eventPasses);
    if (it == m_script.end()) return;
    const auto actions = it->second;
    for (const auto& action : actions) action();
}

void Recorder::message(shell::Icon icon, const std::string& text)
{
    record(std::string("message ") + iconName(icon) + " " + quoted(text));
}

void Recorder::endProgram()
{
    programEnded = true;
    record("end program");
}

// --- fields ---

const Recorder::Field* Recorder::find(Control c) const
{
    const auto it = m_fields.find(c);
    return it == m_fields.end() ? nullptr : &it->second;
}

std::string Recorder::text(Control c) const
{
    const Field* f = find(c);
    return f ? f->text : std::string();
}

void Recorder::setText(Control c, const std::string& text)
{
    field(c).text = text;
    record(std::string(controlName(c)) + " = " + quoted(text));
}

int Recorder::listCount(Control c) const
{
    const Field* f = find(c);
    return f ? static_cast<int>(f->items.size()) : 0;
}

std::string Recorder::listItem(Control c, int index) const
{
    const Field* f = find(c);
    if (!f || index < 0 || index >= static_cast<int>(f->items.size())) return {};
    return f->items[static_cast<std::size_t>(index)];
}

void Recorder::addListItem(Control c, const std::string& item)
{
    field(c).items.push_back(item);
    record(std::string(controlName(c)) + " add " + quoted(item));
}

void Recorder::removeListItem(Control c, int index)
{
    Field& f = field(c);
    if (index < 0 || index >= static_cast<int>(f.items.size())) return;
    f.items.erase(f.items.begin() + index);
    if (f.index >= static_cast<int>(f.items.size())) f.index = -1;
    record(std::string(controlName(c)) + " remove " + std::to_string(index));
}

int Recorder::listIndex(Control c) const
{
    const Field* f = find(c);
    return f ? f->index : -1;
}

void Recorder::setListIndex(Control c, int index)
{
    field(c).index = index;
    record(std::string(controlName(c)) + " index " + std::to_string(index));
}

bool Recorder::checked(Control c) const
{
    const Field* f = find(c);
    return f && f->checked;
}

void Recorder::setEnabled(Control c, bool enabled)
{
    field(c).enabled = enabled;
    record(std::string(controlName(c)) + (enabled ? " enabled" : " disabled"));
}

bool Recorder::isEnabled(Control c) const
{
    const Field* f = find(c);
    return !f || f->enabled;
}

} // namespace printbench::testkit
