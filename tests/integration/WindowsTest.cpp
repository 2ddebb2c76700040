// The two windows on Qt: their widgets as the control tables place them, and each user action
// reaching its handler in the core. The recorder is the host, the serial port and the USB.

#include "app/window/BitmapWindow.h"
#include "app/window/MainWindow.h"
#include "support/Benches.h"
#include "support/QtApp.h"
#include "window/ControlTable.h"

#include <QTest>
#include <QtWidgets>

#include <gtest/gtest.h>

#include <fstream>

using namespace printbench;

static void PrintTo(const QString& s, std::ostream* out) { *out << '"' << s.toStdString() << '"'; }

namespace {

// The main window, run from a folder holding a.bmp, B.BMP, c.txt and the folders "gone" and "sub".
struct Windows {
    bool appReady = (testkit::ensureQtApp(), true);
    testkit::Recorder rec;
    testkit::TempDir ports, folder;
    QString home = QDir::currentPath(), here = QString::fromStdString(std::filesystem::canonical(folder.path()).string());
    link::CodePage codePage{"CP949"};
    app::MainWindow main{rec, rec.serial, rec.usb, codePage, ports.path()};

    Windows()
    {
        for (const char* name : {"a.bmp", "B.BMP", "c.txt"}) std::ofstream(folder.path() / name) << "BM";
        for (const char* name : {"sub", "gone"}) std::filesystem::create_directory(folder.path() / name);
        QDir::setCurrent(here);
    }
    ~Windows() { QDir::setCurrent(home); }

    // A control of the main window, or of `window`.
    template <typename T = QWidget>
    T* get(const char* name, const QWidget* window = nullptr) const
    {
        return (window ? window : &main)->findChild<T*>(name, Qt::FindDirectChildrenOnly);
    }
    // The user chooses entry `index` of the main window's drop-down list.
    void choose(const char* name, int index)
    {
        get<QComboBox>(name)->setCurrentIndex(index);
        emit get<QComboBox>(name)->activated(index);
    }
    // "Bitmap Image" with the port list on entry `port` (1: COM1).
    app::BitmapWindow* bitmapWindow(int port = 1)
    {
        choose("Combo2", port);
        QTest::mouseClick(get<QPushButton>("Command3"), Qt::LeftButton);
        return get<app::BitmapWindow>("Form3");
    }
    QString items(const char* list, const QWidget* window = nullptr) const
    {
        QStringList out;
        for (auto* l = get<QListWidget>(list, window); out.size() < l->count();) out << l->item(out.size())->text();
        return out.join(',');
    }
    void doubleClick(const char* list, int row, const QWidget* window = nullptr) const
    {
        auto* l = get<QListWidget>(list, window);
        const QPoint at = l->visualItemRect(l->item(row)).center();
        QTest::mouseClick(l->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(l->viewport(), Qt::LeftButton, {}, at);
    }
};

// Name, Qt class, text (the main window's at start-up, the bitmap window's table caption), place.
struct Row { const char* name; const char* kind; const char* text; QRect place; };

// Every control of the table with its class and place, nothing else, and a fixed size.
void expectControls(const QWidget* window, std::span<const Row> rows, QSize size)
{
    for (const Row& row : rows) {
        auto* c = window->findChild<QWidget*>(row.name, Qt::FindDirectChildrenOnly);
        ASSERT_NE(c, nullptr) << row.name;
        EXPECT_STREQ(c->metaObject()->className(), row.kind) << row.name;
        EXPECT_EQ(c->geometry(), row.place) << row.name;
    }
    EXPECT_EQ(window->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly).size(), rows.size());
    EXPECT_TRUE(window->size() == size && window->minimumSize() == size && window->maximumSize() == size);
}

} // namespace

