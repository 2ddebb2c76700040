#include "support/Bench.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace printbench;
using shell::Control;
using testing::ElementsAre;

constexpr int kUsb = 12;

namespace {

const std::string kUsbError = "message critical \"[Returned Data]:-1,USB포트를 열수 없습니다.\\r\\n"
                              "프린터 및 케이블을 확인하시고 다시 시도해 주십시오\"";

} // namespace

TEST(PortAndSpeedLists, OpenReopenOrLeaveTheSerialPort)
{
    struct Scenario {
        const char* what;
        std::vector<std::pair<Control, int>> before;  // choices whose lines are not checked
        std::vector<std::pair<Control, int>> choices;
        std::vector<std::string> wire;
    };
    const std::vector<Scenario> scenarios{
        {"COM3 at 115200", {{Control::Combo1, 7}}, {{Control::Combo2, 3}},
         {"serial open COM3 115200,n,8,1", "serial text 1D 61 01"}},
        {"COM4 after COM3", {{Control::Combo1, 7}, {Control::Combo2, 3}}, {{Control::Combo2, 4}},
         {"serial close", "serial open COM4 115200,n,8,1", "serial text 1D 61 01"}},
        {"COM3 chosen again", {{Control::Combo2, 3}}, {{Control::Combo2, 3}},
         {"serial close", "serial open COM3 19200,n,8,1", "serial text 1D 61 01"}},
        {"new speed on COM5", {{Control::Combo2, 5}}, {{Control::Combo1, 3}},
         {"serial close", "serial open COM5 9600,n,8,1", "serial text 1D 61 01"}},
        {"new speed on Port Select", {}, {{Control::Combo1, 0}}, {}},
        {"new speed on USB", {{Control::Combo2, kUsb}}, {{Control::Combo1, 2}}, {}},
    };
    for (const auto& s : scenarios) {
        testkit::Bench b;
        b.rec.usb.statusResults = {0x12};
        for (const auto& [list, index] : s.before) b.choose(list, index);
        b.rec.timeline.clear();
        for (const auto& [list, index] : s.choices) b.choose(list, index);
        EXPECT_EQ(b.rec.wire(), s.wire) << s.what;
    }
}

TEST(PortList, OpensWithRtsCtsAndRawBytesAndGsA1LeavesAtTheHandlersEnd)
{
    testkit::Bench b;
    b.choose(Control::Combo2, 3);
    ASSERT_TRUE(b.rec.serial.lastSettings);
    const auto& s = *b.rec.serial.lastSettings;
    EXPECT_EQ(s.portNumber, 3);
    EXPECT_EQ(s.handshaking, 2);
    EXPECT_TRUE(s.rtsEnable);
    EXPECT_EQ(s.inputLen, 1);
    EXPECT_EQ(s.inputMode, 1);
    EXPECT_EQ(s.rThreshold, 1);
    EXPECT_EQ(b.rec.serial.lastDevice, "/dev/ttyS2");
    ASSERT_EQ(b.rec.serial.osWrites.size(), 1u);
    EXPECT_EQ(testkit::hex(b.rec.serial.osWrites[0]), "1D 61 01");

    // "Port Select" afterwards: COM3 stays open and the buttons refuse.
    b.choose(Control::Combo2, 0);
    b.rec.timeline.clear();
    b.form.Command2_Click();
    EXPECT_THAT(b.rec.wire(), ElementsAre("message critical \"Please Select Port\""));
    EXPECT_TRUE(b.rec.serial.isOpen());
}

TEST(PortList, UsbDisablesTheSpeedListUntilAComPort)
{
    testkit::Bench b;
    b.choose(Control::Combo2, kUsb);
    EXPECT_FALSE(b.rec.isEnabled(Control::Combo1));
    b.choose(Control::Combo2, 0);
    EXPECT_FALSE(b.rec.isEnabled(Control::Combo1));
    b.choose(Control::Combo2, 1);
    EXPECT_TRUE(b.rec.isEnabled(Control::Combo1));
    b.choose(Control::Combo2, kUsb);
    EXPECT_TRUE(b.rec.serial.isOpen());  // USB leaves COM1 open
}

