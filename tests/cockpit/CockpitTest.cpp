#include "cockpit/ConsoleText.h"
#include "cockpit/Journal.h"
#include "cockpit/RunLog.h"
#include "cockpit/StatusNames.h"
#include "patterns/TestPrints.h"
#include "link/usb/UsbPrinterControl.h"
#include "support/Benches.h"
#include "support/FakeUsbTransport.h"

#include <gtest/gtest.h>

namespace {

using namespace printbench;
using cockpit::Journal;
using testkit::Bench;
using window::Control;

// 2026-12-07 14:02:09 in Seoul (UTC+9) when the recorder's clock reads 0.
constexpr std::int64_t kStart = 1796619729000;

// The main window's handlers with a journal listening to the link and the runs.
struct Cockpit : Bench {
    Journal journal{rec};
    Cockpit()
    {
        journal.setClock(kStart, 540);
        form.setRunObserver(&journal);
        form.link().setTap(&journal);
        serial();
    }
    void printerSends(int eventPass, std::uint8_t status)
    {
        rec.atEventPass(eventPass, [this, status] {
            rec.receive({status});
            rec.deliverReceive();
        });
    }
};

TEST(StatusNames, ClassAndConditionsOfAByte)
{
    const struct { std::int32_t value; const char* text; } rows[] = {
        {0x00, "0x00 normal normal 0"},    {0x12, "0x12 normal normal 0"},
        {0x1A, "0x1A offline normal 1"},   {0x01, "0x01 fault fault 1"},
        {0x05, "0x05 cover open fault 2"}, {0x32, "0x32 paper end fault that needs time to settle 2"},
        {0x52, "0x52 error fault that needs time to settle 2"},
        {0x76, "0x76 paper end, cover open, error fault that needs time to settle 2"},
        {0x80, "0x80 fault, needs time to settle fault that needs time to settle 2"},
        {300, "0x12C not a status byte normal 1"},
    };
    for (const auto& row : rows) {
        const cockpit::StatusReading r = cockpit::readStatus(row.value);
        EXPECT_EQ(cockpit::hexValue(row.value) + " " + r.meaning + " " + cockpit::classText(r.faultClass) + " " +
                      std::to_string(static_cast<int>(r.severity)),
                  row.text);
    }
}

// A run of "Full Cut" until Stop, a normal status in pass 2, paper end in pass 5.
TEST(RunRecord, AFaultStopsTheRunAndLeavesItsRecordReportAndStatusLine)
{
    Cockpit c;
    c.add("Full Cut");
    c.type(Control::Text2, "0");
    c.printerSends(2, 0x12);
    c.printerSends(5, 0x32);
    std::string during;
    c.rec.atEventPass(3, [&] { during = c.journal.statusLine(); });
    c.form.Command2_Click();

    EXPECT_EQ(during, "Running Full Cut · pass 3 (until Stop) · 00:00:01 · last status 0x12 normal");
    EXPECT_EQ(c.journal.statusLine(), "Stopped at pass 5 after 00:00:02: paper end (0x32) at 14:02:11");
    EXPECT_EQ(cockpit::runRecordJson(*c.journal.run()),
              R"({"action":"Run","start":"2026-12-07T14:02:09.000+09:00","end":"2026-12-07T14:02:11.300+09:00",)"
              R"("durationMs":2300,"settings":{"model":"KL-310","port":"COM3","speed":"19200","density":"0",)"
              R"("delayMs":500,"feedDots":100,"sequence":["Full Cut"],"repeatCount":0},"passesBegun":5,)"
              R"("passesCompleted":4,"commandsExecuted":4,"bytesSent":42,"bytesReceived":2,"statuses":[)"
              R"({"time":"2026-12-07T14:02:09.500+09:00","value":18,"hex":"0x12","meaning":"normal","class":"normal",)"
              R"("route":"serial","pass":2},{"time":"2026-12-07T14:02:11.000+09:00","value":50,"hex":"0x32",)"
              R"("meaning":"paper end","class":"fault that needs time to settle","route":"serial","pass":5}],)"
              R"("statusesDropped":0,"stop":{"reason":"stopped by a fault","status":{"time":)"
              R"("2026-12-07T14:02:11.000+09:00","value":50,"hex":"0x32","meaning":"paper end","class":)"
              R"("fault that needs time to settle","route":"serial","pass":5}}})");
    EXPECT_EQ(cockpit::runReportText(*c.journal.run()),
              "PrintBench run report\n=====================\n\n"
              "Action            Run\n"
              "Started           2026-12-07T14:02:09.000+09:00\n"
              "Ended             2026-12-07T14:02:11.300+09:00\n"
              "Duration          00:00:02\n"
              "Result            stopped by a fault\n"
              "Stopped by        paper end (0x32) at 14:02:11.000 in pass 5\n"
              "\nSettings\n"
              "Model             KL-310\n"
              "Port              COM3\n"
              "Speed             19200\n"
              "Density           0\n"
              "Delay             500 ms\n"
              "Feed              100 dots\n"
              "Repeat Rating     0 (until Stop)\n"
              "Sequence          Full Cut\n"
              "\nCounts\n"
              "Passes begun      5\n"
              "Passes completed  4\n"
              "Commands          4\n"
              "Bytes sent        42\n"
              "Bytes received    2\n"
              "\nStatus events (2)\n"
              "  14:02:09.500  pass 2  0x12  normal\n"
              "  14:02:11.000  pass 5  0x32  paper end [fault that needs time to settle]\n");
    EXPECT_EQ(cockpit::runReportCsv(*c.journal.run()),
              "time,pass,route,value,hex,meaning,class\n"
              "2026-12-07T14:02:09.500+09:00,2,serial,18,0x12,normal,normal\n"
              "2026-12-07T14:02:11.000+09:00,5,serial,50,0x32,paper end,fault that needs time to settle\n");

    testkit::TempDir data;
    ASSERT_FALSE(cockpit::appendToRunLog(data.path() / "runs", *c.journal.run()));
    ASSERT_FALSE(cockpit::appendToRunLog(data.path() / "runs", *c.journal.run()));
    EXPECT_EQ(testkit::readFile(data.path() / "runs" / "2026-12-07.jsonl"),
              cockpit::runRecordJson(*c.journal.run()) + "\n" + cockpit::runRecordJson(*c.journal.run()) + "\n");
}

// Every way a run ends re-enables the buttons that start one, which were disabled meanwhile
// (and a second "Run" in an event pass starts nothing).
TEST(RunRecord, EveryEndingEnablesTheStartersAgainAndNamesItselfInTheStatusLine)
{
    const struct {
        void (window::Form1::*handler)();
        const char* repeat;
        int stopAt;  // event pass of "Stop" (0: none)
        bool linkFails;
        const char* line;
    } rows[] = {
        {&window::Form1::Command2_Click, "2", 0, false, "Done: 2 passes in 00:00:01"},
        {&window::Form1::Command2_Click, "0", 3, false, "Stopped by Stop at pass 3"},
        {&window::Form1::Command2_Click, "2", 0, true, "Link lost at pass 1: COM3: Input/output error"},
        {&window::Form1::Command8_Click, "2", 0, false, "Done: 2 passes in 00:00:02"},
        {&window::Form1::Command10_Click, "0", 2, false, "Stopped by Stop at pass 1"},
        {&window::Form1::Command11_Click, "1", 0, false, "Done: 1 pass in 00:00:01"},
        {&window::Form1::Command9_Click, "3", 0, false, "Done: 3 passes in 00:00:00"},
    };
    for (const auto& row : rows) {
        Cockpit c;
        c.add("Full Cut");
        c.type(Control::Text2, row.repeat);
        if (row.linkFails) c.rec.serial.flushError = "Input/output error";
        if (row.stopAt) c.rec.atEventPass(row.stopAt, [&] { c.form.Command6_Click(); });
        std::string during;
        c.rec.atEventPass(1, [&] {
            for (const Control b : {Control::Command2, Control::Command3, Control::Command8, Control::Command9,
                                    Control::Command10, Control::Command11, Control::Form3Command1})
                during += c.rec.isEnabled(b) ? "1" : "0";
            c.form.Command2_Click();
        });
        const std::size_t start = c.rec.timeline.size();
        (c.form.*row.handler)();
        EXPECT_EQ(during, "0000000") << row.line;
        EXPECT_TRUE(c.rec.isEnabled(Control::Command2) && c.rec.isEnabled(Control::Form3Command1)) << row.line;
        EXPECT_EQ(c.journal.statusLine(), row.line);
        EXPECT_EQ(c.rec.find("serial bytes 1D 28 4B 02 00 31", start + 1), c.rec.timeline.size()) << "nested run";
    }
}

TEST(Traffic, TheRingKeepsItsBoundAndCountsWhatItDropped)
{
    testkit::Recorder rec;
    Journal journal(rec, Journal::Bounds{64 * 1024, 100, 100});
    const std::vector<std::uint8_t> block(1000, 0x41);
    for (int i = 0; i < 6400; ++i) {  // 100 times the bound
        rec.clockMs = i;
        journal.traffic({rec.clockMs, link::Route::Serial, link::Traffic::Direction::Sent, block});
    }
    EXPECT_LE(journal.trafficHeldBytes(), 64u * 1024);
    std::uint64_t kept = 0, records = 0;
    journal.readTraffic(0, [&](const cockpit::TrafficRecord& r) { kept += r.bytes.size(), ++records; });
    EXPECT_EQ(journal.droppedBytes() + kept, 6400000u);
    EXPECT_EQ(journal.droppedRecords() + records, 6400u);
    EXPECT_EQ(cockpit::ConsoleText::droppedText(6337), "(6,337 records dropped before the console showed them)");
    // A console that opens now has missed what went, and formats the rest on its own thread.
    cockpit::ConsoleWorker console;
    console.read(journal);
    const std::string text = console.take(true);
    EXPECT_EQ(console.missed(), journal.droppedRecords());
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), std::ptrdiff_t(records) + 1);  // and one heading

    // Sends of one millisecond merge into one record until a reader has seen it.
    Journal small(rec);
    for (const std::uint8_t b : {0x1B, 0x69}) small.traffic({5, link::Route::Usb, link::Traffic::Direction::Sent, std::span(&b, 1)});
    std::string seen;
    const std::uint64_t next = small.readTraffic(0, [&](const cockpit::TrafficRecord& r) { seen += std::to_string(r.bytes.size()); });
    const std::uint8_t b = 0x0A;
    small.traffic({5, link::Route::Usb, link::Traffic::Direction::Sent, std::span(&b, 1)});
    small.readTraffic(next, [&](const cockpit::TrafficRecord& r) { seen += "+" + std::to_string(r.bytes.size()); });
    EXPECT_EQ(seen, "2+1");
}

