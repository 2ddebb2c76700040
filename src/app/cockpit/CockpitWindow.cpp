#include "app/cockpit/CockpitWindow.h"

#include "app/cockpit/ExpectedPaperDock.h"
#include "app/cockpit/PictureDialog.h"
#include "app/cockpit/SequenceFile.h"
#include "app/cockpit/SeverityColour.h"
#include "app/cockpit/StatusHistory.h"
#include "app/cockpit/TestPages.h"
#include "app/cockpit/TrafficConsole.h"
#include "app/i18n/Language.h"
#include "app/window/MainWindow.h"
#include "cockpit/RunLog.h"
#include "cockpit/StatusNames.h"
#include "cockpit/TimeText.h"
#include "scan/app/ImageFile.h"

#include <QActionGroup>
#include <QApplication>
#include <QBuffer>
#include <QCloseEvent>
#include <QComboBox>
#include <QDockWidget>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QSaveFile>
#include <QSettings>
#include <QStatusBar>

#include <algorithm>

#ifndef PRINTBENCH_VERSION
#define PRINTBENCH_VERSION ""
#endif

namespace printbench::app {

namespace {

// The code pages the technician can choose for text; the first follows the host's locale.
const char* const kCodePages[] = {"Host locale", "CP949", "CP437", "CP1252"};

QSettings settings()
{
    return QSettings(QStringLiteral("PrintBench"), QStringLiteral("PrintBench"));
}

QString background(const QColor& colour)
{
    return QStringLiteral("QLabel { background-color: %1; padding: 0 4px; }").arg(colour.name());
}

const QString kSequenceFilter = QStringLiteral("PrintBench sequences (*.json);;All files (*)");

}  // namespace

CockpitWindow::CockpitWindow(MainWindow& form, cockpit::Journal& journal, link::CodePage& codePage, QWidget* parent)
    : QMainWindow(parent), m_form(form), m_journal(journal), m_codePage(codePage)
{
    setObjectName(QStringLiteral("Cockpit"));
    setWindowTitle(QStringLiteral("PrintBench"));
    setWindowIcon(form.windowIcon());
    setCentralWidget(&m_form);
    // Runs are named as the window's buttons read, in the window's language.
    m_journal.setActionWords(
        [](run::Action a) { return QCoreApplication::translate("Form1", run::actionLabel(a).data()).toStdString(); });

    chooseFile = [this](const QString& caption, const QString& suggested, const QString& filter, bool save) {
        return save ? QFileDialog::getSaveFileName(this, caption, suggested, filter)
                    : QFileDialog::getOpenFileName(this, caption, suggested, filter);
    };
    notify = [this](QMessageBox::Icon icon, const QString& text) {
        QMessageBox box(icon, windowTitle(), text, QMessageBox::Ok, this);
        box.setTextFormat(Qt::PlainText);
        box.exec();
    };

    m_history = new StatusHistory(m_journal, this);
    buildConsole();
    buildExpectedPaper();
    buildMenus();
    buildStatusBar();

    // Return on the catalogue adds its entry, Delete on the selection removes from its entry
    // on: the double-clicks, from the keyboard.
    m_catalogue = m_form.widget<window::MainControl::List1>();
    m_selected = m_form.widget<window::MainControl::List2>();
    m_catalogue->installEventFilter(this);
    m_selected->installEventFilter(this);
    connect(m_form.widget<window::MainControl::Text2>(), &QLineEdit::textEdited, this,
            [this] { m_form.form().repeatEdited(); });

    m_refresh.setInterval(250);
    connect(&m_refresh, &QTimer::timeout, this, &CockpitWindow::refreshStatus);
    m_refresh.start();
    refreshStatus();
}

CockpitWindow::~CockpitWindow()
{
    // QWidget's destructor hides the dock, which would call back into what is no longer a
    // CockpitWindow.
    disconnect(m_dock, nullptr, this, nullptr);
    disconnect(m_paperDock, nullptr, this, nullptr);
    // The form belongs to whoever made it.
    takeCentralWidget();
}

void CockpitWindow::buildConsole()
{
    m_dock = new QDockWidget(tr("Traffic console"), this);
    m_dock->setObjectName(QStringLiteral("TrafficConsole"));
    m_dock->setAllowedAreas(Qt::BottomDockWidgetArea | Qt::TopDockWidgetArea);
    m_dock->setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable |
                        QDockWidget::DockWidgetFloatable);
    m_console = new TrafficConsole(m_journal, m_dock);
    m_dock->setWidget(m_console);
    addDockWidget(Qt::BottomDockWidgetArea, m_dock);
    m_dock->hide();
    connect(m_dock, &QDockWidget::visibilityChanged, this, [this](bool shown) {
        m_console->setShown(shown);
        if (m_dock->isFloating()) return;
        // Docked, the console opens at its own height and the window shrinks back around the
        // form when it closes.
        QTimer::singleShot(0, this, [this, shown] {
            layout()->activate();  // the window's minimum size follows the dock at once
            resize(width(), shown ? std::max(height(), sizeHint().height()) : minimumSizeHint().height());
        });
    });
}