TEST(MainWindow, EveryControlOfTheTableAtItsPlaceWithItsStartUpText)
{
    const Row rows[] = {
        {"Text1", "QPlainTextEdit", "Please enter the text you want to output.", {16, 32, 305, 105}},
        {"Label5", "QLabel", "Connection Setting", {328, 24, 129, 17}},   {"Combo4", "QComboBox", "KL-310", {328, 48, 81, 20}},
        {"Combo2", "QComboBox", "Port Select", {416, 48, 97, 20}},        {"Combo1", "QComboBox", "19200", {520, 48, 97, 20}},
        {"Label4", "QLabel", "Status(HEX)", {328, 72, 81, 17}},           {"Text6", "QLineEdit", "0", {328, 88, 81, 25}},
        {"Label9", "QLabel", "Firmware Ver", {416, 72, 89, 17}},          {"Check2", "QCheckBox", "Old ver", {416, 88, 89, 25}},
        {"Label12", "QLabel", "Density", {520, 72, 57, 17}},              {"Combo3", "QComboBox", "0", {520, 88, 73, 20}},
        {"Command5", "QPushButton", "Status", {328, 120, 81, 25}},        {"Label1", "QLabel", "Command List", {16, 152, 97, 17}},
        {"List1", "QListWidget", "", {16, 176, 145, 124}},                {"Label2", "QLabel", "Selected Command List", {176, 152, 137, 17}},
        {"List2", "QListWidget", "", {176, 176, 145, 124}},               {"Label3", "QLabel", "Repeat Rating", {328, 152, 81, 17}},
        {"Text2", "QLineEdit", "1", {328, 176, 81, 25}},                  {"Label6", "QLabel", "Repeated", {416, 152, 65, 17}},
        {"Text4", "QLineEdit", "0", {416, 176, 73, 25}},                  {"Label7", "QLabel", "Delay", {488, 152, 105, 17}},
        {"Text5", "QLineEdit", "500", {496, 176, 65, 25}},                {"Label8", "QLabel", "ms", {568, 184, 25, 17}},
        {"Label10", "QLabel", "Feed (Max 760)", {328, 208, 145, 17}},     {"Text10", "QLineEdit", "100", {328, 224, 57, 25}},
        {"Label11", "QLabel", "dot", {384, 232, 49, 17}},                 {"Command4", "QPushButton", "Status Clear", {376, 272, 129, 33}},
        {"Command3", "QPushButton", "Bitmap Image", {376, 312, 129, 33}}, {"Command2", "QPushButton", "Run", {512, 272, 97, 33}},
        {"Command6", "QPushButton", "Stop", {512, 312, 97, 33}},          {"Command1", "QPushButton", "End", {512, 352, 97, 33}},
        {"Command8", "QPushButton", "H Diagram", {16, 304, 73, 41}},      {"Command10", "QPushButton", "비트패턴", {96, 304, 73, 41}},
        {"Command11", "QPushButton", "Tile", {176, 304, 73, 41}},         {"Command9", "QPushButton", "Test Pattern", {256, 304, 73, 41}},
        {"Text7", "QLineEdit", "Text7", {648, 248, 97, 33}},              {"Text9", "QLineEdit", "0", {632, 136, 49, 49}},
    };
    Windows w;
    ASSERT_NO_FATAL_FAILURE(expectControls(&w.main, rows, {628, 400}));
    for (const Row& row : rows) {
        const std::string_view name = row.name;
        QWidget* c = w.get(row.name);
        const char* shown = qobject_cast<QComboBox*>(c) ? "currentText" : qobject_cast<QPlainTextEdit*>(c) ? "plainText" : "text";
        EXPECT_EQ(c->property(shown).toString(), QString::fromUtf8(row.text)) << name;
        if (auto* edit = w.get<QLineEdit>(row.name)) {  // only the status and the repetition count are read-only
            EXPECT_EQ(edit->isReadOnly(), name == "Text6" || name == "Text4") << name;
        }
    }
    EXPECT_EQ(w.main.windowTitle(), "PrintBench");
    EXPECT_FALSE(w.main.windowIcon().isNull());
    EXPECT_EQ(w.get<QPlainTextEdit>("Text1")->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);

    // Each COM entry's tooltip names the device it reaches.
    std::filesystem::create_symlink("/dev/null", w.ports.path() / "COM3");
    w.main.refreshPortTooltips();
    EXPECT_TRUE(w.get<QComboBox>("Combo2")->itemData(3, Qt::ToolTipRole).toString().startsWith("COM3: /dev/null"));
    EXPECT_TRUE(w.get<QComboBox>("Combo2")->itemData(4, Qt::ToolTipRole).toString().contains("no device"));
}

