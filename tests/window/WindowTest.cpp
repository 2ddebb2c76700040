// The window's handlers: the fields they read, the subsystems they call, what they write back.

#include "support/Benches.h"
#include "window/FieldChecks.h"
#include "window/Form3.h"

#include <gtest/gtest.h>

using namespace printbench;
using window::Control;
using enum window::Control;
using window::Form1;
using testkit::Lines;

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
    testkit::Rig g;  // for its recorder, code page and port folder
    Form1 form(g.rec, g.rec, g.rec.serial, g.rec.usb, g.codePage, g.ports.path());
    form.Form_Load();
    for (const auto& [list, entries] : std::vector<std::pair<Control, std::string>>{
             {Combo1, "1200,2400,4800,9600,19200,38400,57600,115200"}, {Combo3, "-5,-4,-3,-2,-1,0,+1,+2,+3,+4,+5"},
             {Combo2, "Port Select,COM1,COM2,COM3,COM4,COM5,COM6,COM7,COM8,COM9,COM10,COM11,USB"}, {List2, ""},
             {Combo4, "KL-310,KL-320,KL-330,KL-340,KL-350,KL-360,KR-410,KR-420,KR-430"},
             {List1, "Print H,Text Output,Feed,Full Cut,Partial Cut,BlackMark(Forward),BlackMark Out(Forward),"
                     "BlackMark(Reverse),BlackMark Out(Reverse)"}}) {
        SCOPED_TRACE(window::controlName(list));
        EXPECT_EQ(items(g.rec, list), entries);
    }
    EXPECT_EQ(g.rec.lines({"Combo1 index", "Combo2 index", "Combo3 index", "Combo4 index", "List1 index", "Text"}),
              (Lines{"Combo1 index 4", "Combo2 index 0", "Combo3 index 5", "Combo4 index 0", "Text9 = \"0\"",
                    "Text1 = \"Please enter the text you want to output.\"", "Text2 = \"1\"", "Text4 = \"0\"", "Text5 = \"500\"",
                    "Text6 = \"0\"", "Text10 = \"100\""}));  // Text7 keeps its design text
    // 432 although "KL-310" (448) is shown; then each model's own.
    std::string widths = std::to_string(form.state().PrintWidthDots);
    for (const int model : {0, 1, 2, 3, 4, 5, 6, 7, 8, 1, 0}) {
        form.setListIndex(Combo4, model);
        widths += " " + std::to_string(form.state().PrintWidthDots);
    }
    EXPECT_EQ(widths, "432 448 640 432 640 640 894 432 512 512 640 448");
    EXPECT_EQ(g.rec.wire(), "");  // nothing sent at start, nor for a model
}

TEST(FieldChecks, RefuseBadCharactersWithTheirMessagesAndResets)
{
    const std::string bang = "message critical \"Only Number!\"", plain = "message critical \"Only Number\"",
                      max = "message critical \"Max 1010\"";
    // Field, typed text, messages, the text left; the feed is compared on the value of any length.
    for (const auto& [field, typed, messages, left] : std::vector<std::tuple<Control, std::string, std::string, std::string>>{
             {Text2, "12x", bang, "1"}, {Text2, " 7", bang, "1"}, {Text2, "３", bang, "1"}, {Text2, "0", "", "0"},
             {Text2, "", "", ""}, {Text2, std::string(40, '9'), "", std::string(40, '9')}, {Text5, "3.5", plain, "500"},
             {Text5, "", "", ""}, {Text10, "1011", max, "1010"}, {Text10, "1010", "", "1010"}, {Text10, "0001010", "", "0001010"},
             {Text10, "", "", ""}, {Text10, "a", bang + " | " + max, "1010"}, {Text10, "5a", bang + " | " + max, "1010"},
             {Text10, std::string(40, '9'), max, "1010"}, {Text10, "18446744073709551617", max, "1010"}}) {
        SCOPED_TRACE(std::string(window::controlName(field)) + " <- \"" + typed + "\"");
        testkit::Bench b;
        b.type(field, typed);
        EXPECT_EQ(b.rec.only({"message "}) + " -> " + b.rec.text(field) + ", Text2 " + b.rec.text(Text2),
                  messages + " -> " + left + ", Text2 " + (field == Text2 ? left : "1"));
    }
    testkit::Bench b;
    b.type(Text10, "a");  // the reset is set by code, runs the handler again, and passes: one message pair
    EXPECT_EQ(b.rec.lines({"Text10 =", "message "}), (Lines{"Text10 = \"a\"", bang, max, "Text10 = \"1010\""}));
    // A field read as a number: empty is 0, leading digits count, a huge value is the largest.
    for (const auto& [text, max, value] : std::vector<std::tuple<std::string, std::uint64_t, std::uint64_t>>{
             {"", 1000, 0}, {"760", 1010, 760}, {"1011", 1010, 1010}, {"12x", 100, 12}, {"0000000000000000000042", 100, 42},
             {std::string(40, '9'), 2147483647, 2147483647}, {"18446744073709551615", UINT64_MAX, UINT64_MAX},
             {"18446744073709551616", UINT64_MAX, UINT64_MAX}}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(window::wholeNumber(text, max), value);
    }
}

