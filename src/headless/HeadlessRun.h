#pragma once

#include "cockpit/Journal.h"
#include "commands/SequenceRunner.h"
#include "commands/SharedState.h"
#include "headless/ReportFiles.h"
#include "headless/RunOptions.h"
#include "link/PrinterLink.h"
#include "pictures/Pictures.h"
#include "status/StatusHandling.h"

#include <atomic>
#include <filesystem>
#include <functional>
#include <ostream>
#include <string>

namespace printbench::headless {

// Exit statuses of printbench-run.
enum Exit : int { Completed = 0, Fault = 1, Usage = 2, LinkError = 3, Interrupted = 130 };

// One action of printbench-run on the subsystems the window uses, without a window: the port
// opened as choosing it in the port list opens it, the same commands, waits, status handling,
// stop rules and repeat counting. The link's events and the run's panel are this object; the
// journal keeps the run's record for the reports.
class HeadlessRun : private link::LinkEvents, private status::StatusView, private commands::SequencePanel {
public:
    // `portIndex`: 1 to 11 for COM<n> in `portFolder`, 12 for USB.
    HeadlessRun(const RunOptions& options, link::SerialPort& serial, link::UsbControl& usb, link::Host& host,
                const link::CodePage& codePage, std::filesystem::path portFolder, int portIndex, std::ostream& errors);

    // Runs the action and writes the reports asked for; the exit status.
    int execute();

    // A signal to end (`by` names it: "SIGINT" for Ctrl-C, "SIGTERM", "SIGHUP"): the run stops
    // at its next check, as "Stop" stops it, and its reports are written.
    void interrupt(const char* by = "SIGINT")
    {
        m_interruptedBy = by;
        m_interrupted = true;
    }
    // For "image": reads the picture file and fits it to the print width (scaled down, or cropped
    // with `crop`), or says why it cannot be read. The program gives it (Qt's image readers);
    // without one, "image" is a usage error.
    using PictureReader = std::function<std::variant<pictures::FittedPicture, std::string>(
        const std::filesystem::path& file, int widthDots, bool crop)>;
    PictureReader readPicture;
    // Called at each pass (and each event pass) with the status line of the run.
    std::function<void(const std::string&)> progress;

    cockpit::Journal& journal() { return m_journal; }
    // One line: how the run ended; for "status", the printer's answer.
    std::string summary() const;

private:
    int act();
    int ending();
    int identify();
    run::RunSettings settings() const;
    link::Failure asGiven(link::Failure failure) const;
    int notOpened(const link::Failure& failure);
    void lastWord();
    run::RunObserver& observe();

    // link::LinkEvents
    void serialDataArrived() override;
    void usbStatusRead(std::int32_t value) override;
    void linkFailed(const link::Failure& failure, bool reported) override;
    // status::StatusView
    void showStatus(const std::string& text) override { m_shown = text; }
    void showBytesWaiting(const std::string&) override {}
    // commands::SequencePanel
    std::int64_t repeatCount() override { return m_options.repeat; }
    void showRepetition(std::int64_t) override {}
    void repetitionBegun(std::int64_t n) override;
    void repetitionFinished(std::int64_t n) override;
    int entryCount() override { return int(m_options.sequence.size()); }
    std::string entry(int index) override { return m_options.sequence.at(std::size_t(index)); }
    void highlight(int index) override;
    void commandRan(const std::string& entry) override;
    std::int64_t delayMs() override { return m_options.delayMs; }
    std::uint64_t feedDots() override { return m_options.feedDots; }
    std::string text() override { return m_options.text; }

    // The host as the link sees it: each event pass is also where Ctrl-C becomes a stop and
    // the progress line is written.
    class Events : public link::Host {
    public:
        Events(HeadlessRun& run, link::Host& host) : m_run(run), m_host(host) {}
        void sleep(std::int64_t ms) override { m_host.sleep(ms); }
        void processEvents() override;
        std::int64_t nowMs() override { return m_host.nowMs(); }

    private:
        HeadlessRun& m_run;
        link::Host& m_host;
    };

    RunOptions m_options;
    link::Host& m_host;
    const link::CodePage& m_codePage;
    Events m_events{*this, m_host};
    std::ostream& m_errors;
    int m_portIndex;
    cockpit::Journal m_journal;
    commands::SharedState m_state;
    link::PrinterLink m_link;
    ReportFiles m_reports;
    std::atomic<bool> m_interrupted{false};
    std::atomic<const char*> m_interruptedBy{"SIGINT"};
    bool m_stoppedByInterrupt = false, m_linkFailed = false;
    std::string m_shown;
    std::string m_failure;  // why the run could not begin, for the summary
    std::string m_answer;   // the status the printer answered, for "status"; its identity, for "identify"
};

}  // namespace printbench::headless
