#pragma once

#include "codes/Codes.h"
#include "commands/SequenceRunner.h"
#include "commands/SharedState.h"
#include "link/PrinterLink.h"
#include "patterns/CodePageCharts.h"
#include "pictures/Pictures.h"
#include "run/RunObserver.h"
#include "status/Identity.h"
#include "status/StatusHandling.h"
#include "window/SessionFields.h"
#include "window/WindowFields.h"
#include "window/WindowHost.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
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

    // Start-up: fills the lists, chooses speed 19200, "Port Select", density 0 and the first
    // model (their Click handlers run), then the width 432 and the fields' start-up texts.
    void Form_Load();
    // "End": closes the serial port, ends the program. During a run it ends the run as "Stop"
    // does, at its next check, and the program once the run has ended (and kept its record).
    void Command1_Click();
    // Another way out during a run (the close box, a signal named by `by`): as "End" does.
    void endWhenIdle(const std::string& by);
    // Empties the text to print.
    void Text1_DblClick();

    // The field checks of "Repeat Rating", "Delay" and "Feed": a bad character (or, for the
    // feed, a value above 1010) is refused with a message and the field reset.
    void Text2_Change();
    void Text5_Change();
    void Text10_Change();
    // The refusal of every sending button while the port list stands on "Port Select".
    void CheckPortSelected();

    // The speed list: reopens a chosen COM port at the new speed (connection::OpenSerialPort).
    void Combo1_Click();
    // The port list: tells the link the choice, then opens COM<n> or connects the USB printer of
    // the chosen model (connection::ConnectUsb) and shows the outcome and the status.
    void Combo2_Click();
    // The model list: the print width of the model chosen.
    void Combo4_Click();
    // "Old ver": tells the link which member reads the USB status.
    void Check2_Click();

    // The catalogue's double-click appends to the selected list and writes its count; the
    // selected list's removes the entry and all after it.
    void List1_DblClick();
    void List2_DblClick();
    // "Run": commands::RunSequence over the route of each moment with the density chosen;
    // "Repeat Rating" back to 1 when complete. "Stop": raises StopRequested.
    void Command2_Click();
    void Command6_Click();

    // The serial receive event (code 2): status::ReceiveStatus; a fault raises StopRequested.
    void MSComm1_OnComm(int event);
    // "Status": status::AskStatus. "Status Clear": status::ClearStatus, then density 0,
    // "Repeat Rating" 1, "Repeated" 0, "Delay" 500 and the status read-out 0.
    void Command5_Click();
    void Command4_Click();

    // "H Diagram" (commands::RunHDiagram, following the port list), and the test prints on the
    // route chosen when they start: "비트패턴", "Tile", "Test Pattern" (patterns/).
    void Command8_Click();
    void Command10_Click();
    void Command11_Click();
    void Command9_Click();

    // "Bitmap Image": shows the bitmap window, not modal, through the opener the window sets.
    void Command3_Click();

    // Printer › Identify… (beyond the form): the printer's answers to GS I over the chosen
    // route; nothing, after the refusal, with no port chosen; nothing during a run.
    std::optional<status::PrinterIdentity> Identify();
    // Test pages › Barcodes… and 2-D codes… (beyond the form): a page of codes on the route
    // chosen, checked whole first (a code refused sends nothing and says why), as a run of
    // `action`. Nothing during a run, nothing without a port.
    void PrintCodes(run::Action action, const std::vector<codes::CodeRequest>& page);
    // Test pages › Code pages… (beyond the form): the charts of the code tables and the Korean
    // chart `page` names, on the route chosen, as a run of their own; nothing during a run,
    // nothing without a port.
    void PrintCodePages(const patterns::ChartPage& page);
    // Test pages › Image… (beyond the form): a picture already made dots (the preview the
    // technician saw), sent in `mode` on the route chosen as a run of its own (action Image,
    // `file` its file's name in the record). Nothing during a run, nothing without a port.
    void PrintPicture(const pictures::DotPicture& picture, pictures::ImageMode mode, const std::string& file);
    // The codes of the last page printed, for File › Check a scanned page….
    const std::vector<run::CodeSent>& lastCodesSent() const { return m_lastCodes; }
    // The port as a run's record names it: the port list's entry, or a network printer's address.
    std::string portTarget() const;
    void setBitmapWindowOpener(std::function<void()> open) { m_openBitmapWindow = std::move(open); }

    // Setting a field or a list's selection from code runs the same Change or Click handler
    // as the user's action does.
    void setText(Control c, const std::string& text);
    void setListIndex(Control c, int index);

    // A message box; what has been sent leaves first.
    void MsgBox(Icon icon, const Message& text);

    commands::SharedState& state() { return m_state; }
    link::PrinterLink& link() { return m_link; }

    // --- Beyond the form: the cockpit around it -------------------------------------------
    // Told of every action and run (none: the default).
    void setRunObserver(run::RunObserver* observer) { m_observer = observer ? observer : &m_noObserver; }
    // A run, H diagram, test print or logo print is in progress: the buttons that would start
    // another are disabled, and their handlers do nothing.
    bool running() const { return m_running; }
    run::RunObserver& observer() { return *observe(); }
    // A run from start to end (a scope): the observer told, the starting buttons disabled
    // meanwhile. `file`: the bitmap of a logo print.
    // A test page is one pass, told to the record only: the form's fields stay as they are.
    class OnePass : public commands::RunPanel {
    public:
        explicit OnePass(Form1& form) : m_form(form) {}
        std::int64_t repeatCount() override { return 1; }
        void showRepetition(std::int64_t) override {}
        void repetitionBegun(std::int64_t n) override { m_form.observer().passBegun(n, 1); }
        void repetitionFinished(std::int64_t n) override { m_form.observer().passFinished(n); }

    private:
        Form1& m_form;
    };
    class Run {
    public:
        Run(Form1& form, run::Action action, const std::string& file = {});
        ~Run();
        Run(const Run&) = delete;
        Run& operator=(const Run&) = delete;
        void ended(bool complete) { m_complete = complete; }

    private:
        Form1& m_form;
        bool m_complete = false;
    };
    // The selected list with the repeat count (as set), delay, feed and text, as they stand; and
    // the same filled in (the list replaced, each field through its check). Returns the entries
    // the catalogue does not know, which are left out.
    SequenceFields sequenceFields() const;
    std::vector<std::string> fillSequence(const SequenceFields& sequence);
    // "Repeat Rating" as the technician set it: while the field shows the "1" a completed run
    // put back, the count it had before. "Run" tells just before it puts that "1" back; the
    // technician typing in the field makes what it shows the count again.
    std::string repeatSet() const;
    void repeatResetByRun() { m_repeatSet = repeatSet(); }
    void repeatEdited() { m_repeatSet.clear(); }
    // The lists chosen by their entries' texts (a text a list lacks leaves it as it is); the
    // port list is never touched. A new speed reopens an open COM port and sends GS a 1, so the
    // speed list changes only while no COM port is open, and then without its Click. Returns
    // the n of the open COM<n> that kept a different speed from being chosen, 0 when none did.
    ListTexts listTexts() const;
    int chooseLists(const ListTexts& lists);
    // The sequence, the lists and "Old ver"; restoring returns as chooseLists does.
    SessionFields sessionFields() const;
    int restoreSession(const SessionFields& session);

