#include "app/Application.h"

#include "app/window/AppIcon.h"
#include "cockpit/RunLog.h"

#include <QDateTime>
#include <QFile>

namespace printbench::app {

namespace {

bool startLanguage(std::optional<Language> chosen)
{
    const Language language = chosen.value_or(rememberedLanguage());
    if (chosen) rememberLanguage(language);
    return installLanguage(language);
}

} // namespace

Application::Application(int& argc, char** argv, std::optional<Language> language, std::optional<std::string> usbPrinterModel)
    : m_app(argc, argv), m_languageSet(startLanguage(language)), m_host(QStringLiteral("PrintBench")),
      m_usbPrinter(usbPrinterModel ? std::make_unique<UsbVirtualPrinter>(*usbPrinterModel, "receipts") : nullptr), m_window(m_host, m_serial, m_usb, m_codePage),
      m_cockpit(m_window, m_journal, m_codePage)
{
    QApplication::setApplicationName(QStringLiteral("PrintBench"));
    QApplication::setWindowIcon(appIcon());
    m_host.setWindow(&m_cockpit);
    m_host.setBeforeEnd([this] { m_cockpit.saveSession(); });

    // The system's clock may be set and summer time may begin: the journal's follows each minute.
    setClock();
    m_clock.setInterval(60 * 1000);
    QObject::connect(&m_clock, &QTimer::timeout, &m_clock, [this] { setClock(); });
    m_clock.start();

    window::Form1& form = m_window.form();
    form.link().setTap(&m_journal);
    form.setRunObserver(&m_journal);
    m_journal.onRunEnded([this](const cockpit::RunRecord& r) {
        const auto error = cockpit::appendToRunLog(cockpit::defaultRunLogFolder(), r);
        m_cockpit.showNote(error ? QString::fromStdString(*error) : QString());
    });
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

} // namespace printbench::app
