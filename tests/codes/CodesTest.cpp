// Barcodes and 2-D codes: their bytes, their refusals, the page that prints them on a link of the
// recorder, and what a reader should report of them.

#include "codes/Codes.h"
#include "codes/ScanCheck.h"
#include "support/Benches.h"
#include "support/Receipts.h"

#include <gtest/gtest.h>

using namespace printbench;
using namespace printbench::codes;
using testkit::hex;
using Lines = std::vector<std::string>;

namespace {

PreparedCode prepared(const CodeRequest& request, int width = 432)
{
    auto p = prepare(request, width);
    if (auto* refusal = std::get_if<Refusal>(&p)) ADD_FAILURE() << refusal->message;
    return std::holds_alternative<PreparedCode>(p) ? std::get<PreparedCode>(p) : PreparedCode{};
}

BarcodeRequest barcode(Symbology s, std::string data, Form form = Form::B) { return {s, std::move(data), {.form = form}}; }

} // namespace

TEST(Codes, GsKBytesPerSymbologyAndForm)
{
    using S = Symbology;
    const std::vector<std::tuple<S, std::string, Form, std::string>> rows{
        {S::UpcA, "01234567890", Form::B, "1D 6B 41 0B 30 31 32 33 34 35 36 37 38 39 30"},
        {S::UpcA, "012345678905", Form::A, "1D 6B 00 30 31 32 33 34 35 36 37 38 39 30 35 00"},
        {S::UpcE, "123456", Form::B, "1D 6B 42 06 31 32 33 34 35 36"},
        {S::UpcE, "01234565", Form::A, "1D 6B 01 30 31 32 33 34 35 36 35 00"},
        {S::Ean13, "4901234567894", Form::B, "1D 6B 43 0D 34 39 30 31 32 33 34 35 36 37 38 39 34"},
        {S::Ean8, "9638507", Form::A, "1D 6B 03 39 36 33 38 35 30 37 00"},
        {S::Code39, "*AB-1*", Form::A, "1D 6B 04 2A 41 42 2D 31 2A 00"},
        {S::Itf, "1234", Form::B, "1D 6B 46 04 31 32 33 34"},
        {S::Codabar, "A40156B", Form::A, "1D 6B 06 41 34 30 31 35 36 42 00"},
        {S::Code93, "Ab", Form::B, "1D 6B 48 02 41 62"},
        {S::Code128, "1234", Form::B, "1D 6B 49 04 7B 43 0C 22"},
        {S::Code128, "No. 123", Form::B, "1D 6B 49 09 7B 42 4E 6F 2E 20 31 32 33"},
        {S::Code128, "AB123456", Form::B, "1D 6B 49 09 7B 42 41 42 7B 43 0C 22 38"},
        {S::Code128, "a\tb{", Form::B, "1D 6B 49 09 7B 42 61 7B 53 09 62 7B 7B"},
        {S::Code128, "{C1234{Bab{{{1", Form::B, "1D 6B 49 0C 7B 43 0C 22 7B 42 61 62 7B 7B 7B 31"},
        {S::Gs1_128, "(01)09501101530003(17)250101", Form::B,
         "1D 6B 4A 1C 28 30 31 29 30 39 35 30 31 31 30 31 35 33 30 30 30 33 28 31 37 29 32 35 30 31 30 31"},
        {S::DataBar, "(01)09501101530003", Form::B, "1D 6B 4B 0D 30 39 35 30 31 31 30 31 35 33 30 30 30"},
        {S::DataBarTruncated, "0950110153000", Form::B, "1D 6B 4C 0D 30 39 35 30 31 31 30 31 35 33 30 30 30"},
        {S::DataBarLimited, "09501101530003", Form::B, "1D 6B 4D 0D 30 39 35 30 31 31 30 31 35 33 30 30 30"},
        {S::DataBarExpanded, "(3103)000123", Form::B, "1D 6B 4E 0C 28 33 31 30 33 29 30 30 30 31 32 33"},
    };
    for (const auto& [symbology, data, form, bytes] : rows) {
        SCOPED_TRACE(std::string(symbologyInfo(symbology).name) + " " + data);
        const PreparedCode code = prepared(barcode(symbology, data, form), 894);
        ASSERT_EQ(hex(code.print), bytes);
        EXPECT_EQ(code.record.data, std::vector<std::uint8_t>(code.print.begin() + (form == Form::A ? 3 : 4),
                                                              code.print.end() - (form == Form::A ? 1 : 0)));
    }
    EXPECT_EQ(symbologyByName("databar-truncated"), Symbology::DataBarTruncated);
    EXPECT_EQ(symbologyByName("Ean13"), Symbology::Ean13);
    EXPECT_EQ(symbologyByName("EAN-14"), std::nullopt);
}

