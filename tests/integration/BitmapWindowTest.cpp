#include "bitmap/BitmapWindow.h"
#include "integration/QtApp.h"
#include "shell/ControlTable.h"
#include "shell/MainWindow.h"
#include "support/Recorder.h"
#include "support/TempDir.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

using namespace printbench;
using testing::ElementsAre;
using W = bitmap::BitmapWindow;

static void PrintTo(const QString& s, std::ostream* out) { *out << '"' << s.toStdString() << '"'; }

namespace {

// The main window, run from a folder holding a.bmp, B.BMP, c.txt and the folders "gone" and "sub".
struct Bench {
    bool appReady = (testkit::ensureQtApp(), true);
    testkit::Recorder rec;
    testkit::TempDir ports, folder;
    QString home = QDir::currentPath();
    QString here = QString::fromStdString(std::filesystem::canonical(folder.path()).string());
    shell::MainWindow main{rec, rec.serial, rec.usb, ports.path()};

    Bench()
    {
        for (const char* name : {"a.bmp", "B.BMP", "c.txt"}) std::ofstream(folder.path() / name) << "BM";
        for (const char* name : {"sub", "gone"}) std::filesystem::create_directory(folder.path() / name);
        QDir::setCurrent(here);
    }
    ~Bench() { QDir::setCurrent(home); }

    // "Bitmap Image", with the port list on entry `port` (1: COM1) as the user chooses it.
    W* open(int port = 1)
    {
        auto* ports = static_cast<QComboBox*>(main.control("Combo2"));
        ports->setCurrentIndex(port);
        emit ports->activated(port);
        QTest::mouseClick(static_cast<QPushButton*>(main.control("Command3")), Qt::LeftButton);
        return main.findChild<W*>("Form3");
    }
};

template <typename T = QListWidget>
T* get(W* w, const char* name) { return qobject_cast<T*>(w->control(name)); }
QString text(W* w, const char* label) { return get<QLabel>(w, label)->text(); }
QString path(W* w) { return w->control("Dir1")->property("path").toString(); }

QStringList items(W* w, const char* name)
{
    QStringList out;
    for (auto* list = get(w, name); out.size() < list->count();) out << list->item(out.size())->text();
    return out;
}

void doubleClick(W* w, const char* list, int row)
{
    QListWidget* l = get(w, list);
    const QPoint at = l->visualItemRect(l->item(row)).center();
    QTest::mouseClick(l->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(l->viewport(), Qt::LeftButton, {}, at);
}

} // namespace

TEST(BitmapWindow, ControlTableCaptionSizeAndTabOrder)
{
    // In the table's order: name, Qt class, caption, left, top, width, height.
    struct Row { const char* name; const char* kind; const char* caption; QRect place; };
    const Row rows[] = {
        {"File1", "QListWidget", "", {240, 16, 177, 150}},
        {"Drive1", "QComboBox", "", {8, 184, 217, 20}},
        {"Dir1", "printbench::bitmap::FolderList", "", {8, 16, 217, 160}},
        {"List1", "QListWidget", "", {240, 176, 177, 52}},
        {"Command1", "QPushButton", "Print", {416, 256, 89, 25}},
        {"Label2", "QLabel", "", {432, 24, 169, 209}},
        {"Label12", "QLabel", "Label1", {104, 328, 209, 41}},
        {"Label11", "QLabel", "Label3", {344, 328, 233, 41}},
        {"Command2", "QPushButton", "Close", {520, 256, 81, 25}},
        {"List2", "QListWidget", "", {8, 304, 65, 16}},
    };
    Bench b;
    W* w = b.open();
    const auto table = shell::bitmapWindowControls();
    ASSERT_EQ(table.size(), std::size(rows));
    ASSERT_EQ(w->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly).size(), std::size(rows));
    for (std::size_t i = 0; i < table.size(); ++i) {
        EXPECT_STREQ(table[i].name, rows[i].name);
        EXPECT_STREQ(table[i].caption, rows[i].caption) << rows[i].name;
        EXPECT_STREQ(w->control(rows[i].name)->metaObject()->className(), rows[i].kind) << rows[i].name;
        EXPECT_EQ(w->control(rows[i].name)->geometry(), rows[i].place) << rows[i].name;
    }
    EXPECT_EQ(w->windowTitle(), "비트맵 이미지 출력");
    EXPECT_TRUE(w->size() == QSize(612, 299) && w->minimumSize() == w->maximumSize());
    EXPECT_TRUE(w->isWindow() && w->isVisible() && !w->isModal());
    EXPECT_EQ(w->font().pixelSize(), 11);
    EXPECT_EQ(w->focusWidget(), w->control("File1"));
    QStringList tabs;
    for (QWidget* c = w->control("File1"); tabs.size() < 8; c = c->nextInFocusChain())
        if (c->parentWidget() == w && (c->focusPolicy() & Qt::TabFocus)) tabs << c->objectName();
    EXPECT_EQ(tabs, QStringList({"File1", "Drive1", "Dir1", "List1", "Command1", "Command2", "List2", "File1"}));
}