void CockpitWindow::buildExpectedPaper()
{
    m_paperDock = new ExpectedPaperDock(m_journal, this);
    addDockWidget(Qt::RightDockWidgetArea, m_paperDock);
    m_paperDock->hide();
    auto* models = m_form.widget<window::MainControl::Combo4>();
    m_paperDock->setModel(models->currentText());
    connect(models, &QComboBox::currentTextChanged, m_paperDock, &ExpectedPaperDock::setModel);
    connect(m_paperDock, &QDockWidget::visibilityChanged, this, [this](bool shown) {
        if (m_paperDock->isFloating()) return;
        // Docked, the paper opens beside the form and the window shrinks back when it closes.
        QTimer::singleShot(0, this, [this, shown] {
            layout()->activate();
            resize(shown ? std::max(width(), sizeHint().width()) : minimumSizeHint().width(), height());
        });
    });
}

void CockpitWindow::buildMenus()
{
    window::Form1& f = m_form.form();

    QMenu* file = menu(menuBar(), QT_TR_NOOP("&File"));
    m_capture = titled(file->addAction(QString()), QT_TR_NOOP("Record capture…"));
    m_capture->setCheckable(true);
    connect(m_capture, &QAction::triggered, this, &CockpitWindow::recordCapture);
    connect(titled(file->addAction(QString()), QT_TR_NOOP("Save console as text…")), &QAction::triggered, this,
            &CockpitWindow::saveConsole);
    connect(titled(file->addAction(QString()), QT_TR_NOOP("Save expected paper…")), &QAction::triggered, this,
            &CockpitWindow::saveExpectedPaper);
    connect(titled(file->addAction(QString()), QT_TR_NOOP("Save run report…")), &QAction::triggered, this,
            &CockpitWindow::saveRunReport);
    connect(titled(file->addAction(QString()), QT_TR_NOOP("Check a scanned page…")), &QAction::triggered, this,
            &CockpitWindow::checkScannedPage);
    file->addSeparator();
    connect(titled(file->addAction(QString()), QT_TR_NOOP("Save sequence…")), &QAction::triggered, this,
            &CockpitWindow::saveSequence);
    QAction* open = titled(file->addAction(QString()), QT_TR_NOOP("Open sequence…"));
    connect(open, &QAction::triggered, this, &CockpitWindow::openSequence);
    QAction* restore = titled(file->addAction(QString()), QT_TR_NOOP("Restore last session"));
    connect(restore, &QAction::triggered, this, &CockpitWindow::restoreSession);
    file->addSeparator();
    // "End", with its button's own path.
    connect(titled(file->addAction(QString()), QT_TR_NOOP("Exit")), &QAction::triggered, this,
            [this] { m_form.widget<window::MainControl::Command1>()->click(); });

    QMenu* view = menu(menuBar(), QT_TR_NOOP("&View"));
    QAction* console = titled(m_dock->toggleViewAction(), QT_TR_NOOP("Traffic console"));
    view->addAction(console);
    view->addAction(titled(m_paperDock->toggleViewAction(), QT_TR_NOOP("Expected paper")));
    connect(titled(view->addAction(QString()), QT_TR_NOOP("Status history")), &QAction::triggered, this, [this] {
        m_history->show();
        m_history->raise();
        m_history->activateWindow();
    });

    // Which printer answers: GS I, one query at a time; not while a run goes.
    QMenu* printer = menu(menuBar(), QT_TR_NOOP("&Printer"));
    QAction* identify = titled(printer->addAction(QString()), QT_TR_NOOP("Identify…"));
    connect(identify, &QAction::triggered, this, &CockpitWindow::identifyPrinter);

    // Pages of barcodes and 2-D codes, each checked whole before a byte leaves.
    QMenu* pages = menu(menuBar(), QT_TR_NOOP("&Test pages"));
    QAction* barcodes = titled(pages->addAction(QString()), QT_TR_NOOP("Barcodes…"));
    connect(barcodes, &QAction::triggered, this, &CockpitWindow::printBarcodes);
    QAction* codes2d = titled(pages->addAction(QString()), QT_TR_NOOP("2-D codes…"));
    connect(codes2d, &QAction::triggered, this, &CockpitWindow::print2dCodes);
    QAction* charts = titled(pages->addAction(QString()), QT_TR_NOOP("Code pages…"));
    connect(charts, &QAction::triggered, this, &CockpitWindow::printCodePages);
    QAction* image = titled(pages->addAction(QString()), QT_TR_NOOP("Image…"));
    connect(image, &QAction::triggered, this, &CockpitWindow::printPicture);

    QMenu* settingsMenu = menu(menuBar(), QT_TR_NOOP("&Settings"));
    QMenu* codePages = menu(settingsMenu, QT_TR_NOOP("Text code page"));
    m_codePages = new QActionGroup(this);
    const QString remembered = settings().value(QStringLiteral("codePage")).toString();
    for (const char* name : kCodePages) {
        QAction* a = codePages->addAction(QString::fromLatin1(name));
        a->setCheckable(true);
        m_codePages->addAction(a);
        connect(a, &QAction::triggered, this, [this, a] { chooseCodePage(a->text()); });
    }
    QAction* chosen = m_codePages->actions().front();
    for (QAction* a : m_codePages->actions())
        if (a->text() == remembered) chosen = a;
    chosen->setChecked(true);
    if (chosen != m_codePages->actions().front()) m_codePage.choose(remembered.toStdString());

    connect(titled(settingsMenu->addAction(QString()), QT_TR_NOOP("Code tables…")), &QAction::triggered, this,
            &CockpitWindow::editCodeTables);

    // The windows' language: Korean, the program's own, or English; kept for the next start.
    QMenu* languages = menu(settingsMenu, QT_TR_NOOP("Language"));
    auto* languageGroup = new QActionGroup(this);
    for (const auto& [language, name] : {std::pair(Language::Korean, QT_TR_NOOP("한국어 (Korean)")),
                                         std::pair(Language::English, QT_TR_NOOP("English"))}) {
        QAction* a = titled(languages->addAction(QString()), name);
        a->setCheckable(true);
        a->setChecked(language == currentLanguage());
        a->setData(languageCode(language));
        languageGroup->addAction(a);
        connect(a, &QAction::triggered, this, [language] {
            if (installLanguage(language)) rememberLanguage(language);
        });
    }
    m_languages = languageGroup;

    QMenu* help = menu(menuBar(), QT_TR_NOOP("&Help"));
    connect(titled(help->addAction(QString()), QT_TR_NOOP("About PrintBench")), &QAction::triggered, this, [this] {
        QMessageBox::about(
            this, tr("About PrintBench"),
            tr("PrintBench %1\nA test bench for thermal receipt printers.").arg(QStringLiteral(PRINTBENCH_VERSION)));
    });

    // Nothing changes what a run reads pass after pass (the fields, the code page) while it goes.
    m_idleOnly = {open, restore, codePages->menuAction(), identify, barcodes, codes2d, charts, image};
    for (QMenu* menu : {file, printer, pages, settingsMenu})
        connect(menu, &QMenu::aboutToShow, this, &CockpitWindow::updateActions);

    // Run and Stop from the keyboard.
    m_run = titled(new QAction(this), QT_TR_NOOP("Run"));
    m_run->setShortcut(Qt::Key_F5);
    connect(m_run, &QAction::triggered, this, [&f] {
        if (!f.running()) f.Command2_Click();
    });
    auto* stop = titled(new QAction(this), QT_TR_NOOP("Stop"));
    stop->setShortcut(Qt::Key_Escape);
    connect(stop, &QAction::triggered, this, [&f] { f.Command6_Click(); });
    addActions({m_run, stop});
}

