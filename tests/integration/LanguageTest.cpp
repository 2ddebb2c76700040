// The windows in Korean (the program's own texts) and in English (the translation shipped in the
// program): a complete catalogue, messages that say in words what the Korean gives as a code,
// captions that follow the language and fit their controls.

#include "app/i18n/Language.h"
#include "app/window/BitmapWindow.h"
#include "cockpit/RunLog.h"
#include "link/PrinterLink.h"
#include "run/FailureText.h"
#include "support/CockpitGround.h"
#include "window/ControlTable.h"
#include "window/Messages.h"

#include <QtWidgets>

#include <gtest/gtest.h>

#include <fstream>

using namespace printbench;
using app::Language;

namespace {

// Every text of a label, button or check box of `window` that is wider than its control.
QStringList clipped(const QWidget& window)
{
    QStringList out;
    for (QWidget* w : window.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        const auto* label = qobject_cast<QLabel*>(w);
        const auto* button = qobject_cast<QAbstractButton*>(w);
        if ((!label && !button) || (label && label->wordWrap())) continue;
        const QString text = label ? label->text() : button->text();
        // A push button's frame and a check box's indicator take their share.
        const int room = w->width() - (qobject_cast<QCheckBox*>(w) ? 20 : button ? 6 : 0);
        if (QFontMetrics(w->font()).horizontalAdvance(text) > room) out << w->objectName() + ": " + text;
    }
    return out;
}

struct Languages : testing::Test, testkit::CockpitGround {

