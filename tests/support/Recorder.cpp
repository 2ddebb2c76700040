#include "support/Recorder.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

namespace printbench::testkit {

std::string hex(std::span<const std::uint8_t> bytes)
{
    std::string out;
    for (const std::uint8_t b : bytes) out += {' ', "0123456789ABCDEF"[b >> 4], "0123456789ABCDEF"[b & 15]};
    return out.empty() ? out : out.substr(1);
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
    for (const char c : s) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\r' || c == '\n' || c == '"') out += c == '\r' ? "\\r" : c == '\n' ? "\\n" : "\\\"";
        else if (u < 0x20 || u == 0x7F) out += "\\x" + hex({&u, 1});
        else out += c;
    }
    return out + "\"";
}

std::vector<std::string> Recorder::lines(std::initializer_list<std::string_view> prefixes) const
{
    std::vector<std::string> out;
    for (const std::string& line : timeline)
        if (std::ranges::any_of(prefixes, [&](std::string_view p) { return line.starts_with(p); })) out.push_back(line);
    return out;
}

std::string Recorder::only(std::initializer_list<std::string_view> prefixes) const
{
    std::string out;
    for (const std::string& line : lines(prefixes)) out += (out.empty() ? "" : " | ") + line;
    return out;
}

std::string Recorder::stream(std::size_t first, std::size_t last) const
{
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = first; i < std::min(last, timeline.size()); ++i) {
        const std::string& line = timeline[i];
        for (const std::string_view prefix : {"serial text ", "serial bytes ", "usb byte "})
            if (line.starts_with(prefix)) std::ranges::copy(unhex(line.substr(prefix.size())), std::back_inserter(bytes));
        if (line.starts_with("usb text \""))  // the quoted text, escapes undone
            for (std::size_t k = 10; k + 1 < line.size(); ++k) {
                const bool escaped = line[k] == '\\';
                const char c = escaped ? line[++k] : line[k];
                bytes.push_back(escaped && c == 'r' ? 0x0D : escaped && c == 'n' ? 0x0A : static_cast<std::uint8_t>(c));
            }
    }
    return hex(bytes);
}

std::size_t Recorder::find(const std::string& line, std::size_t from) const
{
    return std::size_t(std::find(timeline.begin() + long(std::min(from, timeline.size())), timeline.end(), line) - timeline.begin());
}

std::size_t Recorder::count(std::string_view prefix) const
{
    return std::size_t(std::ranges::count_if(timeline, [&](const std::string& l) { return l.starts_with(prefix); }));
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
    const std::size_t rowBytes = std::size_t(width + 7) / 8, stride = (rowBytes + 3) / 4 * 4, h = std::size_t(height);
    std::vector<std::uint8_t> f(62 + stride * h, 0);
    // "BM", file size, offset of the rows, header size, width, height, one plane of one bit, palette.
    for (const auto& [at, v] : {std::pair<std::size_t, std::uint32_t>{0, 0x4D42}, {2, std::uint32_t(f.size())}, {10, 62}, {14, 40},
                                {18, std::uint32_t(width)}, {22, std::uint32_t(height)}, {26, 0x10001}, {54, palette0}, {58, 0xFFFFFF}})
        for (std::size_t i = 0; i < 4; ++i) f[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    for (std::size_t y = 0; y < h && y < rows.size(); ++y)
        std::copy_n(rows[y].begin(), std::min(rows[y].size(), rowBytes), f.begin() + long(62 + stride * (h - 1 - y)));
    return f;
}

} // namespace printbench::testkit
