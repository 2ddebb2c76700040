#include "link/Models.h"
#include "link/SerialSettings.h"
#include "shell/Form1.h"

namespace printbench::shell {

using link::PrinterLink;
using link::Route;

void Form1::OpenSerialPort(int portNumber, const std::string& speedText)
{
    link::SerialSettings settings;
    settings.portNumber = portNumber;
    settings.settings = link::lineSettingsString(speedText);
    settings.handshaking = 2;
    settings.rtsEnable = true;
    settings.inputLen = 1;
    settings.inputMode = 1;
    settings.rThreshold = 1;
    if (!m_link.openSerial(settings)) return;
    // GS a 1: enable Automatic Status Back.
    m_link.SendSerialText("\x1D\x61\x01");
}

void Form1::Combo1_Click()
{
    const PrinterLink::HandlerScope scope(m_link);
    const int port = m_fields.listIndex(Control::Combo2);
    if (link::routeForPortIndex(port) == Route::Serial) OpenSerialPort(port, m_fields.listText(Control::Combo1));
}

void Form1::Combo2_Click()
{
    const PrinterLink::HandlerScope scope(m_link);
    const int port = m_fields.listIndex(Control::Combo2);
    switch (link::routeForPortIndex(port)) {
    case Route::Serial:
        m_fields.setEnabled(Control::Combo1, true);
        OpenSerialPort(port, m_fields.listText(Control::Combo1));
        break;
    case Route::Usb: {
        const std::string model = m_fields.listText(Control::Combo4);
        const std::int32_t r = m_link.OpenUsbPrinter(model);
        m_fields.setEnabled(Control::Combo1, false);
        if (r == 0) {
            MsgBox(Icon::Information, model + " 모델에 USB로 연결되었습니다.");
            m_link.ReadUsbStatus();
        } else {
            MsgBox(Icon::Critical, link::usbErrorText(r));
        }
        break;
    }
    case Route::None:
        break;  // "Port Select" leaves an open port open
    }
}

void Form1::Combo4_Click()
{
    const PrinterLink::HandlerScope scope(m_link);
    const std::string model = m_fields.listText(Control::Combo4);
    if (const auto width = link::modelPrintWidth(model)) m_state.PrintWidthDots = *width;
}

} // namespace printbench::shell
