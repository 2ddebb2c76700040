#include "app/window/MainWindow.h"

#include "app/i18n/Language.h"
#include "app/window/AppIcon.h"
#include "app/window/BitmapWindow.h"
#include "window/ControlTable.h"

#include <QCloseEvent>
#include <QPointer>

#include <functional>

namespace printbench::app {

using window::Form1;
using window::MainControl;

namespace {

// The port list asks for fresh tooltips each time it opens: adapters come and go.
class PortList : public QComboBox {
public:
    using QComboBox::QComboBox;
    std::function<void()> beforePopup;

    void showPopup() override
    {
        if (beforePopup) beforePopup();
        QComboBox::showPopup();
    }
};

}  // namespace

MainWindow::MainWindow(window::WindowHost& host, link::SerialPort& serial, link::UsbControl& usb,
                       const link::CodePage& codePage, std::filesystem::path portFolder, QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("PrintBench"));
    setWindowIcon(appIcon());
    setFixedSize(window::kMainClientWidth, window::kMainClientHeight);
    // The layout is in pixels: a compact font keeps every caption inside its control, and
    // the CJK family carries the Korean captions.
    QFont compact(QStringLiteral("Noto Sans CJK KR"));
    compact.setPixelSize(11);
    setFont(compact);

    buildControls();
    m_form = std::make_unique<Form1>(host, m_fields, serial, usb, codePage, std::move(portFolder));
    m_form->Form_Load();
    refreshPortTooltips();
    connectHandlers();
}

MainWindow::~MainWindow()
{
    // The bitmap window prints through this window's Form1: it goes before the Form1 does.
    qDeleteAll(findChildren<BitmapWindow*>(QString(), Qt::FindDirectChildrenOnly));
}

void MainWindow::buildControls()
{
    m_widgets.build(this, window::mainWindowControls(), "Form1", [this](MainControl id, QWidget* parent) -> QWidget* {
        if (id != MainControl::Combo2) return nullptr;
        auto* ports = new PortList(parent);
        ports->beforePopup = [this] { refreshPortTooltips(); };
        return ports;
    });
    for (const auto& [field, id] : window::kMainFields) m_fields.bind(field, m_widgets[id]);

    // A wheel turned over a list would choose entries, and choosing a port opens it: lists
    // change by click or keyboard only.
    for (QComboBox* list : {widget<MainControl::Combo1>(), widget<MainControl::Combo2>(), widget<MainControl::Combo3>(),
                            widget<MainControl::Combo4>()})
        list->installEventFilter(this);

    // Double-clicking the text empties it; the editor would select a word first.
    m_text1Viewport = widget<MainControl::Text1>()->viewport();
    m_text1Viewport->installEventFilter(this);
}

void MainWindow::connectHandlers()
{
    Form1& f = *m_form;
    // `activated` comes from the user only, also when the shown entry is chosen again.
    connect(widget<MainControl::Combo1>(), &QComboBox::activated, this, [&f] { f.Combo1_Click(); });
    connect(widget<MainControl::Combo2>(), &QComboBox::activated, this, [&f] { f.Combo2_Click(); });
    connect(widget<MainControl::Combo4>(), &QComboBox::activated, this, [&f] { f.Combo4_Click(); });
    // "Old ver" chooses the USB status member; the link keeps the choice.
    connect(widget<MainControl::Check2>(), &QCheckBox::toggled, this, [&f] { f.Check2_Click(); });

    // `textEdited` comes from the user only; the core runs the handler for its own changes.
    connect(widget<MainControl::Text2>(), &QLineEdit::textEdited, this, [&f] { f.Text2_Change(); });
    connect(widget<MainControl::Text5>(), &QLineEdit::textEdited, this, [&f] { f.Text5_Change(); });
    connect(widget<MainControl::Text10>(), &QLineEdit::textEdited, this, [&f] { f.Text10_Change(); });

    connect(widget<MainControl::List1>(), &QListWidget::itemDoubleClicked, this, [&f] { f.List1_DblClick(); });
    connect(widget<MainControl::List2>(), &QListWidget::itemDoubleClicked, this, [&f] { f.List2_DblClick(); });

    connect(widget<MainControl::Command1>(), &QPushButton::clicked, this, [this] {
        m_ending = true;
        m_form->Command1_Click();
    });
    const std::pair<QPushButton*, void (Form1::*)()> buttons[] = {
        {widget<MainControl::Command2>(), &Form1::Command2_Click},
        {widget<MainControl::Command3>(), &Form1::Command3_Click},
        {widget<MainControl::Command4>(), &Form1::Command4_Click},
        {widget<MainControl::Command5>(), &Form1::Command5_Click},
        {widget<MainControl::Command6>(), &Form1::Command6_Click},
        {widget<MainControl::Command8>(), &Form1::Command8_Click},
        {widget<MainControl::Command9>(), &Form1::Command9_Click},
        {widget<MainControl::Command10>(), &Form1::Command10_Click},
        {widget<MainControl::Command11>(), &Form1::Command11_Click},
    };
    for (const auto& [button, handler] : buttons) {
        connect(button, &QPushButton::clicked, this, [&f, handler = handler] { (f.*handler)(); });
    }
    // "Bitmap Image" shows the bitmap window, non-modal, made anew when its close box has
    // destroyed it; "Close" only hides it.
    f.setBitmapWindowOpener([this, bitmapWindow = QPointer<BitmapWindow>()]() mutable {
        if (!bitmapWindow) {
            bitmapWindow = new BitmapWindow(*m_form, this);
            // Its "Print" starts a run too: Form1 turns it off and on with its own starters.
            m_fields.bind(window::Control::Form3Command1, bitmapWindow->widget<window::BitmapControl::Command1>());
            connect(bitmapWindow, &QObject::destroyed, this,
                    [this] { m_fields.bind(window::Control::Form3Command1, nullptr); });
        }
        bitmapWindow->show();
        bitmapWindow->raise();
        bitmapWindow->activateWindow();
    });
}

void MainWindow::refreshPortTooltips()
{
    QComboBox* ports = widget<MainControl::Combo2>();
    const auto targets = m_form->link().describePorts();
    for (int n = 1; n <= static_cast<int>(targets.size()) && n < ports->count(); ++n) {
        ports->setItemData(n, QString::fromStdString(targets[static_cast<std::size_t>(n - 1)].description),
                           Qt::ToolTipRole);
    }
    if (ports->count() > 12) ports->setItemData(12, QStringLiteral("USB printer of the chosen model"), Qt::ToolTipRole);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Wheel && qobject_cast<QComboBox*>(watched)) return true;
    if (watched == m_text1Viewport && event->type() == QEvent::MouseButtonDblClick) {
        m_form->Text1_DblClick();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // The title-bar close box ends the program as "End" does.
    if (!m_ending) {
        m_ending = true;
        m_form->Command1_Click();
    }
    event->accept();
}

void MainWindow::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange) retranslateTexts(this);
    QWidget::changeEvent(event);
}

}  // namespace printbench::app
