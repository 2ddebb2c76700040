#include "link/StatusText.h"
#include "link/SerialSettings.h"

#include <gtest/gtest.h>

using namespace printbench::link;

TEST(StatusDisplayText, ZeroPrefixBelowSixteenAndUpperCaseHex)
{
    const std::vector<std::pair<std::int32_t, std::string>> table{
        {0, "Hex : 00"},  {5, "Hex : 05"},   {15, "Hex : 0F"},         {16, "Hex : 10"},
        {18, "Hex : 12"}, {171, "Hex : AB"}, {255, "Hex : FF"},        {256, "Hex : 100"},
        {-2, "Hex : 0FFFFFFFE"},             {-16, "Hex : 0FFFFFFF0"}, {INT32_MIN, "Hex : 080000000"},
    };
    for (const auto& [value, text] : table) EXPECT_EQ(statusDisplayText(value), text) << value;
}

TEST(LineSettings, BuiltFromTheSpeedAndParsedBack)
{
    EXPECT_EQ(lineSettingsString("19200"), "19200,n,8,1");
    EXPECT_EQ(lineSettingsString("115200"), "115200,n,8,1");

    const auto s = parseLineSettings("115200,n,8,1");
    ASSERT_TRUE(s);
    EXPECT_EQ(s->baud, 115200);
    EXPECT_EQ(s->parity, 'n');
    EXPECT_EQ(s->dataBits, 8);
    EXPECT_EQ(s->stopBits, 1);

    EXPECT_EQ(parseLineSettings("9600,E,7,2")->parity, 'e');
    for (const char* bad : {"", "19200", "19200,n,8", "x,n,8,1", "19200,q,8,1", "19200,n,9,1", "19200,n,8,3",
                            "-5,n,8,1", "19200,n,8,1,1"})
        EXPECT_FALSE(parseLineSettings(bad)) << bad;
}
