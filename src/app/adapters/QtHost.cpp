#include "app/adapters/QtHost.h"

#include <QApplication>
#include <QMessageBox>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace printbench::app {

QtHost::QtHost(QString title) : m_title(std::move(title)) {}

void QtHost::sleep(std::int64_t ms)
{
    // A plain blocking sleep: no event of any kind runs during a wait, not even a queued
    // receive notification, so the only places where a run lets events in are its event passes.
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
    for (auto left = deadline - Clock::now(); left > Clock::duration::zero(); left = deadline - Clock::now())
        std::this_thread::sleep_for(left);
}

void QtHost::processEvents()
{
    ++m_eventDepth;
    QCoreApplication::processEvents();
    --m_eventDepth;
}

void QtHost::message(Icon icon, const std::string& text)
{
    QMessageBox::Icon qicon = QMessageBox::NoIcon;
    switch (icon) {
    case Icon::None: qicon = QMessageBox::NoIcon; break;
    case Icon::Information: qicon = QMessageBox::Information; break;
    case Icon::Warning: qicon = QMessageBox::Warning; break;
    case Icon::Critical: qicon = QMessageBox::Critical; break;
    }
    // The core joins lines with CR LF; a label breaks on LF.
    QString shown = QString::fromStdString(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QMessageBox box(qicon, m_title, shown, QMessageBox::Ok, m_window);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

std::int64_t QtHost::nowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void QtHost::endProgram()
{
    if (m_eventDepth > 0) {
        // "End" pressed while a run lets events through: the run would go on sending after
        // the window is gone. The serial port is closed already and nothing is kept between
        // runs of the program, so it ends here and now.
        std::fflush(nullptr);
        std::_Exit(0);
    }
    QApplication::closeAllWindows();
    QCoreApplication::quit();
}

} // namespace printbench::app
