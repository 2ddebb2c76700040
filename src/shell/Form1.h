#pragma once

#include "link/PrinterLink.h"
#include "shell/Host.h"
#include "shell/SharedState.h"
#include "shell/WindowFields.h"

#include <cstdint>
#include <filesystem>
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

    // Buttons that refuse with "Please Select Port" when no port is chosen.
    void Command2_Click();   // "Run"
    void Command3_Click();   // "Bitmap Image"
    void Command4_Click();   // "Status Clear"
    void Command5_Click();   // "Status"
    void Command8_Click();   // "H Diagram"
    void Command9_Click();   // "Test Pattern"
    void Command10_Click();  // "비트패턴"
    void Command11_Click();  // "Tile"
    void Command6_Click();   // "Stop"

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

private:
    // True (after the refusal) when the port list stands on "Port Select".
    bool refuseWithoutPort();

    Host& m_host;
    WindowFields& m_fields;
    SharedState m_state;
    link::PrinterLink m_link;
};

// The value of a numeric field: an empty text counts as 0, leading digits are read, and a
// value beyond `max` (40 digits, say) is `max`.
std::uint64_t wholeNumber(std::string_view text, std::uint64_t max);

} // namespace printbench::shell
