#include "cockpit/RunLog.h"
#include "headless/HeadlessRun.h"
#include "headless/ScanCheck.h"
#include "support/Benches.h"
#include "window/Form3.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <sstream>

namespace {

using namespace printbench;
using headless::HeadlessRun;
using headless::RunOptions;
using window::Control;

RunOptions parsed(const std::vector<std::string>& args)
{
    auto o = headless::parseRunOptions(args);
    if (const auto* error = std::get_if<std::string>(&o)) ADD_FAILURE() << *error;
    return std::get<RunOptions>(o);
}

// printbench-run on a recorder, COM3 one of its host's devices.
struct Headless : testkit::Ground {
    std::ostringstream errors;
    std::unique_ptr<HeadlessRun> run;
    int exit = -1;
    explicit Headless(const std::vector<std::string>& args, std::function<void(Headless&)> before = {})
    {
        run = std::make_unique<HeadlessRun>(parsed(args), rec.serial, rec.usb, rec, codePage, ports.path(),
                                            args[1] == "USB" ? 12 : 3, errors);
        run->journal().setClock(1796619729000, 540);
        rec.answerStatusRequests(0x12);
        if (before) before(*this);
        exit = run->execute();
    }
};

// Every action puts on the line what the window's handlers put there for the same settings,
// from the choice of the port on: bytes, sleeps and event passes (the status request's wait for
// an answer aside).
TEST(Headless, EachActionSendsWhatTheWindowSendsAndExitsZero)
{
    testkit::TempDir pictures;
    const std::vector<std::uint8_t> row{0x0F, 0xF0, 0x33, 0xC0};
    testkit::writeFile(pictures.path() / "a.bmp", testkit::monochromeBmp(30, 30, std::vector(30, row)));
    using testkit::Bench;
    const struct {
        std::vector<std::string> args;
        std::function<void(Bench&)> settings, action;
    } rows[] = {
        {{"sequence", "Full Cut, Feed,Text Output", "--repeat", "2", "--delay", "20", "--feed", "300", "--text", "가A"},
         [](Bench& b) {
             b.add("Full Cut"), b.add("Feed"), b.add("Text Output");
             b.type(Control::Text2, "2"), b.type(Control::Text5, "20"), b.type(Control::Text10, "300"), b.type(Control::Text1, "가A");
         },
         [](Bench& b) { b.form.Command2_Click(); }},
        {{"h-diagram", "--repeat", "2", "--model", "KR-420"},
         [](Bench& b) { b.choose(Control::Combo4, 7), b.type(Control::Text2, "2"); }, [](Bench& b) { b.form.Command8_Click(); }},
        {{"bit-pattern", "--repeat", "2"}, [](Bench& b) { b.type(Control::Text2, "2"); }, [](Bench& b) { b.form.Command10_Click(); }},
        {{"tile", "--density", "+3", "--speed", "115200"}, [](Bench& b) { b.choose(Control::Combo3, 8), b.choose(Control::Combo1, 7); },
         [](Bench& b) { b.form.Command11_Click(); }},
        {{"test-pattern", "--density", "-5", "--model", "KL-360"}, [](Bench& b) { b.choose(Control::Combo3, 0), b.choose(Control::Combo4, 5); },
         [](Bench& b) { b.form.Command9_Click(); }},
        {{"status-clear", "--delay", "7"}, [](Bench&) {}, [](Bench& b) { b.form.Command4_Click(); }},
        // Test pages › 2-D codes… and Barcodes…, with their settings.
        {{"qr", "https://example.com", "--module", "6", "--ec", "m", "--delay", "30"}, [](Bench& b) { b.type(Control::Text5, "30"); },
         [](Bench& b) { b.form.PrintCodes(run::Action::Qr, {codes::QrRequest{"https://example.com", {codes::QrModel::Model2, 6, codes::QrLevel::M}}}); }},
        {{"pdf417", "가나다", "--in-code-page", "--columns", "3"}, [](Bench&) {},
         [](Bench& b) { b.form.PrintCodes(run::Action::Pdf417, {codes::Pdf417Request{"가나다", {.columns = 3}, "CP949"}}); }},
        {{"barcode", "ean13", "4901234567894", "--hri", "both", "--hri-font", "b", "--form", "A", "--height", "80", "--module-width", "2"},
         [](Bench&) {},
         [](Bench& b) { b.form.PrintCodes(run::Action::Barcode, {codes::BarcodeRequest{codes::Symbology::Ean13, "4901234567894", {80, 2, codes::Hri::Both, 1, codes::Form::A}}}); }},
        {{"code-pages", "--tables", "16, 0", "--korean"}, [](Bench&) {}, [](Bench& b) { b.form.PrintCodePages({{16, 0}, true}); }},
        {{"logo", (pictures.path() / "a.bmp").string()}, [](Bench&) {},
         [&](Bench& b) {
             window::Form3 bitmaps(b.form, b.rec);
             b.rec.setText(Control::Label12, pictures.path().string());
             b.rec.addListItem(Control::Form3List2, "a.bmp");
             bitmaps.Command1_Click();
         }},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.args[0]);
        std::vector<std::string> args = {"--port", "COM3"};
        args.insert(args.end(), r.args.begin(), r.args.end());
        Headless cli(args);
        Bench window;
        r.settings(window);
        window.rec.timeline.clear();
        window.choose(Control::Combo2, 3);
        r.action(window);
        const std::initializer_list<std::string_view> wire{"serial", "usb", "sleep", "events"};
        const std::string seen = cli.rec.only(wire), expected = window.rec.only(wire);
        const std::size_t differ = std::mismatch(seen.begin(), seen.end(), expected.begin(), expected.end()).first - seen.begin();
        EXPECT_EQ(seen.substr(differ, 80).substr(0, expected.size() - std::min(differ, expected.size())), expected.substr(differ, 80))
            << "at " << differ << " of " << expected.size();
        // Then it listens for the printer's last word, 100 ms in steps of 10, sending nothing.
        const std::string after = std::regex_replace(seen.substr(std::min(seen.size(), expected.size())), std::regex("events [0-9]+"), "events");
        EXPECT_EQ(after, " | events | sleep 10 | events | sleep 10 | events | sleep 10 | events | sleep 10 | events | sleep 10 | "
                         "events | sleep 10 | events | sleep 10 | events | sleep 10 | events | sleep 10 | events | sleep 10 | events");
        EXPECT_EQ(cli.exit, 0) << cli.errors.str();
    }
    // The first of them, as it starts: GS a 1 as the port opens, the density, the first pass.
    Headless first({"--port", "COM3", "sequence", "Full Cut", "--delay", "0"});
    EXPECT_EQ(first.rec.lines({"serial"}),
              (testkit::Lines{"serial open COM3 19200,n,8,1", "serial text 1D 61 01", "serial text 1D 28 4B 02 00 31", "serial bytes 00",
                              "serial text 1B 69", "serial text 10 04 02", "serial text 10 04 02"}));
    EXPECT_EQ(first.run->summary(), "Done: 1 pass in 00:00:00");
}

