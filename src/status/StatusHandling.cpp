#include "status/StatusHandling.h"

#include "link/StatusText.h"
#include "shell/Form1.h"

namespace printbench::status {

FaultClass faultClass(std::uint8_t v)
{
    if (v == 0 || v == 8 || v == 10 || (v >= 16 && v <= 31)) return FaultClass::Normal;
    if (v <= 9) return FaultClass::Fault;
    return FaultClass::FaultWithSettle;
}

} // namespace printbench::status

namespace printbench::shell {

using link::PrinterLink;
using link::Route;

namespace {

constexpr std::string_view kRecover("\x10\x05\x02", 3);  // DLE ENQ 2

} // namespace

// Serial receive: shows the last byte waiting (earlier ones of the same notification are
// dropped) and acts on a fault: stop any run, ask the printer to recover.
void Form1::MSComm1_OnComm(int event)
{
    if (event != 2) return;
    setText(Control::Text6, "");
    setText(Control::Text7, "");
    setText(Control::Text7, link::upperHex(static_cast<std::uint32_t>(m_link.serialPort().bytesWaiting())));

    const int n = m_link.serialPort().bytesWaiting();
    std::uint8_t v = 0;
    for (int i = 0; i < n; ++i) {
        if (const auto b = m_link.serialPort().readByte()) v = *b;
    }
    std::string shown = "Hex : ";
    if (v < 16) shown += "0";
    setText(Control::Text6, shown);

    const status::FaultClass fault = status::faultClass(v);
    if (fault != status::FaultClass::Normal) {
        m_state.StopRequested = 1;
        m_link.SendSerialText(kRecover);
        if (fault == status::FaultClass::FaultWithSettle) Wait(300);
    }
    setText(Control::Text6, shown + link::upperHex(v));
}

void Form1::Command5_Click()
{
    const PrinterLink::HandlerScope scope(m_link);
    if (refuseWithoutPort()) return;
    switch (m_link.route()) {
    case Route::Serial:
        m_link.SendSerialText("\x1D\x61\x01");                     // GS a 1
        m_link.SendSerialText(std::string_view("\x10\x04\x02", 3));  // DLE EOT 2
        break;
    case Route::Usb:
        m_link.ReadUsbStatus();
        break;
    case Route::None:
        break;
    }
}

void Form1::Command4_Click()
{
    const PrinterLink::HandlerScope scope(m_link);
    if (refuseWithoutPort()) return;
    switch (m_link.route()) {
    case Route::Serial:
        m_link.SendSerialText(kRecover);
        Wait(300);
        m_link.SendSerialText("\x1B\x40");      // ESC @
        m_link.SendSerialText("\x1D\x61\x01");  // GS a 1
        break;
    case Route::Usb:
        for (const std::int16_t b : {0x10, 0x05, 0x02}) m_link.SendUsbByte(b);
        Wait(300);
        for (const std::int16_t b : {0x1B, 0x40, 0x1D, 0x61, 0x01}) m_link.SendUsbByte(b);
        break;
    case Route::None:
        break;
    }
    setListIndex(Control::Combo3, 5);
    setText(Control::Text2, "1");
    setText(Control::Text4, "0");
    setText(Control::Text5, "500");
    setText(Control::Text6, "0");
}

} // namespace printbench::shell