TEST(Buttons, RefuseOnPortSelectEvenWithACom2StillOpenAndEndClosesThePort)
{
    testkit::Bench b;
    b.choose(Combo2, 2);
    b.choose(Combo2, 0);
    for (auto handler : {&Form1::Command2_Click, &Form1::Command3_Click, &Form1::Command4_Click, &Form1::Command5_Click,
                         &Form1::Command8_Click, &Form1::Command9_Click, &Form1::Command10_Click, &Form1::Command11_Click})
        (b.form.*handler)();
    b.choose(Combo2, 2);
    b.form.Command1_Click();
    Lines expected{"serial open COM2 19200,n,8,1", "serial text 1D 61 01"};
    expected.insert(expected.end(), 8, kRefuse);
    expected.insert(expected.end(), {"serial close", "serial open COM2 19200,n,8,1", "serial text 1D 61 01", "serial close", "end program"});
    EXPECT_EQ(b.rec.lines({"serial", "message", "end"}), expected);
}

// Test pages: nothing without a port; a page with one refused code sends nothing and says why;
// a page printed leaves the form's fields as they were and is kept for Check a scanned page….
TEST(TestPages, ARefusedCodeSendsNothingAndAPrintedPageIsKeptForTheScanCheck)
{
    testkit::Bench b;
    const codes::QrRequest qr{"https://example.com", {codes::QrModel::Model2, 6, codes::QrLevel::M}};
    b.form.PrintCodes(run::Action::Qr, {qr});
    b.choose(Combo2, 2);
    b.form.PrintCodes(run::Action::Barcodes, {qr, codes::BarcodeRequest{codes::Symbology::Ean13, "490123456789X", {}}});
    EXPECT_EQ(b.rec.lines({"serial", "message"}),
              (Lines{kRefuse, "serial open COM2 19200,n,8,1", "serial text 1D 61 01",
                     "message warning \"Nothing was sent.\\r\\nEAN-13: \\\"490123456789X\\\" has \\\"X\\\" at position 13; "
                     "EAN-13 takes digits only\""}));
    EXPECT_TRUE(b.form.lastCodesSent().empty());
    b.form.PrintCodes(run::Action::Qr, {qr});
    ASSERT_EQ(b.form.lastCodesSent().size(), 1u);
    EXPECT_EQ(b.form.lastCodesSent()[0].data, std::vector<std::uint8_t>(qr.text.begin(), qr.text.end()));
    EXPECT_EQ(b.rec.text(Text4), "0");  // "Repeated" is the form's runs'
}

