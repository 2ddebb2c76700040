#include "window/Form1.h"

#include "commands/TextCommands.h"
#include "connection/PortSelection.h"
#include "patterns/TestPrints.h"
#include "protocol/Models.h"
#include "window/FieldChecks.h"

#include <cstdint>

namespace printbench::window {

using link::PrinterLink;
using link::Route;

Form1::Form1(WindowHost& host, WindowFields& fields, link::SerialPort& serial, link::UsbControl& usb,
             const link::CodePage& codePage, std::filesystem::path portFolder)
    : m_host(host), m_fields(fields), m_link(serial, usb, host, codePage, *this, std::move(portFolder))
{
}

// --- Start-up and the window's own controls ---------------------------------------------

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

    for (const auto& [model, width] : protocol::kModelWidths) m_fields.addListItem(Control::Combo4, std::string(model));
    setListIndex(Control::Combo4, 0);

    for (const std::string_view command : commands::kCatalogue) m_fields.addListItem(Control::List1, std::string(command));

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

void Form1::Command3_Click()
{
    const PrinterLink::HandlerScope scope(m_link);
    if (refuseWithoutPort()) return;
    if (m_openBitmapWindow) m_openBitmapWindow();
}

// --- Model, port and speed lists ---------------------------------------------------------

void Form1::Combo1_Click()
{
    const PrinterLink::HandlerScope scope(m_link);
    const int port = m_fields.listIndex(Control::Combo2);
    if (link::routeForPortIndex(port) != Route::Serial) return;
    if (const auto failure = connection::OpenSerialPort(m_link, port, m_fields.listText(Control::Combo1)))
        MsgBox(Icon::Critical, *failure);
}

void Form1::Combo2_Click()
{
    const PrinterLink::HandlerScope scope(m_link);
    const int port = m_fields.listIndex(Control::Combo2);
    m_link.selectPort(port);
    switch (link::routeForPortIndex(port)) {
    case Route::Serial:
        m_fields.setEnabled(Control::Combo1, true);
        if (const auto failure = connection::OpenSerialPort(m_link, port, m_fields.listText(Control::Combo1)))
            MsgBox(Icon::Critical, *failure);
        break;
    case Route::Usb: {
        const connection::UsbConnection usb = connection::ConnectUsb(m_link, m_fields.listText(Control::Combo4));
        m_fields.setEnabled(Control::Combo1, false);
        MsgBox(usb.connected() ? Icon::Information : Icon::Critical, usb.message);
        if (usb.connected()) m_link.channel(Route::Usb).requestStatus();
        break;
    }
    case Route::None:
        break;  // "Port Select" leaves an open port open
    }
}

void Form1::Combo4_Click()
{
    const PrinterLink::HandlerScope scope(m_link);
    if (const auto width = protocol::modelPrintWidth(m_fields.listText(Control::Combo4))) m_state.PrintWidthDots = *width;
}

void Form1::Check2_Click()
{
    m_link.setOldFirmware(m_fields.checked(Control::Check2));
}

// --- The command lists, "Run" and "Stop" -------------------------------------------------

void Form1::List1_DblClick()
{
    const PrinterLink::HandlerScope scope(m_link);
    if (m_fields.listIndex(Control::List1) < 0) return;
    m_fields.addListItem(Control::List2, m_fields.listText(Control::List1));
    setText(Control::Text9, std::to_string(m_fields.listCount(Control::List2)));
}

// Removes the double-clicked entry and every entry after it. Text9 keeps the count of the last
// addition.
void Form1::List2_DblClick()
{
    const PrinterLink::HandlerScope scope(m_link);
    const int p = m_fields.listIndex(Control::List2);
    if (p < 0) return;
    for (int k = m_fields.listCount(Control::List2) - p; k > 0; --k) m_fields.removeListItem(Control::List2, p);
}

void Form1::Command2_Click()
{
    const PrinterLink::HandlerScope scope(m_link);
    if (refuseWithoutPort()) return;
    if (commands::RunSequence(m_link.current(), densityIndex(), m_state, *this) == commands::RunEnd::Complete)
        setText(Control::Text2, "1");
}

void Form1::Command6_Click()
{
    const PrinterLink::HandlerScope scope(m_link);
    m_state.StopRequested = 1;
}

// --- Status ------------------------------------------------------------------------------

void Form1::MSComm1_OnComm(int event)
{
    if (event != 2) return;
    if (status::ReceiveStatus(m_link, *this) != status::FaultClass::Normal) m_state.StopRequested = 1;
}

void Form1::Command5_Click()
{
    const PrinterLink::HandlerScope scope(m_link);
    if (refuseWithoutPort()) return;
    status::AskStatus(chosenRoute());
}

void Form1::Command4_Click()
{
    const PrinterLink::HandlerScope scope(m_link);
    if (refuseWithoutPort()) return;
    status::ClearStatus(chosenRoute());
    setListIndex(Control::Combo3, 5);
    setText(Control::Text2, "1");
    setText(Control::Text4, "0");
    setText(Control::Text5, "500");
    setText(Control::Text6, "0");
}

// --- "H Diagram" and the test prints -----------------------------------------------------

void Form1::Command8_Click()
{
    const PrinterLink::HandlerScope scope(m_link);
    if (refuseWithoutPort()) return;
    commands::RunHDiagram(m_link.current(), m_state, *this);
}

void Form1::Command10_Click()
{
    const PrinterLink::HandlerScope scope(m_link);
    if (refuseWithoutPort()) return;
    patterns::PrintBitPattern(chosenRoute(), m_state, *this);
}

void Form1::Command11_Click()
{
    const PrinterLink::HandlerScope scope(m_link);
    if (refuseWithoutPort()) return;
    patterns::PrintTilePattern(chosenRoute(), densityIndex(), m_state, *this);
}

void Form1::Command9_Click()
{
    const PrinterLink::HandlerScope scope(m_link);
    if (refuseWithoutPort()) return;
    patterns::PrintTestPattern(chosenRoute(), densityIndex(), m_state, *this);
}

// --- What the subsystems see of the window -----------------------------------------------

void Form1::serialDataArrived()
{
    MSComm1_OnComm(2);
}

void Form1::usbStatusRead(std::int32_t value)
{
    if (const auto failure = status::ShowUsbStatus(value, *this)) MsgBox(Icon::Critical, *failure);
}

void Form1::linkFailed(const std::string& report)
{
    m_state.StopRequested = 1;
    // Shown at once: the link is in the middle of a flush.
    if (!report.empty()) m_host.message(Icon::Critical, report);
}

void Form1::showStatus(const std::string& text)
{
    setText(Control::Text6, text);
}

void Form1::showBytesWaiting(const std::string& text)
{
    setText(Control::Text7, text);
}

std::int64_t Form1::repeatCount()
{
    return static_cast<std::int64_t>(wholeNumber(m_fields.text(Control::Text2), INT64_MAX));
}

void Form1::showRepetition(std::int64_t n)
{
    setText(Control::Text4, std::to_string(n));
}

int Form1::entryCount()
{
    return m_fields.listCount(Control::List2);
}

std::string Form1::entry(int index)
{
    return m_fields.listItem(Control::List2, index);
}

void Form1::highlight(int index)
{
    m_fields.setListIndex(Control::List2, index);
}

std::int64_t Form1::delayMs()
{
    return static_cast<std::int64_t>(wholeNumber(m_fields.text(Control::Text5), 2147483647));
}

std::uint64_t Form1::feedDots()
{
    return wholeNumber(m_fields.text(Control::Text10), 1010);
}

std::string Form1::text()
{
    return m_fields.text(Control::Text1);
}

} // namespace printbench::window