// image FILE: the picture the program reads, fitted to the model's width or cropped with
// --no-scale, sent as the window sends the same dots; a picture that cannot be read is a usage
// error before the port opens.
TEST(Headless, AnImageSendsWhatTheWindowSendsAndAnUnreadableOneNothing)
{
    pictures::GreyPicture grey{40, 30, {}};
    for (int i = 0; i < 40 * 30; ++i) grey.grey.push_back(std::uint8_t(i * 37 % 256));
    const struct {
        std::vector<std::string> args;
        int width;
        bool crop;
        pictures::Dither dither;
        int level;
        pictures::ImageMode mode;
    } rows[] = {
        {{"image", "p.png"}, 432, false, pictures::Dither::FloydSteinberg, 128, pictures::ImageMode::Raster},
        {{"image", "p.png", "--model", "KR-420", "--dither", "Atkinson", "--image-mode", "graphics", "--no-scale"}, 512, true,
         pictures::Dither::Atkinson, 128, pictures::ImageMode::Graphics},
        {{"image", "p.png", "--dither", "threshold", "--threshold", "90", "--image-mode", "column"}, 432, false,
         pictures::Dither::Threshold, 90, pictures::ImageMode::Column},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.args.size());
        std::vector<std::string> args = {"--port", "COM3"};
        args.insert(args.end(), r.args.begin(), r.args.end());
        Headless cli(args, [&](Headless& h) {
            h.run->readPicture = [&](const std::filesystem::path& file, int width, bool crop) -> std::variant<pictures::FittedPicture, std::string> {
                EXPECT_EQ(file, "p.png");
                EXPECT_EQ(width, r.width);
                EXPECT_EQ(crop, r.crop);
                return pictures::FittedPicture{grey, "cropped at 20 dots"};
            };
        });
        testkit::Bench window;
        window.choose(Control::Combo2, 3);
        window.rec.timeline.clear();
        window.form.PrintPicture(pictures::dither(grey, r.dither, r.level), r.mode, "p.png");
        // From ESC @ on; then the run listens for the printer's last word.
        std::string seen = cli.rec.only({"serial", "sleep"}), expected = window.rec.only({"serial", "sleep"});
        expected = expected.substr(expected.find("serial text 1B 40"));
        EXPECT_EQ(seen.substr(seen.find("serial text 1B 40")).substr(0, expected.size()), expected);
        EXPECT_EQ(cli.exit, 0);
        EXPECT_EQ(cli.errors.str(), "printbench-run: p.png cropped at 20 dots\n");
        EXPECT_EQ(cli.run->journal().run()->settings.file, "p.png");
    }
    Headless broken({"--port", "COM3", "image", "p.png"}, [](Headless& h) {
        h.run->readPicture = [](const std::filesystem::path&, int, bool) -> std::variant<pictures::FittedPicture, std::string> {
            return std::string("p.png cannot be read: Unsupported image format");
        };
    });
    EXPECT_EQ(broken.exit, 2);
    EXPECT_EQ(broken.rec.only({"serial"}), "");
    EXPECT_EQ(broken.run->summary(), "Not run: p.png cannot be read: Unsupported image format");
}

