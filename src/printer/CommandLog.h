#pragma once

#include "printer/Decoder.h"

#include <cstdint>
#include <ostream>
#include <string>

namespace printbench::printer {

// One command in words, for example `ESC * 33 n=16: 24-dot double-density band`.
// Characters are described by the log, which gathers them into runs of text.
std::string describe(const Command& c);

// Writes one line per command: its offset in hexadecimal and its meaning. Consecutive
// characters make one line of text.
class CommandLog : public CommandSink {
public:
    explicit CommandLog(std::ostream& out) : m_out(out) {}
    ~CommandLog() override { flush(); }

    void command(const Command& c) override;
    // Writes the text gathered so far.
    void flush();
    // The same, and hands everything written to the file or terminal at once.
    void sync()
    {
        flush();
        m_out.flush();
    }

    std::uint64_t unknownCount() const { return m_unknown; }

private:
    void line(std::uint64_t offset, const std::string& text);

    std::ostream& m_out;
    std::string m_text;
    std::uint64_t m_textOffset = 0;
    std::uint64_t m_textCount = 0;
    std::uint64_t m_unknown = 0;
};

}  // namespace printbench::printer
