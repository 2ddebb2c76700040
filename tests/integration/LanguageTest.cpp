// The windows in Korean (the program's own texts) and in English (the translation shipped in the
// program): a complete catalogue, messages that say in words what the Korean gives as a code,
// captions that follow the language and fit their controls.

#include "app/i18n/Language.h"
#include "app/window/BitmapWindow.h"
#include "link/PrinterLink.h"
#include "support/CockpitGround.h"
#include "window/ControlTable.h"

#include <QtWidgets>

#include <gtest/gtest.h>

#include <fstream>
#include <regex>

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
    for (const char* unfinished : {"type=\"unfinished\"", "type=\"vanished\"", "type=\"obsolete\"", "<translation></translation>"})
        EXPECT_EQ(ts.find(unfinished), std::string::npos) << unfinished;

    testkit::ensureQtApp();
    QTranslator english;
    ASSERT_TRUE(english.load(QStringLiteral(":/i18n/printbench_en")));
    for (const auto& [window, rows] : {std::pair("Form1", window::mainWindowControls()), std::pair("Form3", window::bitmapWindowControls())})
        for (const window::ControlSpec& row : rows) {
            using K = window::ControlKind;
            const bool shown = row.kind == K::Label || row.kind == K::Button || row.kind == K::CheckBox;
            if (!shown || !*row.caption || row.caption == std::string_view("Label1") || row.caption == std::string_view("Label3")) continue;
            EXPECT_FALSE(english.translate(window, row.caption).isEmpty()) << window << " " << row.name << " " << row.caption;
        }
}

// The program's messages as the core writes them, in English; in Korean as they are.
TEST(Language, MessagesSayInEnglishWhatTheKoreanSays)
{
    testkit::ensureQtApp();
    const std::pair<std::string, QString> rows[] = {
        {"[Returned Data]:1,USB포트를 열수 없습니다.\r\n프린터 및 케이블을 확인하시고 다시 시도해 주십시오",
         "No USB printer was found.\r\nThe USB port could not be opened: check the printer and its cable, then try again. (Returned data: 1)"},
        {"[Returned Data]:4,USB포트를 열수 없습니다.\r\n프린터 및 케이블을 확인하시고 다시 시도해 주십시오",
         "The USB printer is held by another program or driver.\r\nThe USB port could not be opened: check the printer and its "
         "cable, then try again. (Returned data: 4)"},
        {"[Returned Data]:-1,USB포트를 열수 없습니다.\r\n프린터 및 케이블을 확인하시고 다시 시도해 주십시오",
         "The USB printer did not answer.\r\nThe USB port could not be opened: check the printer and its cable, then try again. "
         "(Returned data: -1)"},
        {"KR-420 모델에 USB로 연결되었습니다.", "Connected to the KR-420 over USB."},
        {"비트맵 파일이 틀립니다...\r\n파일명: %1.bmp\r\nThe image has no width or no height.",
         "The file is not a bitmap that can be printed.\r\nFile: %1.bmp\r\nThe image has no width or no height."},
        {"컬러가 흑백이 아닙니다. 흑백으로 바꿔주십시오...\r\n파일명: logo.bmp",
         "The image is not black and white: please convert it to monochrome.\r\nFile: logo.bmp"},
        {"데이터 출력을 완료했습니다", "The data has been printed."},
        {"Only Number!", "Only numbers can be entered."},
        {"위치: /home/bench", "Location: /home/bench"},
        {"COM3 could not be opened.\r\nDevice: /dev/ttyS2\r\nReason: Permission denied",
         "COM3 could not be opened.\r\nDevice: /dev/ttyS2\r\nReason: Permission denied"},
        {"Hex : 32", "Hex : 32"},  // no form: as it is
    };
    ASSERT_TRUE(app::installLanguage(Language::English));
    for (const auto& [korean, english] : rows) EXPECT_EQ(app::translatedMessage(korean), english);
    ASSERT_TRUE(app::installLanguage(Language::Korean));
    for (const auto& [korean, english] : rows) EXPECT_EQ(app::translatedMessage(korean), QString::fromStdString(korean));
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
        const app::LanguageArgument a = app::languageArgument(arguments);
        EXPECT_EQ(std::pair(a.language, a.error), std::pair(language, error)) << arguments.join(' ').toStdString();
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

} // namespace
