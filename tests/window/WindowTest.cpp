// The window layer's wiring: each handler reads the right fields, calls its subsystem and
// writes the right fields and messages back; start-up and the field checks.

#include "support/Benches.h"
#include "window/FieldChecks.h"
#include "window/Form3.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace printbench;
using testing::HasSubstr;
using window::Control;
using window::Form1;

namespace {

const std::string kRefuse = "message critical \"Please Select Port\"";
const std::string kUsbError = "message critical \"[Returned Data]:-1,USB포트를 열수 없습니다.\\r\\n"
                              "프린터 및 케이블을 확인하시고 다시 시도해 주십시오\"";

std::string items(const testkit::Recorder& rec, Control c)
{
    std::string out;
    for (int i = 0; i < rec.listCount(c); ++i) out += (i ? "," : "") + rec.listItem(c, i);
    return out;
}

} // namespace

TEST(Startup, FillsTheListsAndPresetsTheFieldsInOrderWithoutTouchingThePrinter)
{
    testkit::Recorder rec;
    const link::CodePage codePage("CP1252");
    testkit::TempDir ports;
    Form1 form(rec, rec, rec.serial, rec.usb, codePage, ports.path());
    form.Form_Load();
    for (const auto& [list, entries] : std::vector<std::pair<Control, std::string>>{
             {Control::Combo1, "1200,2400,4800,9600,19200,38400,57600,115200"},
             {Control::Combo2, "Port Select,COM1,COM2,COM3,COM4,COM5,COM6,COM7,COM8,COM9,COM10,COM11,USB"},
             {Control::Combo3, "-5,-4,-3,-2,-1,0,+1,+2,+3,+4,+5"},
             {Control::Combo4, "KL-310,KL-320,KL-330,KL-340,KL-350,KL-360,KR-410,KR-420,KR-430"},
             {Control::List1, "Print H,Text Output,Feed,Full Cut,Partial Cut,BlackMark(Forward),BlackMark Out(Forward),"
                              "BlackMark(Reverse),BlackMark Out(Reverse)"},
             {Control::List2, ""}})
        EXPECT_EQ(items(rec, list), entries) << window::controlName(list);
    EXPECT_EQ(rec.listIndex(Control::List1), -1);
    EXPECT_EQ(rec.only({"Combo1 index", "Combo2 index", "Combo3 index", "Combo4 index", "Text"}),
              "Combo1 index 4 | Combo2 index 0 | Combo3 index 5 | Combo4 index 0 | Text9 = \"0\" | "
              "Text1 = \"Please enter the text you want to output.\" | Text2 = \"1\" | Text4 = \"0\" | "
              "Text5 = \"500\" | Text6 = \"0\" | Text10 = \"100\"");  // Text7 keeps its design text
    EXPECT_EQ(form.state().PrintWidthDots, 432);  // although "KL-310" (448) is shown
    for (const auto& [index, width] : std::vector<std::pair<int, int>>{{0, 448}, {1, 640}, {2, 432}, {3, 640}, {4, 640}, {5, 894},
                                                                       {6, 432}, {7, 512}, {8, 512}, {1, 640}, {0, 448}}) {
        form.setListIndex(Control::Combo4, index);
        EXPECT_EQ(form.state().PrintWidthDots, width) << "model index " << index;
    }
    EXPECT_EQ(rec.wire(), "");  // nothing sent at start, nor for a model
}

