#include "app/cockpit/ExpectedPaperDock.h"

#include "protocol/Models.h"

#include <QEvent>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>
#include <map>

namespace printbench::app {

namespace {

constexpr int kGround = 128;  // grey around and between the pieces
constexpr int kDash = 230;    // the tear line's dashes

QString metres(std::int64_t rows)
{
    // 8 dots a millimetre.
    return QString::number(double(rows) / 8000.0, 'f', 2);
}

}  // namespace

PaperStrip::PaperStrip(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ExpectedPaperStrip"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFixedSize(1, 1);
}

void PaperStrip::setView(std::shared_ptr<const cockpit::PaperView> view)
{
    // Pieces never change: a picture made before serves as long as its piece is there.
    std::map<const printer::Page*, QImage> made;
    for (Placed& p : m_placed) made.emplace(p.page.get(), std::move(p.image));
    m_placed.clear();
    int y = 0, width = 1;
    for (const cockpit::PaperPiece& piece : view->pieces) {
        const auto found = made.find(piece.page.get());
        QImage image = found != made.end() ? std::move(found->second) : printer::pageImage(*piece.page);
        if (y > 0) y += kTear;
        m_placed.push_back({piece.page, std::move(image), piece.top, y});
        y += piece.rows();
        width = std::max(width, piece.page->dots.width);
    }
    m_view = std::move(view);
    m_size = QSize(width, std::max(1, y));
    setFixedSize(m_size);
    update();
}

void PaperStrip::paint(QPainter& painter, const QRect& area) const
{
    painter.fillRect(area, QColor(kGround, kGround, kGround));
    for (std::size_t i = 0; i < m_placed.size(); ++i) {
        const Placed& p = m_placed[i];
        const int rows = p.image.height() - p.top;
        if (i > 0) {
            // The tear line: a dashed line across the ground between two pieces.
            const int middle = p.y - kTear / 2;
            for (int x = 0; x < m_size.width(); x += 12)
                painter.fillRect(x, middle - 1, 6, 2, QColor(kDash, kDash, kDash));
        }
        if (p.y > area.bottom() || p.y + rows <= area.top()) continue;
        painter.drawImage(QPoint(0, p.y), p.image, QRect(0, p.top, p.image.width(), rows));
    }
}

void PaperStrip::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    paint(painter, event->rect());
}

QImage PaperStrip::image() const
{
    QImage image(m_size, QImage::Format_Grayscale8);
    QPainter painter(&image);
    paint(painter, image.rect());
    return image;
}

ExpectedPaperDock::ExpectedPaperDock(cockpit::Journal& journal, QWidget* parent)
    : QDockWidget(parent), m_journal(journal)
{
    setObjectName(QStringLiteral("ExpectedPaper"));
    setAllowedAreas(Qt::AllDockWidgetAreas);
    setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
    // The first model of the list until the list names one.
    m_paper = std::make_unique<cockpit::ExpectedPaper>(&m_glyphs, protocol::kModelWidths.front().second);
    m_journal.addSentListener(m_paper.get());

    auto* body = new QWidget(this);
    m_info = new QLabel(body);
    m_info->setObjectName(QStringLiteral("ExpectedPaperInfo"));
    m_info->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_strip = new PaperStrip;
    m_scroll = new QScrollArea(body);
    m_scroll->setWidget(m_strip);
    m_scroll->setBackgroundRole(QPalette::Dark);
    m_scroll->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(m_info);
    layout->addWidget(m_scroll, 1);
    setWidget(body);
    fitWidth(protocol::kModelWidths.front().second);
    retranslate();

    // Newest at the bottom: the view follows it while it stands at the bottom.
    QScrollBar* bar = m_scroll->verticalScrollBar();
    connect(bar, &QScrollBar::rangeChanged, this, [this, bar](int, int max) {
        if (m_follow) bar->setValue(max);
    });
    connect(bar, &QScrollBar::valueChanged, this, [this, bar](int value) { m_follow = value >= bar->maximum() - 4; });

    m_timer.setInterval(100);
    connect(&m_timer, &QTimer::timeout, this, [this] { pull(); });
    connect(this, &QDockWidget::visibilityChanged, this, [this](bool shown) {
        if (!shown) return m_timer.stop();
        pull();
        m_timer.start();
    });
}

ExpectedPaperDock::~ExpectedPaperDock()
{
    // QWidget's destructor hides the dock and its scroll bar, which would call back into what is
    // no longer an ExpectedPaperDock.
    disconnect(this, nullptr, this, nullptr);
    m_scroll->verticalScrollBar()->disconnect(this);
    m_journal.removeSentListener(m_paper.get());
}

void ExpectedPaperDock::setModel(const QString& model)
{
    if (const auto width = protocol::modelPrintWidth(model.toStdString())) {
        m_paper->setWidth(*width);
        fitWidth(*width);
    }
}

void ExpectedPaperDock::fitWidth(int dots)
{
    // The whole width of the paper at one dot a pixel, beside its scroll bar; the widest models
    // scroll sideways beyond 900 pixels.
    const int bar = m_scroll->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_scroll);
    m_scroll->setMinimumWidth(std::min(dots, 900) + bar + 2 * m_scroll->frameWidth() + 2);
}

void ExpectedPaperDock::pull(bool wait)
{
    std::shared_ptr<const cockpit::PaperView> view = m_paper->view(wait);
    if (m_strip->view() && m_strip->view()->generation == view->generation) return;
    m_strip->setView(std::move(view));
    const QString info = infoText();
    if (m_info->text() != info) m_info->setText(info);
}

QString ExpectedPaperDock::infoText() const
{
    const cockpit::PaperView* v = m_strip->view();
    if (!v) return tr("%1 dots wide").arg(m_paper->width());
    QString text = tr("%1 dots wide · %2 m of paper").arg(v->width).arg(metres(v->keptRows));
    if (v->droppedRows)
        text += tr(" · older paper dropped: %1 m (%2 rows, %3 whole pieces)")
                    .arg(metres(std::int64_t(v->droppedRows)))
                    .arg(v->droppedRows)
                    .arg(v->droppedPieces);
    if (v->missedBytes) text += tr(" · %1 bytes sent too fast to draw").arg(v->missedBytes);
    return text;
}

void ExpectedPaperDock::retranslate()
{
    setWindowTitle(tr("Expected paper"));
    m_info->setText(infoText());
}

void ExpectedPaperDock::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange) retranslate();
    QDockWidget::changeEvent(event);
}

}  // namespace printbench::app
