#include "app/cockpit/TrafficConsole.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace printbench::app {

using cockpit::ConsoleText;

TrafficConsole::TrafficConsole(cockpit::Journal& journal, QWidget* parent) : QWidget(parent), m_journal(journal)
{
    m_pause = new QPushButton(this);
    m_pause->setObjectName(QStringLiteral("Pause"));
    m_pause->setCheckable(true);
    m_filter = new QComboBox(this);
    m_filter->setObjectName(QStringLiteral("Direction"));
    // In the order of ConsoleText::Filter.
    m_filter->addItems({QString(), QString(), QString()});
    m_copy = new QPushButton(this);
    m_copy->setObjectName(QStringLiteral("Copy"));
    m_clear = new QPushButton(this);
    m_clear->setObjectName(QStringLiteral("Clear"));
    auto* copy = m_copy;
    auto* clear = m_clear;
    retranslate();
    m_dropped = new QLabel(this);
    m_dropped->setObjectName(QStringLiteral("Dropped"));

    m_view = new QPlainTextEdit(this);
    m_view->setObjectName(QStringLiteral("ConsoleText"));
    m_view->setReadOnly(true);
    m_view->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_view->setMaximumBlockCount(20000);
    m_view->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

    auto* controls = new QHBoxLayout;
    for (QWidget* w : std::initializer_list<QWidget*>{m_pause, m_filter, copy, clear}) controls->addWidget(w);
    controls->addWidget(m_dropped, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(controls);
    layout->addWidget(m_view, 1);

    m_timer.setInterval(100);
    connect(&m_timer, &QTimer::timeout, this, [this] { pull(); });
    connect(m_pause, &QPushButton::toggled, this, &TrafficConsole::follow);
    connect(copy, &QPushButton::clicked, this, [this] { QApplication::clipboard()->setText(m_view->toPlainText()); });
    connect(clear, &QPushButton::clicked, m_view, &QPlainTextEdit::clear);
}

void TrafficConsole::setShown(bool shown)
{
    m_shown = shown;
    follow();
}

void TrafficConsole::follow()
{
    const bool live = m_shown && !m_pause->isChecked();
    if (live == m_timer.isActive()) return;
    if (!live) return m_timer.stop();
    pull();
    m_timer.start();
}

void TrafficConsole::pull(bool wait)
{
    if (m_pause->isChecked()) return;
    // The worker formats in the background: what it has not finished shows at the next tick.
    m_lines.read(m_journal, static_cast<ConsoleText::Filter>(m_filter->currentIndex()));
    std::string text = m_lines.take(wait);
    if (!text.empty()) {
        if (text.back() == '\n') text.pop_back();  // each append is a paragraph of its own
        m_view->appendPlainText(QString::fromStdString(text));
    }
    m_dropped->setText(QString::fromStdString(ConsoleText::droppedText(m_lines.missed())));
}

QString TrafficConsole::text() const
{
    return m_view->toPlainText();
}

void TrafficConsole::retranslate()
{
    m_pause->setText(tr("Pause"));
    const QString directions[] = {tr("Both"), tr("Sent"), tr("Received")};
    for (int i = 0; i < 3; ++i) m_filter->setItemText(i, directions[i]);
    m_copy->setText(tr("Copy"));
    m_clear->setText(tr("Clear"));
}

void TrafficConsole::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange) retranslate();
    QWidget::changeEvent(event);
}

}  // namespace printbench::app