TEST(BitmapWindow, OpensWithAPortAtTheWorkingDirectoryAndPrintNeedsASelection)
{
    Bench b;
    EXPECT_EQ(b.open(0), nullptr);
    EXPECT_THAT(b.rec.wire(), ElementsAre("message critical \"Please Select Port\""));
    W* w = b.open();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(path(w), b.here);
    EXPECT_EQ(text(w, "Label12"), b.here);
    EXPECT_EQ(text(w, "Label11"), "위치: " + b.here);
    EXPECT_TRUE(text(w, "Label2").startsWith("If you double-click on that file"));
    EXPECT_EQ(get<QComboBox>(w, "Drive1")->itemText(0), "/");
    EXPECT_EQ(b.open(), w);  // the same window again

    b.rec.timeline.clear();
    QTest::mouseClick(get<QPushButton>(w, "Command1"), Qt::LeftButton);
    EXPECT_THAT(b.rec.wire(), ElementsAre("message warning \"선택된 파일이 없습니다.\""));
}

TEST(BitmapWindow, FoldersFilesAndTheNumberedSelection)
{
    Bench b;
    QPointer<W> w = b.open();
    EXPECT_EQ(items(w, "Dir1"), QStringList({"..", "gone", "sub"}));
    EXPECT_EQ(items(w, "File1"), QStringList({"a.bmp", "B.BMP"}));
    for (int row : {0, 1, 0}) doubleClick(w, "File1", row);
    EXPECT_EQ(items(w, "List1"), QStringList({"1. a.bmp", "2. B.BMP", "3. a.bmp"}));
    EXPECT_EQ(items(w, "List2"), QStringList({"a.bmp", "B.BMP", "a.bmp"}));
    doubleClick(w, "List1", 1);  // that entry and all after it
    EXPECT_EQ(items(w, "List1") + items(w, "List2"), QStringList({"1. a.bmp", "a.bmp"}));

    // A folder removed after it was listed is not entered; the list loses it.
    std::filesystem::remove(b.folder.path() / "gone");
    doubleClick(w, "Dir1", 1);
    EXPECT_EQ(items(w, "Dir1"), QStringList({"..", "sub"}));
    doubleClick(w, "Dir1", 1);
    EXPECT_EQ(text(w, "Label12"), b.here + "/sub");
    EXPECT_EQ(items(w, "Dir1") + items(w, "File1"), QStringList({".."}));

    // "Close" empties the selection and hides; shown again, the folder is kept.
    QTest::mouseClick(get<QPushButton>(w, "Command2"), Qt::LeftButton);
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(items(w, "List1") + items(w, "List2"), QStringList());
    EXPECT_EQ(b.open(), w.data());
    EXPECT_EQ(path(w), b.here + "/sub");
    doubleClick(w, "Dir1", 0);
    EXPECT_EQ(items(w, "File1"), QStringList({"a.bmp", "B.BMP"}));

    // The close box destroys it: the next one starts afresh at the working directory.
    w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(w.isNull());
    EXPECT_EQ(path(b.open()), b.here);
}