// The USB control keeps what it gathers readable: the tap reads it there, each byte once.
TEST(Traffic, BytesTheUsbControlGathersReachTheTapOnceEach)
{
    testkit::Recorder rec;
    testkit::FakeUsbTransport transport;
    transport.attached = {testkit::FakeUsbTransport::printer(1, "MDL:KR-420;")};
    link::CodePage codePage{"CP949"};
    link::usb::UsbPrinterControl usb{transport, codePage};
    testkit::TempDir ports;
    link::PrinterLink link{rec.serial, usb, rec, codePage, rec, ports.path()};
    Journal journal(rec);
    link.setTap(&journal);
    ASSERT_EQ(link.OpenUsbPrinter("KR-420"), 0);
    link.SendUsbByte(0x1B);
    link.SendUsbByte(0x69);
    link.handOverTraffic();  // as before the window tells of a new command
    rec.clockMs = 1;
    link.SendUsbText("가");
    link.flush();
    rec.clockMs = 2;
    link.SendUsbByte(0x0A);
    link.flush();
    std::string seen;
    journal.readTraffic(0, [&](const cockpit::TrafficRecord& r) { seen += testkit::hex(r.bytes) + " | "; });
    EXPECT_EQ(seen, "1B 69 | B0 A1 | 0A | ");
}