TEST(MainWindow, TypingDoubleClicksAndButtonsReachTheirHandlers)
{
    Windows w;
    // Field, typed over its text, the message, the text left.
    for (const auto& [field, typed, message, left] : std::vector<std::tuple<const char*, QString, std::string, QString>>{
             {"Text2", "2x", "Only Number!", "1"}, {"Text5", "x", "Only Number", "500"}, {"Text10", "1011", "Max 1010", "1010"}}) {
        w.rec.timeline.clear();
        w.get<QLineEdit>(field)->selectAll();
        QTest::keyClicks(w.get(field), typed);
        EXPECT_EQ(w.rec.wire(), "message critical \"" + message + "\"") << field;
        EXPECT_EQ(w.get<QLineEdit>(field)->text(), left) << field;
    }
    QTest::mouseDClick(w.get<QPlainTextEdit>("Text1")->viewport(), Qt::LeftButton);
    EXPECT_EQ(w.get<QPlainTextEdit>("Text1")->toPlainText(), "");

    w.main.show();
    for (const int row : {3, 2, 3}) w.doubleClick("List1", row);
    EXPECT_EQ(w.items("List2") + " " + w.get<QLineEdit>("Text9")->text(), "Full Cut,Feed,Full Cut 3");
    w.doubleClick("List2", 1);  // that entry and all after it
    EXPECT_EQ(w.items("List2"), "Full Cut");

    // Without a port every sending button refuses; "Stop" asks a run to end; "End" runs once.
    for (const char* name : {"Command2", "Command3", "Command4", "Command5", "Command8", "Command9", "Command10", "Command11"}) {
        w.rec.timeline.clear();
        QTest::mouseClick(w.get<QPushButton>(name), Qt::LeftButton);
        EXPECT_EQ(w.rec.wire(), "message critical \"Please Select Port\"") << name;
    }
    QTest::mouseClick(w.get<QPushButton>("Command6"), Qt::LeftButton);
    EXPECT_EQ(w.main.form().state().StopRequested, 1);
    w.rec.timeline.clear();
    QTest::mouseClick(w.get<QPushButton>("Command1"), Qt::LeftButton);
    EXPECT_EQ(w.rec.wire(), "end program");
}

