#include "support/Bench.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace printbench;
using shell::Control;
using testing::ElementsAre;
using testing::IsEmpty;

constexpr int kUsb = 12;
constexpr int kSpeed115200 = 7;

TEST(PortList, Com3At115200OpensWithTheSettingsAndSendsGsA1)
{
    printbench::testkit::Bench b;
    b.choose(Control::Combo1, kSpeed115200);
    b.choose(Control::Combo2, 3);
    EXPECT_THAT(b.rec.wire(), ElementsAre("serial open COM3 115200,n,8,1", "serial text 1D 61 01"));
    ASSERT_TRUE(b.rec.serial.lastSettings);
    const auto& s = *b.rec.serial.lastSettings;
    EXPECT_EQ(s.portNumber, 3);
    EXPECT_EQ(s.handshaking, 2);
    EXPECT_TRUE(s.rtsEnable);
    EXPECT_EQ(s.inputLen, 1);
    EXPECT_EQ(s.inputMode, 1);
    EXPECT_EQ(s.rThreshold, 1);
    EXPECT_EQ(b.rec.serial.lastDevice, "/dev/ttyS2");
    // GS a 1 has left by the time the handler returns.
    ASSERT_EQ(b.rec.serial.osWrites.size(), 1u);
    EXPECT_EQ(printbench::testkit::hex(b.rec.serial.osWrites[0]), "1D 61 01");
}

TEST(PortList, Com4AfterCom3ClosesReopensAndSendsGsA1Again)
{
    printbench::testkit::Bench b;
    b.choose(Control::Combo1, kSpeed115200);
    b.choose(Control::Combo2, 3);
    b.rec.timeline.clear();
    b.choose(Control::Combo2, 4);
    EXPECT_THAT(b.rec.wire(),
                ElementsAre("serial close", "serial open COM4 115200,n,8,1", "serial text 1D 61 01"));
}

TEST(PortList, RechoosingTheSamePortReopensIt)
{
    printbench::testkit::Bench b;
    b.choose(Control::Combo2, 3);
    b.rec.timeline.clear();
    b.choose(Control::Combo2, 3);
    EXPECT_THAT(b.rec.wire(), ElementsAre("serial close", "serial open COM3 19200,n,8,1", "serial text 1D 61 01"));
}

TEST(SpeedList, ReopensTheChosenComPortWithTheNewSpeed)
{
    printbench::testkit::Bench b;
    b.choose(Control::Combo2, 5);
    b.rec.timeline.clear();
    b.choose(Control::Combo1, 3);
    EXPECT_THAT(b.rec.wire(), ElementsAre("serial close", "serial open COM5 9600,n,8,1", "serial text 1D 61 01"));
}

TEST(SpeedList, DoesNothingOnPortSelectOrUsb)
{
    printbench::testkit::Bench b;
    b.choose(Control::Combo1, 0);
    EXPECT_THAT(b.rec.wire(), IsEmpty());

    b.choose(Control::Combo2, kUsb);
    EXPECT_FALSE(b.rec.isEnabled(Control::Combo1));
    b.rec.timeline.clear();
    b.choose(Control::Combo1, 2);
    EXPECT_THAT(b.rec.wire(), IsEmpty());
}

TEST(PortList, PortSelectLeavesAnOpenPortOpen)
{
    printbench::testkit::Bench b;
    b.choose(Control::Combo2, 2);
    b.rec.timeline.clear();
    b.choose(Control::Combo2, 0);
    EXPECT_THAT(b.rec.wire(), IsEmpty());
    EXPECT_TRUE(b.rec.serial.isOpen());
}

TEST(PortList, SpeedListStaysDisabledFromUsbToPortSelectUntilAComPort)
{
    printbench::testkit::Bench b;
    b.choose(Control::Combo2, kUsb);
    b.choose(Control::Combo2, 0);
    EXPECT_FALSE(b.rec.isEnabled(Control::Combo1));
    b.choose(Control::Combo2, 1);
    EXPECT_TRUE(b.rec.isEnabled(Control::Combo1));
}

TEST(PortList, UsbAfterComLeavesTheSerialPortOpen)
{
    printbench::testkit::Bench b;
    b.choose(Control::Combo2, 2);
    b.choose(Control::Combo2, kUsb);
    EXPECT_TRUE(b.rec.serial.isOpen());
}

TEST(UsbConnect, SuccessShowsTheModelMessageThenTheStatus)
{
    printbench::testkit::Bench b;
    b.choose(Control::Combo4, 7);  // KR-420
    b.rec.usb.statusResults = {0x12};
    b.rec.timeline.clear();
    b.choose(Control::Combo2, kUsb);
    EXPECT_THAT(b.rec.only({"usb ", "message ", "Text6", "Combo1"}),
                ElementsAre("usb open KR-420 -> 0", "Combo1 disabled",
                            "message information \"KR-420 모델에 USB로 연결되었습니다.\"",
                            "usb status member 6 -> 18", "Text6 = \"\"", "Text6 = \"Hex : 12\""));
}