    ~Languages() override { use(Language::Korean); }
    void use(Language language)
    {
        EXPECT_TRUE(app::installLanguage(language));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
    }
    QString text(const char* name, const QWidget* in = nullptr) const
    {
        return (in ? in : &main)->findChild<QWidget*>(name)->property("text").toString();
    }
};

// Every source text has its English, and every caption of both control tables is among them.
TEST(Language, TheEnglishCatalogueIsFinishedAndHoldsEveryCaption)
{
    std::ifstream in(PRINTBENCH_TRANSLATIONS "/printbench_en.ts");
    const std::string ts{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    ASSERT_FALSE(ts.empty());
    for (const char* unfinished : {"type=\"unfinished\"", "type=\"vanished\"", "type=\"obsolete\"", "<translation></translation>"}) {
        SCOPED_TRACE(unfinished);
        EXPECT_EQ(ts.find(unfinished), std::string::npos);
    }

    testkit::ensureQtApp();
    QTranslator english;
    ASSERT_TRUE(english.load(QStringLiteral(":/i18n/printbench_en")));
    for (const auto& [window, rows] : {std::pair("Form1", window::mainWindowControls()), std::pair("Form3", window::bitmapWindowControls())})
        for (const window::ControlSpec& row : rows) {
            SCOPED_TRACE(std::string(window) + " " + row.name + " " + row.caption);
            using K = window::ControlKind;
            const bool shown = row.kind == K::Label || row.kind == K::Button || row.kind == K::CheckBox;
            if (!shown || !*row.caption || row.caption == std::string_view("Label1") || row.caption == std::string_view("Label3")) continue;
            EXPECT_FALSE(english.translate(window, row.caption).isEmpty());
        }
}

// A failure as a value, worded by each program that shows it: the window's message (its own
// text, and the English catalogue's), printbench-run's line, and the run log's stop.
TEST(Language, EachFailureIsWordedByTheWindowThePrintbenchRunLineAndTheRunLog)
{
    using link::FailureKind;
    using link::Route;
    struct Row {
        const char* name;
        link::Failure failure;
        std::string korean, english, line, stop;
    };
    const auto usb = [](FailureKind kind, std::int32_t result) {
        return link::Failure::of(kind, Route::Usb, "USB").withUsbResult(result);
    };
    const std::string usbKo = ",USB포트를 열수 없습니다.\r\n프린터 및 케이블을 확인하시고 다시 시도해 주십시오";
    const std::string usbEn = ".\r\nThe USB port could not be opened: check the printer and its cable, then try again. (Returned data: ";
    const Row rows[] = {
        {"open failed", link::Failure::of(FailureKind::OpenFailed, Route::Serial, "COM3", "/dev/ttyS2", "Permission denied"),
         "COM3 could not be opened.\r\nDevice: /dev/ttyS2\r\nReason: Permission denied",
         "COM3 could not be opened.\r\nDevice: /dev/ttyS2\r\nReason: Permission denied",
         "COM3 (/dev/ttyS2) could not be opened: Permission denied",
         R"j("detail":"Permission denied","failure":{"kind":"open-failed","route":"serial","port":"COM3","device":"/dev/ttyS2","reason":"Permission denied"})j"},
        {"bad speed", link::Failure::of(FailureKind::BadSpeed, Route::Serial, "COM3", "", "fast"),
         "COM3 could not be opened.\r\nReason: the speed \"fast\" is not a number",
         "COM3 could not be opened.\r\nReason: the speed \"fast\" is not a number",
         "COM3 could not be opened: the speed \"fast\" is not a number",
         R"j("detail":"the speed \"fast\" is not a number","failure":{"kind":"bad-speed","route":"serial","port":"COM3","reason":"fast"})j"},
        {"lost", link::Failure::of(FailureKind::Lost, Route::Serial, "COM3", "/dev/ttyS2", "The device went away"),
         "The connection to COM3 (/dev/ttyS2) was lost; the port has been closed.\r\nReason: The device went away",
         "The connection to COM3 (/dev/ttyS2) was lost; the port has been closed.\r\nReason: The device went away",
         "the connection to COM3 (/dev/ttyS2) was lost: The device went away",
         R"j("detail":"The device went away","failure":{"kind":"lost","route":"serial","port":"COM3","device":"/dev/ttyS2","reason":"The device went away"})j"},
        {"not open", link::Failure::of(FailureKind::NotOpen, Route::Serial, "COM4"),
         "COM4 is not open, so nothing was sent.\r\nChoose the port again once the printer is connected.",
         "COM4 is not open, so nothing was sent.\r\nChoose the port again once the printer is connected.",
         "COM4 is not open, so nothing was sent",
         R"j("detail":"the port is not open, so nothing was sent","failure":{"kind":"not-open","route":"serial","port":"COM4"})j"},
        {"usb send", link::Failure::of(FailureKind::WriteTimedOut, Route::Usb, "USB", "", "the printer did not take the bytes"),
         "Sending to the USB printer failed.\r\nReason: the printer did not take the bytes",
         "Sending to the USB printer failed.\r\nReason: the printer did not take the bytes",
         "sending to the USB printer failed: the printer did not take the bytes",
         R"j("detail":"the printer did not take the bytes","failure":{"kind":"write-timed-out","route":"usb","port":"USB","reason":"the printer did not take the bytes"})j"},
        {"usb none found", usb(FailureKind::UsbUnavailable, 1), "[Returned Data]:1" + usbKo, "No USB printer was found" + usbEn + "1)",
         "the USB printer could not be connected: No USB printer was found (result 1)",
         R"j("detail":"No USB printer was found (result 1)","failure":{"kind":"usb-unavailable","route":"usb","port":"USB","usbResult":1})j"},
        {"usb held", usb(FailureKind::UsbUnavailable, 4), "[Returned Data]:4" + usbKo,
         "The USB printer is held by another program or driver" + usbEn + "4)",
         "the USB printer could not be connected: The USB printer is held by another program or driver (result 4)",
         R"j("detail":"The USB printer is held by another program or driver (result 4)","failure":{"kind":"usb-unavailable","route":"usb","port":"USB","usbResult":4})j"},
        {"usb no answer", usb(FailureKind::UsbNoAnswer, -1), "[Returned Data]:-1" + usbKo, "The USB printer did not answer" + usbEn + "-1)",
         "the USB printer's status could not be read: The USB printer did not answer (result -1)",
         R"j("detail":"The USB printer did not answer (result -1)","failure":{"kind":"usb-no-answer","route":"usb","port":"USB","usbResult":-1})j"},
        {"not a bitmap", link::Failure::of(FailureKind::NotABitmap, Route::Serial, "", "", "The image has no width or no height.").withFile("%1.bmp"),
         "비트맵 파일이 틀립니다...\r\n파일명: %1.bmp\r\nThe image has no width or no height.",
         "The file is not a bitmap that can be printed.\r\nFile: %1.bmp\r\nThe image has no width or no height.",
         "nothing was printed: %1.bmp is not a bitmap that can be printed: The image has no width or no height.",
         R"j("detail":"%1.bmp is not a bitmap that can be printed: The image has no width or no height.","failure":{"kind":"not-a-bitmap","route":"serial","reason":"The image has no width or no height.","file":"%1.bmp"})j"},
        {"not monochrome", link::Failure::of(FailureKind::NotMonochrome, Route::Usb).withFile("logo.bmp"),
         "컬러가 흑백이 아닙니다. 흑백으로 바꿔주십시오...\r\n파일명: logo.bmp",
         "The image is not black and white: please convert it to monochrome.\r\nFile: logo.bmp",
         "nothing was printed: logo.bmp is not black and white: convert it to monochrome",
         R"j("detail":"logo.bmp is not black and white: convert it to monochrome","failure":{"kind":"not-monochrome","route":"usb","file":"logo.bmp"})j"},
    };
    testkit::ensureQtApp();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const window::Message message = window::failureMessage(row.failure);
        run::RunRecord record;
        record.settings.route = "serial";
        record.ending = row.failure.ofThePrint() ? run::RunEnding::Failed : run::RunEnding::LinkLost;
        record.failure = row.failure;
        const std::string json = cockpit::runRecordJson(record, true);
        const std::size_t stop = json.find("\"detail\"");
        ASSERT_TRUE(app::installLanguage(Language::English));
        const QString english = app::translatedMessage(message);
        ASSERT_TRUE(app::installLanguage(Language::Korean));
        EXPECT_EQ(std::tuple(message.text(), english.toStdString(), run::failureLine(row.failure),
                             json.substr(stop, json.find("}", stop) + 1 - stop)),
                  std::tuple(row.korean, row.english, row.line, row.stop));
        EXPECT_EQ(app::translatedMessage(message).toStdString(), row.korean);
    }
}

// The window's other messages in English; in Korean as they are.
TEST(Language, MessagesSayInEnglishWhatTheKoreanSays)
{
    testkit::ensureQtApp();
    const std::tuple<window::Message, std::string, QString> rows[] = {
        {{window::forms::UsbConnected, {"KR-420"}}, "KR-420 모델에 USB로 연결되었습니다.", "Connected to the KR-420 over USB."},
        {window::forms::LogoSent, "데이터 출력을 완료했습니다", "The data has been printed."},
        {window::forms::OnlyNumberBang, "Only Number!", "Only numbers can be entered."},
        {{window::forms::Location, {"/home/%2"}}, "위치: /home/%2", "Location: /home/%2"},
    };
    for (const auto& [message, korean, english] : rows) {
        SCOPED_TRACE(korean);
        EXPECT_EQ(message.text(), korean);
        ASSERT_TRUE(app::installLanguage(Language::English));
        EXPECT_EQ(app::translatedMessage(message), english);
        ASSERT_TRUE(app::installLanguage(Language::Korean));
        EXPECT_EQ(app::translatedMessage(message), QString::fromStdString(korean));
    }
}

TEST(Language, TheCommandLineNamesALanguageOrSaysWhatIsWrong)
{
    const std::tuple<QStringList, std::optional<Language>, QString> rows[] = {
        {{"--lang", "en"}, Language::English, ""},
        {{"-platform", "offscreen", "--lang=ko"}, Language::Korean, ""},
        {{"--lang", "English"}, Language::English, ""},
        {{}, std::nullopt, ""},
        {{"--lang", "fr"}, std::nullopt, "--lang takes ko or en, not \"fr\""},
        {{"--lang"}, std::nullopt, "--lang needs a language: ko or en"},
    };
    for (const auto& [arguments, language, error] : rows) {
        SCOPED_TRACE(arguments.join(' ').toStdString());
        const app::LanguageArgument a = app::languageArgument(arguments);
        EXPECT_EQ(std::pair(a.language, a.error), std::pair(language, error));
    }
}

// Settings › Language switches both windows, the texts the program set and the menus at once,
// and is kept; in either language every caption fits its control at the specified size.
TEST_F(Languages, CaptionsMenusAndSetTextsFollowTheLanguageAndFitTheirControls)
{
    auto* bitmaps = new app::BitmapWindow(main.form(), &main);
    const QString folderLine = text("Label11", bitmaps);
    ASSERT_TRUE(folderLine.startsWith("위치: ")) << folderLine.toStdString();

    QAction* english = nullptr;
    for (QAction* a : window.findChildren<QAction*>())
        if (a->text() == "English") english = a;
    ASSERT_NE(english, nullptr);
    english->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
    EXPECT_EQ(app::rememberedLanguage(), Language::English);
    EXPECT_EQ(std::tuple(text("Command10"), text("Label5"), bitmaps->windowTitle(), text("Label11", bitmaps)),
              std::tuple("Bit Pattern", "Connection Setting", "Bitmap Image Output", "Location: " + folderLine.mid(4)));
    EXPECT_EQ(app::sourceText(bitmaps->findChild<QWidget*>("Label11")), folderLine);  // what the core reads back
    EXPECT_EQ(clipped(main), QStringList());
    EXPECT_EQ(clipped(*bitmaps), QStringList());

    use(Language::Korean);
    EXPECT_EQ(std::tuple(text("Command10"), bitmaps->windowTitle(), text("Label11", bitmaps)),
              std::tuple("비트패턴", "비트맵 이미지 출력", folderLine));
    EXPECT_EQ(clipped(main), QStringList());
    EXPECT_EQ(clipped(*bitmaps), QStringList());
    delete bitmaps;
}

// In English nothing Korean of the program shows in the status bar or the run log: runs are named
// by the window's captions in English, failures in English words.
TEST_F(Languages, InEnglishTheStatusBarAndTheRunLogHaveNoKoreanOfTheProgram)
{
    const auto korean = [](const std::string& s) {
        const QString q = QString::fromStdString(s);
        return std::any_of(q.begin(), q.end(), [](QChar c) { return c.unicode() >= 0x3131 && c.unicode() <= 0xD7A3; });
    };
    main.form().link().setTap(&journal);
    main.form().setRunObserver(&journal);
    use(Language::English);
    main.form().setListIndex(window::Control::Combo2, 3);
    main.form().Command10_Click();
    const std::string running = journal.run()->settings.label + " " + cockpit::runRecordJson(*journal.run());
    EXPECT_TRUE(running.starts_with("Bit Pattern ") && running.find(R"("actionId":"bit-pattern")") != std::string::npos);
    journal.runStarted({.action = run::Action::Logo});
    journal.stopFailed(link::Failure::of(link::FailureKind::NotMonochrome, link::Route::Serial).withFile("logo.bmp"));
    journal.runEnded(false);
    EXPECT_EQ(journal.statusLine(), "Logo not sent: logo.bmp is not black and white: convert it to monochrome");
    EXPECT_FALSE(korean(running + journal.statusLine() + cockpit::runRecordJson(*journal.run())));
    use(Language::Korean);
    main.form().Command10_Click();
    EXPECT_EQ(journal.run()->settings.label, "비트패턴");  // the caption as the window shows it
}

} // namespace