TEST(Codes, SettingsTitleAndRecord)
{
    const PreparedCode standard = prepared(barcode(Symbology::Ean8, "9638507"));
    EXPECT_EQ(hex(standard.setup) + " | " + standard.title + " | " + standard.record.symbology + " | " + standard.record.settings,
              "1D 68 A2 1D 77 03 1D 48 02 1D 66 00 | EAN-8 9638507 | EAN-8 | height 162, module 3, hri below, font A, form B");
    const PreparedCode other = prepared(BarcodeRequest{Symbology::Ean8, "9638507", {80, 2, Hri::Both, 1, Form::A}}, 140);
    EXPECT_EQ(hex(other.setup) + " | " + other.title + " | " + other.record.settings,
              "1D 68 50 1D 77 02 1D 48 03 1D 66 01 | EAN-8 96385 | height 80, module 2, hri both, font B, form A");
    // Every sample fits the narrowest model at module 3; in form A those without it keep form B.
    auto sample = preparePage(samplePage({.form = Form::A}), 432);
    ASSERT_TRUE(std::holds_alternative<std::vector<PreparedCode>>(sample)) << std::get<Refusal>(sample).message;
    std::string forms;
    for (const PreparedCode& code : std::get<std::vector<PreparedCode>>(sample)) forms += hex({&code.print[2], 1}) + " ";
    EXPECT_EQ(forms, "00 01 02 03 04 05 06 48 49 4A 4B 4C 4D 4E ");
}

TEST(Codes, QrAndPdf417Bytes)
{
    const PreparedCode qr = prepared(QrRequest{"https://example.com", {QrModel::Model2, 6, QrLevel::M}});
    EXPECT_EQ(hex(qr.setup) + " " + hex(qr.print),
              "1D 28 6B 04 00 31 41 32 00 1D 28 6B 03 00 31 43 06 1D 28 6B 03 00 31 45 31 1D 28 6B 16 00 31 50 30 68 74 74 "
              "70 73 3A 2F 2F 65 78 61 6D 70 6C 65 2E 63 6F 6D 1D 28 6B 03 00 31 51 30");
    EXPECT_EQ(qr.record.settings, "model 2, module 6, level M");
    // pL pH count the UTF-8 bytes: 9 bytes and 3.
    const PreparedCode korean = prepared(QrRequest{"안녕 QR", {QrModel::Micro, 3, QrLevel::L}});
    EXPECT_EQ(hex(korean.setup) + " | " + hex(korean.print) + " | " + korean.title,
              "1D 28 6B 04 00 31 41 33 00 1D 28 6B 03 00 31 43 03 1D 28 6B 03 00 31 45 30 | "
              "1D 28 6B 0C 00 31 50 30 EC 95 88 EB 85 95 20 51 52 1D 28 6B 03 00 31 51 30 | QR ?? QR");
    // In the text code page when asked: 가 and 나 are B0 A1 and B3 AA in CP949.
    const PreparedCode cp949 = prepared(QrRequest{"가나", {}, "CP949"});
    EXPECT_EQ(hex(cp949.print) + " | " + cp949.record.settings + " | " + hex(cp949.record.data),
              "1D 28 6B 07 00 31 50 30 B0 A1 B3 AA 1D 28 6B 03 00 31 51 30 | model 2, module 3, level M, text in CP949 | "
              "B0 A1 B3 AA");
    const PreparedCode pdf = prepared(Pdf417Request{"AB", {4, 10, 2, 5, 2, true}});
    EXPECT_EQ(hex(pdf.setup) + " | " + hex(pdf.print) + " | " + pdf.record.settings,
              "1D 28 6B 03 00 30 41 04 1D 28 6B 03 00 30 42 0A 1D 28 6B 03 00 30 43 02 1D 28 6B 03 00 30 44 05 "
              "1D 28 6B 04 00 30 45 30 32 1D 28 6B 03 00 30 46 01 | 1D 28 6B 05 00 30 50 30 41 42 1D 28 6B 03 00 30 51 30 | "
              "columns 4, rows 10, module 2, row height 5, level 2, truncated");
}

