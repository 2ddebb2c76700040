#include "window/Form1.h"

#include "commands/TextCommands.h"
#include "connection/PortSelection.h"
#include "patterns/TestPrints.h"
#include "pictures/PicturePrint.h"
#include "protocol/Models.h"
#include "window/FieldChecks.h"

#include <algorithm>
#include <cstdint>

namespace printbench::window {

using link::PrinterLink;
using link::Route;

Form1::Form1(WindowHost& host, WindowFields& fields, link::SerialPort& serial, link::UsbControl& usb,
             const link::CodePage& codePage, std::filesystem::path portFolder)
    : m_host(host), m_fields(fields), m_link(serial, usb, host, codePage, *this, std::move(portFolder)),
      m_codePage(codePage)
{}

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

    for (const std::string_view command : commands::kCatalogue)
        m_fields.addListItem(Control::List1, std::string(command));

    setText(Control::Text9, std::to_string(m_fields.listCount(Control::List2)));

    // The model list's Click set 448 for "KL-310"; the start-up width is 432 all the same.
    m_state.PrintWidthDots = 432;
    m_modelChosen = false;

    setText(Control::Text1, "Please enter the text you want to output.");
    resetRunFields();
    setText(Control::Text10, "100");
}

void Form1::resetRunFields()
{
    setText(Control::Text2, "1");
    setText(Control::Text4, "0");
    setText(Control::Text5, "500");
    setText(Control::Text6, "0");
}

void Form1::Command1_Click()
{
    const PrinterLink::HandlerScope scope(m_link);
    if (m_running) return endWhenIdle("End");
    m_link.flush();
    m_link.closeSerial();
    m_host.endProgram();
}

