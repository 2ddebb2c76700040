#include "support/Recorder.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

namespace printbench::testkit {

using window::Control;

std::string hex(std::span<const std::uint8_t> bytes)
{
    std::string out;
    char buf[4];
    for (const std::uint8_t b : bytes) out += (std::snprintf(buf, sizeof buf, out.empty() ? "%02X" : " %02X", b), buf);
    return out;
}

std::vector<std::uint8_t> unhex(const std::string& text)
{
    std::vector<std::uint8_t> out;
    std::istringstream in(text);
    for (unsigned v; in >> std::hex >> v;) out.push_back(static_cast<std::uint8_t>(v));
    return out;
}

std::string quoted(const std::string& s)
{
    std::string out = "\"";
    char buf[8];
    for (const char c : s) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\r' || c == '\n' || c == '"') out += c == '\r' ? "\\r" : c == '\n' ? "\\n" : "\\\"";
        else if (u < 0x20 || u == 0x7F) out += (std::snprintf(buf, sizeof buf, "\\x%02X", u), buf);
        else out += c;
    }
    return out + "\"";
}

namespace {

bool startsWith(std::string_view line, std::string_view prefix)
{
    return line.substr(0, prefix.size()) == prefix;
}

} // namespace

link::LinkStatus taken(std::vector<std::uint8_t>& pending, std::vector<std::vector<std::uint8_t>>& writes,
                       const std::optional<std::string>& error)
{
    if (pending.empty()) return {};
    std::vector<std::uint8_t> bytes;
    bytes.swap(pending);
    if (error) return link::LinkStatus::fail(link::LinkFailure::WriteFailed, *error);
    writes.push_back(std::move(bytes));
    return {};
}

link::LinkStatus RecordingSerial::open(const link::SerialSettings& settings, const std::string& devicePath)
{
    lastSettings = settings;
    lastDevice = devicePath;
    m_open = !openError;
    m_r.record("serial open COM" + std::to_string(settings.portNumber) + " " + (openError ? "failed" : settings.text()));
    return openError ? link::LinkStatus::fail(link::LinkFailure::OpenFailed, *openError) : link::LinkStatus{};
}

void RecordingSerial::close()
{
    m_open = false;
    m_pending.clear();
    m_r.record("serial close");
}

void RecordingSerial::write(std::span<const std::uint8_t> bytes, link::OutputForm form)
{
    bytesWritten += bytes.size();
    if (!m_r.recording) return;
    m_r.record(std::string(form == link::OutputForm::Text ? "serial text " : "serial bytes ") + hex(bytes));
    m_pending.insert(m_pending.end(), bytes.begin(), bytes.end());
}

std::optional<std::uint8_t> RecordingSerial::readByte()
{
    if (rx.empty()) return std::nullopt;
    const std::uint8_t b = rx.front();
    rx.pop_front();
    return b;
}

std::int32_t RecordingUsb::openByModel(const std::string& model)
{
    m_r.record("usb open " + model + " -> " + std::to_string(openResult));
    return openResult;
}

void RecordingUsb::sendByte(std::int16_t byte)
{
    ++bytesWritten;
    if (!m_r.recording) return;
    m_pending.push_back(static_cast<std::uint8_t>(byte));
    m_r.record("usb byte " + hex(std::span(&m_pending.back(), 1)));
}

void RecordingUsb::sendText(const std::string& text)
{
    bytesWritten += text.size();
    if (!m_r.recording) return;
    m_r.record("usb text " + quoted(text));
    m_pending.insert(m_pending.end(), text.begin(), text.end());
}

std::int32_t RecordingUsb::status(int member)
{
    const std::int32_t r = statusResults.empty() ? -1 : statusResults.front();
    if (!statusResults.empty()) statusResults.pop_front();
    m_r.record("usb status member " + std::to_string(member) + " -> " + std::to_string(r));
    return r;
}

std::string Recorder::only(std::initializer_list<std::string_view> prefixes) const
{
    std::string out;
    for (const std::string& line : timeline) {
        if (std::any_of(prefixes.begin(), prefixes.end(), [&](std::string_view p) { return startsWith(line, p); }))
            out += (out.empty() ? "" : " | ") + line;
    }
    return out;
}

