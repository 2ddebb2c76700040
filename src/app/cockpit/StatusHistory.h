#pragma once

#include "cockpit/Journal.h"

#include <QTimer>
#include <QWidget>

#include <cstdint>

class QTableWidget;

namespace printbench::app {

// The window "Status history": every status value the printer gave, one row each (time,
// value, meaning, class, route, pass), on a pale green, amber or red by how it reads. It reads
// the journal when shown and four times a second while it stays shown, and keeps the newest
// kMaxRows rows.
class StatusHistory : public QWidget {
    Q_OBJECT

public:
    static constexpr int kMaxRows = 10000;

    explicit StatusHistory(const cockpit::Journal& journal, QWidget* parent = nullptr);

    // Adds the rows of the values received since the last read.
    void pull();
    QTableWidget* table() const { return m_table; }

protected:
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void retranslate();
    const cockpit::Journal& m_journal;
    std::uint64_t m_next = 0;
    QTimer m_timer;
    QTableWidget* m_table = nullptr;
};

}  // namespace printbench::app
