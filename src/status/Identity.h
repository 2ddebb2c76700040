#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace printbench::link {
class PrinterLink;
}

namespace printbench::status {

// What the printer said of itself when asked with GS I n; a field stays empty when no answer
// came. On USB the device ID's MFG, MDL and SN come too.
struct PrinterIdentity {
    std::optional<std::uint8_t> modelId, typeId, romVersion;                     // n = 1, 2, 3
    std::optional<std::string> firmware, maker, modelName, serialNumber, fonts;  // n = 65 to 69
    std::optional<std::string> usbMaker, usbModel, usbSerial;

    // Each query by name with what came back, or "no answer": "Model ID: 0x20", ...
    std::vector<std::pair<std::string, std::string>> rows() const;
    bool empty() const;
};

// The queries, in the order they are sent: n and what it asks for.
struct IdentityQuery {
    std::uint8_t n;
    const char* name;
    bool text;  // answered as 5F, ASCII text, 00; otherwise one byte
};
// clang-format off
inline constexpr IdentityQuery kIdentityQueries[] = {
    {1, "Model ID", false},         {2, "Type ID", false},  {3, "ROM version", false},
    {65, "Firmware version", true}, {66, "Maker", true},    {67, "Model name", true},
    {68, "Serial number", true},    {69, "Fonts", true},
};
// clang-format on

// Takes the bytes of one answer as they arrive; complete once the answer is whole. A text
// answer is 5F, then its text, then 00; bytes before its 5F are not part of it.
class IdentityAnswer {
public:
    explicit IdentityAnswer(bool text) : m_text(text) {}
    void take(std::uint8_t b);
    bool complete() const { return m_complete; }
    std::optional<std::uint8_t> byte() const { return m_complete && !m_text ? std::optional(m_byte) : std::nullopt; }
    std::optional<std::string> text() const { return m_complete && m_text ? std::optional(m_body) : std::nullopt; }

private:
    bool m_text;
    bool m_started = false, m_complete = false;
    std::uint8_t m_byte = 0;
    std::string m_body;
};

// Asks the printer on the link's chosen route who it is: GS I n for each query, one at a time,
// each waiting up to `waitMs` for its answer in waits of 10 ms (no event pass: every byte that
// arrives meanwhile is the identity's, not a status; bytes waiting before it are the receive
// handler's, which the caller lets read them first). On USB the answers are read from the
// printer's IN endpoint (what it sent unasked read away first), and the device ID is read too.
PrinterIdentity ReadIdentity(link::PrinterLink& link, std::int64_t waitMs = 1000);

}  // namespace printbench::status
