#pragma once

#include "link/PrinterLink.h"
#include "shell/Host.h"
#include "shell/SharedState.h"
#include "shell/WindowFields.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace printbench::shell {

// The main window's behaviour: its event handlers and procedures, by the window's own names.
// Handlers read every input from the window at the moment they need it; nothing is cached.
class Form1 {
public:
    Form1(Host& host, WindowFields& fields, link::SerialPort& serial, link::UsbControl& usb,
          std::filesystem::path portFolder = link::defaultPortFolder());

    // Start-up and the window's own controls.
    void Form_Load();
    void Command1_Click();  // "End"
    void Text1_DblClick();

    // Field checks.
    void Text2_Change();
    void Text5_Change();
    void Text10_Change();
    void CheckPortSelected();

    // Port, speed and model lists.
    void Combo1_Click();
    void Combo2_Click();
    void Combo4_Click();
    void OpenSerialPort(int portNumber, const std::string& speedText);

    // Print density.
    void Density();

    // Command catalogue and the sequence runner.
    void List1_DblClick();
    void List2_DblClick();
    void Command2_Click();  // "Run"
    void Command6_Click();  // "Stop"

    // Cut, black-mark and feed commands.
    void SendFullCut();
    void SendPartialCut();
    void SendBlackMarkForward();
    void SendBlackMarkOutForward();
    void SendBlackMarkReverse();
    void SendBlackMarkOutReverse();
    void SendFeed();

    // Text output, Print H and the H diagram.
    void SendTextOutput();
    void SendPrintH();
    void Command8_Click();  // "H Diagram"
    void RunHDiagram();

    // Status of the printer.
    void MSComm1_OnComm(int event);
    void Command5_Click();  // "Status"
    void Command4_Click();  // "Status Clear"

    // Test prints.
    void Command10_Click();  // "비트패턴"
    void PrintBitPattern();
    void Command11_Click();  // "Tile"
    void PrintTilePattern();
    void Command9_Click();   // "Test Pattern"
    void PrintTestPattern();

    // "Bitmap Image": shows the bitmap window, not modal, through the opener the window sets.
    void Command3_Click();
    void setBitmapWindowOpener(std::function<void()> open) { m_openBitmapWindow = std::move(open); }

    // Setting a field or a list's selection from code runs the same Change or Click handler
    // as the user's action does.
    void setText(Control c, const std::string& text);
    void setListIndex(Control c, int index);

    // Flush points: pending bytes leave before every wait, event pass and message box.
    void Wait(std::int64_t ms);
    void DoEvents();
    void MsgBox(Icon icon, const std::string& text);

    SharedState& state() { return m_state; }
    link::PrinterLink& link() { return m_link; }

    // The delay of "Delay" in milliseconds and the count of "Repeat Rating", read now. An
    // empty field counts as 0; a number too large for the use counts as the largest it allows.
    std::int64_t delayMs() const;
    std::int64_t repeatCount() const;

private:
    // True (after the refusal) when the port list stands on "Port Select".
    bool refuseWithoutPort();

    // A cut or black-mark move: the command, then the status around the delay.
    void sendPaperCommand(std::string_view serialBytes, std::string_view usbBytes);
    // DLE EOT 2 (serial) or a status read (USB), the delay of "Delay", and the same again.
    void statusAroundDelay(link::Route route);
    // One block of 21 lines of H across the print width; nothing for a width without a line.
    void printHBlock();
    // A command of bytes below 128: one text write on serial, one call per byte on USB.
    void sendCommand(link::Route route, std::string_view bytes);
    // SUB "W" and a run's four position bytes: on serial the command as text and each position
    // byte as a write of its own.
    void sendDotRun(link::Route route, std::uint16_t start, std::uint16_t end);

    Host& m_host;
    WindowFields& m_fields;
    std::function<void()> m_openBitmapWindow;
    SharedState m_state;
    link::PrinterLink m_link;
};

// The value of a numeric field: an empty text counts as 0, leading digits are read, and a
// value beyond `max` (40 digits, say) is `max`.
std::uint64_t wholeNumber(std::string_view text, std::uint64_t max);

} // namespace printbench::shell