QMenu* CockpitWindow::menu(QWidget* under, const char* title)
{
    QMenu* m = nullptr;
    if (auto* bar = qobject_cast<QMenuBar*>(under)) m = bar->addMenu(QString());
    else m = static_cast<QMenu*>(under)->addMenu(QString());
    titled(m->menuAction(), title);
    return m;
}

QAction* CockpitWindow::titled(QAction* action, const char* title)
{
    m_titles.emplace_back(action, title);
    action->setText(tr(title));
    return action;
}

void CockpitWindow::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange) {
        for (const auto& [action, title] : m_titles) action->setText(tr(title));
        m_dock->setWindowTitle(tr("Traffic console"));
        for (QAction* a : m_languages->actions())
            a->setChecked(a->data().toString() == languageCode(currentLanguage()));
        refreshStatus();
    }
    QMainWindow::changeEvent(event);
}

void CockpitWindow::buildStatusBar()
{
    m_statusLine = new QLabel(this);
    m_statusLine->setObjectName(QStringLiteral("StatusLine"));
    // Long lines are cut, never widen the window.
    m_statusLine->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_note = new QLabel(this);
    m_note->setObjectName(QStringLiteral("Note"));
    m_note->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_note->setStyleSheet(background(severityColour(cockpit::Severity::Bad)));
    m_note->hide();
    m_lastStatus = new QLabel(this);
    m_lastStatus->setObjectName(QStringLiteral("LastStatus"));
    m_lastStatus->hide();
    statusBar()->addWidget(m_statusLine, 2);
    statusBar()->addWidget(m_note, 1);
    statusBar()->addPermanentWidget(m_lastStatus);
}

