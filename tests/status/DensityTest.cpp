#include "support/Bench.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace printbench;
using shell::Control;
using testing::ElementsAre;
using testing::IsEmpty;

namespace {

// Index of the density list, its entry, and the density byte m.
struct DensityRow {
    int index;
    const char* entry;
    const char* m;
};

const std::vector<DensityRow> kDensityTable{
    {0, "-5", "FB"}, {1, "-4", "FC"}, {2, "-3", "FD"}, {3, "-2", "FE"}, {4, "-1", "FF"}, {5, "0", "00"},
    {6, "+1", "01"}, {7, "+2", "02"}, {8, "+3", "03"}, {9, "+4", "04"}, {10, "+5", "05"},
};

} // namespace

TEST(Density, SerialSendsSixBytesAsTextThenTheDensityByteAlone)
{
    for (const auto& row : kDensityTable) {
        printbench::testkit::Bench b;
        b.choose(Control::Combo2, 3);
        b.form.setListIndex(Control::Combo3, row.index);
        EXPECT_EQ(b.rec.listText(Control::Combo3), row.entry);
        b.rec.timeline.clear();
        b.form.Density();
        EXPECT_THAT(b.rec.wire(), ElementsAre("serial text 1D 28 4B 02 00 31", std::string("serial bytes ") + row.m))
            << row.entry;
    }
}

TEST(Density, UsbSendsSevenSingleBytes)
{
    for (const auto& row : kDensityTable) {
        printbench::testkit::Bench b;
        b.rec.usb.statusResults = {0x12};
        b.choose(Control::Combo2, 12);
        b.form.setListIndex(Control::Combo3, row.index);
        b.rec.timeline.clear();
        b.form.Density();
        EXPECT_THAT(b.rec.wire(), ElementsAre("usb byte 1D", "usb byte 28", "usb byte 4B", "usb byte 02", "usb byte 00",
                                              "usb byte 31", std::string("usb byte ") + row.m))
            << row.entry;
    }
}

TEST(Density, NothingWithoutAPortAndNoMessage)
{
    printbench::testkit::Bench b;
    b.form.Density();
    EXPECT_THAT(b.rec.wire(), IsEmpty());
}
