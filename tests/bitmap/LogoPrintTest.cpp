#include "bitmap/Form3.h"

#include "bitmap/BitmapTestFiles.h"
#include "support/Bench.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

using namespace printbench;
using shell::Control;
using testing::ElementsAre;
namespace fs = std::filesystem;

namespace {

// The main window's core, the bitmap window's core on the same recorder, a folder of bitmaps
// and a working folder for the work files.
struct LogoBench : testkit::Bench {
    testkit::TempDir pictures;
    testkit::TempDir work;
    bitmap::Form3 window{form, rec, work.path()};

    LogoBench()
    {
        rec.setText(Control::Dir1, pictures.path().string());
        window.Form_Load();
        rec.timeline.clear();
    }
    void save(const std::string& name, const std::vector<std::uint8_t>& bytes)
    {
        printbench::testkit::writeFile(pictures.path() / name, bytes);
    }
    std::vector<std::string> selection(Control list)
    {
        std::vector<std::string> out;
        for (int i = 0; i < rec.listCount(list); ++i) out.push_back(rec.listItem(list, i));
        return out;
    }
    bool workFilesLeft() const
    {
        return fs::exists(work.path() / "zq_logo.tmp") || fs::exists(work.path() / "zq_logo.ver");
    }
};

const auto kTenByThree = testkit::monochromeBmp(10, 3, {{0x0F, 0x3F}, {0xF0, 0x7F}, {0x55, 0xBF}});

const std::string kTenByThreeStream =
    "1B 33 18 1B 4C 1B 54 00 1B 57 00 00 00 00 AF 01 08 02 "  // set-up
    "1B 2A 21 10 00 "                                            // ESC * 33, n = 16
    "A0 00 00 80 00 00 A0 00 00 80 00 00 60 00 00 40 00 00 60 00 00 40 00 00 C0 00 00 A0 00 00 "
    "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 0A "  // columns 10 to 15 blank, LF
    "1B 0C 1B 53 1B 4A 7F 1B 69 10 05 02";                       // print, feed, cut, recover

} // namespace

TEST(BitmapWindow, NumberedSelectionTailRemovalAndClose)
{
    LogoBench b;
    EXPECT_EQ(b.rec.text(Control::Label12), b.pictures.path().string());
    EXPECT_EQ(b.rec.text(Control::Label11), "위치: " + b.pictures.path().string());
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp", "a.bmp", "e.bmp"}) b.window.File1_DblClick(name);
    EXPECT_THAT(b.selection(Control::Form3List1), ElementsAre("1. a.bmp", "2. b.bmp", "3. c.bmp", "4. a.bmp", "5. e.bmp"));
    EXPECT_THAT(b.selection(Control::Form3List2), ElementsAre("a.bmp", "b.bmp", "c.bmp", "a.bmp", "e.bmp"));

    b.rec.setListIndex(Control::Form3List1, 1);
    b.window.List1_DblClick();
    EXPECT_THAT(b.selection(Control::Form3List1), ElementsAre("1. a.bmp"));
    b.window.File1_DblClick("z.bmp");
    EXPECT_THAT(b.selection(Control::Form3List1), ElementsAre("1. a.bmp", "2. z.bmp"));

    b.window.Command2_Click();
    EXPECT_TRUE(b.selection(Control::Form3List1).empty());
    EXPECT_TRUE(b.selection(Control::Form3List2).empty());
}

TEST(LogoPrint, TenByThreeOverSerialIsTheWholeTransmission)
{
    LogoBench b;
    b.save("logo.bmp", kTenByThree);
    b.window.File1_DblClick("logo.bmp");
    b.window.File1_DblClick("other.bmp");  // only the first is printed
    b.serial();
    b.rec.serial.osWrites.clear();
    b.window.Command1_Click();
    EXPECT_EQ(b.rec.stream(), kTenByThreeStream);
    // The fixed commands as text, the parameters of ESC 3 and ESC W a byte each, a band at once.
    EXPECT_EQ(b.rec.only({"serial text"}).size(), 8u);
    EXPECT_EQ(b.rec.only({"serial bytes"}).size(), 12u);
    EXPECT_THAT(b.rec.only({"message"}), ElementsAre("message plain \"데이터 출력을 완료했습니다\""));
    EXPECT_FALSE(b.workFilesLeft());
    // One OS write for the whole print.
    EXPECT_EQ(b.rec.serial.osWrites.size(), 1u);
}

TEST(LogoPrint, UsbSendsTheSameBytesOneCallEach)
{
    LogoBench b;
    b.save("logo.bmp", kTenByThree);
    b.window.File1_DblClick("logo.bmp");
    b.usb();
    b.window.Command1_Click();
    EXPECT_EQ(b.rec.stream(), kTenByThreeStream);
    EXPECT_EQ(b.rec.only({"usb byte"}).size(), 84u);
}

