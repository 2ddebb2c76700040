#pragma once

#include "cockpit/ConsoleText.h"
#include "cockpit/Journal.h"

#include <QTimer>
#include <QWidget>

#include <cstdint>

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace printbench::app {

// The traffic console's contents: every record of the journal's traffic as lines of time,
// direction, route, hex and meaning, read ten times a second while the console is shown and
// not paused. Above the text: Pause, the direction filter, Copy, Clear, and what the journal
// dropped before it could be shown.
class TrafficConsole : public QWidget {
    Q_OBJECT

public:
    explicit TrafficConsole(cockpit::Journal& journal, QWidget* parent = nullptr);

    // Appends what the journal took in since the last read, formatted on the console's own
    // thread: what it has not finished yet comes at the next call, or at once with `wait`.
    // Nothing while paused.
    void pull(bool wait = false);
    // The dock shows or hides the console: it reads only while shown.
    void setShown(bool shown);
    QString text() const;

protected:
    void changeEvent(QEvent* event) override;

private:
    void retranslate();
    void follow();

    cockpit::Journal& m_journal;
    cockpit::ConsoleWorker m_lines;
    bool m_shown = false;
    QTimer m_timer;
    QPlainTextEdit* m_view = nullptr;
    QPushButton* m_pause = nullptr;
    QComboBox* m_filter = nullptr;
    QPushButton* m_copy = nullptr;
    QPushButton* m_clear = nullptr;
    QLabel* m_dropped = nullptr;
};

}  // namespace printbench::app