void CockpitWindow::refreshStatus()
{
    const QString line = QString::fromStdString(m_journal.statusLine());
    if (m_statusLine->text() != line) {
        m_statusLine->setText(line);
        m_statusLine->setToolTip(line);
    }
    const cockpit::Severity severity = m_journal.statusLineSeverity();
    const QString style = severity == cockpit::Severity::Good ? QString() : background(severityColour(severity));
    if (m_statusLine->styleSheet() != style) m_statusLine->setStyleSheet(style);

    const auto& run = m_journal.run();
    if (run && run->ending == run::RunEnding::StoppedByFault && run->startMs != m_beepedRunStart) {
        m_beepedRunStart = run->startMs;
        QApplication::beep();
    }

    if (const auto last = m_journal.lastStatus()) {
        const cockpit::StatusReading reading = cockpit::readStatus(last->value);
        const QString text = QString::fromStdString(cockpit::hexValue(last->value) + " " + reading.meaning);
        if (m_lastStatus->text() != text || m_lastStatus->isHidden()) {
            m_lastStatus->setText(text);
            m_lastStatus->setStyleSheet(background(severityColour(reading.severity)));
            m_lastStatus->show();
            m_form.widget<window::MainControl::Text6>()->setToolTip(text);
        }
    } else if (!m_lastStatus->isHidden()) {
        // The port chosen last did not open: the status of the one before says nothing now.
        m_lastStatus->hide();
        m_lastStatus->clear();
        m_form.widget<window::MainControl::Text6>()->setToolTip(QString());
    }

    // A capture that failed along the way has stopped: its tick follows, and the note says why.
    if (const bool capturing = m_journal.capturing(); m_capture->isChecked() != capturing) {
        m_capture->setChecked(capturing);
        if (const auto error = capturing ? std::nullopt : m_journal.stopCapture())
            showNote(QString::fromStdString(*error));
    }
    updateActions();
}