TEST(FieldChecks, RefuseBadCharactersWithTheirMessagesAndResets)
{
    const std::string bang = "message critical \"Only Number!\"", plain = "message critical \"Only Number\"",
                      max = "message critical \"Max 1010\"";
    // Field, typed text, messages, the text left. A full-width digit is no digit; the feed is
    // compared on the text's value, which 40 digits would wrap in any integer.
    const std::vector<std::tuple<Control, std::string, std::string, std::string>> cases{
        {Control::Text2, "12x", bang, "1"},      {Control::Text2, " 7", bang, "1"},     {Control::Text2, "３", bang, "1"},
        {Control::Text2, "0", "", "0"},          {Control::Text2, "", "", ""},          {Control::Text5, "3.5", plain, "500"},
        {Control::Text2, std::string(40, '9'), "", std::string(40, '9')},               {Control::Text5, "", "", ""},
        {Control::Text10, "1011", max, "1010"},  {Control::Text10, "1010", "", "1010"}, {Control::Text10, "0001010", "", "0001010"},
        {Control::Text10, "a", bang + " | " + max, "1010"},                             {Control::Text10, "5a", bang + " | " + max, "1010"},
        {Control::Text10, "", "", ""},           {Control::Text10, std::string(40, '9'), max, "1010"},
        {Control::Text10, "18446744073709551617", max, "1010"},
    };
    for (const auto& [field, typed, messages, left] : cases) {
        testkit::Bench b;
        b.type(field, typed);
        const std::string label = std::string(window::controlName(field)) + " <- \"" + typed + "\"";
        EXPECT_EQ(b.rec.only({"message "}), messages) << label;
        EXPECT_EQ(b.rec.text(field), left) << label;
        EXPECT_EQ(b.rec.text(Control::Text2), field == Control::Text2 ? left : "1") << label;
    }
    // The reset is set by code, runs the handler again, and passes: one message pair.
    testkit::Bench b;
    b.type(Control::Text10, "a");
    EXPECT_EQ(b.rec.only({"Text10 =", "message "}), "Text10 = \"a\" | " + bang + " | " + max + " | Text10 = \"1010\"");
    // A field read as a number: empty is 0, leading digits count, a huge value is the largest.
    for (const auto& [text, max, value] : std::vector<std::tuple<std::string, std::uint64_t, std::uint64_t>>{
             {"", 1000, 0}, {"760", 1010, 760}, {"1011", 1010, 1010}, {std::string(40, '9'), 2147483647, 2147483647},
             {"18446744073709551615", UINT64_MAX, UINT64_MAX}, {"18446744073709551616", UINT64_MAX, UINT64_MAX},
             {"0000000000000000000000000000042", 100, 42}, {"12x", 100, 12}})
        EXPECT_EQ(window::wholeNumber(text, max), value) << text;
}

TEST(Buttons, RefuseOnPortSelectEvenWithACom2StillOpenAndEndClosesThePort)
{
    testkit::Bench b;
    b.choose(Control::Combo2, 2);
    b.choose(Control::Combo2, 0);
    b.rec.timeline.clear();
    bool bitmapWindowShown = false;
    b.form.setBitmapWindowOpener([&] { bitmapWindowShown = true; });
    for (auto handler : {&Form1::Command2_Click, &Form1::Command3_Click, &Form1::Command4_Click, &Form1::Command5_Click,
                         &Form1::Command8_Click, &Form1::Command9_Click, &Form1::Command10_Click, &Form1::Command11_Click})
        (b.form.*handler)();
    EXPECT_EQ(b.rec.wire(), kRefuse + " | " + kRefuse + " | " + kRefuse + " | " + kRefuse + " | " + kRefuse + " | " +
                                kRefuse + " | " + kRefuse + " | " + kRefuse);
    EXPECT_FALSE(bitmapWindowShown);
    b.choose(Control::Combo2, 2);
    b.form.Command3_Click();
    EXPECT_TRUE(bitmapWindowShown);
    b.rec.timeline.clear();
    b.form.Text1_DblClick();
    b.form.Command1_Click();
    EXPECT_EQ(b.rec.only({"Text1", "serial", "end"}), "Text1 = \"\" | serial close | end program");
    testkit::Bench closed;
    closed.form.Command1_Click();
    EXPECT_EQ(closed.rec.wire(), "end program");
}

