#pragma once

#include "cockpit/ExpectedPaper.h"
#include "cockpit/Journal.h"
#include "printer/app/QtPrinterOutput.h"

#include <QDockWidget>
#include <QImage>
#include <QTimer>
#include <QWidget>

#include <memory>
#include <vector>

class QLabel;
class QScrollArea;

namespace printbench::app {

// The expected paper drawn at one dot a pixel: the pieces one under the other, newest at the
// bottom, a tear line between two, on a grey ground. Each piece's picture is made once.
class PaperStrip : public QWidget {
    Q_OBJECT

public:
    static constexpr int kTear = 16;  // rows of the tear line between two pieces

    explicit PaperStrip(QWidget* parent = nullptr);
    void setView(std::shared_ptr<const cockpit::PaperView> view);
    const cockpit::PaperView* view() const { return m_view.get(); }
    // The whole strip as one picture: each piece as printer::pageImage draws it (less the rows
    // gone from its top), the tear lines between them.
    QImage image() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Placed {
        std::shared_ptr<const printer::Page> page;
        QImage image;
        int top = 0;  // rows of the page not shown
        int y = 0;    // where it starts on the strip
    };
    void paint(QPainter& painter, const QRect& area) const;

    std::shared_ptr<const cockpit::PaperView> m_view;
    std::vector<Placed> m_placed;
    QSize m_size;
};

// View › Expected paper: the paper the printer should be printing, drawn from every byte sent
// since the program started (within the bound the core keeps), whether the dock is shown or
// not; shown, it looks ten times a second and follows the newest paper unless the technician
// scrolled up. A line above the paper gives its width and length, and what was dropped.
class ExpectedPaperDock : public QDockWidget {
    Q_OBJECT

public:
    ExpectedPaperDock(cockpit::Journal& journal, QWidget* parent = nullptr);
    ~ExpectedPaperDock() override;

    // The model the form's model list names: new paper at its width (an unknown name changes nothing).
    void setModel(const QString& model);
    // Takes the newest paper; with `wait`, once everything sent is drawn.
    void pull(bool wait = false);
    PaperStrip& strip() const { return *m_strip; }
    QString infoText() const;
    cockpit::ExpectedPaper& paper() { return *m_paper; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void retranslate();
    // Makes the dock wide enough for paper `dots` wide.
    void fitWidth(int dots);

    cockpit::Journal& m_journal;
    printer::QtGlyphs m_glyphs;  // the drawing thread's, as the virtual printer program's
    std::unique_ptr<cockpit::ExpectedPaper> m_paper;
    QTimer m_timer;
    QLabel* m_info = nullptr;
    QScrollArea* m_scroll = nullptr;
    PaperStrip* m_strip = nullptr;
    bool m_follow = true;  // the view stays at the newest paper
};

}  // namespace printbench::app