std::string Recorder::stream(std::size_t first, std::size_t last) const
{
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = first; i < std::min(last, timeline.size()); ++i) {
        const std::string_view line = timeline[i];
        for (const std::string_view prefix : {"serial text ", "serial bytes ", "usb byte "}) {
            if (!startsWith(line, prefix)) continue;
            const auto b = unhex(std::string(line.substr(prefix.size())));
            bytes.insert(bytes.end(), b.begin(), b.end());
        }
        if (!startsWith(line, "usb text \"")) continue;
        // Quoted text: what the bench sends over USB as text, escapes undone.
        const std::string_view text = line.substr(10, line.size() - 11);
        for (std::size_t k = 0; k < text.size(); ++k) {
            const bool escaped = text[k] == '\\';
            const char c = escaped ? text[++k] : text[k];
            bytes.push_back(escaped && c == 'r' ? 0x0D : escaped && c == 'n' ? 0x0A : static_cast<std::uint8_t>(c));
        }
    }
    return hex(bytes);
}

std::size_t Recorder::find(const std::string& line, std::size_t from) const
{
    from = std::min(from, timeline.size());
    return static_cast<std::size_t>(std::find(timeline.begin() + long(from), timeline.end(), line) - timeline.begin());
}

std::size_t Recorder::count(std::string_view prefix) const
{
    return static_cast<std::size_t>(
        std::count_if(timeline.begin(), timeline.end(), [&](const std::string& l) { return startsWith(l, prefix); }));
}

void Recorder::processEvents()
{
    ++eventPasses;
    if (recording) record("events " + std::to_string(eventPasses));
    const auto it = m_script.find(eventPasses);
    if (it == m_script.end()) return;
    const auto actions = it->second;  // a copy: an action may script more
    for (const auto& action : actions) action();
}

void Recorder::message(window::Icon icon, const std::string& text)
{
    static const char* const names[] = {"plain", "information", "warning", "critical"};
    record(std::string("message ") + names[static_cast<int>(icon)] + " " + quoted(text));
}

const Recorder::Field& Recorder::field(Control c) const
{
    static const Field none;
    const auto it = m_fields.find(c);
    return it == m_fields.end() ? none : it->second;
}

void Recorder::setText(Control c, const std::string& text)
{
    m_fields[c].text = text;
    if (recording) record(std::string(window::controlName(c)) + " = " + quoted(text));
}

std::string Recorder::listItem(Control c, int index) const
{
    return index >= 0 && index < listCount(c) ? field(c).items[static_cast<std::size_t>(index)] : std::string();
}

void Recorder::addListItem(Control c, const std::string& item)
{
    m_fields[c].items.push_back(item);
    record(std::string(window::controlName(c)) + " add " + quoted(item));
}

void Recorder::removeListItem(Control c, int index)
{
    Field& f = m_fields[c];
    if (index < 0 || index >= static_cast<int>(f.items.size())) return;
    f.items.erase(f.items.begin() + index);
    if (f.index >= static_cast<int>(f.items.size())) f.index = -1;
    record(std::string(window::controlName(c)) + " remove " + std::to_string(index));
}

void Recorder::setListIndex(Control c, int index)
{
    m_fields[c].index = index;
    if (recording) record(std::string(window::controlName(c)) + " index " + std::to_string(index));
}

void Recorder::setEnabled(Control c, bool enabled)
{
    m_fields[c].enabled = enabled;
    record(std::string(window::controlName(c)) + (enabled ? " enabled" : " disabled"));
}

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "printbench-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
}

void writeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::string readFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::vector<std::uint8_t> monochromeBmp(int width, int height, const std::vector<std::vector<std::uint8_t>>& rows,
                                        std::uint32_t palette0)
{
    const std::size_t rowBytes = std::size_t(width + 7) / 8, stride = (rowBytes + 3) / 4 * 4;
    const auto size = static_cast<std::uint32_t>(62 + stride * std::size_t(height));
    std::vector<std::uint8_t> f(size, 0);
    const auto put32 = [&f](std::size_t at, std::uint32_t v) {
        for (std::size_t i = 0; i < 4; ++i) f[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    f[0] = 'B';
    f[1] = 'M';
    f[26] = f[28] = 1;  // one plane, one bit per pixel
    for (const auto& [at, v] : {std::pair<std::size_t, std::uint32_t>{2, size}, {10, 62}, {14, 40}, {18, std::uint32_t(width)},
                                {22, std::uint32_t(height)}, {54, palette0}, {58, 0x00FFFFFF}})
        put32(at, v);
    for (std::size_t y = 0; y < std::size_t(height) && y < rows.size(); ++y) {
        const std::size_t at = 62 + stride * (std::size_t(height) - 1 - y);
        std::copy_n(rows[y].begin(), std::min(rows[y].size(), rowBytes), f.begin() + long(at));
    }
    return f;
}

} // namespace printbench::testkit