TEST(Codes, RefusalsNameTheSymbologyAndTheFault)
{
    using S = Symbology;
    const std::vector<std::pair<CodeRequest, std::string>> rows{
        {barcode(S::Ean13, "12345678901A"), "EAN-13: \"12345678901A\" has \"A\" at position 12; EAN-13 takes digits only"},
        {barcode(S::Ean13, "12345"), "EAN-13: \"12345\" has 5 digits; EAN-13 takes 12 digits, or 13 with the check digit"},
        {barcode(S::Ean13, "4901234567890"), "EAN-13: \"4901234567890\" ends in check digit 0; the check digit of 490123456789 is 4"},
        {barcode(S::UpcA, "012345678901"), "UPC-A: \"012345678901\" ends in check digit 1; the check digit of 01234567890 is 5"},
        {barcode(S::UpcE, "1234567"), "UPC-E: \"1234567\" has number system 1 at position 1; UPC-E takes number system 0"},
        {barcode(S::UpcE, "01234567"), "UPC-E: \"01234567\" ends in check digit 7; the check digit of 0123456 is 5"},
        {barcode(S::Code39, "A*B"), "CODE39: \"A*B\" has \"*\" at position 2; CODE39 takes 0-9 A-Z space - . $ / + % (and * at both ends)"},
        {barcode(S::Itf, "123"), "ITF: \"123\" has 3 digits; ITF takes an even number of digits, at least 2"},
        {barcode(S::Codabar, "40156B"), "CODABAR: \"40156B\" has \"4\" at position 1; CODABAR begins and ends with A, B, C or D"},
        {barcode(S::Codabar, "A4xB"), "CODABAR: \"A4xB\" has \"x\" at position 3; CODABAR takes 0-9 - $ : / . + between A, B, C or D at both ends"},
        {barcode(S::Code93, "caf\xC3\xA9"), "CODE93: \"caf\xC3\xA9\" has \"\xC3\xA9\" at position 4; CODE93 takes ASCII 0 to 127"},
        {barcode(S::Code93, "AB", Form::A), "CODE93: GS k form A has no CODE93; it takes form B"},
        {barcode(S::Code128, "{C123"), "CODE128: \"{C123\" has \"3\" alone at position 5; set C takes pairs of digits"},
        {barcode(S::Code128, "{Bab{X"), "CODE128: \"{Bab{X\" has \"{X\" at position 5; the marks are {A {B {C {S {1 {2 {3 {4 and {{"},
        {barcode(S::Code128, "{Aab"), "CODE128: \"{Aab\" has \"a\" at position 3; set A takes ASCII 0 to 95"},
        {barcode(S::Gs1_128, "(01)09501101530004"),
         "GS1-128: \"(01)09501101530004\" has check digit 4 in AI (01); the check digit of 0950110153000 is 3"},
        {barcode(S::DataBarExpanded, "(1)AB"), "DATABAR-EXPANDED: \"(1)AB\" has AI (1) at position 1; an AI is 2 to 4 digits"},
        {barcode(S::DataBar, "095011015300"), "DATABAR: \"095011015300\" has 12 digits; DATABAR takes the 13 digits of a GTIN, or 14 with the check digit"},
        {barcode(S::DataBarLimited, "2950110153000"), "DATABAR-LIMITED: \"2950110153000\" begins with 2; DATABAR-LIMITED takes a GTIN that begins with 0 or 1"},
        {BarcodeRequest{S::Ean8, "9638507", {.height = 0}}, "EAN-8: height 0 is out of range (1 to 255)"},
        {barcode(S::Code128, "ABCDEFGHIJ"), "CODE128: 435 dots wide (145 modules of 3 dots); the print width is 432 dots"},
        {QrRequest{std::string(3000, 'x'), {}}, "QR: 3000 bytes do not fit model 2 at level M (at most 2331)"},
        {QrRequest{std::string(500, 'x'), {QrModel::Model1, 1, QrLevel::L}}, "QR: 500 bytes do not fit model 1 at level L (at most 486)"},
        {QrRequest{"AB", {QrModel::Micro, 3, QrLevel::H}}, "QR: micro QR has no level H"},
        {Pdf417Request{"가😀", {}, "CP949"}, "PDF417: code page CP949 has no \"😀\""},
        {QrRequest{std::string(100, 'x'), {QrModel::Model2, 16, QrLevel::M}},
         "QR: 656 dots wide (version 6, 41 modules of 16 dots); the print width is 432 dots"},
        {Pdf417Request{std::string(2000, 'x'), {.level = 8}}, "PDF417: 2000 bytes do not fit at level 8 (at most 496)"},
        {Pdf417Request{"AB", {.columns = 30}}, "PDF417: 1737 dots wide (30 columns, 579 modules of 3 dots); the print width is 432 dots"},
    };
    for (const auto& [request, message] : rows) {
        SCOPED_TRACE(message);
        // A page with one bad code is refused whole: nothing of it reaches PrintCodePage.
        auto page = preparePage({barcode(Symbology::Ean8, "9638507"), request}, 432);
        ASSERT_TRUE(std::holds_alternative<Refusal>(page));
        EXPECT_EQ(std::get<Refusal>(page).message, message);
    }
}

