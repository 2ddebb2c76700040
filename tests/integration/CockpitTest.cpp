// The cockpit on Qt around the main form: its place, menus, status bar, console, sequence files,
// keys and code page. The recorder is the host, the serial port and the USB; dialogs answer
// with the file the test names.

#include "app/cockpit/ExpectedPaperDock.h"
#include "app/cockpit/TrafficConsole.h"
#include "app/window/BitmapWindow.h"
#include "support/CockpitGround.h"

#include <QTest>
#include <QtWidgets>

#include <gtest/gtest.h>

#include <cstring>

using namespace printbench;
using window::Control;

namespace {

// The main form in the cockpit, shown; the journal listens to its link and runs.
struct Cockpit : testkit::CockpitGround {
    QString answer;  // the dialogs' file
    QStringList suggested, notes;
    std::function<void()> whileDialogOpen;

    Cockpit()
    {
        main.form().link().setTap(&journal);
        main.form().setRunObserver(&journal);
        window.chooseFile = [this](const QString&, const QString& name, const QString&, bool) {
            suggested << name;
            if (whileDialogOpen) whileDialogOpen();
            return answer;
        };
        window.notify = [this](QMessageBox::Icon, const QString& text) { notes << text; };
        window.show();
    }
    template <typename T = QWidget>
    T* get(const char* name) const { return window.findChild<T*>(name); }
    // "File/Save sequence…": the entry of a menu, by the texts shown.
    QAction* entry(const QString& path) const
    {
        QAction* found = nullptr;
        for (const QString& name : path.split('/')) {
            const QList<QAction*> in = found ? found->menu()->actions() : window.menuBar()->actions();
            const auto it = std::ranges::find_if(in, [&](QAction* a) { return a->text().remove('&') == name; });
            if (it == in.end()) return nullptr;
            found = *it;
        }
        return found;
    }
    // The selected list and "Repeat Rating"; the status bar's two labels.
    QString sequence() const
    {
        QStringList out;
        for (auto* l = get<QListWidget>("List2"); out.size() < l->count();) out << l->item(out.size())->text();
        return out.join(',') + " " + get<QLineEdit>("Text2")->text();
    }
    QString status() const { return get<QLabel>("StatusLine")->text() + " | " + get<QLabel>("LastStatus")->text(); }
    // The model, speed and density lists, the code page and the status bar's note.
    std::string settings()
    {
        const window::ListTexts l = main.form().listTexts();
        return l.model + " " + l.speed + " " + l.density + " " + codePage.name() + " | " + get<QLabel>("Note")->text().toStdString();
    }
};

std::vector<std::uint8_t> bytes(const char* text)
{
    return {text, std::strchr(text, '\0')};
}

} // namespace

TEST(CockpitWindow, TheFormKeepsItsSizeBetweenTheMenusAndTheStatusBarAndEndsTheProgramAsEndDoes)
{
    Cockpit c;
    const QRect form = c.main.geometry();
    EXPECT_EQ(form.size(), QSize(628, 400));
    EXPECT_TRUE(c.window.menuBar()->geometry().bottom() < form.top() && form.bottom() < c.window.statusBar()->geometry().top());
    EXPECT_EQ(c.window.windowTitle() + " " + c.status(), "PrintBench Ready | ");

    QStringList menus;
    for (QAction* menu : c.window.menuBar()->actions()) {
        QStringList entries;
        for (QAction* a : menu->menu()->actions()) entries << (a->menu() ? a->text() + " ▸" : a->text());
        menus << menu->text().remove('&') + ": " + entries.join(", ");
    }
    EXPECT_EQ(menus.join(" | "), "File: Record capture…, Save console as text…, Save expected paper…, Save run report…, Check a scanned page…, , "
                                 "Save sequence…, Open sequence…, Restore last session, , Exit | View: Traffic console, "
                                 "Expected paper, Status history | Printer: Identify… | Test pages: Barcodes…, 2-D codes…, Code pages…, Image… | "
                                 "Settings: Text code page ▸, Code tables…, Language ▸ | Help: About PrintBench");

    // The close box and File › Exit each end the program once, as "End".
    c.window.close();
    Cockpit exit;
    exit.entry("File/Exit")->trigger();
    EXPECT_EQ(c.rec.count("end program") + exit.rec.count("end program"), 2u);
}