TEST(PortAndSpeedLists, OpenReopenOrLeaveTheSerialPortAndConnectUsb)
{
    const std::string on = "Combo1 enabled | ", reopen = "serial close | serial open ", gs = " | serial text 1D 61 01",
                      com4Failed = "serial open COM4 failed | message critical \"COM4 could not be opened.\\r\\n"
                                   "Device: /dev/ttyS3\\r\\nReason: Permission denied\"";
    // A name, the lists chosen first, the choice then made (every open failing or not) and what it does; "Port Select" changes nothing.
    using Choice = std::pair<Control, int>;
    for (const auto& [name, before, choice, fails, seen] : std::vector<std::tuple<const char*, std::vector<Choice>, Choice, bool, std::string>>{
             {"COM3 to COM4", {{Combo1, 7}, {Combo2, 3}}, {Combo2, 4}, false, on + reopen + "COM4 115200,n,8,1" + gs},
             {"COM3 again", {{Combo2, 3}}, {Combo2, 3}, false, on + reopen + "COM3 19200,n,8,1" + gs},
             {"9600 on COM5", {{Combo2, 5}}, {Combo1, 3}, false, reopen + "COM5 9600,n,8,1" + gs},
             {"COM3 to COM4 failing", {{Combo2, 3}}, {Combo2, 4}, true, on + "serial close | " + com4Failed},
             {"9600 on COM4 failing", {{Combo2, 4}}, {Combo1, 3}, true, "serial close | " + com4Failed},
             {"a speed, no port", {}, {Combo1, 0}, false, ""}, {"a speed on USB", {{Combo2, 12}}, {Combo1, 2}, false, ""},
             {"COM3 to Port Select", {{Combo2, 3}}, {Combo2, 0}, false, ""}, {"USB to Port Select", {{Combo2, 12}}, {Combo2, 0}, false, ""},
             {"COM1 after USB", {{Combo1, 7}, {Combo2, 12}, {Combo2, 0}}, {Combo2, 1}, false, on + "serial open COM1 115200,n,8,1" + gs},
             {"USB on KR-420", {{Combo4, 7}}, {Combo2, 12}, false,
              "usb open KR-420 -> 0 | Combo1 disabled | message information \"KR-420 모델에 USB로 연결되었습니다.\" | "
              "usb status member 6 -> 18 | Text6 = \"\" | Text6 = \"Hex : 12\""},
             {"USB failing", {{Combo2, 12}}, {Combo2, 12}, true, "usb open KL-310 -> -1 | Combo1 disabled | " + kUsbError}}) {
        SCOPED_TRACE(name);
        testkit::Bench b;
        b.rec.usb.statusResults = {0x12};
        for (const auto& [list, index] : before) b.choose(list, index);
        b.rec.timeline.clear();
        b.rec.usb.openResult = fails ? -1 : 0;
        if (fails) b.rec.serial.openError = "Permission denied";
        b.choose(choice.first, choice.second);
        const std::string stopped = b.form.state().StopRequested ? " | stopped" : "";
        EXPECT_EQ(b.rec.only({"serial", "usb", "message", "Text6", "Combo1 en", "Combo1 dis"}) + stopped, seen);
    }
    // The settings as typed, on the host's device; GS a 1 leaves in one write, and a message box flushes.
    testkit::Bench b;
    b.choose(Combo2, 3);
    const link::SerialSettings& typed = *b.rec.serial.lastSettings;
    EXPECT_TRUE(typed.flowControl == link::SerialSettings::FlowControl::RtsCts && typed.requestToSend);
    const link::PrinterLink::HandlerScope scope(b.form.link());
    b.form.link().SendSerialText("\x1B\x6D");
    b.form.MsgBox(window::Icon::None, window::forms::LogoSent);
    EXPECT_EQ(b.rec.serial.lastDevice + ", writes " + std::to_string(b.rec.serial.osWrites.size()), "/dev/ttyS2, writes 2");
}