TEST(CodesPage, FramingStopAndNoRoute)
{
    const auto page = std::get<std::vector<PreparedCode>>(
        preparePage({barcode(Symbology::Ean8, "9638507"), QrRequest{"AB", {QrModel::Model2, 3, QrLevel::L}}}, 432));
    testkit::Rig r;
    std::vector<std::string> sent;
    const auto hear = [&](const run::CodeSent& c) { sent.push_back(c.symbology + " " + c.text); };
    r.state.StopRequested = 1;  // stale: cleared as the page starts
    EXPECT_EQ(PrintCodePage(r.serial(), page, r.state, r.rec, 500, hear), commands::RunEnd::Complete);
    EXPECT_EQ(r.rec.lines({"serial", "sleep", "events", "repeated"}),
              (Lines{"repeated 1", "serial text 1B 40", "events 1", "serial text 45 41 4E 2D 38 20 39 36 33 38 35 30 37", "serial text 0A",
                     "serial bytes 1D 68 A2 1D 77 03 1D 48 02 1D 66 00", "serial bytes 1D 6B 44 07 39 36 33 38 35 30 37",
                     "serial text 0A", "events 2", "serial text 51 52 20 41 42", "serial text 0A",
                     "serial bytes 1D 28 6B 04 00 31 41 32 00 1D 28 6B 03 00 31 43 03 1D 28 6B 03 00 31 45 30",
                     "serial bytes 1D 28 6B 05 00 31 50 30 41 42 1D 28 6B 03 00 31 51 30", "serial text 0A",
                     "serial text 1B 4A 78", "serial text 1B 69", "serial text 10 04 02", "sleep 500", "serial text 10 04 02"}));
    EXPECT_EQ(sent, (Lines{"EAN-8 9638507", "QR AB"}));

    // A stop raised during the first code: the second is not sent, nor the feed and cut.
    testkit::Rig s;
    sent.clear();
    s.rec.atEventPass(2, [&] { s.state.StopRequested = 1; });
    EXPECT_EQ(PrintCodePage(s.usb(), page, s.state, s.rec, 500, hear), commands::RunEnd::Stopped);
    EXPECT_EQ(s.rec.stream(s.rec.find("events 2")), "");
    EXPECT_EQ(sent, (Lines{"EAN-8 9638507"}));

    testkit::Rig none;
    PrintCodePage(none.link.channel(link::Route::None), page, none.state, none.rec, 500, hear);
    EXPECT_EQ(none.rec.timeline, Lines{});
}

