#include "app/adapters/QtHost.h"

#include "app/i18n/Language.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace printbench::app {

QtHost::QtHost(QString title) : m_title(std::move(title))
{}

void QtHost::sleep(std::int64_t ms)
{
    // A blocking sleep: no event of any kind runs during a wait, not even a queued receive
    // notification, so the only places where a run lets events in are its event passes. With a
    // port open it waits on the port, which reads and dates what arrives and tells nobody yet.
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
    if (m_watched && m_watched->isOpen() && ms > 0) m_watched->waitUntil(deadline);
    for (auto left = deadline - Clock::now(); left > Clock::duration::zero(); left = deadline - Clock::now())
        std::this_thread::sleep_for(left);
}

void QtHost::processEvents()
{
    if (m_beforeEvents) m_beforeEvents();
    ++m_eventDepth;
    QCoreApplication::processEvents();
    --m_eventDepth;
}

namespace {

// In the window's language; the core joins lines with CR LF, a label breaks on LF.
QString shown(const window::Message& text)
{
    return translatedMessage(text).split(QStringLiteral("\r\n")).join(QLatin1Char('\n'));
}

}  // namespace

void QtHost::message(Icon icon, const window::Message& text)
{
    QMessageBox::Icon qicon = QMessageBox::NoIcon;
    switch (icon) {
    case Icon::None: qicon = QMessageBox::NoIcon; break;
    case Icon::Information: qicon = QMessageBox::Information; break;
    case Icon::Warning: qicon = QMessageBox::Warning; break;
    case Icon::Critical: qicon = QMessageBox::Critical; break;
    }
    QMessageBox box(qicon, m_title, shown(text), QMessageBox::Ok, m_window);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

bool QtHost::ask(const window::Message& text, const window::Message& yes, const window::Message& no)
{
    QMessageBox box(QMessageBox::Question, m_title, shown(text), QMessageBox::NoButton, m_window);
    box.setTextFormat(Qt::PlainText);
    QPushButton* yesButton = box.addButton(translatedMessage(yes), QMessageBox::YesRole);
    QPushButton* noButton = box.addButton(translatedMessage(no), QMessageBox::NoRole);
    box.setDefaultButton(yesButton);
    box.setEscapeButton(noButton);  // also the answer of the close box
    box.exec();
    return box.clickedButton() == yesButton;
}

std::int64_t QtHost::nowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void QtHost::endProgram()
{
    if (std::exchange(m_ending, true)) return;  // the windows closing run "End" once more
    if (m_beforeEnd) m_beforeEnd();
    if (m_eventDepth > 0) {
        // "End" pressed while a run lets events through: the run would go on sending after
        // the window is gone. The serial port is closed already and what is kept between
        // runs of the program has just been kept, so it ends here and now.
        std::fflush(nullptr);
        std::_Exit(0);
    }
    QApplication::closeAllWindows();
    QCoreApplication::quit();
}

}  // namespace printbench::app