// A fault ends the run with 1 and a JUnit failure on the pass it arrived in; a signal with 130;
// a lost line, a port that does not open or a printer that never answers with 3; a status that
// answers a fault with 1.
TEST(Headless, ExitStatusesAndReports)
{
    testkit::TempDir out;
    Headless fault({"--port", "COM3", "sequence", "Full Cut", "--repeat", "0", "--junit", (out.path() / "j.xml").string(),
                    "--report", (out.path() / "r.json").string()},
                   [](Headless& h) { h.rec.arriveAt(700, {0x32}); });
    EXPECT_EQ(fault.exit, 1);
    EXPECT_EQ(fault.errors.str(), "printbench-run: stopped by the printer: 0x32 paper end (arrived in pass 2)\n");
    EXPECT_EQ(testkit::readFile(out.path() / "r.json"), cockpit::runRecordJson(*fault.run->journal().run()) + "\n");
    EXPECT_EQ(testkit::readFile(out.path() / "j.xml"),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<testsuite name=\"printbench Run Full Cut\" tests=\"2\" failures=\"1\" errors=\"0\" skipped=\"0\" time=\"1.300\" "
              "timestamp=\"2026-12-07T14:02:09.000+09:00\">\n"
              "  <properties>\n    <property name=\"runId\" value=\"20261207-140209-0-1\"/>\n"
              "    <property name=\"model\" value=\"none chosen (432 dots)\"/>\n    <property name=\"port\" value=\"COM3\"/>\n"
              "    <property name=\"route\" value=\"serial\"/>\n"
              "    <property name=\"speed\" value=\"19200\"/>\n    <property name=\"density\" value=\"0\"/>\n"
              "    <property name=\"delayMs\" value=\"500\"/>\n    <property name=\"feedDots\" value=\"100\"/>\n"
              "    <property name=\"repeatCount\" value=\"0\"/>\n  </properties>\n"
              "  <testcase classname=\"printbench.Run\" name=\"pass 1\"/>\n"
              "  <testcase classname=\"printbench.Run\" name=\"pass 2\">\n"
              "    <failure type=\"stopped by a fault\" message=\"paper end (0x32) arrived at 14:02:09.700 in pass 2\"/>\n"
              "  </testcase>\n</testsuite>\n");
    EXPECT_EQ(fault.run->summary(), "Stopped at pass 3 (paper end 0x32 arrived in pass 2 at 14:02:09.700)");

    const struct {
        std::vector<std::string> args;
        std::function<void(Headless&)> before;
        int exit;
        const char* summary;
        const char* errors;
    } rows[] = {
        {{"tile", "--repeat", "0"}, [](Headless& h) { h.rec.atEventPass(2, [&h] { h.run->interrupt("SIGHUP"); }); }, 130,
         "Stopped by SIGHUP at pass 2", ""},
        {{"sequence", "Feed", "--repeat", "3"}, [](Headless& h) { h.rec.serial.flushError = "Input/output error"; }, 3,
         "Link lost at pass 1: COM3: Input/output error",
         "printbench-run: sending to COM3 (/dev/ttyS2) failed: Input/output error\n"},
        {{"status"}, [](Headless& h) { h.rec.serial.hostDeviceList.clear(); }, 3, "Not run: COM3: no device (no link COM3 in /", nullptr},
        // A fault that arrives in the last pass is this run's, though no check was left to see it.
        {{"sequence", "Feed", "--repeat", "2"}, [](Headless& h) { h.rec.arriveAt(700, {0x32}); }, 1,
         "Stopped at pass 2 (paper end 0x32 arrived in pass 2 at 14:02:09.700)",
         "printbench-run: stopped by the printer: 0x32 paper end (arrived in pass 2)\n"},
        {{"sequence", "Full Cut", "--repeat", "2"}, [](Headless& h) { h.rec.serial.onWrite = nullptr; }, 3,
         "No answer from the printer at pass 2: 4 of 4 status requests unanswered",
         "printbench-run: no answer from the printer: 4 of 4 status requests unanswered\n"},
        {{"status"}, [](Headless& h) { h.rec.atEventPass(1, [&h] { h.rec.receive({0x04}), h.rec.deliverReceive(); }); }, 1,
         "0x04 cover open (fault)", ""},
        // A code refused is a usage error, before the port opens: nothing at all is sent.
        {{"barcode", "EAN-13", "4901234567890"}, [](Headless& h) { h.rec.serial.hostDeviceList.clear(); }, 2,
         "Not run: EAN-13: \"4901234567890\" ends in check digit 0; the check digit of 490123456789 is 4",
         "printbench-run: EAN-13: \"4901234567890\" ends in check digit 0; the check digit of 490123456789 is 4\n"},
        // A report that cannot be written is no success.
        {{"sequence", "Full Cut", "--report", "/nonexistent/r.json"}, {}, 2, "Done: 1 pass in 00:00:00",
         "printbench-run: /nonexistent/r.json cannot be written: No such file or directory\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.summary);
        if (row.exit == 2 && row.args[0] == "barcode") {
            Headless refused({"--port", "COM3", row.args[0], row.args[1], row.args[2]});
            EXPECT_EQ(refused.rec.only({"serial"}), "");
        }
        std::vector<std::string> args{"--port", "COM3"};
        args.insert(args.end(), row.args.begin(), row.args.end());
        Headless h(args, row.before);
        EXPECT_EQ(h.exit, row.exit);
        const std::string summary = h.run->summary();
        // A port folder's name differs from run to run: up to it.
        EXPECT_EQ(summary.substr(0, summary.find(" in /") == std::string::npos ? std::string::npos : summary.find(" in /") + 5), row.summary);
        if (row.errors) {
            EXPECT_EQ(h.errors.str(), row.errors);
        }
    }
    EXPECT_EQ(headless::portListIndex("COM10"), 10);
    EXPECT_EQ(headless::portListIndex("COM11"), 11);
    EXPECT_EQ(headless::portListIndex("USB"), 12);
    EXPECT_EQ(headless::portListIndex("COM12"), std::nullopt);  // a path, as /dev/ttyUSB0 is
}

// The sample page's report lists every code with its bytes; check-scan compares that list with
// the codes a reader found: every one read is 0, one missing is 1 (its JUnit case a failure), a
// report or picture it cannot read is 2.
TEST(Headless, TheSamplePagesReportIsWhatCheckScanChecksAPictureAgainst)
{
    testkit::TempDir out;
    const std::string report = (out.path() / "r.json").string(), junit = (out.path() / "j.xml").string();
    Headless page({"--port", "COM3", "--report", report, "barcodes"});
    ASSERT_EQ(page.exit, 0) << page.errors.str();
    EXPECT_THAT(testkit::readFile(report),
                testing::HasSubstr(R"({"symbology":"EAN-13","settings":"height 162, module 3, hri below, font A, form B",)"
                                   R"("text":"4901234567894","dataHex":"34 39 30 31 32 33 34 35 36 37 38 39 34"})"));
    // What zxing-cpp read from the virtual printer's receipt of that page.
    const std::vector<scan::CodeRead> receipt{
        {"UPC-A", "012345678905"}, {"UPC-E", "01234565"}, {"EAN-13", "4901234567894"}, {"EAN-8", "96385074"},
        {"Code39", "CODE39"}, {"ITF", "1234567890"}, {"Codabar", "A40156B"}, {"Code93", "Code93"}, {"Code128", "No. 123"},
        {"Code128", "0109501101530003"}, {"DataBar", "09501101530003"}, {"DataBar", "09501101530003"},
        {"DataBarExpanded", "(3103)000123"}};
    std::vector<scan::CodeRead> blotted = receipt;
    blotted.erase(blotted.begin() + 3);
    const struct {
        std::string sent;
        std::variant<std::vector<scan::CodeRead>, std::string> read;
        int exit;
        std::vector<std::string> lines;
        const char* junit;
    } rows[] = {
        {report, receipt, 0, {"EAN-8 96385074: read", "DATABAR-LIMITED 0950110153000: not checkable (the reader reads no DataBar Limited)"},
         R"(tests="14" failures="0" errors="0" skipped="1")"},
        {report, blotted, 1, {"EAN-8 96385074: not found", "EAN-13 4901234567894: read"},
         R"(name="4 EAN-8 96385074">
    <failure type="not found" message="EAN-8 96385074: not found"/>)"},
        {report, std::string("receipt.png cannot be read: Unsupported image format"), 2, {}, nullptr},
        {(out.path() / "none.json").string(), receipt, 2, {}, nullptr},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.exit);
        std::ostringstream lines, errors;
        const RunOptions options = parsed({"check-scan", "receipt.png", "--sent", row.sent, "--junit", junit});
        std::filesystem::remove(junit);
        EXPECT_EQ(headless::checkScan(options, row.read, lines, errors), row.exit) << errors.str();
        for (const std::string& line : row.lines) EXPECT_THAT(lines.str(), testing::HasSubstr(line + "\n"));
        if (row.junit) {
            EXPECT_THAT(testkit::readFile(junit), testing::HasSubstr(row.junit));
        }
        if (row.exit == 2) {
            EXPECT_THAT(errors.str(), testing::StartsWith("printbench-run: "));
        }
    }
}