void CockpitWindow::updateActions()
{
    const bool idle = !m_form.form().running();
    for (QAction* a : m_idleOnly) a->setEnabled(idle);
    m_run->setEnabled(idle);
}

void CockpitWindow::showNote(const QString& text)
{
    m_note->setText(text);
    m_note->setToolTip(text);
    m_note->setVisible(!text.isEmpty());
}

void CockpitWindow::recordCapture(bool on)
{
    std::optional<std::string> error;
    if (!on) {
        error = m_journal.stopCapture();
    } else {
        m_capture->setChecked(m_journal.capturing());
        const QString path = chooseFile(tr("Record capture"), QString(), tr("Captures (*.bin);;All files (*)"), true);
        if (!path.isEmpty()) error = m_journal.startCapture(path.toStdString());
    }
    m_capture->setChecked(m_journal.capturing());
    if (error) notify(QMessageBox::Warning, QString::fromStdString(*error));
}

bool CockpitWindow::write(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit()) return true;
    notify(QMessageBox::Warning, tr("%1 cannot be written: %2.").arg(path, file.errorString()));
    return false;
}

void CockpitWindow::saveConsole()
{
    const QString path = chooseFile(tr("Save console as text"), QString(), tr("Text (*.txt);;All files (*)"), true);
    if (!path.isEmpty()) write(path, (m_console->text() + QLatin1Char('\n')).toUtf8());
}

void CockpitWindow::saveExpectedPaper()
{
    m_paperDock->pull(true);
    const cockpit::PaperView* paper = m_paperDock->strip().view();
    if (!paper || paper->pieces.empty()) return notify(QMessageBox::Information, tr("No expected paper yet."));
    QString path = chooseFile(tr("Save expected paper"), QStringLiteral("expected-paper.png"),
                              tr("PNG pictures (*.png)"), true);
    if (path.isEmpty()) return;
    if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".png");
    QByteArray png;
    QBuffer buffer(&png);
    if (!buffer.open(QIODevice::WriteOnly) || !m_paperDock->strip().image().save(&buffer, "PNG"))
        return notify(QMessageBox::Warning, tr("The expected paper could not be made into a PNG picture."));
    write(path, png);
}

void CockpitWindow::saveRunReport()
{
    const auto& run = m_journal.run();
    if (!run) return notify(QMessageBox::Information, tr("No run yet."));
    // Named by the run's start in local time: run-2026-12-07-153323.txt.
    const QString start = QString::fromStdString(cockpit::dateText(run->startMs, run->utcOffsetMinutes) + "-" +
                                                 cockpit::clockText(run->startMs, run->utcOffsetMinutes))
                              .remove(QLatin1Char(':'));
    QString path = chooseFile(tr("Save run report"), QStringLiteral("run-%1.txt").arg(start), tr("Run reports (*.txt)"),
                              true);
    if (path.isEmpty()) return;
    // The text under the name chosen (".txt" added when it has none), the status values
    // beside it as CSV.
    if (!path.endsWith(QStringLiteral(".txt"), Qt::CaseInsensitive)) path += QStringLiteral(".txt");
    if (write(path, QByteArray::fromStdString(cockpit::runReportText(*run))))
        write(path.chopped(4) + QStringLiteral(".csv"), QByteArray::fromStdString(cockpit::runReportCsv(*run)));
}

