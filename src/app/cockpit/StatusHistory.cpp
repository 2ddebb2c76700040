#include "app/cockpit/StatusHistory.h"

#include "app/cockpit/SeverityColour.h"
#include "cockpit/TimeText.h"

#include <QEvent>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include <deque>

namespace printbench::app {

StatusHistory::StatusHistory(const cockpit::Journal& journal, QWidget* parent)
    : QWidget(parent, Qt::Window), m_journal(journal)
{
    setObjectName(QStringLiteral("StatusHistory"));
    resize(620, 360);

    m_table = new QTableWidget(0, 6, this);
    retranslate();
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_table);

    m_timer.setInterval(250);
    connect(&m_timer, &QTimer::timeout, this, &StatusHistory::pull);
}

void StatusHistory::pull()
{
    // Only the newest rows that can stay are made.
    std::deque<run::StatusEvent> fresh;
    m_next = m_journal.readHistory(m_next, [&](const run::StatusEvent& e) {
        fresh.push_back(e);
        if (fresh.size() > std::size_t(kMaxRows)) fresh.pop_front();
    });
    if (fresh.empty()) return;

    // The table follows the newest row unless the technician has scrolled away from it.
    const bool following = m_table->verticalScrollBar()->value() == m_table->verticalScrollBar()->maximum();
    const int excess = m_table->rowCount() + int(fresh.size()) - kMaxRows;
    if (excess > 0) m_table->model()->removeRows(0, excess);
    int row = m_table->rowCount();
    m_table->setRowCount(row + int(fresh.size()));
    for (const run::StatusEvent& e : fresh) {
        const cockpit::StatusReading reading = cockpit::readStatus(e.value);
        const QString cells[] = {
            QString::fromStdString(cockpit::stampText(e.atMs, m_journal.utcOffsetMinutes())),
            QString::fromStdString(cockpit::hexValue(e.value)),
            QString::fromStdString(reading.meaning),
            QString::fromUtf8(cockpit::classText(reading.faultClass)),
            e.route == link::Route::Usb ? QStringLiteral("USB") : QStringLiteral("Serial"),
            e.pass == 0 ? QString() : QString::number(e.pass),
        };
        for (int column = 0; column < 6; ++column) {
            auto* item = new QTableWidgetItem(cells[column]);
            item->setBackground(severityColour(reading.severity));
            m_table->setItem(row, column, item);
        }
        ++row;
    }
    if (following) m_table->scrollToBottom();
}

void StatusHistory::showEvent(QShowEvent* event)
{
    pull();
    m_timer.start();
    QWidget::showEvent(event);
}

void StatusHistory::hideEvent(QHideEvent* event)
{
    m_timer.stop();
    QWidget::hideEvent(event);
}

void StatusHistory::retranslate()
{
    setWindowTitle(tr("Status history"));
    m_table->setHorizontalHeaderLabels({tr("Time"), tr("Value"), tr("Meaning"), tr("Class"), tr("Route"), tr("Pass")});
}

void StatusHistory::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange) retranslate();
    QWidget::changeEvent(event);
}

}  // namespace printbench::app
