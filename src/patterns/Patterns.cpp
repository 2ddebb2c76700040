#include "patterns/PatternBytes.h"
#include "shell/Form1.h"
#include "shell/RepeatRun.h"

#include <array>

namespace printbench::shell {

using link::PrinterLink;
using link::Route;

namespace {

constexpr std::string_view kLf("\x0A");
constexpr std::string_view kSelectLine1("\x1A\x31");  // SUB "1"
constexpr std::string_view kSelectLine2("\x1A\x32");  // SUB "2"
constexpr std::string_view kClearLine("\x1A\x43");    // SUB "C"
constexpr std::string_view kStartPrint("\x1A\x4F");   // SUB "O"
constexpr std::string_view kFinishPrint("\x1A\x46");  // SUB "F"
constexpr std::string_view kSpacing24("\x1B\x33\x18");  // ESC 3 24
constexpr std::string_view kDefaultSpacing("\x1B\x32");  // ESC 2
constexpr std::string_view kStatusRequest("\x10\x04\x02", 3);  // DLE EOT 2

} // namespace

void Form1::sendCommand(Route route, std::string_view bytes)
{
    if (route == Route::Serial) {
        m_link.SendSerialText(bytes);
    } else if (route == Route::Usb) {
        for (const char b : bytes) m_link.SendUsbByte(static_cast<std::uint8_t>(b));
    }
}

void Form1::sendDotRun(Route route, std::uint16_t start, std::uint16_t end)
{
    const std::array<std::uint8_t, 4> positions{static_cast<std::uint8_t>(start & 0xFF), static_cast<std::uint8_t>(start >> 8),
                                                static_cast<std::uint8_t>(end & 0xFF), static_cast<std::uint8_t>(end >> 8)};
    sendCommand(route, "\x1A\x57");  // SUB "W"
    for (const std::uint8_t b : positions) {
        if (route == Route::Serial) m_link.SendSerialBytes(std::span(&b, 1));
        else if (route == Route::Usb) m_link.SendUsbByte(b);
    }
}

// --- Bit pattern -------------------------------------------------------------------------

void Form1::Command10_Click()
{
    const PrinterLink::HandlerScope scope(m_link);
    if (refuseWithoutPort()) return;
    PrintBitPattern();
}

// Two pattern lines of 24-dot runs, the second in the gaps of the first, printed alternately at
// 24-dot spacing: twenty lines a repetition, a second's pause, and on serial a status request.
// A stop ends the run at the start of the next repetition, without the closing commands.
void Form1::PrintBitPattern()
{
    RepeatRun run(*this);
    const Route route = m_link.route();
    if (route == Route::None) return;

    for (const auto command : {kSelectLine1, kClearLine, kSelectLine2, kClearLine, kSpacing24})
        sendCommand(route, command);
    if (run.stopRequested()) return;
    for (const int line : {1, 2}) {
        sendCommand(route, line == 1 ? kSelectLine1 : kSelectLine2);
        for (const auto& r : patterns::bitPatternRuns(m_state.PrintWidthDots, line)) sendDotRun(route, r.start, r.end);
    }
    if (route == Route::Serial) sendCommand(route, kLf);
    sendCommand(route, kStartPrint);

    for (;;) {
        run.letEventsIn();
        run.begin(false);
        if (run.stopRequested()) return;
        setText(Control::Text4, std::to_string(run.begun()));
        for (int i = 0; i < 10; ++i) {
            for (const auto command : {kSelectLine1, kLf, kSelectLine2, kLf}) sendCommand(route, command);
        }
        Wait(1000);
        run.finish();
        if (route == Route::Serial) sendCommand(route, kStatusRequest);
        if (run.countReached()) {
            if (route == Route::Serial) sendCommand(route, kClearLine);
            sendCommand(route, kFinishPrint);
            sendCommand(route, kDefaultSpacing);
            return;
        }
    }
}

// --- Tile pattern ------------------------------------------------------------------------

void Form1::Command11_Click()
{
    const PrinterLink::HandlerScope scope(m_link);
    if (refuseWithoutPort()) return;
    PrintTilePattern();
}

// A grid of box-drawing characters across the print width, once a repetition. Every
// repetition sends its opening commands before the stop test, so a stopped run still sends
// them once more.
void Form1::PrintTilePattern()
{
    RepeatRun run(*this);
    const Route route = m_link.route();
    if (route == Route::None) return;
    if (route == Route::Serial) Density();

    for (;;) {
        run.letEventsIn();
        run.begin();
        // SUB "x" 1 (serial) or SUB "x" "1" (USB), FS ., ESC 3 24.
        sendCommand(route, route == Route::Serial ? std::string_view("\x1A\x78\x01") : std::string_view("\x1A\x78\x31"));
        sendCommand(route, "\x1C\x2E");
        sendCommand(route, kSpacing24);
        if (run.stopRequested()) return;

        for (const auto& row : patterns::tileGridRows(m_state.PrintWidthDots)) {
            for (const std::uint8_t b : row) {
                if (route == Route::Serial) m_link.SendSerialBytes(std::span(&b, 1));
                else m_link.SendUsbByte(b);
            }
            sendCommand(route, kLf);
        }
        if (route == Route::Serial) sendCommand(route, kLf);
        Wait(1000);
        if (route == Route::Serial) sendCommand(route, kStatusRequest);
        else m_link.ReadUsbStatus();
        run.finish();
        if (run.countReached()) {
            if (route == Route::Serial) {
                sendCommand(route, "\x1B\x33\x20");                       // ESC 3 32
                sendCommand(route, std::string_view("\x1A\x78\x00", 3));  // SUB "x" 0
            } else {
                // ESC 3 "2" and SUB "x" 0, the letters as text: 1B 33 32 1A 78 00 on the wire.
                m_link.SendUsbByte(0x1B);
                m_link.SendUsbByte(0x33);
                m_link.SendUsbText("2");
                m_link.SendUsbByte(0x1A);
                m_link.SendUsbText("x");
                m_link.SendUsbByte(0x00);
            }
            return;
        }
    }
}

// --- Test pattern ------------------------------------------------------------------------

void Form1::Command9_Click()
{
    const PrinterLink::HandlerScope scope(m_link);
    if (refuseWithoutPort()) return;
    PrintTestPattern();
}

// Line 1 a full-width run, defined once; line 2 runs of two dots in every three, sent again in
// every repetition with the width read afresh; ten lines of each printed per repetition, with
// no pause between repetitions.
void Form1::PrintTestPattern()
{
    Density();
    RepeatRun run(*this);
    const Route route = m_link.route();
    if (route == Route::None) return;

    for (const auto command : {kSpacing24, kSelectLine1, kClearLine, kSelectLine2, kClearLine, kSelectLine1})
        sendCommand(route, command);
    sendDotRun(route, 0, static_cast<std::uint16_t>(m_state.PrintWidthDots));
    sendCommand(route, kSelectLine2);

    for (;;) {
        run.letEventsIn();
        if (run.stopRequested()) return;
        for (const auto& r : patterns::testPatternRuns(m_state.PrintWidthDots)) sendDotRun(route, r.start, r.end);
        run.begin();
        sendCommand(route, kLf);
        sendCommand(route, kStartPrint);
        if (run.stopRequested()) return;
        for (int i = 0; i < 10; ++i) {
            sendCommand(route, kSelectLine1);
            sendCommand(route, kLf);
        }
        for (const auto command : {kFinishPrint, kLf, kStartPrint}) sendCommand(route, command);
        for (int i = 0; i < 10; ++i) {
            sendCommand(route, kSelectLine2);
            sendCommand(route, kLf);
        }
        if (run.stopRequested()) return;
        run.finish();
        if (route == Route::Serial) sendCommand(route, kStatusRequest);
        else m_link.ReadUsbStatus();
        if (run.countReached()) {
            sendCommand(route, kFinishPrint);
            sendCommand(route, kDefaultSpacing);
            return;
        }
    }
}

} // namespace printbench::shell