TEST(MainWindow, ListsRunTheirClickHandlersOnlyWhenTheUserChooses)
{
    Windows w;
    testkit::elevenHostDevices(w.rec);
    for (const char* name : {"Combo1", "Combo2", "Combo3", "Combo4"}) {  // a wheel over a list chooses nothing
        const int before = w.get<QComboBox>(name)->currentIndex();
        QWheelEvent wheel({10, 10}, {10, 10}, {}, {0, -120}, Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(w.get(name), &wheel);
        EXPECT_EQ(w.get<QComboBox>(name)->currentIndex(), before) << name;
    }
    w.get<QComboBox>("Combo4")->setCurrentIndex(1);  // a change from code runs nothing
    EXPECT_EQ(w.main.form().state().PrintWidthDots, 432);
    w.choose("Combo4", 1);
    EXPECT_EQ(w.main.form().state().PrintWidthDots, 640);
    w.choose("Combo2", 3);
    w.choose("Combo1", 3);
    EXPECT_EQ(w.rec.wire(), "serial open COM3 19200,n,8,1 | serial text 1D 61 01 | serial close | "
                            "serial open COM3 9600,n,8,1 | serial text 1D 61 01");

    // The multi-line text keeps its line breaks as CR LF.
    w.get<QPlainTextEdit>("Text1")->setPlainText("A\nB");
    w.get<QListWidget>("List1")->setCurrentRow(1);  // "Text Output"
    w.main.form().List1_DblClick();
    QTest::mouseClick(w.get<QPushButton>("Command2"), Qt::LeftButton);
    EXPECT_EQ(w.rec.only({"serial text 41"}), "serial text 41 0D 0A 42 0A");
    w.main.form().setText(window::Control::Text1, "a\r\nb");
    EXPECT_EQ(w.get<QPlainTextEdit>("Text1")->toPlainText(), "a\nb");

    w.rec.timeline.clear();
    w.rec.usb.openResult = 5;
    w.choose("Combo2", 12);
    EXPECT_EQ(w.rec.only({"usb open"}), "usb open KL-320 -> 5");
    EXPECT_FALSE(w.get("Combo1")->isEnabled());
    w.get<QCheckBox>("Check2")->click();  // "Old ver": the status read uses member 5
    w.rec.usb.statusResults = {0x12};
    QTest::mouseClick(w.get<QPushButton>("Command5"), Qt::LeftButton);
    EXPECT_EQ(w.rec.only({"usb status"}), "usb status member 5 -> 18");
}

TEST(BitmapWindow, OpensOnlyWithAPortAtTheWorkingDirectoryWithItsControlTableInTabOrder)
{
    const Row rows[] = {
        {"File1", "QListWidget", "", {240, 16, 177, 150}},        {"Drive1", "QComboBox", "", {8, 184, 217, 20}},
        {"Dir1", "printbench::app::FolderList", "", {8, 16, 217, 160}},
        {"List1", "QListWidget", "", {240, 176, 177, 52}},        {"Command1", "QPushButton", "Print", {416, 256, 89, 25}},
        {"Label2", "QLabel", "", {432, 24, 169, 209}},            {"Label12", "QLabel", "Label1", {104, 328, 209, 41}},
        {"Label11", "QLabel", "Label3", {344, 328, 233, 41}},     {"Command2", "QPushButton", "Close", {520, 256, 81, 25}},
        {"List2", "QListWidget", "", {8, 304, 65, 16}},
    };
    Windows b;
    EXPECT_EQ(b.bitmapWindow(0), nullptr);
    EXPECT_EQ(b.rec.wire(), "message critical \"Please Select Port\"");
    app::BitmapWindow* w = b.bitmapWindow();
    ASSERT_NE(w, nullptr);
    ASSERT_NO_FATAL_FAILURE(expectControls(w, rows, {612, 299}));
    const auto table = window::bitmapWindowControls();
    ASSERT_EQ(table.size(), std::size(rows));
    for (std::size_t i = 0; i < table.size(); ++i)
        EXPECT_EQ(std::string(table[i].name) + " " + table[i].caption, std::string(rows[i].name) + " " + rows[i].text);
    EXPECT_EQ(w->windowTitle(), "비트맵 이미지 출력");
    EXPECT_TRUE(w->isWindow() && w->isVisible() && !w->isModal());
    EXPECT_EQ(w->font().pixelSize(), 11);
    EXPECT_EQ(w->focusWidget(), w->control("File1"));
    QStringList tabs;
    for (QWidget* c = w->control("File1"); tabs.size() < 8; c = c->nextInFocusChain())
        if (c->parentWidget() == w && (c->focusPolicy() & Qt::TabFocus)) tabs << c->objectName();
    EXPECT_EQ(tabs.join(','), "File1,Drive1,Dir1,List1,Command1,Command2,List2,File1");

    EXPECT_EQ(w->control("Dir1")->property("path").toString(), b.here);
    EXPECT_EQ(b.get<QLabel>("Label12", w)->text() + "|" + b.get<QLabel>("Label11", w)->text(), b.here + "|위치: " + b.here);
    EXPECT_TRUE(b.get<QLabel>("Label2", w)->text().startsWith("If you double-click on that file"));
    EXPECT_EQ(b.get<QComboBox>("Drive1", w)->itemText(0), "/");
    EXPECT_EQ(b.bitmapWindow(), w);  // the same window again
}

TEST(BitmapWindow, FoldersFilesTheNumberedSelectionAndClosing)
{
    Windows b;
    QPointer<app::BitmapWindow> w = b.bitmapWindow();
    b.rec.timeline.clear();
    QTest::mouseClick(b.get<QPushButton>("Command1", w), Qt::LeftButton);
    EXPECT_EQ(b.rec.wire(), "message warning \"선택된 파일이 없습니다.\"");

    EXPECT_EQ(b.items("Dir1", w) + " " + b.items("File1", w), "..,gone,sub a.bmp,B.BMP");
    for (int row : {0, 1, 0}) b.doubleClick("File1", row, w);
    EXPECT_EQ(b.items("List1", w) + " " + b.items("List2", w), "1. a.bmp,2. B.BMP,3. a.bmp a.bmp,B.BMP,a.bmp");
    b.doubleClick("List1", 1, w);  // that entry and all after it
    EXPECT_EQ(b.items("List1", w) + " " + b.items("List2", w), "1. a.bmp a.bmp");

    // A folder removed after it was listed is not entered; the list loses it.
    std::filesystem::remove(b.folder.path() / "gone");
    b.doubleClick("Dir1", 1, w);
    EXPECT_EQ(b.items("Dir1", w), "..,sub");
    b.doubleClick("Dir1", 1, w);
    EXPECT_EQ(b.get<QLabel>("Label12", w)->text(), b.here + "/sub");
    EXPECT_EQ(b.items("Dir1", w) + " " + b.items("File1", w), ".. ");

    // "Close" empties the selection and hides; shown again, the folder is kept.
    QTest::mouseClick(b.get<QPushButton>("Command2", w), Qt::LeftButton);
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(b.items("List1", w) + b.items("List2", w), "");
    EXPECT_EQ(b.bitmapWindow(), w.data());
    EXPECT_EQ(w->control("Dir1")->property("path").toString(), b.here + "/sub");
    b.doubleClick("Dir1", 0, w);
    EXPECT_EQ(b.items("File1", w), "a.bmp,B.BMP");

    // The close box destroys it: the next one starts afresh at the working directory.
    w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(w.isNull());
    EXPECT_EQ(b.bitmapWindow()->control("Dir1")->property("path").toString(), b.here);
}