TEST(PortAndSpeedLists, OpenReopenOrLeaveTheSerialPortAndConnectUsb)
{
    const std::vector<std::tuple<const char*, std::vector<std::pair<Control, int>>, std::pair<Control, int>, std::string>> scenarios{
        {"COM3 at 115200", {{Control::Combo1, 7}}, {Control::Combo2, 3}, "serial open COM3 115200,n,8,1 | serial text 1D 61 01"},
        {"COM4 after COM3", {{Control::Combo1, 7}, {Control::Combo2, 3}}, {Control::Combo2, 4},
         "serial close | serial open COM4 115200,n,8,1 | serial text 1D 61 01"},
        {"COM3 again", {{Control::Combo2, 3}}, {Control::Combo2, 3}, "serial close | serial open COM3 19200,n,8,1 | serial text 1D 61 01"},
        {"speed on COM5", {{Control::Combo2, 5}}, {Control::Combo1, 3}, "serial close | serial open COM5 9600,n,8,1 | serial text 1D 61 01"},
        {"speed on Port Select", {}, {Control::Combo1, 0}, ""},
        {"speed on USB", {{Control::Combo2, 12}}, {Control::Combo1, 2}, ""},
    };
    for (const auto& [what, before, choice, wire] : scenarios) {
        testkit::Bench b;
        b.rec.usb.statusResults = {0x12};
        for (const auto& [list, index] : before) b.choose(list, index);
        b.rec.timeline.clear();
        b.choose(choice.first, choice.second);
        EXPECT_EQ(b.rec.wire(), wire) << what;
    }

    testkit::Bench b;
    b.choose(Control::Combo2, 3);
    EXPECT_EQ(b.rec.serial.lastSettings->flowControl, link::SerialSettings::FlowControl::RtsCts);
    EXPECT_TRUE(b.rec.serial.lastSettings->requestToSend);
    EXPECT_EQ(b.rec.serial.lastDevice, "/dev/ttyS2");
    EXPECT_EQ(b.rec.serial.osWrites.size(), 1u);  // GS a 1 leaves at the handler's end
    b.rec.serial.openError = "Permission denied";
    b.choose(Control::Combo2, 4);
    EXPECT_EQ(b.rec.only({"message"}), "message critical \"COM4 could not be opened.\\r\\nDevice: /dev/ttyS3\\r\\nReason: Permission denied\"");
    EXPECT_EQ(b.form.state().StopRequested, 0);

    b.choose(Control::Combo4, 7);  // KR-420
    b.rec.usb.statusResults = {0x12};
    b.rec.timeline.clear();
    b.choose(Control::Combo2, 12);
    EXPECT_EQ(b.rec.only({"usb ", "message ", "Text6", "Combo1"}),
              "usb open KR-420 -> 0 | Combo1 disabled | message information \"KR-420 모델에 USB로 연결되었습니다.\" | "
              "usb status member 6 -> 18 | Text6 = \"\" | Text6 = \"Hex : 12\"");
    b.choose(Control::Combo2, 0);
    EXPECT_FALSE(b.rec.isEnabled(Control::Combo1));
    b.choose(Control::Combo2, 1);
    EXPECT_TRUE(b.rec.isEnabled(Control::Combo1));

    testkit::Bench f;
    f.rec.usb.openResult = -1;
    f.choose(Control::Combo2, 12);
    f.choose(Control::Combo2, 12);
    EXPECT_EQ(f.rec.wire(), "usb open KL-310 -> -1 | " + kUsbError + " | usb open KL-310 -> -1 | " + kUsbError);
    EXPECT_EQ(f.rec.text(Control::Text6), "0");
}

TEST(Status, ReadsRecoversAndResets)
{
    // "Old ver" reads member 5; a failed read shows the box and keeps the shown status.
    testkit::Bench b;
    b.usb();
    b.rec.tick(Control::Check2, true);
    b.form.Check2_Click();
    b.rec.usb.statusResults = {0x10, -1};
    b.form.Command5_Click();
    b.form.Command5_Click();
    EXPECT_EQ(b.rec.only({"usb", "Text6", "message"}),
              "usb status member 5 -> 16 | Text6 = \"\" | Text6 = \"Hex : 10\" | usb status member 5 -> -1 | " + kUsbError);
    EXPECT_EQ(b.form.state().StopRequested, 0);

    // A fault byte on the serial line shows, stops and recovers.
    testkit::Bench s;
    s.choose(Control::Combo3, 0);
    s.type(Control::Text2, "9");
    s.serial();
    s.rec.receive({22, 0, 0x30});
    s.rec.deliverReceive();
    EXPECT_EQ(s.rec.only({"Text", "serial", "sleep"}), "Text6 = \"\" | Text7 = \"\" | Text7 = \"3\" | Text6 = \"Hex : \" | "
                                                       "serial text 10 05 02 | sleep 300 | Text6 = \"Hex : 30\"");
    EXPECT_EQ(s.form.state().StopRequested, 1);  // only a run's start clears it

    // "Status Clear" recovers, then resets the fields.
    s.rec.timeline.clear();
    s.form.Command4_Click();
    EXPECT_EQ(s.rec.only({"serial", "sleep", "Combo3", "Text", "message"}),
              "serial text 10 05 02 | sleep 300 | serial text 1B 40 | serial text 1D 61 01 | Combo3 index 5 | "
              "Text2 = \"1\" | Text4 = \"0\" | Text5 = \"500\" | Text6 = \"0\"");
}