TEST(Status, ReadsRecoversAndResets)
{
    // A read shows the status; a failed read shows the box and keeps the shown status.
    testkit::Bench b;
    b.usb();
    b.rec.usb.statusResults = {0x10, -1};
    for (int i = 0; i < 2; ++i) b.form.Command5_Click();
    EXPECT_EQ(b.rec.lines({"usb", "Text6", "message"}),
              (Lines{"usb status member 6 -> 16", "Text6 = \"\"", "Text6 = \"Hex : 10\"", "usb status member 6 -> -1", kUsbError}));
    EXPECT_FALSE(b.form.state().StopRequested);

    // A fault byte shows, stops and recovers; "Status Clear" recovers and resets, but keeps the stop.
    testkit::Bench s;
    s.serial();
    s.rec.receive({22, 0, 0x30});
    s.rec.deliverReceive();
    s.form.Command4_Click();
    EXPECT_EQ(s.rec.lines({"Text", "serial", "sleep", "Combo3", "message"}),
              (Lines{"Text6 = \"\"", "Text7 = \"\"", "Text7 = \"3\"", "Text6 = \"Hex : \"", "serial text 10 05 02", "sleep 300",
                    "Text6 = \"Hex : 30\"", "serial text 10 05 02", "sleep 300", "serial text 1B 40", "serial text 1D 61 01",
                    "Combo3 index 5", "Text2 = \"1\"", "Text4 = \"0\"", "Text5 = \"500\"", "Text6 = \"0\""}));
    EXPECT_TRUE(s.form.state().StopRequested);
}

TEST(CommandLists, DoubleClicksEditTheListAndRunsReadTheFieldsAsEachCommandRuns)
{
    testkit::Bench b;
    for (const char* entry : {"Full Cut", "Feed", "Print H", "Feed", "Text Output"}) b.add(entry);
    EXPECT_EQ(items(b.rec, List2) + " " + b.rec.text(Text9), "Full Cut,Feed,Print H,Feed,Text Output 5");
    b.rec.setListIndex(List2, 1);
    b.form.List2_DblClick();
    b.rec.setListIndex(List2, -1);
    b.form.List2_DblClick();  // nothing selected: nothing removed
    EXPECT_EQ(items(b.rec, List2) + " " + b.rec.text(Text9), "Full Cut 5");  // rewritten on additions only
    for (int i = 0; i < 300; ++i) b.add("Feed");
    b.rec.setListIndex(List2, 0);
    b.form.List2_DblClick();
    EXPECT_EQ(b.rec.listCount(List2), 0);

    // A run reads the fields as each command runs: an empty delay waits 0 ms, an empty feed is 0 dots.
    for (const char* entry : {"Text Output", "Feed"}) b.add(entry);
    for (const auto& [field, text] : std::vector<std::pair<Control, std::string>>{
             {Text1, "A\r\nB"}, {Text2, "2"}, {Text5, ""}, {Text10, "300"}})
        b.type(field, text);
    b.choose(Combo3, 0);
    b.serial();
    b.rec.atEventPass(2, [&] { b.type(Text10, ""); });
    b.form.Command2_Click();
    EXPECT_EQ(b.rec.lines({"serial text 41", "serial bytes", "sleep", "Text4", "Text2", "List2 index"}),
              (Lines{"serial bytes FB", "Text4 = \"1\"", "List2 index 0", "serial text 41 0D 0A 42 0A", "sleep 0", "List2 index 1",
                    "serial bytes FF", "serial bytes 2D", "Text4 = \"2\"", "List2 index 0", "serial text 41 0D 0A 42 0A", "sleep 0",
                    "List2 index 1", "serial bytes 00", "sleep 0", "Text2 = \"1\""}));
    b.type(Text2, "0");
    b.rec.atEventPass(4, [&] { b.form.Command6_Click(); });
    b.form.Command2_Click();
    EXPECT_EQ(b.rec.text(Text2) + b.rec.text(Text4), "02");  // stopped: both kept

    // The H diagram counts on USB; the tile and the test pattern send the density list's step.
    b.type(Text2, "2");
    b.choose(Combo3, 10);
    b.usb();
    b.form.Command8_Click();
    EXPECT_EQ(b.rec.lines({"Text4"}), (Lines{"Text4 = \"1\"", "Text4 = \"2\""}));
    b.serial();
    b.form.Command11_Click();
    const std::size_t second = b.rec.timeline.size();
    b.form.Command9_Click();
    const auto firstTwoWrites = [&](std::size_t i) {
        while (b.rec.timeline[i].rfind("serial", 0) != 0) ++i;
        return b.rec.stream(i, i + 2);
    };
    EXPECT_EQ(firstTwoWrites(0) + " / " + firstTwoWrites(second), "1D 28 4B 02 00 31 05 / 1D 28 4B 02 00 31 05");
    // A link failure is reported once and ends the run (asked for 2 passes).
    const int passes = b.rec.eventPasses;
    b.rec.serial.flushError = "Input/output error";
    b.form.Command2_Click();
    EXPECT_EQ(std::to_string(b.rec.count("message")) + " message, " + std::to_string(b.rec.eventPasses - passes) +
                  " pass, stop " + std::to_string(b.form.state().StopRequested),
              "1 message, 1 pass, stop 1");
}

