#pragma once

#include "commands/SequenceRunner.h"
#include "commands/SharedState.h"
#include "link/PrinterLink.h"
#include "status/StatusHandling.h"
#include "window/WindowFields.h"
#include "window/WindowHost.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

namespace printbench::window {

// The main window's event handlers, by the window's own names. Each reads the fields it needs
// at the moment it runs, calls the subsystem that owns the behaviour and writes the results
// back. The window is also what the subsystems see of it: the link's events, the status
// read-out and the panel a run reads and shows.
class Form1 : private link::LinkEvents, private status::StatusView, private commands::SequencePanel {
public:
    Form1(WindowHost& host, WindowFields& fields, link::SerialPort& serial, link::UsbControl& usb,
          const link::CodePage& codePage, std::filesystem::path portFolder = link::defaultPortFolder());

    // Start-up and the window's own controls.
    void Form_Load();
    void Command1_Click();  // "End"
    void Text1_DblClick();

    // Field checks.
    void Text2_Change();
    void Text5_Change();
    void Text10_Change();
    void CheckPortSelected();

    // Model, port and speed lists, and "Old ver".
    void Combo1_Click();
    void Combo2_Click();
    void Combo4_Click();
    void Check2_Click();

    // The command lists, "Run" and "Stop".
    void List1_DblClick();
    void List2_DblClick();
    void Command2_Click();  // "Run"
    void Command6_Click();  // "Stop"

    // Status: the serial receive event, "Status" and "Status Clear".
    void MSComm1_OnComm(int event);
    void Command5_Click();
    void Command4_Click();

    // "H Diagram" and the test prints.
    void Command8_Click();
    void Command10_Click();  // "비트패턴"
    void Command11_Click();  // "Tile"
    void Command9_Click();   // "Test Pattern"

    // "Bitmap Image": shows the bitmap window, not modal, through the opener the window sets.
    void Command3_Click();
    void setBitmapWindowOpener(std::function<void()> open) { m_openBitmapWindow = std::move(open); }

    // Setting a field or a list's selection from code runs the same Change or Click handler
    // as the user's action does.
    void setText(Control c, const std::string& text);
    void setListIndex(Control c, int index);

    // A message box; what has been sent leaves first.
    void MsgBox(Icon icon, const std::string& text);

    commands::SharedState& state() { return m_state; }
    link::PrinterLink& link() { return m_link; }

private:
    // True (after the refusal) when the port list stands on "Port Select".
    bool refuseWithoutPort();
    // The route the port list selects now, for a print that keeps it to its end.
    link::PrinterChannel& chosenRoute() { return m_link.channel(m_link.route()); }
    int densityIndex() const { return m_fields.listIndex(Control::Combo3); }

    // link::LinkEvents
    void serialDataArrived() override;
    void usbStatusRead(std::int32_t value) override;
    void linkFailed(const std::string& report) override;
    // status::StatusView
    void showStatus(const std::string& text) override;
    void showBytesWaiting(const std::string& text) override;
    // commands::SequencePanel
    std::int64_t repeatCount() override;
    void showRepetition(std::int64_t n) override;
    int entryCount() override;
    std::string entry(int index) override;
    void highlight(int index) override;
    std::int64_t delayMs() override;
    std::uint64_t feedDots() override;
    std::string text() override;

    WindowHost& m_host;
    WindowFields& m_fields;
    std::function<void()> m_openBitmapWindow;
    commands::SharedState m_state;
    link::PrinterLink m_link;
};

} // namespace printbench::window
