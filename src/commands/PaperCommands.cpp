#include "commands/CommandBytes.h"
#include "shell/Form1.h"

#include <array>

namespace printbench::shell {

using link::Route;

namespace {

constexpr std::string_view kStatusRequest("\x10\x04\x02", 3);  // DLE EOT 2

} // namespace

void Form1::statusAroundDelay(Route route)
{
    for (int i = 0; i < 2; ++i) {
        if (i == 1) Wait(delayMs());
        if (route == Route::Serial) m_link.SendSerialText(kStatusRequest);
        else if (route == Route::Usb) m_link.ReadUsbStatus();
    }
}

void Form1::sendPaperCommand(std::string_view serialBytes, std::string_view usbBytes)
{
    const Route route = m_link.route();
    if (route == Route::None) return;
    if (route == Route::Serial) m_link.SendSerialText(serialBytes);
    else for (const char b : usbBytes) m_link.SendUsbByte(static_cast<std::uint8_t>(b));
    statusAroundDelay(route);
}

// ESC i and ESC m.
void Form1::SendFullCut() { sendPaperCommand("\x1B\x69", "\x1B\x69"); }
void Form1::SendPartialCut() { sendPaperCommand("\x1B\x6D", "\x1B\x6D"); }

// SUB "b" n: over serial n is 1, 0, 3, 2; over USB the same moves take "1", 0, "3", "2".
void Form1::SendBlackMarkForward() { sendPaperCommand("\x1A\x62\x01", "\x1A\x62\x31"); }
void Form1::SendBlackMarkOutForward()
{
    sendPaperCommand(std::string_view("\x1A\x62\x00", 3), std::string_view("\x1A\x62\x00", 3));
}
void Form1::SendBlackMarkReverse() { sendPaperCommand("\x1A\x62\x03", "\x1A\x62\x33"); }
void Form1::SendBlackMarkOutReverse() { sendPaperCommand("\x1A\x62\x02", "\x1A\x62\x32"); }

// ESC J in parts of at most 255 dots. A split feed returns at once, without the delay; no
// feed asks for the status.
void Form1::SendFeed()
{
    const Route route = m_link.route();
    if (route == Route::None) return;
    const std::vector<std::uint8_t> parts = commands::feedParts(wholeNumber(m_fields.text(Control::Text10), 1010));
    for (const std::uint8_t part : parts) {
        if (route == Route::Serial) {
            m_link.SendSerialText("\x1B\x4A");
            const std::array<std::uint8_t, 1> amount{part};
            m_link.SendSerialBytes(amount);
        } else {
            for (const std::int16_t b : {0x1B, 0x4A, static_cast<int>(part)}) m_link.SendUsbByte(b);
        }
    }
    if (parts.size() == 1) Wait(delayMs());
}

} // namespace printbench::shell
