// The two windows on Qt: their widgets as the control tables place them, and each user action
// reaching its handler in the core. The recorder is the host, the serial port and the USB.

#include "app/window/BitmapWindow.h"
#include "app/window/MainWindow.h"
#include "support/Benches.h"
#include "support/PrinterPeer.h"
#include "window/ControlTable.h"

#include <QProcess>
#include <QTest>
#include <QtWidgets>

#include <gtest/gtest.h>

using namespace printbench;
using namespace std::string_view_literals;

namespace {

// The main window, run from a folder holding a.bmp, B.BMP, c.txt and the folders "gone" and "sub".
struct Windows : testkit::Ground {
    bool appReady = (testkit::ensureQtApp(), true);
    testkit::TempDir folder;
    QString home = QDir::currentPath(), here = QString::fromStdString(std::filesystem::canonical(folder.path()).string());
    app::MainWindow main{rec, rec.serial, rec.usb, codePage, ports.path()};

    Windows()
    {
        for (const char* name : {"a.bmp", "B.BMP", "c.txt"}) testkit::writeFile(folder.path() / name, {'B', 'M'});
        for (const char* name : {"sub", "gone"}) std::filesystem::create_directory(folder.path() / name);
        QDir::setCurrent(here);
    }
    ~Windows() { QDir::setCurrent(home); }

    template <typename T = QWidget>
    T* get(const char* name, const QWidget* in = nullptr) const { return (in ? in : &main)->findChild<T*>(name, Qt::FindDirectChildrenOnly); }
    void click(const char* button, const QWidget* window = nullptr) { QTest::mouseClick(get<QPushButton>(button, window), Qt::LeftButton); }
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
        click("Command3");
        return get<app::BitmapWindow>("Form3");
    }
    // What a control shows: a list's entries, a drop-down list's entry, an edit's or a label's text.
    QString shown(const char* name, const QWidget* window = nullptr) const
    {
        const QWidget* c = get(name, window);
        QStringList out;
        for (auto* l = qobject_cast<const QListWidget*>(c); l && out.size() < l->count();) out << l->item(out.size())->text();
        const char* text = c->inherits("QComboBox") ? "currentText" : c->inherits("QPlainTextEdit") ? "plainText" : "text";
        return c->inherits("QListWidget") ? out.join(',') : c->property(text).toString();
    }
    void doubleClick(const char* list, int row, const QWidget* window = nullptr) const
    {
        auto* l = get<QListWidget>(list, window);
        const QPoint at = l->visualItemRect(l->item(row)).center();
        QTest::mouseClick(l->viewport(), Qt::LeftButton, {}, at);  // the press chooses the row
        QTest::mouseDClick(l->viewport(), Qt::LeftButton, {}, at);
    }
};

// Name, Qt class, text (the main window's shown at start-up, the bitmap window's table caption), place.
struct Row { const char* name; const char* kind; const char* text; QRect place; };

// Every control of the table with its class and place, nothing else, and a fixed size; only the
// status and the repetition count are read-only.
void expectControls(const QWidget* window, std::span<const Row> rows, QSize size)
{
    for (const Row& row : rows) {
        auto* c = window->findChild<QWidget*>(row.name, Qt::FindDirectChildrenOnly);
        ASSERT_TRUE(c && c->metaObject()->className() == std::string_view(row.kind)) << row.name;
        EXPECT_EQ(c->geometry(), row.place) << row.name;
        EXPECT_EQ(c->property("readOnly").toBool(), row.name == "Text6"sv || row.name == "Text4"sv) << row.name;
    }
    EXPECT_EQ(window->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly).size(), rows.size());
    EXPECT_TRUE(window->size() == size && window->minimumSize() == size && window->maximumSize() == size);
}

} // namespace

