#include "headless/HeadlessRun.h"

#include "bitmap/LogoPrint.h"
#include "cockpit/RunLog.h"
#include "cockpit/StatusNames.h"
#include "commands/TextCommands.h"
#include "connection/PortSelection.h"
#include "patterns/TestPrints.h"
#include "protocol/Models.h"

#include <algorithm>
#include <fstream>

namespace printbench::headless {

using link::Route;

HeadlessRun::HeadlessRun(const RunOptions& options, link::SerialPort& serial, link::UsbControl& usb, link::Host& host,
                         const link::CodePage& codePage, std::filesystem::path portFolder, int portIndex,
                         std::ostream& errors)
    : m_options(options), m_host(host), m_codePage(codePage), m_errors(errors), m_portIndex(portIndex), m_journal(host),
      m_link(serial, usb, m_events, codePage, *this, std::move(portFolder))
{
    m_link.setTap(&m_journal);
    m_state.PrintWidthDots = 432;  // the window's width until a model is chosen
    if (m_options.model) m_state.PrintWidthDots = std::int16_t(*protocol::modelPrintWidth(*m_options.model));
}

void HeadlessRun::Events::processEvents()
{
    m_host.processEvents();
    if (m_run.m_interrupted && m_run.m_state.StopRequested == 0) {
        m_run.m_state.StopRequested = 1;
        m_run.m_stoppedByInterrupt = true;
        m_run.observe().stopAsked(cockpit::StopCause::User, {});
    }
    if (m_run.progress) m_run.progress(m_run.m_journal.statusLine());
}

cockpit::RunObserver& HeadlessRun::observe()
{
    m_link.handOverTraffic();  // what was sent so far belongs to what went before
    return m_journal;
}

int HeadlessRun::execute()
{
    int exit = Completed;
    {
        const link::PrinterLink::HandlerScope scope(m_link);
        exit = act();
    }
    if (exit == Completed && m_linkFailed) exit = LinkError;
    if (!writeReports() && exit == Completed) exit = Usage;
    return exit;
}

cockpit::RunSettings HeadlessRun::settings() const
{
    const std::string& action = m_options.action;
    cockpit::RunSettings settings;
    settings.action = action == "sequence" ? "Run" : action == "h-diagram" ? "H Diagram" : action == "bit-pattern" ? "비트패턴"
                      : action == "tile" ? "Tile" : action == "test-pattern" ? "Test Pattern" : action == "logo" ? "Logo"
                      : action == "status" ? "Status" : "Status Clear";
    settings.model = m_options.model.value_or("");
    settings.port = m_options.port;
    // The speed sets a serial line only: not USB, not a network printer.
    const bool network = m_options.port.starts_with("tcp://") || m_link.describePort(m_portIndex).device.value_or("").starts_with("tcp://");
    settings.speed = m_link.route() == Route::Serial && !network ? m_options.speed : "";
    settings.density = m_options.density;
    settings.delayMs = m_options.delayMs;
    settings.feedDots = m_options.feedDots;
    settings.repeatCount = m_options.repeat;
    if (action == "sequence") settings.sequence = m_options.sequence;
    if (action == "logo") settings.file = m_options.logo.filename().string();
    return settings;
}

// A device path or an address is this run's COM1: messages name what was given instead.
std::string HeadlessRun::named(std::string text) const
{
    const std::string com = "COM" + std::to_string(m_portIndex);
    if (m_portIndex > 11 || m_options.port == com) return text;
    const std::optional<std::string> device = m_link.describePort(m_portIndex).device;
    for (const std::string& as : {device ? com + " (" + *device + ")" : std::string(), com}) {
        if (as.empty()) continue;
        for (std::size_t at = text.find(as); at != std::string::npos; at = text.find(as, at + m_options.port.size()))
            text.replace(at, as.size(), m_options.port);
    }
    return text;
}

// The port could not be had: the message, and reports that say so as a run that failed before
// its first pass.
int HeadlessRun::notOpened(const std::string& message)
{
    m_errors << "printbench-run: " << message << "\n";
    m_failure = message.substr(0, message.find_first_of("\r\n"));
    observe().runStarted(settings());
    observe().stopAsked(cockpit::StopCause::LinkLost, message);
    observe().runEnded(false);
    return LinkError;
}

int HeadlessRun::act()
{
    // The port, as choosing it in the port list opens it.
    m_link.selectPort(m_portIndex);
    m_link.setOldFirmware(m_options.oldVersion);
    const std::string model = m_options.model.value_or("");  // as the window's model list before a choice
    m_journal.actionBegun("Open " + m_options.port);
    if (m_link.route() == Route::Usb) {
        const connection::UsbConnection usb = connection::ConnectUsb(m_link, model);
        if (!usb.connected()) {
            return notOpened(usb.message);
        }
        m_link.channel(Route::Usb).requestStatus();
    } else if (auto failure = connection::OpenSerialPort(m_link, m_portIndex, m_options.speed)) {
        // A device path or an address is this run's COM1: the message names what was given.
        return notOpened(named(*failure));
    }

    const std::string action = m_options.action;
    // Text leaves in the host's code page; characters it lacks leave as "?", and say so.
    const bool printsText = std::find(m_options.sequence.begin(), m_options.sequence.end(), "Text Output") != m_options.sequence.end();
    if (action == "sequence" && printsText) {
        std::string missing;
        for (const std::string& ch : m_codePage.missingCharacters(m_options.text)) missing += " " + ch;
        if (!missing.empty())
            m_errors << "printbench-run: code page " << m_codePage.name() << " cannot print" << missing << "; they leave as \"?\"\n";
    }
    const int density = densityIndex(m_options.density);
    observe().runStarted(settings());

    link::PrinterChannel& chosen = m_link.channel(m_link.route());
    bool complete = true;
    if (action == "sequence") {
        complete = commands::RunSequence(m_link.current(), density, m_state, *this) == commands::RunEnd::Complete;
    } else if (action == "h-diagram") {
        complete = commands::RunHDiagram(m_link.current(), m_state, *this) == commands::RunEnd::Complete;
    } else if (action == "bit-pattern") {
        complete = patterns::PrintBitPattern(chosen, m_state, *this) == commands::RunEnd::Complete;
    } else if (action == "tile") {
        complete = patterns::PrintTilePattern(chosen, density, m_state, *this) == commands::RunEnd::Complete;
    } else if (action == "test-pattern") {
        complete = patterns::PrintTestPattern(chosen, density, m_state, *this) == commands::RunEnd::Complete;
    } else if (action == "logo") {
        observe().passBegun(1, 1);
        const std::filesystem::path file = m_options.logo;
        const bitmap::LogoPrintResult printed = bitmap::PrintLogo(file.parent_path().empty() ? "." : file.parent_path(),
                                                                  file.filename().string(), ".", chosen);
        m_link.flush();
        if (printed.outcome != bitmap::LogoPrintResult::Outcome::Sent) {
            observe().stopAsked(cockpit::StopCause::Failed, printed.message);
            observe().runEnded(false);
            m_errors << "printbench-run: " << printed.message << "\n";
            return Usage;
        }
        observe().passFinished(1);
    } else if (action == "status") {
        observe().passBegun(1, 1);
        status::AskStatus(chosen);
        // The answer comes back as a receive event: a second at most.
        for (int i = 0; i < 20 && m_link.route() == Route::Serial && !m_journal.lastStatus(); ++i) {
            m_link.letEventsIn();
            if (!m_journal.lastStatus()) m_link.wait(50);
        }
        observe().passFinished(1);
    } else {
        observe().passBegun(1, 1);
        status::ClearStatus(chosen);
        observe().passFinished(1);
    }
    m_link.flush();
    if (complete) complete = lastWord();
    observe().runEnded(complete);

    if (m_linkFailed) return LinkError;
    if (m_stoppedByInterrupt) return Interrupted;
    if (action == "status") {
        const auto last = m_journal.lastStatus();
        if (!last) {
            m_errors << "printbench-run: the printer did not answer the status request\n";
            return LinkError;
        }
        const cockpit::StatusReading r = cockpit::readStatus(last->value);
        m_answer = cockpit::hexValue(last->value) + " " + r.meaning + " (" + cockpit::classText(r.faultClass) + ")";
        return r.faultClass == status::FaultClass::Normal ? Completed : Fault;
    }
    const auto& run = m_journal.run();
    if (run && run->ending == cockpit::RunEnding::StoppedByFault) {
        if (run->stopStatus) {
            m_errors << "printbench-run: stopped by the printer: " << cockpit::hexValue(run->stopStatus->value) << " "
                     << cockpit::readStatus(run->stopStatus->value).meaning << "\n";
        }
        return Fault;
    }
    return Completed;
}

std::string HeadlessRun::summary() const
{
    const auto& run = m_journal.run();
    if (!m_failure.empty() || !run) return "Not run: " + (m_failure.empty() ? std::string("nothing was asked") : m_failure);
    if (!m_answer.empty()) return m_answer;
    // Ctrl-C (or a signal to end) is this program's "Stop".
    std::string line = m_journal.statusLine();
    if (m_stoppedByInterrupt && line.starts_with("Stopped by Stop")) line.replace(11, 4, m_interruptedBy.load());
    return line;
}

bool HeadlessRun::writeReports()
{
    const auto& run = m_journal.run();
    bool ok = true;
    const auto write = [&](const std::filesystem::path& file, const std::string& text) {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out << text;
        out.flush();
        if (!out) {
            m_errors << "printbench-run: " << file.string() << " cannot be written\n";
            ok = false;
        }
    };
    if (m_options.report && run) write(*m_options.report, cockpit::runRecordJson(*run) + "\n");
    if (m_options.junit && run) write(*m_options.junit, cockpit::runJunitXml(*run));
    return ok;
}

// --- What the subsystems see ----------------------------------------------------------------

void HeadlessRun::serialDataArrived()
{
    observe().actionBegun("Printer status");
    if (status::ReceiveStatus(m_link, *this) != status::FaultClass::Normal) {
        m_state.StopRequested = 1;
        m_faulted = true;
        observe().stopAsked(cockpit::StopCause::Fault, {});
    }
}

// The window goes on listening after a run; this program ends with it. What the printer says
// about the last pass (the answer to its last status request, a fault it reports unasked) is
// read for a moment after the last byte, so that a fault there does not pass for success.
bool HeadlessRun::lastWord()
{
    if (m_link.route() == Route::Serial && !m_linkFailed) {
        for (int waited = 0; waited < kLastWordMs && !m_faulted; waited += 10) {
            m_link.letEventsIn();
            if (!m_faulted) m_link.wait(10);
        }
    }
    return !m_faulted;
}

void HeadlessRun::usbStatusRead(std::int32_t value)
{
    if (const auto failure = status::ShowUsbStatus(value, *this)) m_errors << "printbench-run: " << *failure << "\n";
}

void HeadlessRun::linkFailed(const std::string& report)
{
    m_state.StopRequested = 1;
    m_linkFailed = true;
    observe().stopAsked(cockpit::StopCause::LinkLost, named(report));
    if (!report.empty()) m_errors << "printbench-run: " << named(report) << "\n";
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

} // namespace printbench::headless