TEST(Headless, AWrongActionOptionModelOrNumberIsAUsageError)
{
    const std::pair<std::vector<std::string>, std::string> rows[] = {
        {{"--port", "COM3", "cut"}, "unknown action \"cut\"; the actions are sequence h-diagram bit-pattern tile test-pattern logo status status-clear identify "
                                    "barcodes barcode qr pdf417 code-pages image"},
        {{"--port", "COM3", "--dither", "dots", "image", "p.png"}, "--dither takes threshold|ordered|floyd-steinberg|atkinson, not \"dots\""},
        {{"--port", "COM3", "--threshold", "256", "image", "p.png"}, "--threshold takes a number from 0 to 255, not \"256\""},
        {{"--port", "COM3", "--image-mode", "page", "image", "p.png"}, "--image-mode takes column|raster|graphics, not \"page\""},
        {{"--port", "COM3", "barcode", "EAN-99", "1"}, "unknown symbology \"EAN-99\"; the symbologies are UPC-A UPC-E EAN-13 EAN-8 CODE39 ITF "
                                                       "CODABAR CODE93 CODE128 GS1-128 DATABAR DATABAR-TRUNCATED DATABAR-LIMITED DATABAR-EXPANDED"},
        {{"--port", "COM3", "barcode", "EAN-13"}, "barcode takes two arguments"},
        {{"--port", "COM3", "--hri", "left", "barcodes"}, "--hri takes none|above|below|both, not \"left\""},
        {{"--port", "COM3", "--qr-model", "3", "qr", "x"}, "--qr-model takes 1|2|micro, not \"3\""},
        {{"--port", "COM3", "--module", "-1", "qr", "x"}, "--module takes a number from 0 to 255, not \"-1\""},
        {{"check-scan", "receipt.png"}, "check-scan needs --sent REPORT.json"},
        {{"--port", "COM3", "--fast", "tile"}, "unknown option --fast"},
        {{"--port", "COM3", "--model", "KR-999", "tile"}, "unknown model \"KR-999\"; the models are KL-310 KL-320 KL-330 KL-340 KL-350 KL-360 KR-410 KR-420 KR-430"},
        {{"--port", "COM3", "--repeat", "1x", "tile"}, "--repeat takes a count of passes, not \"1x\""},
        {{"--port", "COM3", "--feed", "1011", "tile"}, "--feed is at most 1010"},
        {{"--port", "COM3", "--delay", "99999999999", "tile"}, "--delay is at most 2147483647"},
        {{"--port", "COM3", "--density", "+6", "tile"}, "--density takes a step from -5 to +5, not \"+6\""},
        {{"--port", "COM3", "--speed", "300", "tile"}, "--speed takes one of 1200 2400 4800 9600 19200 38400 57600 115200, not \"300\""},
        {{"--port", "COM3", "sequence", "Full Cut,Cut"}, "\"Cut\" is not a command of the catalogue: Print H, Text Output, Feed, "
                                                         "Full Cut, Partial Cut, BlackMark(Forward), BlackMark Out(Forward), "
                                                         "BlackMark(Reverse), BlackMark Out(Reverse)"},
        {{"--port", "COM3", "logo"}, "logo takes one argument"},
        {{"tile"}, "--port or --out is needed"},
        {{"--port"}, "--port needs a value"},
    };
    for (const auto& [args, error] : rows) {
        SCOPED_TRACE(error);
        const auto parsedOptions = headless::parseRunOptions(args);
        ASSERT_TRUE(std::holds_alternative<std::string>(parsedOptions));
        EXPECT_EQ(std::get<std::string>(parsedOptions), error);
    }
}

} // namespace
