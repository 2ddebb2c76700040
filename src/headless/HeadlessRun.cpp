#include "headless/HeadlessRun.h"

#include "bitmap/LogoPrint.h"
#include "cockpit/RunLog.h"
#include "cockpit/StatusNames.h"
#include "codes/Codes.h"
#include "commands/TextCommands.h"
#include "connection/PortSelection.h"
#include "patterns/CodePageCharts.h"
#include "patterns/TestPrints.h"
#include "pictures/PicturePrint.h"
#include "run/FailureText.h"
#include "status/Identity.h"

#include <algorithm>
#include <fstream>

namespace printbench::headless {

using link::Route;

HeadlessRun::HeadlessRun(const RunOptions& options, link::SerialPort& serial, link::UsbControl& usb, link::Host& host,
                         const link::CodePage& codePage, std::filesystem::path portFolder, int portIndex,
                         std::ostream& errors)
    : m_options(options), m_host(host), m_codePage(codePage), m_errors(errors), m_portIndex(portIndex), m_journal(host),
      m_link(serial, usb, m_events, codePage, *this, std::move(portFolder)),
      m_reports(options.report, options.junit, m_journal, errors)
{
    m_link.setTap(&m_journal);
    m_journal.setActionWords([](run::Action a) { return std::string(run::actionEnglish(a)); });
    m_journal.addSink(&m_reports);
    m_state.PrintWidthDots = printWidthDots(m_options);  // the window's 432 dots until a model is chosen
}

void HeadlessRun::Events::processEvents()
{
    m_host.processEvents();
    if (m_run.m_interrupted && m_run.m_state.StopRequested == 0) {
        m_run.m_state.StopRequested = 1;
        m_run.m_stoppedByInterrupt = true;
        m_run.observe().stopAsked(run::StopCause::User, m_run.m_interruptedBy.load());
    }
    if (m_run.progress) m_run.progress(m_run.m_journal.statusLine());
}

run::RunObserver& HeadlessRun::observe()
{
    m_link.handOverTraffic();  // what was sent so far belongs to what went before
    return m_journal;
}

int HeadlessRun::execute()
{
    if (m_options.report)
        if (const auto note = ReportFiles::unfinishedNote(*m_options.report))
            m_errors << "printbench-run: " << *note << "\n";
    int exit = Completed;
    {
        const link::PrinterLink::HandlerScope scope(m_link);
        exit = act();
    }
    if (exit == Completed && m_linkFailed) exit = LinkError;
    if (!m_reports.ok() && exit == Completed) exit = Usage;
    return exit;
}

run::RunSettings HeadlessRun::settings() const
{
    const run::Action action = m_options.action;
    run::RunSettings settings;
    settings.action = action;
    settings.model = m_options.model.value_or(run::noModelChosen(m_state.PrintWidthDots));
    // A network printer is named by its address, whether given as one or as a COM entry of the
    // port folder that holds it.
    settings.route = m_link.routeName();
    settings.device = m_link.portDevice();
    settings.port = settings.route == "tcp" ? settings.device : m_options.port;
    // The speed sets a serial line only: not USB, not a network printer.
    settings.speed = settings.route == "serial" ? m_options.speed : "";
    settings.density = m_options.density;
    settings.delayMs = m_options.delayMs;
    settings.feedDots = m_options.feedDots;
    settings.repeatCount = m_options.repeat;
    if (action == run::Action::Sequence) settings.sequence = m_options.sequence;
    if (action == run::Action::Logo) settings.file = m_options.logo.filename().string();
    if (action == run::Action::Image) settings.file = m_options.image.filename().string();
    return settings;
}

// A device path or an address is this run's COM1: a failure names what was given instead.
link::Failure HeadlessRun::asGiven(link::Failure failure) const
{
    const std::string com = "COM" + std::to_string(m_portIndex);
    if (failure.route == Route::Serial && m_portIndex <= 11 && failure.port == com) failure.port = m_options.port;
    return failure;
}

// The port could not be had: the failure, and reports that say so as a run that failed before
// its first pass.
int HeadlessRun::notOpened(const link::Failure& failure)
{
    const link::Failure given = asGiven(failure);
    m_failure = run::failureLine(given);
    m_errors << "printbench-run: " << m_failure << "\n";
    observe().runStarted(settings());
    observe().stopFailed(given);
    observe().runEnded(false);
    return LinkError;
}

int HeadlessRun::act()
{
    // A page of codes is checked whole before the port is opened: a refusal sends nothing.
    std::vector<codes::PreparedCode> page;
    if (const std::vector<codes::CodeRequest> requests = codeRequests(m_options, m_codePage.name());
        !requests.empty()) {
        auto prepared = codes::preparePage(requests, m_state.PrintWidthDots);
        if (const auto* refusal = std::get_if<codes::Refusal>(&prepared)) {
            m_failure = refusal->message;
            m_errors << "printbench-run: " << refusal->message << "\n";
            return Usage;
        }
        page = std::move(std::get<std::vector<codes::PreparedCode>>(prepared));
    }
    // So is a picture: one that cannot be read sends nothing.
    pictures::PictureBytes picture;
    if (m_options.action == run::Action::Image) {
        auto read = readPicture ? readPicture(m_options.image, m_state.PrintWidthDots, m_options.noScale)
                                : std::variant<pictures::FittedPicture, std::string>(
                                      m_options.image.string() + " cannot be read: no picture reader");
        if (const auto* why = std::get_if<std::string>(&read)) {
            m_failure = *why;
            m_errors << "printbench-run: " << *why << "\n";
            return Usage;
        }
        const pictures::FittedPicture& fitted = std::get<pictures::FittedPicture>(read);
        if (!fitted.notice.empty())
            m_errors << "printbench-run: " << m_options.image.string() << " " << fitted.notice << "\n";
        picture = pictures::encode(pictures::dither(fitted.picture, m_options.dither, m_options.threshold),
                                   m_options.imageMode);
    }
    // The port, as choosing it in the port list opens it.
    m_link.selectPort(m_portIndex);
    m_link.setOldFirmware(m_options.oldVersion);
    const std::string model = m_options.model.value_or("");  // as the window's model list before a choice
    m_journal.actionBegun("Open " + m_options.port);
    if (m_link.route() == Route::Usb) {
        const connection::UsbConnection usb = connection::ConnectUsb(m_link, model);
        if (!usb.connected()) return notOpened(usb.failure());
        if (m_options.action != run::Action::Identify) m_link.channel(Route::Usb).requestStatus();
    } else if (auto failure = connection::OpenSerialPort(m_link, m_portIndex, m_options.speed)) {
        return notOpened(*failure);
    }
    if (m_options.action == run::Action::Identify) return identify();

    const run::Action action = m_options.action;
    // Text leaves in the host's code page; characters it lacks leave as "?", and say so.
    const bool printsText = std::find(m_options.sequence.begin(), m_options.sequence.end(), "Text Output") !=
                            m_options.sequence.end();
    if (action == run::Action::Sequence && printsText) {
        std::string missing;
        for (const std::string& ch : m_codePage.missingCharacters(m_options.text)) missing += " " + ch;
        if (!missing.empty())
            m_errors << "printbench-run: code page " << m_codePage.name() << " cannot print" << missing
                     << "; they leave as \"?\"\n";
    }
    const int density = densityIndex(m_options.density);
    observe().runStarted(settings());

    link::PrinterChannel& chosen = m_link.channel(m_link.route());
    bool complete = true;
    const auto ran = [&](commands::RunEnd end) { complete = end == commands::RunEnd::Complete; };
    switch (action) {
    case run::Action::Sequence: ran(commands::RunSequence(m_link.current(), density, m_state, *this)); break;
    case run::Action::HDiagram: ran(commands::RunHDiagram(m_link.current(), m_state, *this)); break;
    case run::Action::BitPattern: ran(patterns::PrintBitPattern(chosen, m_state, *this)); break;
    case run::Action::Tile: ran(patterns::PrintTilePattern(chosen, density, m_state, *this)); break;
    case run::Action::TestPattern: ran(patterns::PrintTestPattern(chosen, density, m_state, *this)); break;
    case run::Action::Logo: {
        observe().passBegun(1, 1);
        const std::filesystem::path file = m_options.logo;
        const bitmap::LogoPrintResult printed = bitmap::PrintLogo(file.parent_path().empty() ? "." : file.parent_path(),
                                                                  file.filename().string(), ".", chosen);
        m_link.flush();
        if (printed.failure) {
            observe().stopFailed(*printed.failure);
            observe().runEnded(false);
            m_errors << "printbench-run: " << run::failureLine(*printed.failure) << "\n";
            return Usage;
        }
        observe().passFinished(1);
        break;
    }
    case run::Action::Status:
        observe().passBegun(1, 1);
        status::AskStatus(chosen);
        // The answer comes back as a receive event: a second at most.
        for (int i = 0; i < 20 && m_link.route() == Route::Serial && !m_journal.lastStatus(); ++i) {
            m_link.letEventsIn();
            if (!m_journal.lastStatus()) m_link.wait(50);
        }
        observe().passFinished(1);
        break;
    case run::Action::StatusClear:
        observe().passBegun(1, 1);
        status::ClearStatus(chosen);
        observe().passFinished(1);
        break;
    case run::Action::Identify: break;  // answered above, before any run starts
    case run::Action::Barcodes:
    case run::Action::Barcode:
    case run::Action::Qr:
    case run::Action::Pdf417:
        ran(codes::PrintCodePage(chosen, page, m_state, *this, m_options.delayMs,
                                 [this](const run::CodeSent& code) { observe().codeSent(code); }));
        break;
    case run::Action::CodePages:
        ran(patterns::PrintCodePages(chosen, {m_options.codeTables, m_options.koreanChart}, m_state, *this,
                                     m_options.delayMs));
        break;
    case run::Action::Image: ran(pictures::PrintPicture(chosen, picture, m_state, *this, m_options.delayMs)); break;
    }
    m_link.flush();
    observe().runEnded(complete);
    lastWord();
    return ending();
}

// How the run ended, as an exit status, with what standard error should say of it.
int HeadlessRun::ending()
{
    if (m_linkFailed) return LinkError;
    if (m_stoppedByInterrupt) return Interrupted;
    const auto& run = m_journal.run();
    if (m_options.action == run::Action::Status) {
        const auto last = m_journal.lastStatus();
        if (!last) {
            m_errors << "printbench-run: the printer did not answer the status request\n";
            return LinkError;
        }
        const cockpit::StatusReading r = cockpit::readStatus(last->value);
        m_answer = cockpit::hexValue(last->value) + " " + r.meaning + " (" + cockpit::classText(r.faultClass) + ")";
        return r.faultClass == status::FaultClass::Normal ? Completed : Fault;
    }
    if (run && run->ending == run::RunEnding::StoppedByFault) {
        if (run->stopStatus) {
            m_errors << "printbench-run: stopped by the printer: " << cockpit::hexValue(run->stopStatus->value) << " "
                     << cockpit::readStatus(run->stopStatus->value).meaning << " (arrived in pass "
                     << run->stopStatus->pass << ")\n";
        }
        return Fault;
    }
    if (run && run->ending == run::RunEnding::NoAnswer) {
        m_errors << "printbench-run: no answer from the printer: " << run::unansweredText(*run) << "\n";
        return LinkError;
    }
    return Completed;
}

// The printer's identity, one line a query, on standard output; no answer at all is a link error.
int HeadlessRun::identify()
{
    // The answer to GS a 1 of the opening, and any status before the question, are statuses.
    m_link.letEventsIn();
    if (m_link.route() == Route::Serial && m_link.bytesWaiting() > 0) serialDataArrived();
    const status::PrinterIdentity identity = status::ReadIdentity(m_link);
    m_link.flush();
    observe().identityRead(settings().port, identity);
    for (const auto& [name, value] : identity.rows()) m_answer += (m_answer.empty() ? "" : "\n") + name + ": " + value;
    if (m_linkFailed) return LinkError;
    if (identity.empty()) {
        m_errors << "printbench-run: the printer did not answer GS I\n";
        return LinkError;
    }
    return Completed;
}

std::string HeadlessRun::summary() const
{
    const auto& run = m_journal.run();
    if (!m_failure.empty() || !run)
        return "Not run: " + (m_failure.empty() ? std::string("nothing was asked") : m_failure);
    if (!m_answer.empty()) return m_answer;
    return m_journal.statusLine();
}

// --- What the subsystems see ----------------------------------------------------------------

void HeadlessRun::serialDataArrived()
{
    observe().actionBegun("Printer status");
    if (status::ReceiveStatus(m_link, *this) != status::FaultClass::Normal) {
        m_state.StopRequested = 1;
        observe().stopAsked(run::StopCause::Fault, {});
    }
}

// The window goes on listening after a run; this program ends with it. The run's record
// listens a moment after its last byte (the answer to its last status request, a fault the
// printer reports unasked): events are let in until it has closed.
void HeadlessRun::lastWord()
{
    while (m_journal.listening()) {
        m_link.letEventsIn();
        m_journal.tick();
        if (m_journal.listening()) m_link.wait(10);
    }
}

void HeadlessRun::usbStatusRead(std::int32_t value)
{
    if (const auto failure = status::ShowUsbStatus(value, *this))
        m_errors << "printbench-run: " << run::failureLine(*failure) << "\n";
}

void HeadlessRun::linkFailed(const link::Failure& failure, bool reported)
{
    m_state.StopRequested = 1;
    m_linkFailed = true;
    const link::Failure given = asGiven(failure);
    observe().stopFailed(given);
    if (!reported) m_errors << "printbench-run: " << run::failureLine(given) << "\n";
}

void HeadlessRun::repetitionBegun(std::int64_t n)
{
    observe().passBegun(n, m_options.repeat);
}

void HeadlessRun::repetitionFinished(std::int64_t n)
{
    observe().passFinished(n);
}

void HeadlessRun::highlight(int index)
{
    observe().commandBegun(entry(index));
}

void HeadlessRun::commandRan(const std::string& name)
{
    observe().commandRan(name);
}

}  // namespace printbench::headless
