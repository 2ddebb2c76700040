#include "app/Application.h"

#include "app/window/AppIcon.h"
#include "cockpit/RunLog.h"

#include <QDateTime>
#include <QFile>
#include <QSysInfo>

#include <atomic>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

namespace printbench::app {

namespace {

bool startLanguage(std::optional<Language> chosen)
{
    const Language language = chosen.value_or(rememberedLanguage());
    if (chosen) rememberLanguage(language);
    return installLanguage(language);
}

}  // namespace

Application::Application(int& argc, char** argv, std::optional<Language> language,
                         std::function<std::shared_ptr<void>()> usbPrinter)
    : m_app(argc, argv), m_languageSet(startLanguage(language)), m_host(QStringLiteral("PrintBench")),
      m_usbPrinter(usbPrinter ? usbPrinter() : nullptr), m_window(m_host, m_serial, m_usb, m_codePage),
      m_cockpit(m_window, m_journal, m_codePage)
{
    QApplication::setApplicationName(QStringLiteral("PrintBench"));
    QApplication::setWindowIcon(appIcon());
    m_host.setWindow(&m_cockpit);
    m_host.watchDuringSleeps(&m_serial);
    m_host.setBeforeEnd([this] {
        m_cockpit.saveSession();
        // A run stopped on the way out still gets its listening time: the answers to its last
        // requests are let in (no user input). One still running (the program ends from inside a
        // run) is closed as stopped by End.
        const auto until = std::chrono::steady_clock::now() +
                           std::chrono::milliseconds(cockpit::Journal::kListenMs + 20);
        while (m_journal.listening() && std::chrono::steady_clock::now() < until) {
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            m_journal.tick();
            if (m_journal.listening()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        m_journal.closeRun("End");
        // The program may end at once after this (from inside a run): the end line first.
        if (m_runLog) m_runLog->drain();
    });
    // The status bar follows the run pass by pass, as "Repeated" does, even when the pass then
    // waits longer than the status bar's refresh.
    m_host.setBeforeEvents([this] {
        const auto& run = m_journal.run();
        if (!m_journal.running() || run->passesBegun == m_shownPass) return;
        m_shownPass = run->passesBegun;
        m_cockpit.refreshStatus();
    });

    // The system's clock may be set and summer time may begin: the journal's follows each minute.
    setClock();
    m_clock.setInterval(60 * 1000);
    QObject::connect(&m_clock, &QTimer::timeout, &m_clock, [this] { setClock(); });
    m_clock.start();

    window::Form1& form = m_window.form();
    form.link().setTap(&m_journal);
    form.setRunObserver(&m_journal);

    // The run log, written ahead as runs go; its failures show in the status bar.
    m_journal.setProcessTag(std::to_string(QCoreApplication::applicationPid()));
    reportInterruptedRuns();
    m_runLog =
        std::make_unique<cockpit::RunLogWriter>(cockpit::defaultRunLogFolder(),
                                                cockpit::WriterProcess{QCoreApplication::applicationPid(), "printbench",
                                                                       QSysInfo::machineHostName().toStdString()},
                                                &m_journal.live());
    m_journal.addSink(m_runLog.get());
    m_runLogErrors.setInterval(1000);
    QObject::connect(&m_runLogErrors, &QTimer::timeout, &m_runLogErrors, [this] {
        if (const auto error = m_runLog->takeError()) m_cockpit.showNote(QString::fromStdString(*error));
    });
    m_runLogErrors.start();
    // A run's record listens a moment after its last byte.
    m_journal.onWakeUp([this](std::int64_t ms) {
        QTimer::singleShot(std::chrono::milliseconds(ms), &m_cockpit, [this] {
            m_journal.tick();
            m_cockpit.refreshStatus();
        });
    });
    catchSignals();
}

void Application::reportInterruptedRuns()
{
    const std::filesystem::path folder = cockpit::defaultRunLogFolder();
    std::vector<run::RunRecord> runs = cockpit::readInterruptedRuns(folder);
    for (const run::RunRecord& r : runs)
        if (const auto error = cockpit::closeInterruptedRun(folder, r))
            m_cockpit.showNote(QString::fromStdString(*error));
    if (!runs.empty()) m_journal.showEarlierRun(std::move(runs.back()));
    m_cockpit.refreshStatus();
}

namespace {

int g_signalPipe[2] = {-1, -1};
std::atomic<int> g_signalsCaught{0};

void signalled(int signal)
{
    if (g_signalsCaught.fetch_add(1) > 0) std::_Exit(128 + signal);  // a second signal: at once
    const char b = static_cast<char>(signal);
    [[maybe_unused]] const ssize_t w = ::write(g_signalPipe[1], &b, 1);
}

}  // namespace

void Application::catchSignals()
{
    if (g_signalPipe[0] < 0 && ::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    m_signals = std::make_unique<QSocketNotifier>(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(m_signals.get(), &QSocketNotifier::activated, m_signals.get(), [this] {
        char b = 0;
        while (::read(g_signalPipe[0], &b, 1) == 1) onSignal(b);
    });
    for (const int s : {SIGTERM, SIGINT, SIGHUP}) std::signal(s, signalled);
}

void Application::onSignal(int signal)
{
    window::Form1& form = m_window.form();
    const char* name = signal == SIGTERM ? "SIGTERM" : signal == SIGINT ? "SIGINT" : "SIGHUP";
    // A message box of the run would wait for a click that will not come.
    if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
    form.endWhenIdle(name);
}

void Application::setClock()
{
    m_journal.setClock(QDateTime::currentMSecsSinceEpoch() - m_host.nowMs(),
                       QDateTime::currentDateTime().offsetFromUtc() / 60);
}

int Application::exec()
{
    m_cockpit.show();
    // PRINTBENCH_LAYOUT_FILE names a file that gets one line on where the form sits (run.sh
    // reports it).
    if (const QString file = qEnvironmentVariable("PRINTBENCH_LAYOUT_FILE"); !file.isEmpty()) {
        QFile out(file);
        if (out.open(QIODevice::WriteOnly | QIODevice::Truncate)) out.write(m_cockpit.layoutText().toUtf8() + '\n');
    }
    return QApplication::exec();
}

}  // namespace printbench::app
