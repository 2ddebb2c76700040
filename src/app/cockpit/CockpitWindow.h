#pragma once

#include "cockpit/Journal.h"
#include "link/CodePage.h"

#include <QActionGroup>
#include <QMainWindow>
#include <QMessageBox>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <vector>

class QAction;
class QDockWidget;
class QLabel;
class QListWidget;

namespace printbench::app {

class ExpectedPaperDock;
class MainWindow;
class StatusHistory;
class TrafficConsole;

// The window PrintBench shows: the main form, exactly as it is, between a menu bar and a
// status bar, and around it what a technician needs during long runs: the traffic console (a
// dock), the status history (a window of its own), the capture, run reports, sequence files,
// the last session and the text code page, and the paper the printer should be printing (a dock). It reads the journal
// that the form's link and runs feed; the form's rules stay in the form.
//
// The form is not owned: it is handed back when the cockpit goes.
class CockpitWindow : public QMainWindow {
    Q_OBJECT

public:
    CockpitWindow(MainWindow& form, cockpit::Journal& journal, link::CodePage& codePage, QWidget* parent = nullptr);
    ~CockpitWindow() override;

    MainWindow& form() { return m_form; }
    TrafficConsole& console() const { return *m_console; }
    StatusHistory& history() const { return *m_history; }
    ExpectedPaperDock& expectedPaper() const { return *m_paperDock; }

    // The file the technician picks, empty when the dialog is cancelled; `save` for a file to
    // write, `suggested` its name the dialog starts with. Tests answer in place of the dialog.
    std::function<QString(const QString& caption, const QString& suggested, const QString& filter, bool save)>
        chooseFile;
    // A message box about the cockpit's own work (files, the capture).
    std::function<void(QMessageBox::Icon icon, const QString& text)> notify;

    // The status bar from the journal: the run's line, the last status; four times a second.
    void refreshStatus();
    // A note in the status bar (the run log could not be written, ...); empty removes it.
    void showNote(const QString& text);
    // Keeps the form's sequence and lists for "Restore last session".
    void saveSession();
    // Where the form sits in the window, in one line.
    QString layoutText() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // The menus and the dock follow the language.
    void changeEvent(QEvent* event) override;

private:
    void buildMenus();
    // A menu under the menu bar or a menu, and an action, whose title follows the language.
    QMenu* menu(QWidget* under, const char* title);
    QAction* titled(QAction* action, const char* title);
    void buildStatusBar();
    void buildConsole();
    // View › Expected paper: a dock on the right, drawing from the start whether shown or not,
    // at the width of the model the form's model list names.
    void buildExpectedPaper();
    // F5 and what changes the fields are off while a run goes.
    void updateActions();

    // The tick follows the journal's capture, never the click: the refresh can run while
    // the file dialog is open.
    void recordCapture(bool on);
    void saveConsole();
    // File › Save expected paper…: the paper kept, pieces and tear lines, as one PNG.
    void saveExpectedPaper();
    void saveRunReport();
    // Printer › Identify…: the printer's answers to GS I, in a message.
    void identifyPrinter();
    // Test pages › Barcodes… and 2-D codes…: the dialog, then the page on the form's route.
    void printBarcodes();
    void print2dCodes();
    void printCodePages();
    void editCodeTables();
    // The code tables `model` offers: as Settings › Code tables… keeps them, or the default list.
    std::vector<std::uint8_t> codeTablesOf(const QString& model) const;
    void printPicture();
    // File › Check a scanned page…: the codes of the last page against those read from a picture.
    void checkScannedPage();
    void saveSequence();
    void openSequence();
    void restoreSession();
    void chooseCodePage(const QString& name);
    // The status bar says a sequence file or the session (`source`) left the speed list as
    // it is because COM<comPort> is open; nothing when comPort is 0.
    void noteSpeedKept(int comPort, const std::string& speed, const QString& source);
    // Writes a file whole; false, after a message, when it cannot.
    bool write(const QString& path, const QByteArray& bytes);

    MainWindow& m_form;
    cockpit::Journal& m_journal;
    link::CodePage& m_codePage;

    QDockWidget* m_dock = nullptr;
    TrafficConsole* m_console = nullptr;
    ExpectedPaperDock* m_paperDock = nullptr;
    StatusHistory* m_history = nullptr;
    QAction* m_capture = nullptr;
    QAction* m_run = nullptr;
    std::vector<QAction*> m_idleOnly;
    std::vector<std::pair<QAction*, const char*>> m_titles;  // and their source texts
    QActionGroup* m_codePages = nullptr;
    QActionGroup* m_languages = nullptr;
    QLabel* m_statusLine = nullptr;
    QLabel* m_note = nullptr;
    QLabel* m_lastStatus = nullptr;
    QListWidget* m_catalogue = nullptr;  // List1
    QListWidget* m_selected = nullptr;   // List2
    QTimer m_refresh;
    std::int64_t m_beepedRunStart = INT64_MIN;  // a run stopped by a fault beeps once
};

}  // namespace printbench::app