TEST(CodesScan, ExpectedReadingsAndVerdicts)
{
    using S = Symbology;
    const std::vector<std::pair<CodeRequest, std::string>> rows{
        {barcode(S::UpcA, "01234567890"), "UPC-A 012345678905"},
        {barcode(S::UpcE, "123456"), "UPC-E 01234565"},
        {barcode(S::Ean8, "9638507"), "EAN-8 96385074"},
        {barcode(S::Code39, "*AB-1*"), "Code39 AB-1"},
        {barcode(S::Codabar, "A40156B"), "Codabar A40156B"},
        {barcode(S::Code128, "a{b 1234"), "Code128 a{b 1234"},
        {barcode(S::Code128, "{A{1AB{Bc{{{1x"), "Code128 ABc{<GS>x"},
        {barcode(S::Gs1_128, "(10)ABC(01)09501101530003(17)250101"), "Code128 10ABC<GS>010950110153000317250101"},
        {barcode(S::DataBar, "0950110153000"), "DataBar 09501101530003"},
        {barcode(S::DataBarExpanded, "(3103)000123"), "DataBarExpanded (3103)000123"},
        {QrRequest{"AB", {QrModel::Micro, 3, QrLevel::L}}, "MicroQRCode AB"},
        {Pdf417Request{"AB", {}}, "PDF417 AB"},
        {QrRequest{"AB", {QrModel::Model1, 3, QrLevel::L}}, "QR AB: not checkable (the reader reads no QR model 1)"},
        {barcode(S::Itf, "1234"), "ITF 1234: not checkable (the reader reads ITF of 6 digits or more)"},
    };
    for (const auto& [request, expected] : rows) {
        SCOPED_TRACE(expected);
        const ScanRow row = checkScan({prepared(request, 894).record}, {})[0];
        EXPECT_EQ(row.verdict == Verdict::NotCheckable ? scanLine(row) : row.expected, expected);
    }

    std::vector<run::CodeSent> sent;
    for (const CodeRequest& r : std::vector<CodeRequest>{barcode(S::Ean13, "490123456789"), barcode(S::Code128, "{C1234"),
                                                         barcode(S::DataBarLimited, "0950110153000"), QrRequest{"AB", {}},
                                                         barcode(S::Ean13, "4901234567894")})
        sent.push_back(prepared(r).record);
    // Exact readings first, each used once; a leftover of the same format is read as other text.
    const std::vector<scan::CodeRead> read{{"EAN-13", "4901234567890"}, {"Code128", "1234"}, {"EAN-13", "4901234567894"}};
    const std::vector<ScanRow> rows2 = checkScan(sent, read);
    Lines lines;
    for (const ScanRow& row : rows2) lines.push_back(scanLine(row));
    EXPECT_EQ(lines, (Lines{"EAN-13 490123456789: read", "CODE128 {C1234: read",
                            "DATABAR-LIMITED 0950110153000: not checkable (the reader reads no DataBar Limited)", "QR AB: not found",
                            "EAN-13 4901234567894: read as EAN-13 4901234567890"}));
    EXPECT_FALSE(scanPassed(rows2));
    EXPECT_TRUE(scanPassed(checkScan({sent[1], sent[2]}, read)));
}

// Through the bench to the virtual printer, in process: the sample page on the narrowest model,
// and the 2-D codes (Korean text, micro QR, truncated PDF417), each read back from the receipt by
// zxing-cpp with its own text. The codes the reader cannot read are the only ones not read.
TEST(CodesRoundTrip, PagesTheBenchSendsAreReadBackWithTheirOwnText)
{
    Pdf417Settings truncated;
    truncated.truncated = true, truncated.columns = 3;
    const std::vector<std::vector<CodeRequest>> pages{
        samplePage({}),
        {QrRequest{"https://example.com", {QrModel::Model2, 6, QrLevel::M}}, QrRequest{"프린터 벤치", {QrModel::Model2, 4, QrLevel::H}},
         QrRequest{"12345", {QrModel::Micro, 4, QrLevel::L}}, QrRequest{"model one", {QrModel::Model1, 4, QrLevel::L}},
         QrRequest{"한글 코드 페이지", {QrModel::Model2, 4, QrLevel::M}, "CP949"},
         Pdf417Request{"PrintBench PDF417", {}}, Pdf417Request{"잘린 PDF417", truncated}},
    };
    for (const auto& requests : pages) {
        const auto page = std::get<std::vector<PreparedCode>>(preparePage(requests, 432));
        testkit::Rig r;
        PrintCodePage(r.serial(), page, r.state, r.rec, 0);
        testkit::PaperPrinter paper(432);
        paper.feed(testkit::unhex(r.rec.stream()));
        ASSERT_EQ(paper.pages.size(), 1u);
        std::vector<run::CodeSent> sent;
        for (const PreparedCode& code : page) sent.push_back(code.record);
        std::vector<std::string> unread;
        for (const ScanRow& row : checkScan(sent, testkit::readPage(paper.pages[0]).reads()))
            if (row.verdict != Verdict::Read) unread.push_back(scanLine(row));
        EXPECT_EQ(unread, (Lines{requests.size() == 7 ? "QR model one: not checkable (the reader reads no QR model 1)"
                                                       : "DATABAR-LIMITED 0950110153000: not checkable (the reader reads no DataBar Limited)"}));
    }
}