TEST(BitmapWindow, NumberedSelectionTailRemovalCloseAndPrintOutcomes)
{
    testkit::Bench b;
    testkit::TempDir pictures, work;
    window::Form3 form3{b.form, b.rec, work.path()};
    b.rec.setText(Dir1, pictures.path().string());  // the labels follow it, as the Qt window shows
    form3.Form_Load();
    EXPECT_EQ(b.rec.text(Label2).substr(0, 32), "If you double-click on that file");
    const auto lists = [&] { return items(b.rec, Form3List1) + " / " + items(b.rec, Form3List2); };
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp", "a.bmp", "e.bmp"}) form3.File1_DblClick(name);
    EXPECT_EQ(lists(), "1. a.bmp,2. b.bmp,3. c.bmp,4. a.bmp,5. e.bmp / a.bmp,b.bmp,c.bmp,a.bmp,e.bmp");
    b.rec.setListIndex(Form3List1, 1);
    form3.List1_DblClick();
    form3.File1_DblClick("z.bmp");
    EXPECT_EQ(lists(), "1. a.bmp,2. z.bmp / a.bmp,z.bmp");
    form3.Command2_Click();  // empties the selection: nothing to print
    form3.Command1_Click();
    testkit::writeFile(pictures.path() / "logo.bmp", testkit::monochromeBmp(8, 1, {{0x00}}));
    testkit::writeFile(pictures.path() / "white.bmp", testkit::monochromeBmp(8, 1, {{0x00}}, 0x00FFFFFF));
    for (const char* name : {"white.bmp", "logo.bmp"}) form3.File1_DblClick(name);  // only the first is printed
    form3.Command1_Click();
    b.rec.setListIndex(Form3List1, 0);
    form3.List1_DblClick();
    form3.File1_DblClick("logo.bmp");
    form3.Command1_Click();  // no port: nothing sent, complete all the same
    b.choose(Combo2, 3);
    form3.Command1_Click();
    EXPECT_EQ(b.rec.serial.osWrites.size(), 2u);  // GS a 1, then the whole print in one OS write
    b.rec.serial.flushError = "Input/output error";
    form3.Command1_Click();  // reported once; not complete
    std::filesystem::create_directory(work.path() / "zq_logo.tmp");
    form3.Command1_Click();
    const std::string done = "message plain \"데이터 출력을 완료했습니다\"", seen = b.rec.only({"message", "serial text 10 05"});
    EXPECT_EQ(seen.substr(0, seen.find(" could not be written")),
              "message warning \"선택된 파일이 없습니다.\" | message warning \"컬러가 흑백이 아닙니다. 흑백으로 바꿔주십시오..."
              "\\r\\n파일명: white.bmp\" | " + done + " | serial text 10 05 02 | " + done + " | serial text 10 05 02 | "
              "message critical \"Sending to COM3 (/dev/ttyS2) failed; the port has been closed.\\r\\n"
              "Reason: Input/output error\" | message critical \"The work file " + (work.path() / "zq_logo.tmp").string());
}