void Form1::endWhenIdle(const std::string& by)
{
    if (!m_running) return Command1_Click();
    if (m_endAfterRun.empty()) m_endAfterRun = by;
    m_state.StopRequested = 1;
    observe()->stopAsked(run::StopCause::User, by);
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

void Form1::MsgBox(Icon icon, const Message& text)
{
    m_link.flush();
    m_host.message(icon, text);
}

run::RunObserver* Form1::observe()
{
    m_link.handOverTraffic();  // what was sent so far belongs to what went before
    return m_observer;
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
    if (m_running || refuseWithoutPort()) return;
    if (m_openBitmapWindow) m_openBitmapWindow();
}

// --- Model, port and speed lists ---------------------------------------------------------

void Form1::Combo1_Click()
{
    const PrinterLink::HandlerScope scope(m_link);
    const int port = m_fields.listIndex(Control::Combo2);
    if (link::routeForPortIndex(port) != Route::Serial) return;
    if (const auto failure = connection::OpenSerialPort(m_link, port, m_fields.listText(Control::Combo1)))
        MsgBox(Icon::Critical, failureMessage(*failure));
}

void Form1::Combo2_Click()
{
    const PrinterLink::HandlerScope scope(m_link);
    const int port = m_fields.listIndex(Control::Combo2);
    observe()->actionBegun("Open " + m_fields.listText(Control::Combo2));
    m_link.selectPort(port);
    switch (link::routeForPortIndex(port)) {
    case Route::Serial: {
        m_fields.setEnabled(Control::Combo1, true);
        const auto failure = connection::OpenSerialPort(m_link, port, m_fields.listText(Control::Combo1));
        observe()->portChosen(!failure);
        if (failure) MsgBox(Icon::Critical, failureMessage(*failure));
        break;
    }
    case Route::Usb: {
        const connection::UsbConnection usb = connection::ConnectUsb(m_link, m_fields.listText(Control::Combo4));
        observe()->portChosen(usb.connected());
        m_fields.setEnabled(Control::Combo1, false);
        if (usb.connected()) MsgBox(Icon::Information, {forms::UsbConnected, {usb.model}});
        else MsgBox(Icon::Critical, failureMessage(usb.failure()));
        if (usb.connected()) m_link.channel(Route::Usb).requestStatus();
        break;
    }
    case Route::None: break;  // "Port Select" leaves an open port open
    }
}

void Form1::Combo4_Click()
{
    const PrinterLink::HandlerScope scope(m_link);
    if (const auto width = protocol::modelPrintWidth(m_fields.listText(Control::Combo4))) {
        m_state.PrintWidthDots = *width;
        m_modelChosen = true;
    }
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
    if (m_running || refuseWithoutPort()) return;
    if (!textCanLeave()) return;
    Run run(*this, run::Action::Sequence);
    const bool complete = commands::RunSequence(m_link.current(), densityIndex(), m_state, *this) ==
                          commands::RunEnd::Complete;
    run.ended(complete);
    if (complete) repeatResetByRun();
    if (complete) setText(Control::Text2, "1");
}

void Form1::Command6_Click()
{
    const PrinterLink::HandlerScope scope(m_link);
    m_state.StopRequested = 1;
    observe()->stopAsked(run::StopCause::User, {});
}

bool Form1::textCanLeave()
{
    bool printsText = false;
    for (int i = 0; i < m_fields.listCount(Control::List2); ++i)
        printsText |= m_fields.listItem(Control::List2, i) == "Text Output";
    if (!printsText) return true;
    const std::vector<std::string> missing = m_codePage.missingCharacters(m_fields.text(Control::Text1));
    if (missing.empty()) return true;
    std::string list;
    for (const std::string& ch : missing) list += (list.empty() ? "" : " ") + ch;
    return m_host.ask({forms::CharactersMissing, {m_codePage.name(), list}}, forms::SendAsQuestionMarks, forms::Cancel);
}

// --- Status ------------------------------------------------------------------------------

void Form1::MSComm1_OnComm(int event)
{
    if (event != 2) return;
    observe()->actionBegun("Printer status");
    if (status::ReceiveStatus(m_link, *this) != status::FaultClass::Normal) {
        m_state.StopRequested = 1;
        observe()->stopAsked(run::StopCause::Fault, {});
    }
}

void Form1::Command5_Click()
{
    const PrinterLink::HandlerScope scope(m_link);
    if (refuseWithoutPort()) return;
    observe()->actionBegun(std::string(run::actionLabel(run::Action::Status)));
    status::AskStatus(chosenRoute());
}

void Form1::Command4_Click()
{
    const PrinterLink::HandlerScope scope(m_link);
    if (refuseWithoutPort()) return;
    observe()->actionBegun(std::string(run::actionLabel(run::Action::StatusClear)));
    status::ClearStatus(chosenRoute());
    setListIndex(Control::Combo3, 5);
    resetRunFields();
}

std::optional<status::PrinterIdentity> Form1::Identify()
{
    const PrinterLink::HandlerScope scope(m_link);
    if (m_running || refuseWithoutPort()) return std::nullopt;
    // Bytes that came before the question are statuses, as the receive event would have read them.
    if (m_link.route() == Route::Serial && m_link.bytesWaiting() > 0) serialDataArrived();
    observe()->actionBegun(std::string(run::actionLabel(run::Action::Identify)));
    status::PrinterIdentity identity = status::ReadIdentity(m_link);
    m_link.flush();
    observe()->identityRead(portTarget(), identity);
    return identity;
}

// --- "H Diagram" and the test prints -----------------------------------------------------

void Form1::Command8_Click()
{
    const PrinterLink::HandlerScope scope(m_link);
    if (m_running || refuseWithoutPort()) return;
    Run run(*this, run::Action::HDiagram);
    run.ended(commands::RunHDiagram(m_link.current(), m_state, *this) == commands::RunEnd::Complete);
}

void Form1::Command10_Click()
{
    const PrinterLink::HandlerScope scope(m_link);
    if (m_running || refuseWithoutPort()) return;
    Run run(*this, run::Action::BitPattern);
    run.ended(patterns::PrintBitPattern(chosenRoute(), m_state, *this) == commands::RunEnd::Complete);
}

void Form1::Command11_Click()
{
    const PrinterLink::HandlerScope scope(m_link);
    if (m_running || refuseWithoutPort()) return;
    Run run(*this, run::Action::Tile);
    run.ended(patterns::PrintTilePattern(chosenRoute(), densityIndex(), m_state, *this) == commands::RunEnd::Complete);
}

void Form1::Command9_Click()
{
    const PrinterLink::HandlerScope scope(m_link);
    if (m_running || refuseWithoutPort()) return;
    Run run(*this, run::Action::TestPattern);
    run.ended(patterns::PrintTestPattern(chosenRoute(), densityIndex(), m_state, *this) == commands::RunEnd::Complete);
}

// --- Test pages (beyond the form) --------------------------------------------------------

namespace {

// A page of codes or a picture is one pass, told to the record only: the form's fields stay as
// they are.
struct OnePass : commands::RunPanel {
    Form1& form;
    explicit OnePass(Form1& f) : form(f) {}
    std::int64_t repeatCount() override { return 1; }
    void showRepetition(std::int64_t) override {}
    void repetitionBegun(std::int64_t n) override { form.observer().passBegun(n, 1); }
    void repetitionFinished(std::int64_t n) override { form.observer().passFinished(n); }
};

}  // namespace

void Form1::PrintCodes(run::Action action, const std::vector<codes::CodeRequest>& page)
{
    const PrinterLink::HandlerScope scope(m_link);
    if (m_running || refuseWithoutPort()) return;
    auto prepared = codes::preparePage(page, m_state.PrintWidthDots);
    if (const auto* refusal = std::get_if<codes::Refusal>(&prepared)) {
        MsgBox(Icon::Warning, {forms::CodeRefused, {refusal->message}});
        return;
    }
    OnePass panel(*this);
    m_lastCodes.clear();
    Run run(*this, action);
    const auto sent = [this](const run::CodeSent& code) {
        m_lastCodes.push_back(code);
        observe()->codeSent(code);
    };
    run.ended(codes::PrintCodePage(chosenRoute(), std::get<std::vector<codes::PreparedCode>>(prepared), m_state, panel,
                                   delayMs(), sent) == commands::RunEnd::Complete);
}

void Form1::PrintCodePages(const patterns::ChartPage& page)
{
    const PrinterLink::HandlerScope scope(m_link);
    if (m_running || refuseWithoutPort()) return;
    OnePass panel(*this);
    Run run(*this, run::Action::CodePages);
    run.ended(patterns::PrintCodePages(chosenRoute(), page, m_state, panel, delayMs()) == commands::RunEnd::Complete);
}

void Form1::PrintPicture(const pictures::DotPicture& picture, pictures::ImageMode mode, const std::string& file)
{
    const PrinterLink::HandlerScope scope(m_link);
    if (m_running || refuseWithoutPort()) return;
    const pictures::PictureBytes bytes = pictures::encode(picture, mode);
    OnePass panel(*this);
    Run run(*this, run::Action::Image, file);
    run.ended(pictures::PrintPicture(chosenRoute(), bytes, m_state, panel, delayMs()) == commands::RunEnd::Complete);
}

// --- What the subsystems see of the window -----------------------------------------------

void Form1::serialDataArrived()
{
    MSComm1_OnComm(2);
}

void Form1::usbStatusRead(std::int32_t value)
{
    if (const auto failure = status::ShowUsbStatus(value, *this)) MsgBox(Icon::Critical, failureMessage(*failure));
}

void Form1::linkFailed(const link::Failure& failure, bool reported)
{
    m_state.StopRequested = 1;
    observe()->stopFailed(failure);
    // Shown at once: the link is in the middle of a flush.
    if (!reported) m_host.message(Icon::Critical, failureMessage(failure));
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
    observe()->commandBegun(m_fields.listItem(Control::List2, index));
}

void Form1::repetitionBegun(std::int64_t n)
{
    observe()->passBegun(n, repeatCount());
}

void Form1::repetitionFinished(std::int64_t n)
{
    observe()->passFinished(n);
}

void Form1::commandRan(const std::string& entry)
{
    observe()->commandRan(entry);
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

// --- Runs, sequences and sessions ------------------------------------------------------------

Form1::Run::Run(Form1& form, run::Action action, const std::string& file) : m_form(form)
{
    run::RunSettings settings = m_form.runSettings(action);
    settings.file = file;
    m_form.m_running = true;
    m_form.enableStarters(false);
    m_form.observe()->runStarted(settings);
}

Form1::Run::~Run()
{
    m_form.m_running = false;
    m_form.enableStarters(true);
    m_form.observe()->runEnded(m_complete);
    // "End" (or another way out) during the run: the run has ended and told its end; now the
    // program does, as "End" ends it, the port closing as it ends (its record may listen for the
    // printer's last word until then).
    if (!m_form.m_endAfterRun.empty()) {
        m_form.m_endAfterRun.clear();
        m_form.m_link.flush();
        m_form.m_host.endProgram();
        m_form.m_link.closeSerial();
    }
}

void Form1::enableStarters(bool on)
{
    for (const Control c : {Control::Command2, Control::Command3, Control::Command8, Control::Command9,
                            Control::Command10, Control::Command11, Control::Form3Command1})
        m_fields.setEnabled(c, on);
}

run::RunSettings Form1::runSettings(run::Action action) const
{
    run::RunSettings s;
    s.action = action;
    s.model = m_modelChosen ? m_fields.listText(Control::Combo4) : run::noModelChosen(m_state.PrintWidthDots);
    s.port = portTarget();
    s.route = m_link.routeName();
    s.device = m_link.portDevice();
    s.speed = m_link.route() == Route::Serial ? m_fields.listText(Control::Combo1) : "";
    s.density = m_fields.listText(Control::Combo3);
    s.delayMs = static_cast<std::int64_t>(wholeNumber(m_fields.text(Control::Text5), 2147483647));
    s.feedDots = wholeNumber(m_fields.text(Control::Text10), 1010);
    s.repeatCount = static_cast<std::int64_t>(wholeNumber(m_fields.text(Control::Text2), INT64_MAX));
    if (action == run::Action::Sequence)
        for (int i = 0; i < m_fields.listCount(Control::List2); ++i)
            s.sequence.push_back(m_fields.listItem(Control::List2, i));
    return s;
}

std::string Form1::portTarget() const
{
    return m_link.routeName() == "tcp" ? m_link.portDevice() : m_fields.listText(Control::Combo2);
}

SequenceFields Form1::sequenceFields() const
{
    SequenceFields s;
    for (int i = 0; i < m_fields.listCount(Control::List2); ++i)
        s.entries.push_back(m_fields.listItem(Control::List2, i));
    s.repeat = repeatSet();
    s.delay = m_fields.text(Control::Text5);
    s.feed = m_fields.text(Control::Text10);
    s.text = m_fields.text(Control::Text1);
    return s;
}

std::string Form1::repeatSet() const
{
    const std::string shown = m_fields.text(Control::Text2);
    return shown == "1" && !m_repeatSet.empty() ? m_repeatSet : shown;
}

std::vector<std::string> Form1::fillSequence(const SequenceFields& sequence)
{
    const PrinterLink::HandlerScope scope(m_link);
    std::vector<std::string> refused;
    for (int k = m_fields.listCount(Control::List2); k > 0; --k) m_fields.removeListItem(Control::List2, 0);
    for (const std::string& entry : sequence.entries) {
        if (std::find(commands::kCatalogue.begin(), commands::kCatalogue.end(), entry) == commands::kCatalogue.end()) {
            refused.push_back(entry);
            continue;
        }
        m_fields.addListItem(Control::List2, entry);
    }
    setText(Control::Text9, std::to_string(m_fields.listCount(Control::List2)));
    repeatEdited();
    setText(Control::Text2, sequence.repeat);
    setText(Control::Text5, sequence.delay);
    setText(Control::Text10, sequence.feed);
    setText(Control::Text1, sequence.text);
    return refused;
}

ListTexts Form1::listTexts() const
{
    return {m_fields.listText(Control::Combo4), m_fields.listText(Control::Combo1), m_fields.listText(Control::Combo3)};
}

int Form1::chooseLists(const ListTexts& lists)
{
    const PrinterLink::HandlerScope scope(m_link);
    const auto indexOf = [this](Control list, const std::string& text) {
        for (int i = 0; i < m_fields.listCount(list); ++i)
            if (m_fields.listItem(list, i) == text) return i;
        return -1;
    };
    for (const auto& [list, text] :
         {std::pair{Control::Combo4, lists.model}, std::pair{Control::Combo3, lists.density}})
        if (const int i = indexOf(list, text); i >= 0 && i != m_fields.listIndex(list)) setListIndex(list, i);
    const int speed = indexOf(Control::Combo1, lists.speed);
    if (speed < 0 || speed == m_fields.listIndex(Control::Combo1)) return 0;
    if (const int open = m_link.openComPort()) return open;
    m_fields.setListIndex(Control::Combo1, speed);  // its Click would open the port list's COM port
    return 0;
}

SessionFields Form1::sessionFields() const
{
    return {sequenceFields(), listTexts(), m_fields.checked(Control::Check2)};
}

int Form1::restoreSession(const SessionFields& session)
{
    const PrinterLink::HandlerScope scope(m_link);
    fillSequence(session.sequence);
    const int keptBy = chooseLists(session.lists);
    m_fields.setChecked(Control::Check2, session.oldVersion);
    Check2_Click();
    return keptBy;
}

}  // namespace printbench::window