TEST(Traffic, TheConsoleGroupsByActionAndDecodesCommandsWithTheirParameters)
{
    Cockpit c;
    c.add("Feed");
    c.add("Text Output");
    c.type(Control::Text1, "J\x1b");  // a byte of text that looks like a command
    c.form.Command2_Click();
    c.printerSends(0, 0);
    c.rec.receive({0x32});
    c.rec.deliverReceive();
    cockpit::ConsoleText console;
    std::string text;
    c.journal.readTraffic(0, [&](const cockpit::TrafficRecord& r) { text += console.lines(c.journal, r); });
    EXPECT_EQ(text,
              "── Open COM3 ──\n"
              "14:02:09.000  → serial  1D 61 01   GS a 1: automatic status back on\n"
              "── Run ──\n"
              "14:02:09.000  → serial  1D 28 4B 02 00 31 00   GS ( K 49 m=0: print density 0\n"
              "── Run pass 1 · Feed ──\n"
              "14:02:09.000  → serial  1B 4A 64   ESC J 100: print and feed 100 dots\n"
              "── Run pass 1 · Text Output ──\n"
              "14:02:09.500  → serial  4A 1B 0A 1B 4A 7F 10 04 02   \"J\"; unknown: 1B 0A; ESC J 127: print and feed 127 dots; "
              "DLE EOT 2: send the offline status\n"
              "14:02:10.000  → serial  10 04 02   DLE EOT 2: send the offline status\n"
              "── Printer status ──\n"
              "14:02:10.000  ← serial  32   status 0x32 paper end\n"
              "14:02:10.000  → serial  10 05 02   DLE ENQ 2: recover from an error, clearing the buffers\n");
}