TEST(CockpitWindow, TheConsoleAndTheStatusBarShowWhatPassedTheLinkAndARunDisablesItsStarters)
{
    Cockpit c;
    c.entry("View/Traffic console")->trigger();
    EXPECT_TRUE(c.get("TrafficConsole")->isVisible());
    c.main.form().setListIndex(Control::Combo2, 3);  // COM3
    c.rec.receive({0x32});
    c.rec.deliverReceive();
    c.window.console().pull(true);
    c.window.refreshStatus();
    // Its lines are Traffic.TheConsoleGroupsByAction…'s; here the last of them, the recovery.
    EXPECT_TRUE(c.window.console().text().endsWith("← serial  32   status 0x32 paper end\n"
                                                   "00:00:00.000  → serial  10 05 02   DLE ENQ 2: recover from an error, clearing the buffers"));
    EXPECT_EQ(c.status() + " " + c.get("Text6")->toolTip(), "Ready | 0x32 paper end 0x32 paper end");

    // F5 runs the selected list; while it runs, its starters, the bitmap window's "Print" and F5 are off.
    const QList<QAction*> keys = c.window.actions();
    QAction* f5 = *std::ranges::find(keys, QKeySequence(Qt::Key_F5), &QAction::shortcut);
    c.main.form().Command3_Click();
    QWidget* print = c.get<app::BitmapWindow>("Form3")->widget<window::BitmapControl::Command1>();
    QStringList during;
    c.rec.atEventPass(c.rec.eventPasses + 1, [&] {
        c.window.refreshStatus();
        using enum window::MainControl;
        for (const window::MainControl id : {Command2, Command3, Command8, Command9, Command10, Command11, Command4})
            if (c.main.control(id)->isEnabled()) during << window::controlName(id);
        during << (print->isEnabled() ? "Print on" : "Print off") << (f5->isEnabled() ? "F5 on" : "F5 off");
    });
    c.main.form().setListIndex(Control::List1, 3);  // Full Cut
    QTest::keyClick(c.main.widget<window::MainControl::List1>(), Qt::Key_Return);
    f5->trigger();
    c.window.refreshStatus();
    EXPECT_EQ(during.join(',') + " | " + c.status(), "Command4,Print off,F5 off | Done: 1 pass in 00:00:00 | 0x32 paper end");
    EXPECT_TRUE(c.main.widget<window::MainControl::Command2>()->isEnabled() && print->isEnabled() && f5->isEnabled());

    // A port that does not open says nothing of the status the one before had.
    c.rec.serial.openError = "No such file or directory";
    c.main.form().setListIndex(Control::Combo2, 4);
    c.window.refreshStatus();
    EXPECT_TRUE(c.get("LastStatus")->isHidden() && c.get("Text6")->toolTip().isEmpty());
}

