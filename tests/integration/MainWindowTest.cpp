#include "integration/QtApp.h"
#include "shell/MainWindow.h"
#include "shell/QtWindowFields.h"
#include "support/Recorder.h"
#include "support/TempDir.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QWheelEvent>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace printbench;
using testing::ElementsAre;
using testing::IsEmpty;

namespace {

struct Window {
    bool appReady = (testkit::ensureQtApp(), true);
    testkit::Recorder rec;
    testkit::TempDir ports;
    shell::MainWindow window{rec, rec.serial, rec.usb, ports.path()};

    template <typename T>
    T* get(const char* name)
    {
        auto* w = qobject_cast<T*>(window.control(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }

    QStringList items(const char* name)
    {
        QStringList out;
        if (auto* combo = qobject_cast<QComboBox*>(window.control(name))) {
            for (int i = 0; i < combo->count(); ++i) out << combo->itemText(i);
        } else if (auto* list = qobject_cast<QListWidget*>(window.control(name))) {
            for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
        }
        return out;
    }
};

// The main window's control table: name, Qt class, caption, left, top, width, height.
struct Row {
    const char* name;
    const char* kind;
    const char* caption;
    int left, top, width, height;
};

const Row kControls[] = {
    {"Text1", "QPlainTextEdit", "Please enter the text you want to output.", 16, 32, 305, 105},
    {"Label5", "QLabel", "Connection Setting", 328, 24, 129, 17},
    {"Combo4", "QComboBox", "KL-310", 328, 48, 81, 20},
    {"Combo2", "QComboBox", "Port Select", 416, 48, 97, 20},
    {"Combo1", "QComboBox", "19200", 520, 48, 97, 20},
    {"Label4", "QLabel", "Status(HEX)", 328, 72, 81, 17},
    {"Text6", "QLineEdit", "0", 328, 88, 81, 25},
    {"Label9", "QLabel", "Firmware Ver", 416, 72, 89, 17},
    {"Check2", "QCheckBox", "Old ver", 416, 88, 89, 25},
    {"Label12", "QLabel", "Density", 520, 72, 57, 17},
    {"Combo3", "QComboBox", "0", 520, 88, 73, 20},
    {"Command5", "QPushButton", "Status", 328, 120, 81, 25},
    {"Label1", "QLabel", "Command List", 16, 152, 97, 17},
    {"List1", "QListWidget", "", 16, 176, 145, 124},
    {"Label2", "QLabel", "Selected Command List", 176, 152, 137, 17},
    {"List2", "QListWidget", "", 176, 176, 145, 124},
    {"Label3", "QLabel", "Repeat Rating", 328, 152, 81, 17},
    {"Text2", "QLineEdit", "1", 328, 176, 81, 25},
    {"Label6", "QLabel", "Repeated", 416, 152, 65, 17},
    {"Text4", "QLineEdit", "0", 416, 176, 73, 25},
    {"Label7", "QLabel", "Delay", 488, 152, 105, 17},
    {"Text5", "QLineEdit", "500", 496, 176, 65, 25},
    {"Label8", "QLabel", "ms", 568, 184, 25, 17},
    {"Label10", "QLabel", "Feed (Max 760)", 328, 208, 145, 17},
    {"Text10", "QLineEdit", "100", 328, 224, 57, 25},
    {"Label11", "QLabel", "dot", 384, 232, 49, 17},
    {"Command4", "QPushButton", "Status Clear", 376, 272, 129, 33},
    {"Command3", "QPushButton", "Bitmap Image", 376, 312, 129, 33},
    {"Command2", "QPushButton", "Run", 512, 272, 97, 33},
    {"Command6", "QPushButton", "Stop", 512, 312, 97, 33},
    {"Command1", "QPushButton", "End", 512, 352, 97, 33},
    {"Command8", "QPushButton", "H Diagram", 16, 304, 73, 41},
    {"Command10", "QPushButton", "비트패턴", 96, 304, 73, 41},
    {"Command11", "QPushButton", "Tile", 176, 304, 73, 41},
    {"Command9", "QPushButton", "Test Pattern", 256, 304, 73, 41},
    {"Text7", "QLineEdit", "Text7", 648, 248, 97, 33},
    {"Text9", "QLineEdit", "0", 632, 136, 49, 49},
};

QString shownText(QWidget* w)
{
    if (auto* x = qobject_cast<QLabel*>(w)) return x->text();
    if (auto* x = qobject_cast<QLineEdit*>(w)) return x->text();
    if (auto* x = qobject_cast<QPlainTextEdit*>(w)) return x->toPlainText();
    if (auto* x = qobject_cast<QComboBox*>(w)) return x->currentText();
    if (auto* x = qobject_cast<QAbstractButton*>(w)) return x->text();
    return {};
}

} // namespace

TEST(MainWindowWidgets, EveryControlHasItsNameKindCaptionAndPlace)
{
    Window w;
    for (const Row& row : kControls) {
        QWidget* c = w.window.control(row.name);
        ASSERT_NE(c, nullptr) << row.name;
        EXPECT_STREQ(c->metaObject()->className(), row.kind) << row.name;
        EXPECT_EQ(shownText(c), QString::fromUtf8(row.caption)) << row.name;
        EXPECT_EQ(c->geometry(), QRect(row.left, row.top, row.width, row.height)) << row.name;
    }
    // Nothing else is on the window.
    EXPECT_EQ(w.window.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly).size(), std::size(kControls));
}

TEST(MainWindowWidgets, TitleIconSizeAndKindsOfField)
{
    Window w;
    EXPECT_EQ(w.window.windowTitle(), "PrintBench");
    EXPECT_FALSE(w.window.windowIcon().isNull());
    EXPECT_EQ(w.window.size(), QSize(628, 400));
    EXPECT_TRUE(w.get<QLineEdit>("Text6")->isReadOnly());
    EXPECT_TRUE(w.get<QLineEdit>("Text4")->isReadOnly());
    EXPECT_FALSE(w.get<QLineEdit>("Text2")->isReadOnly());
    EXPECT_EQ(w.get<QPlainTextEdit>("Text1")->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_FALSE(w.get<QCheckBox>("Check2")->isChecked());
    EXPECT_FALSE(w.get<QComboBox>("Combo2")->isEditable());
}

TEST(MainWindowWidgets, ListsAreFilledAndPreset)
{
    Window w;
    EXPECT_EQ(w.items("Combo1"), QStringList({"1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"}));
    EXPECT_EQ(w.items("Combo2"), QStringList({"Port Select", "COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7",
                                              "COM8", "COM9", "COM10", "COM11", "USB"}));
    EXPECT_EQ(w.items("Combo3"), QStringList({"-5", "-4", "-3", "-2", "-1", "0", "+1", "+2", "+3", "+4", "+5"}));
    EXPECT_EQ(w.items("Combo4"),
              QStringList({"KL-310", "KL-320", "KL-330", "KL-340", "KL-350", "KL-360", "KR-410", "KR-420", "KR-430"}));
    EXPECT_EQ(w.items("List1"), QStringList({"Print H", "Text Output", "Feed", "Full Cut", "Partial Cut",
                                             "BlackMark(Forward)", "BlackMark Out(Forward)", "BlackMark(Reverse)",
                                             "BlackMark Out(Reverse)"}));
    EXPECT_TRUE(w.items("List2").isEmpty());
    EXPECT_EQ(w.get<QListWidget>("List1")->currentRow(), -1);
    EXPECT_EQ(w.window.form().state().PrintWidthDots, 432);
    EXPECT_THAT(w.rec.wire(), IsEmpty());
}

TEST(MainWindowWidgets, PortTooltipsNameTheDevice)
{
    Window w;
    std::filesystem::create_symlink("/dev/null", w.ports.path() / "COM3");
    w.window.refreshPortTooltips();
    auto* ports = w.get<QComboBox>("Combo2");
    EXPECT_TRUE(ports->itemData(3, Qt::ToolTipRole).toString().startsWith("COM3: /dev/null"));
    EXPECT_TRUE(ports->itemData(4, Qt::ToolTipRole).toString().contains("no device"));
}

TEST(MainWindowWidgets, TypingABadCharacterShowsTheMessageAndResets)
{
    Window w;
    auto* repeat = w.get<QLineEdit>("Text2");
    repeat->setFocus();
    QTest::keyClicks(repeat, "2x");
    EXPECT_THAT(w.rec.only({"message "}), ElementsAre("message critical \"Only Number!\""));
    EXPECT_EQ(repeat->text(), "1");

    auto* feed = w.get<QLineEdit>("Text10");
    feed->selectAll();
    QTest::keyClicks(feed, "1011");
    EXPECT_EQ(feed->text(), "1010");
    EXPECT_EQ(w.rec.only({"message "}).back(), "message critical \"Max 1010\"");
}

TEST(MainWindowWidgets, DoubleClickEmptiesTheTextField)
{
    Window w;
    auto* text = w.get<QPlainTextEdit>("Text1");
    QTest::mouseDClick(text->viewport(), Qt::LeftButton);
    EXPECT_EQ(text->toPlainText(), "");
}

TEST(MainWindowWidgets, ButtonsRefuseWithoutAPort)
{
    Window w;
    for (const char* name : {"Command2", "Command3", "Command4", "Command5", "Command8", "Command9", "Command10",
                             "Command11"}) {
        w.rec.timeline.clear();
        QTest::mouseClick(w.get<QPushButton>(name), Qt::LeftButton);
        EXPECT_THAT(w.rec.wire(), ElementsAre("message critical \"Please Select Port\"")) << name;
    }
}

TEST(MainWindowWidgets, ChoosingFromAListRunsItsClickHandlerOnce)
{
    Window w;
    auto* models = w.get<QComboBox>("Combo4");
    models->setCurrentIndex(1);  // a change from code runs nothing
    EXPECT_EQ(w.window.form().state().PrintWidthDots, 432);
    emit models->activated(1);   // the user's choice
    EXPECT_EQ(w.window.form().state().PrintWidthDots, 640);

    w.rec.usb.openResult = 5;
    auto* ports = w.get<QComboBox>("Combo2");
    ports->setCurrentIndex(12);
    emit ports->activated(12);
    EXPECT_EQ(w.rec.only({"usb open"}), std::vector<std::string>{"usb open KL-320 -> 5"});
    EXPECT_FALSE(w.get<QComboBox>("Combo1")->isEnabled());
}

TEST(MainWindowWidgets, AWheelOverThePortListChoosesNothing)
{
    Window w;
    auto* ports = w.get<QComboBox>("Combo2");
    QWheelEvent wheel(QPointF(10, 10), ports->mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(ports, &wheel);
    EXPECT_EQ(ports->currentIndex(), 0);
    EXPECT_THAT(w.rec.wire(), IsEmpty());
}

TEST(MainWindowWidgets, DoubleClicksBuildTheSelectedList)
{
    Window w;
    w.window.show();
    auto* catalogue = w.get<QListWidget>("List1");
    const auto doubleClick = [](QListWidget* list, int row) {
        const QPoint at = list->visualItemRect(list->item(row)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    };
    doubleClick(catalogue, 3);
    doubleClick(catalogue, 2);
    doubleClick(catalogue, 3);
    EXPECT_EQ(w.items("List2"), QStringList({"Full Cut", "Feed", "Full Cut"}));
    EXPECT_EQ(w.get<QLineEdit>("Text9")->text(), "3");
    doubleClick(w.get<QListWidget>("List2"), 1);
    EXPECT_EQ(w.items("List2"), QStringList({"Full Cut"}));
}

TEST(MainWindowWidgets, EndRunsOnceFromTheButton)
{
    Window w;
    QTest::mouseClick(w.get<QPushButton>("Command1"), Qt::LeftButton);
    EXPECT_EQ(w.rec.only({"end program"}).size(), 1u);
}

TEST(WindowFieldsOnQt, MultiLineTextKeepsItsBreaksAsCrLf)
{
    testkit::ensureQtApp();
    QPlainTextEdit edit;
    shell::QtWindowFields fields;
    fields.bind(shell::Control::Text1, &edit);
    edit.setPlainText("first\nsecond");
    EXPECT_EQ(fields.text(shell::Control::Text1), "first\r\nsecond");
    fields.setText(shell::Control::Text1, "a\r\nb");
    EXPECT_EQ(edit.toPlainText(), "a\nb");
    EXPECT_EQ(fields.text(shell::Control::Text1), "a\r\nb");
}
