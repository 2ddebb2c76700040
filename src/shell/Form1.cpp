#include "shell/Form1.h"

#include <cstdint>

namespace printbench::shell {

using link::PrinterLink;

Form1::Form1(Host& host, WindowFields& fields, link::SerialPort& serial, link::UsbControl& usb,
             std::filesystem::path portFolder)
    : m_host(host), m_fields(fields), m_link(serial, usb, host, fields, m_state, std::move(portFolder))
{
    m_link.setReceiveHandler([this](int event) { MSComm1_OnComm(event); });
}

void Form1::Form_Load()
{
    const PrinterLink::HandlerScope scope(m_link);

    for (const char* speed : {"1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"})
        m_fields.addListItem(Control::Combo1, speed);
    setListIndex(Control::Combo1, 4);

    m_fields.addListItem(Control::Combo2, "Port Select");
    for (int n = 1; n <= 11; ++n) m_fields.addListItem(Control::Combo2, "COM" + std::to_string(n));
    m_fields.addListItem(Control::Combo2, "USB");
    setListIndex(Control::Combo2, 0);

    for (const char* step : {"-5", "-4", "-3", "-2", "-1", "0", "+1", "+2", "+3", "+4", "+5"})
        m_fields.addListItem(Control::Combo3, step);
    setListIndex(Control::Combo3, 5);

    for (const char* model : {"KL-310", "KL-320", "KL-330", "KL-340", "KL-350", "KL-360", "KR-410", "KR-420", "KR-430"})
        m_fields.addListItem(Control::Combo4, model);
    setListIndex(Control::Combo4, 0);

    for (const char* command : {"Print H", "Text Output", "Feed", "Full Cut", "Partial Cut", "BlackMark(Forward)",
                                "BlackMark Out(Forward)", "BlackMark(Reverse)", "BlackMark Out(Reverse)"})
        m_fields.addListItem(Control::List1, command);

    setText(Control::Text9, std::to_string(m_fields.listCount(Control::List2)));

    // The model list's Click set 448 for "KL-310"; the start-up width is 432 all the same.
    m_state.PrintWidthDots = 432;

    setText(Control::Text1, "Please enter the text you want to output.");
    setText(Control::Text2, "1");
    setText(Control::Text4, "0");
    setText(Control::Text5, "500");
    setText(Control::Text6, "0");
    setText(Control::Text10, "100");
}

void Form1::Command1_Click()
{
    const PrinterLink::HandlerScope scope(m_link);
    m_link.flush();
    m_link.closeSerial();
    m_host.endProgram();
}

void Form1::Text1_DblClick()
{
    const PrinterLink::HandlerScope scope(m_link);
    setText(Control::Text1, "");
}

void Form1::setText(Control c, const std::string& text)
{
    m_fields.setText(c, text);
    switch (c) {
    case Control::Text2: Text2_Change(); break;
    case Control::Text5: Text5_Change(); break;
    case Control::Text10: Text10_Change(); break;
    default: break;
    }
}

void Form1::setListIndex(Control c, int index)
{
    m_fields.setListIndex(c, index);
    switch (c) {
    case Control::Combo1: Combo1_Click(); break;
    case Control::Combo2: Combo2_Click(); break;
    case Control::Combo4: Combo4_Click(); break;
    default: break;  // the density list and the list boxes run no Click handler
    }
}

void Form1::Wait(std::int64_t ms)
{
    m_link.flush();
    m_host.sleep(ms);
}

void Form1::DoEvents()
{
    m_link.flush();
    m_host.processEvents();
}

void Form1::MsgBox(Icon icon, const std::string& text)
{
    m_link.flush();
    m_host.message(icon, text);
}

bool Form1::refuseWithoutPort()
{
    if (m_fields.listIndex(Control::Combo2) != 0) return false;
    CheckPortSelected();
    return true;
}

std::int64_t Form1::delayMs() const
{
    return static_cast<std::int64_t>(wholeNumber(m_fields.text(Control::Text5), 2147483647));
}

std::int64_t Form1::repeatCount() const
{
    return static_cast<std::int64_t>(wholeNumber(m_fields.text(Control::Text2), INT64_MAX));
}

void Form1::Command3_Click()
{
    const PrinterLink::HandlerScope scope(m_link);
    if (refuseWithoutPort()) return;
    if (m_openBitmapWindow) m_openBitmapWindow();
}

} // namespace printbench::shell