void CockpitWindow::saveSequence()
{
    QString path = chooseFile(tr("Save sequence"), QString(), kSequenceFilter, true);
    if (path.isEmpty()) return;
    if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".json");
    const window::Form1& f = m_form.form();
    write(path, sequenceJson({f.sequenceFields(), f.listTexts(), m_codePages->checkedAction()->text()}));
}

void CockpitWindow::openSequence()
{
    window::Form1& f = m_form.form();
    if (f.running()) return;
    const QString path = chooseFile(tr("Open sequence"), QString(), kSequenceFilter, false);
    if (path.isEmpty()) return;
    const QString name = QFileInfo(path).fileName();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return notify(QMessageBox::Warning, tr("%1 cannot be read: %2.").arg(name, file.errorString()));
    const QString codePage = m_codePages->checkedAction()->text();
    const auto sequence = readSequence(file.readAll(), {f.sequenceFields(), f.listTexts(), codePage});
    if (!sequence) return notify(QMessageBox::Warning, tr("%1 is not a PrintBench sequence file.").arg(name));

    const std::vector<std::string> refused = f.fillSequence(sequence->sequence);
    noteSpeedKept(f.chooseLists(sequence->lists), sequence->lists.speed, name);
    for (QAction* a : m_codePages->actions())
        if (a->text() == sequence->codePage && a->text() != codePage) a->trigger();
    if (refused.empty()) return;
    QStringList names;
    for (const std::string& entry : refused) names << QString::fromStdString(entry);
    notify(QMessageBox::Warning, tr("%1 names commands PrintBench does not know; they were left out:\n%2")
                                     .arg(name, names.join(QLatin1Char('\n'))));
}

void CockpitWindow::saveSession()
{
    QSettings s = settings();
    app::saveSession(s, m_form.form().sessionFields());
}

void CockpitWindow::restoreSession()
{
    if (m_form.form().running()) return;
    QSettings s = settings();
    const auto session = loadSession(s);
    if (!session) return notify(QMessageBox::Information, tr("No saved session."));
    noteSpeedKept(m_form.form().restoreSession(*session), session->lists.speed, tr("the last session"));
}

void CockpitWindow::chooseCodePage(const QString& name)
{
    m_codePage.choose(name == QLatin1String(kCodePages[0]) ? link::CodePage::forEnvironment() : name.toStdString());
    settings().setValue(QStringLiteral("codePage"), name);
}

void CockpitWindow::noteSpeedKept(int comPort, const std::string& speed, const QString& source)
{
    if (comPort)
        showNote(
            tr("Speed %1 of %2 left as it is: COM%3 is open").arg(QString::fromStdString(speed), source).arg(comPort));
}

QString CockpitWindow::layoutText() const
{
    const QRect form = m_form.geometry();
    const bool between = menuBar()->geometry().bottom() < form.top() && form.bottom() < statusBar()->geometry().top();
    return QStringLiteral("form \"%1\" %2 x %3 %4 its menu bar and status bar")
        .arg(m_form.objectName())
        .arg(form.width())
        .arg(form.height())
        .arg(between ? QStringLiteral("between") : QStringLiteral("not between"));
}

void CockpitWindow::identifyPrinter()
{
    const std::optional<status::PrinterIdentity> identity = m_form.form().Identify();
    if (!identity) return;
    QString text = tr("What the printer on %1 said when asked with GS I:").arg(m_form.form().portTarget().c_str());
    for (const auto& [name, value] : identity->rows())
        text += QStringLiteral("\n%1: %2").arg(QString::fromStdString(name), QString::fromStdString(value));
    notify(QMessageBox::Information, text);
}

void CockpitWindow::printBarcodes()
{
    BarcodeDialog dialog(this);
    if (dialog.exec() != QDialog::Accepted) return;
    const CodePageChoice choice = dialog.choice();
    m_form.form().PrintCodes(choice.action, choice.page);
}