// A sequence file keeps the count the technician set, the lists and the code page; opening one
// or restoring the session never changes the speed of an open COM port, which would reopen it.
TEST(CockpitWindow, ASequenceFileRoundTripsAndAFileThatIsNotOneChangesNothing)
{
    Cockpit c;
    // Return on the catalogue adds its entry; Delete on the selection removes from its entry on.
    const std::pair<const char*, int> keys[] = {{"List1", 3}, {"List1", 1}, {"List1", 2}, {"List2", 1}, {"List1", 0}};
    for (const auto& [list, row] : keys) {
        c.get<QListWidget>(list)->setCurrentRow(row);
        QTest::keyClick(c.get(list), list == std::string_view("List1") ? Qt::Key_Return : Qt::Key_Delete);
    }
    EXPECT_EQ(c.sequence(), "Full Cut,Print H 1");

    // Saved after a completed run, which puts "Repeat Rating" back to 1, under the name chosen
    // and ".json".
    window::Form1& f = c.main.form();
    f.setText(Control::Text2, "7");
    f.setListIndex(Control::Combo2, 3);  // COM3
    f.Command2_Click();
    c.entry("Settings/Text code page/CP437")->trigger();
    c.answer = testkit::q(c.folder.path() / "seq");
    const auto saved = [&] {
        c.entry("File/Save sequence…")->trigger();
        QFile file(c.answer + ".json");
        return file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()).object() : QJsonObject();
    };
    EXPECT_EQ(QJsonDocument(saved()).toJson(QJsonDocument::Compact).toStdString(),
              R"({"codePage":"CP437","delay":"500","density":"0","entries":["Full Cut","Print H"],"feed":"100",)"
              R"("format":"printbench-sequence","model":"KL-310","repeat":"7","speed":"19200",)"
              R"("text":"Please enter the text you want to output.","version":1})");
    c.get<QLineEdit>("Text2")->selectAll();
    QTest::keyClicks(c.get("Text2"), "1");  // typed, the 1 is the count
    EXPECT_EQ(c.sequence() + " " + saved().value("repeat").toString(), "Full Cut,Print H 1 1");

    c.answer += ".json";
    f.fillSequence({{"Feed"}, "1", "500", "100", ""});
    c.entry("Settings/Text code page/CP949")->trigger();
    c.entry("File/Open sequence…")->trigger();
    EXPECT_EQ(c.sequence().toStdString() + " " + c.settings(), "Full Cut,Print H 1 KL-310 19200 0 CP437 | ");

    // The speed only while no COM port is open; nothing is sent either way.
    testkit::writeFile(c.answer.toStdString(), bytes(R"({"format":"printbench-sequence","entries":["Feed"],)"
                                                              R"("model":"KR-420","speed":"9600","density":"+2","repeat":"7"})"));
    const std::pair<bool, const char*> speeds[] = {
        {true, "KR-420 19200 +2 CP437 | Speed 9600 of seq.json left as it is: COM3 is open"},
        {false, "KR-420 9600 +2 CP437 | "},
    };
    for (const auto& [comOpen, settings] : speeds) {
        SCOPED_TRACE(comOpen ? "COM3 open" : "COM3 closed");
        if (!comOpen) f.link().closeSerial();
        c.window.showNote({});
        c.rec.timeline.clear();
        c.entry("File/Open sequence…")->trigger();
        EXPECT_EQ(c.rec.wire() + c.settings(), settings);
    }

    // Files that are not sequences change nothing; an entry PrintBench does not know is left out,
    // and a file of an earlier version, without lists and code page, leaves them as they are.
    const std::pair<const char*, const char*> files[] = {
        {"Full Cut", "seq.json is not a PrintBench sequence file."},
        {R"({"format":"other","entries":["Feed"]})", "seq.json is not a PrintBench sequence file."},
        {R"({"format":"printbench-sequence","entries":["Feed","Warp"]})",
         "seq.json names commands PrintBench does not know; they were left out:\nWarp"},
    };
    for (const auto& [content, note] : files) {
        SCOPED_TRACE(content);
        c.notes.clear();
        testkit::writeFile(c.answer.toStdString(), bytes(content));
        c.entry("File/Open sequence…")->trigger();
        EXPECT_EQ(c.notes.join('|'), note);
    }
    EXPECT_EQ(c.sequence().toStdString() + " " + c.settings(), "Feed 7 KR-420 9600 +2 CP437 | ");

    // The session comes back only when asked for, under the same rule for the speed.
    c.entry("File/Restore last session")->trigger();
    c.window.saveSession();
    f.fillSequence({{}, "1", "500", "100", ""});
    f.setListIndex(Control::Combo1, 4);  // 19200: COM3 opens again
    c.rec.timeline.clear();
    c.entry("File/Restore last session")->trigger();
    EXPECT_EQ(c.notes.back().toStdString() + " " + c.sequence().toStdString() + c.rec.wire() + " " + c.settings(),
              "No saved session. Feed 7 KR-420 19200 +2 CP437 | Speed 9600 of the last session left as it is: COM3 is open");
}

