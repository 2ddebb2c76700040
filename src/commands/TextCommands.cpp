#include "commands/CommandBytes.h"
#include "shell/Form1.h"
#include "shell/RepeatRun.h"

#include <string>

namespace printbench::shell {

using link::PrinterLink;
using link::Route;

namespace {

constexpr std::string_view kStatusRequest("\x10\x04\x02", 3);  // DLE EOT 2

} // namespace

// The text as typed (line breaks inside it as CR LF), ended by LF on serial and CR LF on USB,
// then ESC J 127 and the status before and after the delay.
void Form1::SendTextOutput()
{
    const std::string text = m_fields.text(Control::Text1);
    const Route route = m_link.route();
    if (route == Route::None) return;
    if (route == Route::Serial) {
        m_link.SendSerialText(text + "\n");
        m_link.SendSerialText("\x1B\x4A\x7F");  // ESC J 127
    } else {
        m_link.SendUsbText(text + "\r\n");
        for (const std::int16_t b : {27, 74, 127}) m_link.SendUsbByte(b);
    }
    statusAroundDelay(route);
}

void Form1::printHBlock()
{
    const int letters = commands::hLineLength(m_state.PrintWidthDots);
    if (letters == 0) return;
    const std::string line(static_cast<std::size_t>(letters), 'H');
    const Route route = m_link.route();
    for (int i = 0; i < commands::kHLinesPerBlock; ++i) {
        if (route == Route::Serial) {
            m_link.SendSerialText(line + "\n");
        } else if (route == Route::Usb) {
            m_link.SendUsbText(line);
            m_link.SendUsbByte(10);
        }
    }
}

void Form1::SendPrintH()
{
    const Route route = m_link.route();
    if (route == Route::None) return;
    printHBlock();
    Wait(delayMs());
    if (route == Route::Serial) m_link.SendSerialText(kStatusRequest);
    else m_link.ReadUsbStatus();
}

void Form1::Command8_Click()
{
    const PrinterLink::HandlerScope scope(m_link);
    if (refuseWithoutPort()) return;
    RunHDiagram();
}

// One block of H, then a status poll a second until "Repeat Rating" polls have finished or
// the run is stopped.
void Form1::RunHDiagram()
{
    RepeatRun run(*this);
    printHBlock();
    if (m_link.route() == Route::Serial) setText(Control::Text4, "0");
    for (;;) {
        run.letEventsIn();
        run.begin(false);
        if (run.stopRequested()) return;
        // The port list may have changed during the event pass: the route is read afresh.
        const Route route = m_link.route();
        if (route == Route::Usb) setText(Control::Text4, std::to_string(run.begun()));
        Wait(1000);
        if (route == Route::Serial) m_link.SendSerialText(kStatusRequest);
        else if (route == Route::Usb) m_link.ReadUsbStatus();
        run.finish();
        if (run.countReached()) return;
    }
}

} // namespace printbench::shell