TEST(LogoPrint, BandsForTallerImages)
{
    // height, bands (ESC * 33 headers), bytes of the last band's first column
    const std::vector<std::tuple<int, std::size_t, std::string>> table{
        {8, 1, "FF 00 00"}, {24, 1, "FF FF FF"}, {40, 2, "FF FF 00"},
    };
    for (const auto& [height, bands, lastColumn] : table) {
        LogoBench b;
        b.save("tall.bmp", testkit::monochromeBmp(8, height, std::vector<std::vector<std::uint8_t>>(height, {0x00})));
        b.window.File1_DblClick("tall.bmp");
        b.serial();
        b.window.Command1_Click();
        const std::string s = b.rec.stream();
        std::size_t headers = 0, at = 0, last = 0;
        while ((at = s.find("1B 2A 21 08 00", at)) != std::string::npos) last = at, ++headers, at += 3;
        EXPECT_EQ(headers, bands) << height;
        EXPECT_EQ(s.substr(last + 15, 8), lastColumn) << height;
    }
}

TEST(LogoPrint, RefusalsWarnWithTheFileNameAndLeaveNothing)
{
    auto bn = kTenByThree;
    bn[1] = 'N';
    auto negative = kTenByThree;
    negative[25] = 0xFF;
    const std::string w1 = "message warning \"비트맵 파일이 틀립니다...\\r\\n파일명: x.bmp";
    const std::vector<std::tuple<const char*, std::vector<std::uint8_t>, std::string>> cases{
        {"signature BN", bn, w1 + "\""},
        {"palette 0 0 0 1", testkit::monochromeBmp(10, 3, {{}, {}, {}}, 0x01000000),
         "message warning \"컬러가 흑백이 아닙니다. 흑백으로 바꿔주십시오...\\r\\n파일명: x.bmp\""},
        {"negative height", negative, w1 + "\\r\\nThe height is negative (a bitmap stored top row first).\""},
        {"30 bytes", std::vector<std::uint8_t>(kTenByThree.begin(), kTenByThree.begin() + 30),
         w1 + "\\r\\nThe file is shorter than the 62-byte header of a bitmap.\""},
    };
    for (const auto& [what, bytes, message] : cases) {
        LogoBench b;
        b.save("x.bmp", bytes);
        b.window.File1_DblClick("x.bmp");
        b.serial();
        b.window.Command1_Click();
        EXPECT_THAT(b.rec.wire(), ElementsAre(message)) << what;
        EXPECT_FALSE(b.workFilesLeft()) << what;
    }
    LogoBench missing;
    missing.window.File1_DblClick("x.bmp");
    missing.window.Command1_Click();
    EXPECT_THAT(missing.rec.wire(), ElementsAre(w1 + "\""));

    LogoBench empty;
    empty.window.Command1_Click();
    EXPECT_THAT(empty.rec.wire(), ElementsAre("message warning \"선택된 파일이 없습니다.\""));
}

TEST(LogoPrint, WithoutAPortTheWorkFilesComeAndGoAndTheCompletionShows)
{
    LogoBench b;
    b.save("logo.bmp", kTenByThree);
    b.window.File1_DblClick("logo.bmp");
    b.window.Command1_Click();
    EXPECT_THAT(b.rec.wire(), ElementsAre("message plain \"데이터 출력을 완료했습니다\""));
    EXPECT_FALSE(b.workFilesLeft());
}

TEST(LogoPrint, WorkFilesAreNeverWrittenThroughALinkAndLeftOversAreReplaced)
{
    LogoBench b;
    b.save("logo.bmp", kTenByThree);
    b.window.File1_DblClick("logo.bmp");
    b.serial();
    std::ofstream(b.work.path() / "zq_logo.tmp") << "left over from an interrupted print";
    const fs::path target = b.work.path() / "precious.txt";
    std::ofstream(target) << "keep";
    fs::create_symlink(target, b.work.path() / "zq_logo.ver");

    b.window.Command1_Click();
    const auto messages = b.rec.only({"message"});
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_THAT(messages[0], testing::HasSubstr("zq_logo.ver could not be written, so nothing was printed."));
    EXPECT_TRUE(b.rec.only({"serial"}).empty());
    EXPECT_FALSE(fs::exists(b.work.path() / "zq_logo.tmp"));
    EXPECT_TRUE(fs::is_symlink(b.work.path() / "zq_logo.ver"));
    std::string kept;
    std::ifstream(target) >> kept;
    EXPECT_EQ(kept, "keep");
}

TEST(LogoPrint, ALinkFailureIsReportedAndNotCalledComplete)
{
    LogoBench b;
    b.save("logo.bmp", kTenByThree);
    b.window.File1_DblClick("logo.bmp");
    b.serial();
    b.rec.serial.flushError = "Input/output error";
    b.window.Command1_Click();
    const auto messages = b.rec.only({"message"});
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_THAT(messages[0], testing::HasSubstr("failed; the port has been closed"));
    EXPECT_FALSE(b.workFilesLeft());
}
