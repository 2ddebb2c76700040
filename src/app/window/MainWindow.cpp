#include "app/window/MainWindow.h"

#include "app/i18n/Language.h"
#include "app/window/AppIcon.h"
#include "app/window/BitmapWindow.h"
#include "window/ControlTable.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>

#include <functional>

namespace printbench::app {

using window::Control;
using window::ControlKind;
using window::ControlSpec;
using window::Form1;

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

QWidget* makeControl(const ControlSpec& row, QWidget* parent)
{
    const QString caption = QString::fromUtf8(row.caption);
    QWidget* w = nullptr;
    switch (row.kind) {
    case ControlKind::MultiLineText: {
        auto* edit = new QPlainTextEdit(parent);
        edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        edit->setTabChangesFocus(true);
        w = edit;
        break;
    }
    case ControlKind::Label: w = new QLabel(parent); break;
    case ControlKind::DropDownList:
        w = std::string_view(row.name) == "Combo2" ? new PortList(parent) : new QComboBox(parent);
        break;
    case ControlKind::Text:
    case ControlKind::ReadOnlyText: {
        auto* edit = new QLineEdit(caption, parent);
        edit->setReadOnly(row.kind == ControlKind::ReadOnlyText);
        w = edit;
        break;
    }
    case ControlKind::CheckBox: w = new QCheckBox(parent); break;
    case ControlKind::Button: w = new QPushButton(parent); break;
    case ControlKind::ListBox: {
        auto* list = new QListWidget(parent);
        list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        w = list;
        break;
    }
    }
    if (qobject_cast<QLabel*>(w) || qobject_cast<QAbstractButton*>(w)) setSourceText(w, caption, "Form1");
    w->setObjectName(QString::fromUtf8(row.name));
    w->setGeometry(row.left, row.top, row.width, row.height);
    return w;
}

} // namespace

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

QWidget* MainWindow::control(const char* name) const
{
    return findChild<QWidget*>(QString::fromUtf8(name), Qt::FindDirectChildrenOnly);
}

void MainWindow::buildControls()
{
    for (const ControlSpec& row : window::mainWindowControls()) makeControl(row, this);

    const std::pair<Control, const char*> bound[] = {
        {Control::Text1, "Text1"},   {Control::Text2, "Text2"},   {Control::Text4, "Text4"},
        {Control::Text5, "Text5"},   {Control::Text6, "Text6"},   {Control::Text7, "Text7"},
        {Control::Text9, "Text9"},   {Control::Text10, "Text10"}, {Control::Combo1, "Combo1"},
        {Control::Combo2, "Combo2"}, {Control::Combo3, "Combo3"}, {Control::Combo4, "Combo4"},
        {Control::List1, "List1"},   {Control::List2, "List2"},   {Control::Check2, "Check2"},
        {Control::Command2, "Command2"}, {Control::Command3, "Command3"},   {Control::Command8, "Command8"},
        {Control::Command9, "Command9"}, {Control::Command10, "Command10"}, {Control::Command11, "Command11"},
    };
    for (const auto& [c, name] : bound) m_fields.bind(c, control(name));

    // A wheel turned over a list would choose entries, and choosing a port opens it: lists
    // change by click or keyboard only.
    for (const char* name : {"Combo1", "Combo2", "Combo3", "Combo4"}) control(name)->installEventFilter(this);

    // Double-clicking the text empties it; the editor would select a word first.
    m_text1Viewport = static_cast<QPlainTextEdit*>(control("Text1"))->viewport();
    m_text1Viewport->installEventFilter(this);
}

void MainWindow::connectHandlers()
{
    Form1& f = *m_form;
    const auto combo = [this](const char* name) { return static_cast<QComboBox*>(control(name)); };
    const auto line = [this](const char* name) { return static_cast<QLineEdit*>(control(name)); };
    const auto button = [this](const char* name) { return static_cast<QPushButton*>(control(name)); };

    // `activated` comes from the user only, also when the shown entry is chosen again.
    connect(combo("Combo1"), &QComboBox::activated, this, [&f] { f.Combo1_Click(); });
    connect(combo("Combo2"), &QComboBox::activated, this, [&f] { f.Combo2_Click(); });
    connect(combo("Combo4"), &QComboBox::activated, this, [&f] { f.Combo4_Click(); });
    // "Old ver" chooses the USB status member; the link keeps the choice.
    connect(static_cast<QCheckBox*>(control("Check2")), &QCheckBox::toggled, this, [&f] { f.Check2_Click(); });
    static_cast<PortList*>(combo("Combo2"))->beforePopup = [this] { refreshPortTooltips(); };

    // `textEdited` comes from the user only; the core runs the handler for its own changes.
    connect(line("Text2"), &QLineEdit::textEdited, this, [&f] { f.Text2_Change(); });
    connect(line("Text5"), &QLineEdit::textEdited, this, [&f] { f.Text5_Change(); });
    connect(line("Text10"), &QLineEdit::textEdited, this, [&f] { f.Text10_Change(); });

    const auto list = [this](const char* name) { return static_cast<QListWidget*>(control(name)); };
    connect(list("List1"), &QListWidget::itemDoubleClicked, this, [&f] { f.List1_DblClick(); });
    connect(list("List2"), &QListWidget::itemDoubleClicked, this, [&f] { f.List2_DblClick(); });

    connect(button("Command1"), &QPushButton::clicked, this, [this] {
        m_ending = true;
        m_form->Command1_Click();
    });
    const std::pair<const char*, void (Form1::*)()> buttons[] = {
        {"Command2", &Form1::Command2_Click},
        {"Command3", &Form1::Command3_Click},   {"Command4", &Form1::Command4_Click},
        {"Command5", &Form1::Command5_Click},   {"Command6", &Form1::Command6_Click},
        {"Command8", &Form1::Command8_Click},   {"Command9", &Form1::Command9_Click},
        {"Command10", &Form1::Command10_Click}, {"Command11", &Form1::Command11_Click},
    };
    for (const auto& [name, handler] : buttons) {
        connect(button(name), &QPushButton::clicked, this, [&f, handler = handler] { (f.*handler)(); });
    }

    // "Bitmap Image" shows the bitmap window, non-modal, made anew when its close box has
    // destroyed it; "Close" only hides it.
    f.setBitmapWindowOpener([this, bitmapWindow = QPointer<BitmapWindow>()]() mutable {
        if (!bitmapWindow) {
            bitmapWindow = new BitmapWindow(*m_form, this);
            // Its "Print" starts a run too: Form1 turns it off and on with its own starters.
            m_fields.bind(Control::Form3Command1, bitmapWindow->control("Command1"));
            connect(bitmapWindow, &QObject::destroyed, this, [this] { m_fields.bind(Control::Form3Command1, nullptr); });
        }
        bitmapWindow->show();
        bitmapWindow->raise();
        bitmapWindow->activateWindow();
    });
}

void MainWindow::refreshPortTooltips()
{
    auto* ports = static_cast<QComboBox*>(control("Combo2"));
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

} // namespace printbench::app
