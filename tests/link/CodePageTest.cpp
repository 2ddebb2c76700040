#include "link/CodePage.h"

#include "support/Recorder.h"

#include <cstdlib>

#include <gtest/gtest.h>

using namespace printbench::link;
using printbench::testkit::hex;

TEST(CodePage, ChosenFromTheLocaleAsWindowsWouldAndTheEnvironmentInTheOrderLcAllLcCtypeLang)
{
    const std::vector<std::pair<const char*, const char*>> table{
        {"ko_KR.UTF-8", "CP949"}, {"ko_KR", "CP949"},        {"ja_JP.UTF-8", "CP932"},   {"zh_CN.UTF-8", "CP936"},
        {"zh_SG", "CP936"},       {"zh_TW.UTF-8", "CP950"},  {"zh_HK", "CP950"},         {"th_TH.UTF-8", "CP874"},
        {"pl_PL.UTF-8", "CP1250"}, {"cs_CZ", "CP1250"},      {"ru_RU.UTF-8", "CP1251"},  {"uk_UA", "CP1251"},
        {"sr_RS", "CP1251"},      {"sr_RS@latin", "CP1250"}, {"el_GR.UTF-8", "CP1253"},  {"tr_TR.UTF-8", "CP1254"},
        {"he_IL.UTF-8", "CP1255"}, {"ar_EG.UTF-8", "CP1256"}, {"lt_LT.UTF-8", "CP1257"}, {"vi_VN", "CP1258"},
        {"en_US.UTF-8", "CP1252"}, {"de_DE", "CP1252"},       {"C", "CP1252"},           {"POSIX", "CP1252"},
        {"C.UTF-8", "CP1252"},    {"", "CP1252"},
    };
    for (const auto& [locale, page] : table) { SCOPED_TRACE(locale); EXPECT_EQ(CodePage::forLocale(locale), page); }

    // The environment decides: LC_ALL first, then LC_CTYPE, then LANG (the columns), then the page.
    const std::vector<std::vector<const char*>> environments{
        {"ko_KR.UTF-8", "ru_RU.UTF-8", "ja_JP.UTF-8", "CP949"}, {"", "ru_RU.UTF-8", "ja_JP.UTF-8", "CP1251"},
        {"", "", "ja_JP.UTF-8", "CP932"}, {"", "", "", "CP1252"}};
    const char* const names[] = {"LC_ALL", "LC_CTYPE", "LANG"};
    for (const auto& row : environments) {
        SCOPED_TRACE(std::string(row[0]) + "/" + row[1] + "/" + row[2]);
        for (int i = 0; i < 3; ++i) setenv(names[i], row[i], 1);
        EXPECT_EQ(CodePage::forEnvironment(), row[3]);
    }
    for (const char* name : names) unsetenv(name);
}

TEST(CodePage, EncodesUserTextAndReplacesWhatDoesNotFit)
{
    // Code page, UTF-8 text, the bytes.
    const std::vector<std::tuple<const char*, std::string, const char*>> cases{
        {"CP949", "ABC", "41 42 43"}, {"CP949", "한글", "C7 D1 B1 DB"},
        {"CP949", "똠방각하", "8C 63 B9 E6 B0 A2 C7 CF"},  // syllables outside KS X 1001 need CP949
        {"CP949", "A\xC3\xA9" "B", "41 3F 42"},            // é is not in CP949
        {"CP1252", "caf\xC3\xA9 \xE2\x82\xAC", "63 61 66 E9 20 80"}, {"CP1252", "한", "3F"},
        {"CP1252", "a\r\nb", "61 0D 0A 62"}, {"CP932", "\xE3\x81\x82", "82 A0"},  // あ
        {"CP1252", "\xFF" "A", "3F 41"},  // a byte that is not UTF-8
        {"CP1252", "\xC3" "A", "3F 41"},  // a cut sequence keeps the next character
        {"CP1252", "\xE2\x82", "3F"},     {"CP1252", std::string("\0\x7F", 2), "00 7F"},
    };
    for (const auto& [page, utf8, expected] : cases) {
        SCOPED_TRACE(page + (" " + utf8));
        EXPECT_EQ(hex(CodePage(page).encode(utf8)), expected);
    }
}