TEST(CommandLists, DoubleClicksAddAtTheEndAndRemoveTheTail)
{
    testkit::Bench b;
    for (const char* entry : {"Full Cut", "Feed", "Print H", "Feed", "Text Output"}) b.add(entry);
    EXPECT_EQ(items(b.rec, Control::List2) + " " + b.rec.text(Control::Text9), "Full Cut,Feed,Print H,Feed,Text Output 5");
    b.rec.setListIndex(Control::List2, 1);
    b.form.List2_DblClick();
    b.rec.setListIndex(Control::List2, -1);
    b.form.List2_DblClick();  // nothing selected: nothing removed
    EXPECT_EQ(items(b.rec, Control::List2) + " " + b.rec.text(Control::Text9), "Full Cut 5");  // rewritten on additions only
    for (int i = 0; i < 300; ++i) b.add("Feed");
    b.rec.setListIndex(Control::List2, 0);
    b.form.List2_DblClick();
    EXPECT_EQ(b.rec.listCount(Control::List2), 0);
}

TEST(Runs, ReadTheFieldsAsEachCommandRunsAndResetTheCountWhenComplete)
{
    testkit::Bench b;
    b.add("Text Output");
    b.add("Feed");
    b.type(Control::Text1, "A\r\nB");
    b.type(Control::Text2, "2");
    b.type(Control::Text5, "");  // an empty delay waits 0 ms
    b.type(Control::Text10, "300");
    b.choose(Control::Combo3, 0);
    b.serial();
    b.rec.atEventPass(2, [&] { b.type(Control::Text10, ""); });  // an empty feed is 0 dots
    b.form.Command2_Click();
    EXPECT_EQ(b.rec.only({"serial text 41", "serial bytes", "sleep"}),
              "serial bytes FB | serial text 41 0D 0A 42 0A | sleep 0 | serial bytes FF | serial bytes 2D | "
              "serial text 41 0D 0A 42 0A | sleep 0 | serial bytes 00 | sleep 0");
    EXPECT_EQ(b.rec.only({"Text4", "Text2", "List2 index"}),
              "Text4 = \"1\" | List2 index 0 | List2 index 1 | Text4 = \"2\" | List2 index 0 | List2 index 1 | Text2 = \"1\"");
    b.type(Control::Text2, "0");
    b.rec.atEventPass(4, [&] { b.form.Command6_Click(); });
    b.form.Command2_Click();
    EXPECT_EQ(b.rec.text(Control::Text2) + b.rec.text(Control::Text4), "02");  // stopped: both kept

    // The H diagram counts on USB; the test prints send the density list's step.
    testkit::Bench h;
    h.type(Control::Text2, "2");
    h.choose(Control::Combo4, 5);
    h.usb();
    h.form.Command8_Click();
    EXPECT_EQ(h.rec.only({"Text4"}), "Text4 = \"1\" | Text4 = \"2\"");
    testkit::Bench t;
    t.choose(Control::Combo3, 10);
    t.choose(Control::Combo4, 5);
    t.serial();
    t.form.Command11_Click();
    t.form.Command9_Click();
    t.form.Command10_Click();
    EXPECT_EQ(t.rec.only({"serial text 1D 28", "Text4"}),
              "serial text 1D 28 4B 02 00 31 | Text4 = \"1\" | serial text 1D 28 4B 02 00 31 | Text4 = \"1\" | Text4 = \"1\"");
    for (std::size_t at = 0; (at = t.rec.find("serial text 1D 28 4B 02 00 31", at)) < t.rec.timeline.size(); ++at)
        EXPECT_EQ(t.rec.timeline[at + 1], "serial bytes 05");

    // A link failure is reported once and ends the run; a message box is a flush point.
    testkit::Bench f;
    f.add("Full Cut");
    f.type(Control::Text2, "0");
    f.serial();
    f.rec.serial.flushError = "Input/output error";
    f.rec.atEventPass(5, [&] { f.form.Command6_Click(); });  // a run that missed the failure ends here
    f.form.Command2_Click();
    EXPECT_EQ(f.rec.count("message") * 10 + std::size_t(f.rec.eventPasses), 11u);
    EXPECT_EQ(f.form.state().StopRequested, 1);
    testkit::Bench m;
    m.serial();
    const link::PrinterLink::HandlerScope scope(m.form.link());
    m.form.link().SendSerialText("\x1B\x6D");
    m.form.MsgBox(window::Icon::None, "done");
    EXPECT_EQ(m.rec.serial.osWrites.size(), 2u);
}

