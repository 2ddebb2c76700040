#include "support/Bench.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace printbench;
using shell::Control;
using testing::ElementsAre;
using testing::IsEmpty;

namespace {

struct FieldCase {
    Control field;
    std::string typed;
    std::vector<std::string> messages;  // in order
    std::string left;                   // the field's text afterwards
};

std::vector<std::string> messages(const printbench::testkit::Recorder& rec)
{
    return rec.only({"message "});
}

} // namespace

TEST(FieldChecks, RefuseBadCharactersWithTheirMessagesAndResets)
{
    const std::string onlyNumberBang = "message critical \"Only Number!\"";
    const std::string onlyNumber = "message critical \"Only Number\"";
    const std::string max1010 = "message critical \"Max 1010\"";
    const std::vector<FieldCase> cases{
        {Control::Text2, "12x", {onlyNumberBang}, "1"},
        {Control::Text2, "-3", {onlyNumberBang}, "1"},
        {Control::Text2, " 7", {onlyNumberBang}, "1"},
        {Control::Text2, "３", {onlyNumberBang}, "1"},  // a full-width digit is not a digit
        {Control::Text2, "0", {}, "0"},
        {Control::Text2, "", {}, ""},
        {Control::Text2, std::string(40, '9'), {}, std::string(40, '9')},
        {Control::Text5, "3.5", {onlyNumber}, "500"},
        {Control::Text5, "1e3", {onlyNumber}, "500"},
        {Control::Text5, "0", {}, "0"},
        {Control::Text5, "", {}, ""},
        {Control::Text10, "1011", {max1010}, "1010"},
        {Control::Text10, "1010", {}, "1010"},
        {Control::Text10, "760", {}, "760"},
        {Control::Text10, "0001010", {}, "0001010"},
        {Control::Text10, "a", {onlyNumberBang, max1010}, "1010"},
        {Control::Text10, "5a", {onlyNumberBang, max1010}, "1010"},
        {Control::Text10, "", {}, ""},
        // Compared on the text's value: 40 digits would wrap any integer.
        {Control::Text10, std::string(40, '9'), {max1010}, "1010"},
        {Control::Text10, "18446744073709551617", {max1010}, "1010"},
    };
    for (const auto& c : cases) {
        printbench::testkit::Bench b;
        b.type(c.field, c.typed);
        const std::string label = std::string(shell::controlName(c.field)) + " <- \"" + c.typed + "\"";
        EXPECT_EQ(messages(b.rec), c.messages) << label;
        EXPECT_EQ(b.rec.text(c.field), c.left) << label;
        EXPECT_THAT(b.rec.only({"serial ", "usb "}), IsEmpty()) << label;
    }
}

TEST(FieldChecks, ResetRunsTheChangeHandlerOnceMoreAndPasses)
{
    printbench::testkit::Bench b;
    b.type(Control::Text10, "a");
    // The reset value is set by code, runs the handler again, and passes: one message pair.
    EXPECT_THAT(b.rec.only({"Text10 =", "message "}),
                ElementsAre("Text10 = \"a\"", "message critical \"Only Number!\"", "message critical \"Max 1010\"",
                            "Text10 = \"1010\""));
    // The repeat count is not touched by a feed refusal.
    EXPECT_EQ(b.rec.text(Control::Text2), "1");
}

TEST(WholeNumber, EmptyCountsAsZeroAndHugeValuesSaturate)
{
    EXPECT_EQ(shell::wholeNumber("", 1000), 0u);
    EXPECT_EQ(shell::wholeNumber("0", 1000), 0u);
    EXPECT_EQ(shell::wholeNumber("760", 1010), 760u);
    EXPECT_EQ(shell::wholeNumber("1010", 1010), 1010u);
    EXPECT_EQ(shell::wholeNumber("1011", 1010), 1010u);
    EXPECT_EQ(shell::wholeNumber(std::string(40, '9'), 2147483647u), 2147483647u);
    EXPECT_EQ(shell::wholeNumber("18446744073709551615", UINT64_MAX), UINT64_MAX);
    EXPECT_EQ(shell::wholeNumber("18446744073709551616", UINT64_MAX), UINT64_MAX);
    EXPECT_EQ(shell::wholeNumber("0000000000000000000000000000042", 100), 42u);
}
