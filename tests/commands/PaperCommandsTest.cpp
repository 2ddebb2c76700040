#include "support/Bench.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace printbench;
using shell::Control;
using shell::Form1;
using testing::ElementsAre;
using testing::IsEmpty;

namespace {

struct PaperRow {
    const char* entry;
    void (Form1::*procedure)();
    const char* serial;  // the command's bytes as one text write
    std::vector<const char*> usb;
};

const std::vector<PaperRow> kPaperCommands{
    {"Full Cut", &Form1::SendFullCut, "1B 69", {"1B", "69"}},
    {"Partial Cut", &Form1::SendPartialCut, "1B 6D", {"1B", "6D"}},
    {"BlackMark(Forward)", &Form1::SendBlackMarkForward, "1A 62 01", {"1A", "62", "31"}},
    {"BlackMark Out(Forward)", &Form1::SendBlackMarkOutForward, "1A 62 00", {"1A", "62", "00"}},
    {"BlackMark(Reverse)", &Form1::SendBlackMarkReverse, "1A 62 03", {"1A", "62", "33"}},
    {"BlackMark Out(Reverse)", &Form1::SendBlackMarkOutReverse, "1A 62 02", {"1A", "62", "32"}},
};

} // namespace

TEST(PaperCommands, SerialSendsTheCommandAndAStatusRequestAroundTheDelay)
{
    for (const auto& row : kPaperCommands) {
        printbench::testkit::Bench b;
        b.serial();
        (b.form.*row.procedure)();
        EXPECT_THAT(b.rec.wire(), ElementsAre(std::string("serial text ") + row.serial, "serial text 10 04 02",
                                              "sleep 500", "serial text 10 04 02"))
            << row.entry;
    }
}

TEST(PaperCommands, UsbSendsEachByteAndReadsTheStatusAroundTheDelay)
{
    for (const auto& row : kPaperCommands) {
        printbench::testkit::Bench b;
        b.usb();
        b.type(Control::Text5, "0");
        (b.form.*row.procedure)();
        std::vector<std::string> expected;
        for (const char* byte : row.usb) expected.push_back(std::string("usb byte ") + byte);
        for (const char* line : {"usb status member 6 -> 18", "sleep 0", "usb status member 6 -> 18"})
            expected.push_back(line);
        EXPECT_EQ(b.rec.wire(), expected) << row.entry;
    }
}

TEST(PaperCommands, NothingWithoutARoute)
{
    printbench::testkit::Bench b;
    for (const auto& row : kPaperCommands) (b.form.*row.procedure)();
    b.form.SendFeed();
    EXPECT_THAT(b.rec.wire(), IsEmpty());
}

TEST(Feed, WorkedAmountsOnBothRoutes)
{
    struct Row {
        const char* amount;
        std::vector<std::string> serial;
        const char* usb;  // every byte one call
    };
    const std::vector<Row> rows{
        {"0", {"serial text 1B 4A", "serial bytes 00", "sleep 500"}, "1B 4A 00"},
        {"100", {"serial text 1B 4A", "serial bytes 64", "sleep 500"}, "1B 4A 64"},
        {"255", {"serial text 1B 4A", "serial bytes FF", "sleep 500"}, "1B 4A FF"},
        {"256", {"serial text 1B 4A", "serial bytes FF", "serial text 1B 4A", "serial bytes 01"}, "1B 4A FF 1B 4A 01"},
        {"510",
         {"serial text 1B 4A", "serial bytes FF", "serial text 1B 4A", "serial bytes FF"},
         "1B 4A FF 1B 4A FF"},
        {"760",
         {"serial text 1B 4A", "serial bytes FF", "serial text 1B 4A", "serial bytes FF", "serial text 1B 4A",
          "serial bytes FA"},
         "1B 4A FF 1B 4A FF 1B 4A FA"},
        {"1010",
         {"serial text 1B 4A", "serial bytes FF", "serial text 1B 4A", "serial bytes FF", "serial text 1B 4A",
          "serial bytes FF", "serial text 1B 4A", "serial bytes F5"},
         "1B 4A FF 1B 4A FF 1B 4A FF 1B 4A F5"},
        {"", {"serial text 1B 4A", "serial bytes 00", "sleep 500"}, "1B 4A 00"},
    };
    for (const auto& row : rows) {
        printbench::testkit::Bench b;
        b.type(Control::Text10, row.amount);
        b.serial();
        b.form.SendFeed();
        EXPECT_EQ(b.rec.wire(), row.serial) << row.amount;

        printbench::testkit::Bench u;
        u.type(Control::Text10, row.amount);
        u.usb();
        u.form.SendFeed();
        std::string bytes;
        for (const auto& line : u.rec.only({"usb byte "})) bytes += (bytes.empty() ? "" : " ") + line.substr(9);
        EXPECT_EQ(bytes, row.usb) << row.amount;
        EXPECT_THAT(u.rec.only({"usb status"}), IsEmpty()) << row.amount;
        // The USB route waits exactly when the serial route does.
        EXPECT_EQ(u.rec.only({"sleep"}), b.rec.only({"sleep"})) << row.amount;
    }
}