TEST(BitmapWindow, NumberedSelectionTailRemovalCloseAndPrintOutcomes)
{
    testkit::Bench b;
    testkit::TempDir pictures, work;
    window::Form3 form3{b.form, b.rec, work.path()};
    b.rec.setText(Control::Dir1, pictures.path().string());
    form3.Form_Load();
    EXPECT_EQ(b.rec.text(Control::Label11), "위치: " + pictures.path().string());
    EXPECT_EQ(b.rec.text(Control::Label12), pictures.path().string());
    EXPECT_THAT(b.rec.text(Control::Label2), testing::StartsWith("If you double-click on that file"));
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp", "a.bmp", "e.bmp"}) form3.File1_DblClick(name);
    EXPECT_EQ(items(b.rec, Control::Form3List1), "1. a.bmp,2. b.bmp,3. c.bmp,4. a.bmp,5. e.bmp");
    EXPECT_EQ(items(b.rec, Control::Form3List2), "a.bmp,b.bmp,c.bmp,a.bmp,e.bmp");
    b.rec.setListIndex(Control::Form3List1, 1);
    form3.List1_DblClick();
    form3.File1_DblClick("z.bmp");
    EXPECT_EQ(items(b.rec, Control::Form3List1), "1. a.bmp,2. z.bmp");
    form3.Command2_Click();
    EXPECT_EQ(items(b.rec, Control::Form3List1) + items(b.rec, Control::Form3List2), "");

    b.rec.timeline.clear();
    form3.Command1_Click();
    testkit::writeFile(pictures.path() / "logo.bmp", testkit::monochromeBmp(8, 1, {{0x00}}));
    testkit::writeFile(pictures.path() / "white.bmp", testkit::monochromeBmp(8, 1, {{0x00}}, 0x00FFFFFF));
    form3.File1_DblClick("logo.bmp");
    form3.Command1_Click();  // no port: nothing sent, complete all the same
    form3.Command2_Click();
    form3.File1_DblClick("white.bmp");
    form3.File1_DblClick("logo.bmp");  // only the first is printed
    form3.Command1_Click();
    EXPECT_EQ(b.rec.wire(), "message warning \"선택된 파일이 없습니다.\" | message plain \"데이터 출력을 완료했습니다\" | "
                            "message warning \"컬러가 흑백이 아닙니다. 흑백으로 바꿔주십시오...\\r\\n파일명: white.bmp\"");
    form3.Command2_Click();
    form3.File1_DblClick("logo.bmp");
    b.serial();
    b.rec.serial.osWrites.clear();
    form3.Command1_Click();
    EXPECT_THAT(b.rec.wire(), testing::EndsWith("serial text 10 05 02 | message plain \"데이터 출력을 완료했습니다\""));
    EXPECT_EQ(b.rec.serial.osWrites.size(), 1u);  // one OS write for the whole print
    // Bytes that did not reach the printer are reported once; the print is not called complete.
    b.rec.timeline.clear();
    b.rec.serial.flushError = "Input/output error";
    form3.Command1_Click();
    EXPECT_THAT(b.rec.only({"message"}), testing::AllOf(HasSubstr("failed; the port has been closed"), testing::Not(HasSubstr(" | "))));
    std::filesystem::create_directory(work.path() / "zq_logo.tmp");
    b.rec.timeline.clear();
    form3.Command1_Click();
    EXPECT_THAT(b.rec.only({"message"}), testing::StartsWith("message critical \"The work file "));
}