TEST(UsbConnect, SuccessShowsTheModelMessageThenTheStatus)
{
    testkit::Bench b;
    b.choose(Control::Combo4, 7);  // KR-420
    b.rec.usb.statusResults = {0x12};
    b.rec.timeline.clear();
    b.choose(Control::Combo2, kUsb);
    EXPECT_THAT(b.rec.only({"usb ", "message ", "Text6", "Combo1"}),
                ElementsAre("usb open KR-420 -> 0", "Combo1 disabled",
                            "message information \"KR-420 모델에 USB로 연결되었습니다.\"",
                            "usb status member 6 -> 18", "Text6 = \"\"", "Text6 = \"Hex : 12\""));
}

TEST(UsbConnect, FailureShowsTheReturnedDataEachTimeUsbIsChosen)
{
    testkit::Bench b;
    b.rec.usb.openResult = -1;
    b.choose(Control::Combo2, kUsb);
    b.choose(Control::Combo2, kUsb);
    EXPECT_THAT(b.rec.wire(), ElementsAre("usb open KL-310 -> -1", kUsbError, "usb open KL-310 -> -1", kUsbError));
    EXPECT_EQ(b.rec.listText(Control::Combo2), "USB");
    EXPECT_EQ(b.rec.text(Control::Text6), "0");
}

TEST(UsbStatus, ShowsTheValueOrTheErrorBox)
{
    struct Case {
        std::int32_t value;
        bool oldFirmware;
        std::vector<std::string> expected;
    };
    const std::vector<Case> cases{
        {0, false, {"usb status member 6 -> 0", "Text6 = \"\"", "Text6 = \"Hex : 00\""}},
        {16, false, {"usb status member 6 -> 16", "Text6 = \"\"", "Text6 = \"Hex : 10\""}},
        {255, false, {"usb status member 6 -> 255", "Text6 = \"\"", "Text6 = \"Hex : FF\""}},
        {-2, false, {"usb status member 6 -> -2", "Text6 = \"\"", "Text6 = \"Hex : 0FFFFFFFE\""}},
        {-1, false, {"usb status member 6 -> -1", kUsbError}},
        {16, true, {"usb status member 5 -> 16", "Text6 = \"\"", "Text6 = \"Hex : 10\""}},
        {-1, true, {"usb status member 5 -> -1", kUsbError}},
    };
    for (const auto& c : cases) {
        testkit::Bench b;
        b.usb();
        b.rec.tick(Control::Check2, c.oldFirmware);
        b.rec.usb.statusResults = {c.value};
        b.form.link().ReadUsbStatus();
        EXPECT_EQ(b.rec.only({"usb ", "message ", "Text6"}), c.expected) << c.value << " old " << c.oldFirmware;
        // A failed read leaves the shown status and does not stop a run.
        if (c.value == -1) {
            EXPECT_EQ(b.rec.text(Control::Text6), "Hex : 12");
            EXPECT_EQ(b.form.state().StopRequested, 0);
        }
    }
}

TEST(Sends, TextCarriesCodes0To127UnchangedAndByteArraysEveryValue)
{
    testkit::Bench b;
    b.serial();
    std::string all;
    std::vector<std::uint8_t> expected;
    for (int c = 0; c < 128; ++c) {
        all.push_back(static_cast<char>(c));
        expected.push_back(static_cast<std::uint8_t>(c));
    }
    b.form.link().SendSerialText(all);
    const std::vector<std::uint8_t> bytes{0x00, 0x7F, 0x80, 0xFF};
    b.form.link().SendSerialBytes(bytes);
    EXPECT_THAT(b.rec.wire(), ElementsAre("serial text " + testkit::hex(expected), "serial bytes 00 7F 80 FF"));
}