// The capture's tick shows whether it records, also when the status bar's refresh runs while
// the file dialog is open; a capture whose writes fail stops, unticked, with a note.
TEST(CockpitWindow, TheCaptureTickFollowsTheRecordingAndARunReportIsNamedByItsStart)
{
    Cockpit c;
    QAction* capture = c.entry("File/Record capture…");
    c.whileDialogOpen = [&] { c.window.refreshStatus(); };
    const std::pair<QString, bool> rows[] = {
        {{}, false}, {testkit::q(c.folder.path() / "capture.bin"), true}, {{}, false}, {"/dev/full", true}};
    for (const auto& [file, recording] : rows) {
        SCOPED_TRACE(file.isEmpty() ? "no file chosen" : file.toStdString());
        c.answer = file;
        capture->trigger();
        c.window.refreshStatus();
        EXPECT_EQ(std::pair(capture->isChecked(), c.journal.capturing()), std::pair(recording, recording));
    }
    c.main.form().setListIndex(Control::Combo2, 3);  // COM3
    c.main.form().link().SendSerialBytes(std::vector<std::uint8_t>(65536));
    c.main.form().link().flush();
    c.window.refreshStatus();
    EXPECT_FALSE(capture->isChecked() || c.journal.capturing());
    const QString note = c.get<QLabel>("Note")->text();
    EXPECT_TRUE(note.startsWith("Writing the capture /dev/full failed")) << note.toStdString();

    c.whileDialogOpen = nullptr;
    c.journal.setClock(1796619729000, 540);  // 2026-12-07 14:02:09 in Seoul
    c.main.form().Command2_Click();
    c.answer.clear();
    c.entry("File/Save run report…")->trigger();
    EXPECT_EQ(c.suggested.back(), "run-2026-12-07-140209.txt");
}

// Test pages › Barcodes… and 2-D codes… print what their dialogs say, as runs whose records list
// the codes; File › Check a scanned page… needs a page first, says when a picture cannot be read,
// and shows a row per code of the last page.
TEST(CockpitWindow, TestPagesPrintWhatTheirDialogsSayAndTheScanCheckShowsARowPerCode)
{
    Cockpit c;
    c.entry("File/Check a scanned page…")->trigger();
    EXPECT_EQ(c.notes.back(), "No page of codes printed yet.");
    c.main.form().setListIndex(Control::Combo2, 3);
    QStringList shown;
    const auto answer = [&](std::function<void(QDialog&)> act, const char* entry) {
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog) return;
            act(*dialog);
            if (auto* table = dialog->findChild<QTableWidget*>("rows"))
                for (int i = 0; i < table->rowCount(); ++i)
                    shown << table->item(i, 0)->text() + " " + table->item(i, 1)->text() + ": " + table->item(i, 2)->text();
            dialog->accept();
        });
        c.entry(entry)->trigger();
    };
    answer([](QDialog& d) {
        d.findChild<QRadioButton*>("one")->setChecked(true);
        d.findChild<QComboBox*>("symbology")->setCurrentText("EAN-8");  // its sample datum comes with it
        d.findChild<QSpinBox*>("height")->setValue(80);
        d.findChild<QComboBox*>("hri")->setCurrentIndex(0);
    }, "Test pages/Barcodes…");
    ASSERT_TRUE(c.journal.run() && c.journal.run()->codes.size() == 1);
    const run::CodeSent& ean8 = c.journal.run()->codes[0];
    EXPECT_EQ(ean8.symbology + " " + ean8.text + " (" + ean8.settings + ")", "EAN-8 96385074 (height 80, module 3, hri none, font A, form B)");
    answer([](QDialog& d) {
        d.findChild<QComboBox*>("kind")->setCurrentIndex(1);
        d.findChild<QPlainTextEdit*>("text")->setPlainText("PrintBench");
        d.findChild<QSpinBox*>("columns")->setValue(4);
        d.findChild<QCheckBox*>("truncated")->setChecked(true);
    }, "Test pages/2-D codes…");
    const run::CodeSent& pdf = c.journal.run()->codes.at(0);
    EXPECT_EQ(pdf.symbology + " " + pdf.text + " (" + pdf.settings + ")",
              "PDF417 PrintBench (columns 4, rows 0, module 3, row height 3, level 1, truncated)");

    // Settings › Code tables… keeps a list per model; Test pages › Code pages… charts the model's.
    answer([](QDialog& d) {
        d.findChild<QComboBox*>("model")->setCurrentText("KR-420");
        d.findChild<QLineEdit*>("tables")->setText("16, 3");
    }, "Settings/Code tables…");
    EXPECT_EQ(QSettings("PrintBench", "PrintBench").value("codeTables/KR-420").toString(), "16,3");
    c.main.form().setListIndex(Control::Combo4, 7);
    c.rec.timeline.clear();
    answer([](QDialog& d) {
        EXPECT_EQ(d.findChild<QCheckBox*>("table0"), nullptr);
        d.findChild<QCheckBox*>("table3")->setChecked(false);
        d.findChild<QCheckBox*>("korean")->setChecked(false);
    }, "Test pages/Code pages…");
    EXPECT_EQ(std::string(run::actionId(c.journal.run()->settings.action)), "code-pages");
    const std::string charts = c.rec.stream(0);
    // Table 16 alone: neither table 3 nor the Korean chart (which would end in FS . ESC @).
    EXPECT_EQ(charts.substr(0, 20) + " … " + charts.substr(charts.size() - 44), "1B 40 1C 2E 1B 74 10 … 20 0A 1B 40 1B 4A 78 1B 69 10 04 02 10 04 02");
    EXPECT_EQ(charts.find("1B 74 03"), std::string::npos);

    c.answer = testkit::q(c.folder.path() / "notes.txt");
    testkit::writeFile(c.folder.path() / "notes.txt", std::vector<std::uint8_t>{'h', 'i'});
    c.entry("File/Check a scanned page…")->trigger();
    EXPECT_TRUE(c.notes.back().contains("notes.txt cannot be read")) << c.notes.back().toStdString();
    QImage paper(200, 100, QImage::Format_RGB32);
    paper.fill(Qt::white);
    paper.save(c.answer = testkit::q(c.folder.path() / "paper.png"));
    answer([](QDialog&) {}, "File/Check a scanned page…");
    EXPECT_EQ(shown, QStringList{"PDF417 PrintBench: not found"});
}