void CockpitWindow::print2dCodes()
{
    Code2dDialog dialog(QString::fromStdString(m_codePage.name()), this);
    if (dialog.exec() != QDialog::Accepted) return;
    const CodePageChoice choice = dialog.choice();
    m_form.form().PrintCodes(choice.action, choice.page);
}

std::vector<std::uint8_t> CockpitWindow::codeTablesOf(const QString& model) const
{
    const QString kept = settings().value(QStringLiteral("codeTables/") + model).toString();
    if (!kept.isEmpty()) {
        if (auto tables = patterns::readTableList(kept.toStdString());
            const auto* list = std::get_if<std::vector<std::uint8_t>>(&tables))
            return *list;
    }
    return patterns::defaultTables();
}

void CockpitWindow::printCodePages()
{
    const QString model = m_form.widget<window::MainControl::Combo4>()->currentText();
    CodePagesDialog dialog(model, codeTablesOf(model), this);
    if (dialog.exec() != QDialog::Accepted) return;
    const patterns::ChartPage page = dialog.choice();
    if (page.tables.empty() && !page.korean) return;
    m_form.form().PrintCodePages(page);
}

void CockpitWindow::editCodeTables()
{
    CodeTablesDialog dialog(
        m_form.widget<window::MainControl::Combo4>()->currentText(),
        [this](const QString& model) { return codeTablesOf(model); }, this);
    while (dialog.exec() == QDialog::Accepted) {
        const auto tables = dialog.tables();
        if (const auto* complaint = std::get_if<std::string>(&tables)) {
            notify(QMessageBox::Warning, QString::fromStdString(*complaint));
            continue;
        }
        const auto& list = std::get<std::vector<std::uint8_t>>(tables);
        settings().setValue(QStringLiteral("codeTables/") + dialog.model(),
                            QString::fromStdString(patterns::tableListText(list)));
        return;
    }
}

void CockpitWindow::printPicture()
{
    PictureDialog dialog(
        m_form.form().state().PrintWidthDots,
        [this] {
            return chooseFile(tr("Image"), QString(),
                              tr("Pictures (*.png *.jpg *.jpeg *.gif *.bmp *.tif *.tiff *.webp);;All files (*)"),
                              false);
        },
        this);
    if (dialog.exec() != QDialog::Accepted || !dialog.dots()) return;
    m_form.form().PrintPicture(*dialog.dots(), dialog.mode(), dialog.fileName().toStdString());
}

void CockpitWindow::checkScannedPage()
{
    const std::vector<run::CodeSent>& sent = m_form.form().lastCodesSent();
    if (sent.empty()) return notify(QMessageBox::Information, tr("No page of codes printed yet."));
    const QString path = chooseFile(tr("Check a scanned page"), QString(),
                                    tr("Pictures (*.png *.jpg *.jpeg *.bmp *.gif *.tif *.tiff);;All files (*)"), false);
    if (path.isEmpty()) return;
    const auto read = scan::readCodesInFile(path.toStdString());
    if (const auto* why = std::get_if<std::string>(&read))
        return notify(QMessageBox::Warning, QString::fromStdString(*why));
    ScanCheckDialog dialog(QFileInfo(path).fileName(),
                           codes::checkScan(sent, std::get<std::vector<scan::CodeRead>>(read)), this);
    dialog.exec();
}

void CockpitWindow::closeEvent(QCloseEvent* event)
{
    // During a run the close box is "End": the run stops at its next check and keeps its
    // record, then the program ends.
    if (m_form.form().running()) {
        m_form.form().Command1_Click();
        event->ignore();
        return;
    }
    // The close box ends the program as the form's own did: its close runs "End".
    m_form.close();
    m_history->close();
    event->accept();
}

bool CockpitWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (watched == m_catalogue && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
            m_form.form().List1_DblClick();
            return true;
        }
        if (watched == m_selected && key == Qt::Key_Delete) {
            m_form.form().List2_DblClick();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

}  // namespace printbench::app