TEST(Capture, ACapturedTileGridAndTestPatternAreTheBytesThatWentOut)
{
    for (const bool tile : {true, false}) {
        testkit::Rig rig;
        Journal journal(rig.rec);
        rig.link.setTap(&journal);
        link::PrinterChannel& serial = rig.serial();
        testkit::TempDir dir;
        ASSERT_FALSE(journal.startCapture(dir.path() / "capture.bin"));
        rig.rec.repeat = 2;
        if (tile) patterns::PrintTilePattern(serial, 5, rig.state, rig.rec);
        else patterns::PrintTestPattern(serial, 5, rig.state, rig.rec);
        rig.link.flush();  // as the end of a handler does
        ASSERT_FALSE(journal.stopCapture());
        const std::string file = testkit::readFile(dir.path() / "capture.bin");
        EXPECT_EQ(file.size(), journal.capturedBytes());
        EXPECT_GT(file.size(), 800u) << tile;
        EXPECT_EQ(testkit::hex(std::span(reinterpret_cast<const std::uint8_t*>(file.data()), file.size())), rig.rec.stream()) << tile;
    }
}

// Characters the code page lacks are named before anything leaves, and leave as "?" only
// when the technician agrees.
TEST(TextCodePage, MissingCharactersAreNamedAndSentOnlyWhenAgreed)
{
    Cockpit c;
    c.add("Text Output");
    c.type(Control::Text2, "1");
    c.type(Control::Text1, "가é");
    c.rec.answers = {false, true};
    c.form.Command2_Click();
    EXPECT_EQ(c.rec.wire(), "");
    c.form.Command2_Click();
    EXPECT_EQ(c.rec.count("ask \"The text to print has characters that code page CP949 cannot print: é\\r\\n"
                          "The printer would get \\\"?\\\" for each of them.\" Send as ?/Cancel"),
              2u);
    EXPECT_NE(c.rec.find("serial text B0 A1 3F 0A"), c.rec.timeline.size());

    c.rec.timeline.clear();
    c.type(Control::Text1, "가");  // nothing missing: nothing asked
    c.form.Command2_Click();
    EXPECT_EQ(c.rec.count("ask"), 0u);
    EXPECT_NE(c.rec.find("serial text B0 A1 0A"), c.rec.timeline.size());

    link::CodePage cp("CP437");
    EXPECT_EQ(cp.missingCharacters("가é가\xff"), (std::vector<std::string>{"가", "\xEF\xBF\xBD"}));
}

TEST(Sessions, ASequenceAndASessionFillTheFieldsThroughTheirChecks)
{
    Cockpit c;
    window::SessionFields s{{{"Full Cut", "Bogus", "Feed"}, "3", "250", "40", "hello"}, "KR-420", "9600", "+2", true};
    c.rec.timeline.clear();
    c.form.restoreSession(s);
    EXPECT_EQ(c.form.sessionFields().sequence.entries, (std::vector<std::string>{"Full Cut", "Feed"}));
    EXPECT_EQ(c.rec.text(Control::Text9) + " " + c.rec.text(Control::Text2) + " " + c.rec.text(Control::Text5) + " " +
                  c.rec.text(Control::Text10) + " " + c.rec.text(Control::Text1),
              "2 3 250 40 hello");
    EXPECT_EQ(c.form.state().PrintWidthDots, 512);
    EXPECT_EQ(c.rec.wire(), "serial close | serial open COM3 9600,n,8,1 | serial text 1D 61 01");
    EXPECT_TRUE(c.rec.checked(Control::Check2));

    s.sequence.repeat = "3x";  // refused by the field's check, as if typed
    EXPECT_EQ(c.form.fillSequence(s.sequence), std::vector<std::string>{"Bogus"});
    EXPECT_EQ(c.rec.count("message critical \"Only Number!\""), 1u);
    EXPECT_EQ(c.rec.text(Control::Text2), "1");
}

} // namespace