TEST(UsbConnect, FailureShowsTheReturnedDataAndStaysOnUsb)
{
    printbench::testkit::Bench b;
    b.rec.usb.openResult = -1;
    b.choose(Control::Combo2, kUsb);
    EXPECT_THAT(b.rec.wire(), ElementsAre("usb open KL-310 -> -1",
                                          "message critical \"[Returned Data]:-1,USB포트를 열수 없습니다.\\r\\n"
                                          "프린터 및 케이블을 확인하시고 다시 시도해 주십시오\""));
    EXPECT_EQ(b.rec.listText(Control::Combo2), "USB");
    EXPECT_FALSE(b.rec.isEnabled(Control::Combo1));
    EXPECT_EQ(b.rec.text(Control::Text6), "0");
}

TEST(UsbConnect, ChoosingUsbTwiceCallsTheOpenMemberTwice)
{
    printbench::testkit::Bench b;
    b.rec.usb.openResult = 2;
    b.choose(Control::Combo2, kUsb);
    b.choose(Control::Combo2, kUsb);
    EXPECT_THAT(b.rec.only({"usb open"}), ElementsAre("usb open KL-310 -> 2", "usb open KL-310 -> 2"));
}

TEST(UsbStatus, ShowsTheValueOrTheErrorBox)
{
    struct Case {
        std::int32_t value;
        bool oldFirmware;
        std::vector<std::string> expected;
    };
    const std::string error = "message critical \"[Returned Data]:-1,USB포트를 열수 없습니다.\\r\\n"
                              "프린터 및 케이블을 확인하시고 다시 시도해 주십시오\"";
    const std::vector<Case> cases{
        {0, false, {"usb status member 6 -> 0", "Text6 = \"\"", "Text6 = \"Hex : 00\""}},
        {16, false, {"usb status member 6 -> 16", "Text6 = \"\"", "Text6 = \"Hex : 10\""}},
        {5, false, {"usb status member 6 -> 5", "Text6 = \"\"", "Text6 = \"Hex : 05\""}},
        {255, false, {"usb status member 6 -> 255", "Text6 = \"\"", "Text6 = \"Hex : FF\""}},
        {-2, false, {"usb status member 6 -> -2", "Text6 = \"\"", "Text6 = \"Hex : 0FFFFFFFE\""}},
        {-1, false, {"usb status member 6 -> -1", error}},
        {16, true, {"usb status member 5 -> 16", "Text6 = \"\"", "Text6 = \"Hex : 10\""}},
        {-1, true, {"usb status member 5 -> -1", error}},
    };
    for (const auto& c : cases) {
        printbench::testkit::Bench b;
        b.rec.usb.statusResults = {0x12};
        b.choose(Control::Combo2, kUsb);
        b.rec.tick(Control::Check2, c.oldFirmware);
        b.rec.timeline.clear();
        b.rec.usb.statusResults = {c.value};
        b.form.link().ReadUsbStatus();
        EXPECT_EQ(b.rec.only({"usb ", "message ", "Text6"}), c.expected) << c.value << " old " << c.oldFirmware;
        if (c.value == -1) {
            EXPECT_EQ(b.rec.text(Control::Text6), "Hex : 12");
        }
    }
}

TEST(UsbStatus, AFailedReadDoesNotStopARun)
{
    printbench::testkit::Bench b;
    b.rec.usb.statusResults = {-1};
    b.choose(Control::Combo2, kUsb);
    EXPECT_EQ(b.form.state().StopRequested, 0);
}

TEST(Sends, CommandBytesBelow128LeaveUnchangedAsText)
{
    printbench::testkit::Bench b;
    b.choose(Control::Combo2, 1);
    b.rec.timeline.clear();
    std::string all;
    for (int c = 0; c < 128; ++c) all.push_back(static_cast<char>(c));
    b.form.link().SendSerialText(all);
    ASSERT_EQ(b.rec.wire().size(), 1u);
    std::vector<std::uint8_t> expected(128);
    for (int c = 0; c < 128; ++c) expected[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(c);
    EXPECT_EQ(b.rec.wire()[0], "serial text " + printbench::testkit::hex(expected));
}

TEST(Sends, ByteArraysCarryEveryValue)
{
    printbench::testkit::Bench b;
    b.choose(Control::Combo2, 1);
    b.rec.timeline.clear();
    const std::vector<std::uint8_t> bytes{0x00, 0x7F, 0x80, 0xFF};
    b.form.link().SendSerialBytes(bytes);
    EXPECT_THAT(b.rec.wire(), ElementsAre("serial bytes 00 7F 80 FF"));
}