TEST(CockpitWindow, TheTextCodePageIsChosenAndKeptInTheSettings)
{
    Cockpit c;
    const std::pair<const char*, std::string> rows[] = {
        {"CP437", "CP437"}, {"Host locale", link::CodePage::forEnvironment()}, {"CP1252", "CP1252"}, {"CP949", "CP949"}};
    for (const auto& [entry, name] : rows) {
        SCOPED_TRACE(entry);
        c.entry(QStringLiteral("Settings/Text code page/") + entry)->trigger();
        EXPECT_EQ(c.codePage.name() + " " + QSettings("PrintBench", "PrintBench").value("codePage").toString().toStdString(),
                  name + " " + entry);
    }
}

// View › Expected paper draws at the width of the model the list names; File › Save expected
// paper… writes the paper as one PNG (".png" added), or says why it cannot.
TEST(CockpitWindow, TheExpectedPaperFollowsTheModelListAndSavesAsOnePng)
{
    Cockpit c;
    c.entry("View/Expected paper")->trigger();
    EXPECT_TRUE(c.get("ExpectedPaper")->isVisible());
    c.main.form().setListIndex(Control::Combo4, 7);  // KR-420, 512 dots
    c.main.form().setListIndex(Control::Combo2, 3);  // COM3
    c.main.form().Command11_Click();  // the tile grid, uncut
    c.answer = testkit::q(c.folder.path() / "paper");
    c.entry("File/Save expected paper…")->trigger();
    const QImage saved(c.answer + ".png");
    EXPECT_EQ(std::tuple(saved.width(), c.suggested.join(","), c.notes.join(",")), std::tuple(512, "expected-paper.png", ""));
    const cockpit::PaperView* paper = c.window.expectedPaper().strip().view();
    ASSERT_EQ(paper->pieces.size(), 1u);  // one piece: the picture is its receipt
    EXPECT_TRUE(saved.convertToFormat(QImage::Format_Grayscale8) == printer::pageImage(*paper->pieces[0].page));
    EXPECT_TRUE(c.get<QLabel>("ExpectedPaperInfo")->text().startsWith("512 dots wide · ")) << c.get<QLabel>("ExpectedPaperInfo")->text().toStdString();
    c.answer = testkit::q(c.folder.path() / "none" / "paper.png");
    c.entry("File/Save expected paper…")->trigger();
    EXPECT_TRUE(c.notes.size() == 1 && c.notes[0].startsWith(c.answer + " cannot be written: ")) << c.notes.join(",").toStdString();
}