private:
    // True (after the refusal) when the port list stands on "Port Select".
    bool refuseWithoutPort();
    // The route the port list selects now, for a print that keeps it to its end.
    link::PrinterChannel& chosenRoute() { return m_link.channel(m_link.route()); }
    int densityIndex() const { return m_fields.listIndex(Control::Combo3); }

    run::RunSettings runSettings(run::Action action) const;
    // "Repeat Rating" 1, "Repeated" 0, "Delay" 500 and the status read-out 0: at start-up and
    // after "Status Clear".
    void resetRunFields();

    // The observer, once the link has handed its tap what was sent so far.
    run::RunObserver* observe();
    void enableStarters(bool on);
    // Text to print with characters the code page lacks: true when the technician agrees to
    // send them as "?" (or there are none).
    bool textCanLeave();

    // link::LinkEvents
    void serialDataArrived() override;
    void usbStatusRead(std::int32_t value) override;
    void linkFailed(const link::Failure& failure, bool reported) override;
    // status::StatusView
    void showStatus(const std::string& text) override;
    void showBytesWaiting(const std::string& text) override;
    // commands::SequencePanel
    std::int64_t repeatCount() override;
    void showRepetition(std::int64_t n) override;
    int entryCount() override;
    std::string entry(int index) override;
    void highlight(int index) override;
    void repetitionBegun(std::int64_t n) override;
    void repetitionFinished(std::int64_t n) override;
    void commandRan(const std::string& entry) override;
    std::int64_t delayMs() override;
    std::uint64_t feedDots() override;
    std::string text() override;

    WindowHost& m_host;
    WindowFields& m_fields;
    std::function<void()> m_openBitmapWindow;
    commands::SharedState m_state;
    link::PrinterLink m_link;
    const link::CodePage& m_codePage;
    run::RunObserver m_noObserver;
    run::RunObserver* m_observer = &m_noObserver;
    bool m_running = false;
    std::string m_endAfterRun;   // the way out asked for during the run; empty: none
    bool m_modelChosen = false;  // the model list was chosen after start-up: its width is used
    std::string m_repeatSet;     // empty: "Repeat Rating" shows the count the technician set
    std::vector<run::CodeSent> m_lastCodes;
};

}  // namespace printbench::window