TEST(MainWindow, EveryControlOfTheTableAtItsPlaceWithItsStartUpTextAndEachUserActionReachesItsHandler)
{
    const Row rows[] = {
        {"Text1", "QPlainTextEdit", "Please enter the text you want to output.", {16, 32, 305, 105}},
        {"Label5", "QLabel", "Connection Setting", {328, 24, 129, 17}},   {"Combo4", "QComboBox", "KL-310", {328, 48, 81, 20}},
        {"Combo2", "QComboBox", "Port Select", {416, 48, 97, 20}},        {"Combo1", "QComboBox", "19200", {520, 48, 97, 20}},
        {"Label4", "QLabel", "Status(HEX)", {328, 72, 81, 17}},           {"Text6", "QLineEdit", "0", {328, 88, 81, 25}},
        {"Label9", "QLabel", "Firmware Ver", {416, 72, 89, 17}},          {"Check2", "QCheckBox", "Old ver", {416, 88, 89, 25}},
        {"Label12", "QLabel", "Density", {520, 72, 57, 17}},              {"Combo3", "QComboBox", "0", {520, 88, 73, 20}},
        {"Command5", "QPushButton", "Status", {328, 120, 81, 25}},        {"Label1", "QLabel", "Command List", {16, 152, 97, 17}},
        {"List1", "QListWidget", "Print H,Text Output,Feed,Full Cut,Partial Cut,BlackMark(Forward),BlackMark Out(Forward),"
                                 "BlackMark(Reverse),BlackMark Out(Reverse)", {16, 176, 145, 124}},
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
        {"Label2", "QLabel", "Selected Command List", {176, 152, 137, 17}},
    };
    Windows w;
    ASSERT_NO_FATAL_FAILURE(expectControls(&w.main, rows, {628, 400}));
    for (const Row& row : rows) EXPECT_EQ(w.shown(row.name), QString::fromUtf8(row.text)) << row.name;
    EXPECT_TRUE(w.main.windowTitle() == "PrintBench" && !w.main.windowIcon().isNull() &&
                w.get<QPlainTextEdit>("Text1")->verticalScrollBarPolicy() == Qt::ScrollBarAlwaysOn);

    // Each wiring once: a user's action runs its handler once, a change made from code runs none.
    for (const auto& [field, typed] : {std::pair("Text2", "x"), {"Text5", "x"}, {"Text10", "11"}}) QTest::keyClicks(w.get(field), typed);
    EXPECT_EQ(w.rec.only({"message"}) + " " + (w.shown("Text2") + " " + w.shown("Text5") + " " + w.shown("Text10")).toStdString(),
              "message critical \"Only Number!\" | message critical \"Only Number\" | message critical \"Max 1010\" 1 500 1010");
    QTest::mouseDClick(w.get<QPlainTextEdit>("Text1")->viewport(), Qt::LeftButton);
    EXPECT_EQ(w.shown("Text1"), "");

    w.main.show();
    for (const int row : {1, 3, 1}) w.doubleClick("List1", row);  // "Text Output", "Full Cut"
    w.doubleClick("List2", 1);  // that entry and all after it
    EXPECT_EQ(w.shown("List2") + " " + w.shown("Text9"), "Text Output 3");

    // Without a port every sending button refuses; "Stop" asks a run to end.
    for (const char* name : {"Command2", "Command3", "Command4", "Command5", "Command8", "Command9", "Command10", "Command11", "Command6"})
        w.click(name);
    EXPECT_EQ(std::tuple(w.rec.count("message critical \"Please Select Port\""), int(w.main.form().state().StopRequested)), std::tuple(8u, 1));

    w.rec.timeline.clear();  // a wheel over a list chooses nothing; a change from code runs no handler
    QWheelEvent wheel({10, 10}, {10, 10}, {}, {0, -120}, Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    for (const char* name : {"Combo1", "Combo2", "Combo3", "Combo4"}) QCoreApplication::sendEvent(w.get(name), &wheel);
    for (const auto& [name, index] : {std::pair("Combo2", 3), {"Combo4", 1}}) w.get<QComboBox>(name)->setCurrentIndex(index);
    const auto width = [&] { return " " + std::to_string(w.main.form().state().PrintWidthDots); };
    EXPECT_EQ(w.rec.wire() + width() + " " + (w.shown("Combo1") + " " + w.shown("Combo3")).toStdString(), " 432 19200 0");
    for (const auto& [name, index] : {std::pair("Combo4", 1), {"Combo2", 3}, {"Combo1", 3}}) w.choose(name, index);
    EXPECT_EQ(w.rec.wire() + width(), "serial open COM3 19200,n,8,1 | serial text 1D 61 01 | serial close | "
                                      "serial open COM3 9600,n,8,1 | serial text 1D 61 01 640");

    // The multi-line text keeps its line breaks as CR LF both ways.
    w.get<QPlainTextEdit>("Text1")->setPlainText("A\nB");
    w.click("Command2");
    w.main.form().setText(window::Control::Text1, "a\r\nb");
    EXPECT_EQ(w.rec.only({"serial text 41"}) + " " + w.shown("Text1").toStdString(), "serial text 41 0D 0A 42 0A a\nb");

    w.rec.usb.openResult = 5;
    w.choose("Combo2", 12);
    w.get<QCheckBox>("Check2")->click();  // "Old ver": the status read uses member 5
    w.rec.usb.statusResults = {0x12};
    w.click("Command5");
    EXPECT_EQ(w.rec.only({"usb open", "usb status"}) + (w.get("Combo1")->isEnabled() ? "" : ", no speed list"),
              "usb open KL-320 -> 5 | usb status member 5 -> 18, no speed list");

    w.click("Command1");  // "End", and the close box after it ends nothing more
    w.main.close();
    EXPECT_EQ(w.rec.count("end program"), 1u);

    // Opened, the port list names the device each COM entry reaches.
    std::filesystem::create_symlink("/dev/null", w.ports.path() / "COM3");
    w.get<QComboBox>("Combo2")->showPopup();
    const auto tip = [&](int entry) { return w.get<QComboBox>("Combo2")->itemData(entry, Qt::ToolTipRole).toString(); };
    EXPECT_TRUE(tip(3).startsWith("COM3: /dev/null") && tip(4) == "COM4: /dev/ttyS3") << (tip(3) + "/" + tip(4)).toStdString();
}

TEST(BitmapWindow, OpensOnlyWithAPortAtTheWorkingDirectoryAndEachUserActionReachesItsHandler)
{
    const Row rows[] = {
        {"File1", "QListWidget", "", {240, 16, 177, 150}},                {"Drive1", "QComboBox", "", {8, 184, 217, 20}},
        {"Dir1", "printbench::app::FolderList", "", {8, 16, 217, 160}},   {"List1", "QListWidget", "", {240, 176, 177, 52}},
        {"Command1", "QPushButton", "Print", {416, 256, 89, 25}},         {"Label2", "QLabel", "", {432, 24, 169, 209}},
        {"Label12", "QLabel", "Label1", {104, 328, 209, 41}},             {"Label11", "QLabel", "Label3", {344, 328, 233, 41}},
        {"Command2", "QPushButton", "Close", {520, 256, 81, 25}},         {"List2", "QListWidget", "", {8, 304, 65, 16}},
    };
    Windows b;
    EXPECT_EQ(b.bitmapWindow(0), nullptr);  // without a port "Bitmap Image" refuses, as the main window's test shows
    QPointer<app::BitmapWindow> w = b.bitmapWindow();
    ASSERT_NE(w, nullptr);
    ASSERT_NO_FATAL_FAILURE(expectControls(w, rows, {612, 299}));
    EXPECT_TRUE(std::ranges::equal(window::bitmapWindowControls(), rows, [](const window::ControlSpec& c, const Row& row) {
        return c.name == std::string_view(row.name) && c.caption == std::string_view(row.text);  // the table's captions
    }));
    EXPECT_TRUE(w->windowTitle() == "비트맵 이미지 출력" && w->isWindow() && w->isVisible() && !w->isModal() && w->font().pixelSize() == 11);
    QStringList tabs;  // from the focus, on the files
    for (QWidget* c = w->focusWidget(); tabs.size() < 8; c = c->nextInFocusChain())
        if (c->parentWidget() == w && (c->focusPolicy() & Qt::TabFocus)) tabs << c->objectName();
    EXPECT_EQ(tabs.join(','), "File1,Drive1,Dir1,List1,Command1,Command2,List2,File1");
    EXPECT_EQ(b.shown("Label12", w) + "|" + b.shown("Label11", w), b.here + "|위치: " + b.here);
    EXPECT_TRUE(b.get<QComboBox>("Drive1", w)->itemText(0) == "/" && b.bitmapWindow() == w);  // the same window again

    b.click("Command1", w);
    EXPECT_EQ(b.rec.only({"message warning"}), "message warning \"선택된 파일이 없습니다.\"");
    EXPECT_EQ(b.shown("Dir1", w) + " " + b.shown("File1", w), "..,gone,sub a.bmp,B.BMP");
    for (int row : {0, 1, 0}) b.doubleClick("File1", row, w);
    b.doubleClick("List1", 1, w);  // that entry and all after it
    EXPECT_EQ(b.shown("List1", w) + " " + b.shown("List2", w), "1. a.bmp a.bmp");

    // A folder removed after it was listed is not entered; the list loses it, so "sub" moves up.
    std::filesystem::remove(b.folder.path() / "gone");
    for (int i = 0; i < 2; ++i) b.doubleClick("Dir1", 1, w);
    EXPECT_EQ(b.shown("Label12", w) + " " + b.shown("Dir1", w) + " " + b.shown("File1", w), b.here + "/sub .. ");

    // "Close" empties the selection and hides; shown again, the folder is kept.
    b.click("Command2", w);
    EXPECT_EQ(QString::number(w->isVisible()) + b.shown("List1", w) + b.shown("List2", w), "0");
    EXPECT_TRUE(b.bitmapWindow() == w && w->widget<window::BitmapControl::Dir1>()->path() == b.here + "/sub");
    b.doubleClick("Dir1", 0, w);
    EXPECT_EQ(b.shown("File1", w), "a.bmp,B.BMP");

    // The close box destroys it: the next one starts afresh at the working directory.
    w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(w.isNull() && b.bitmapWindow()->widget<window::BitmapControl::Dir1>()->path() == b.here);
}

// The program answers "--help" (or "-h") and "--version" before it makes a window, so on a host
// without a display too.
TEST(MainWindow, HelpAndVersionAnswerWithoutADisplay)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) environment.remove(name);
    const std::pair<const char*, QStringList> rows[] = {
        {"--help", {"\n  --lang ko|en ", "\n  --usb-virtual-printer MODEL ", "\n  -h, --help ", "\n  --version "}},
        {"-h", {"usage: printbench "}},
        {"--version", {"printbench 0."}},
    };
    for (const auto& [option, lines] : rows) {
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(PRINTBENCH, {option});
        ASSERT_TRUE(program.waitForFinished()) << option;
        const QString out = program.readAllStandardOutput();
        EXPECT_EQ(program.exitCode(), 0) << option;
        for (const QString& line : lines) EXPECT_TRUE(out.contains(line)) << option << ": " << out.toStdString();
    }
}
