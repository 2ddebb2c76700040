#include "codes/ScanCheck.h"

#include "codes/Code128.h"
#include "codes/CodeText.h"
#include "codes/Gs1.h"

#include <cstdio>

namespace printbench::codes {

// What zxing-cpp 1.4 reports (ReadBarcodes, try harder, Codabar start and stop kept), found by
// drawing each symbology with zint and reading it back:
//
//   sent (GS k data / 2-D data)               format           text
//   UPC-A 01234567890 or 012345678905         UPC-A            012345678905 (check digit added)
//   UPC-E 123456 / 0123456 / 01234565         UPC-E            01234565 (8 digits, not expanded)
//   EAN-13 490123456789                       EAN-13           4901234567894
//   EAN-8 9638507                             EAN-8            96385074
//   CODE39 ABC-123 (or *ABC-123*)             Code39           ABC-123
//   ITF 1234567890                            ITF              1234567890 (2 and 4 digits: nothing)
//   CODABAR A40156B                           Codabar          A40156B (A1B: nothing)
//   CODE93 CODE93 Test                        Code93           CODE93 Test
//   CODE128 {BNo. 123                         Code128          No. 123
//   GS1-128 (01)09501101530003(17)250101      Code128          010950110153000317250101
//   GS1-128 (10)ABC123(01)09501101530003      Code128          10ABC123<GS>0109501101530003
//   DATABAR 0950110153000 (also truncated)    DataBar          09501101530003 (no AI, 14 digits)
//   DATABAR-LIMITED 0950110153000             -                nothing
//   DATABAR-EXPANDED (01)...(3103)000123      DataBarExpanded  (01)09501101530003(3103)000123
//   DATABAR-EXPANDED (01)09501101530003       -                nothing (with any AI after it: read)
//   QR https://example.com, 안녕 QR (UTF-8)   QRCode           the text (UTF-8 recognised)
//   QR micro                                  MicroQRCode      the text
//   PDF417 한국어 PDF (UTF-8)                 PDF417           the text
// QR model 1 is not among the codes zxing-cpp 1.4 reads.

namespace {

scan::CodeRead reading(std::string format, std::string text)
{
    return {std::move(format), std::move(text), {}};
}

std::string dataText(const run::CodeSent& code)
{
    return {code.data.begin(), code.data.end()};
}

std::string withCheckDigit(const std::string& digits)
{
    return digits + gtinCheckDigit(digits);
}

// Text as a line shows it: GS as <GS>, other control characters as \xNN.
std::string lineText(const std::string& text)
{
    std::string shown;
    std::size_t from = 0;
    for (std::size_t gs = text.find('\x1D'); gs != std::string::npos; from = gs + 1, gs = text.find('\x1D', from))
        shown += shownText(std::string_view(text).substr(from, gs - from)) + "<GS>";
    return shown + shownText(std::string_view(text).substr(from));
}

}  // namespace

std::string uncheckableReason(const run::CodeSent& code)
{
    const std::string data = dataText(code);
    if (code.symbology == "DATABAR-LIMITED") return "the reader reads no DataBar Limited";
    if (code.symbology == "DATABAR-EXPANDED" && data.rfind("(01)", 0) == 0 && data.find('(', 1) == std::string::npos)
        return "the reader reads no DataBar Expanded of AI 01 alone";
    if (code.symbology == "QR" && code.settings.rfind("model 1", 0) == 0) return "the reader reads no QR model 1";
    if (code.symbology == "ITF" && data.size() < 6) return "the reader reads ITF of 6 digits or more";
    if (code.symbology == "CODABAR" && data.size() < 4)
        return "the reader reads Codabar of 2 characters or more between start and stop";
    return {};
}

std::optional<scan::CodeRead> expectedReading(const run::CodeSent& code)
{
    if (!uncheckableReason(code).empty()) return std::nullopt;
    const std::string data = dataText(code);
    const std::string& s = code.symbology;
    if (s == "UPC-A") return reading("UPC-A", data.size() == 11 ? withCheckDigit(data) : data);
    if (s == "UPC-E") {
        // Number system 0, the body and the check digit over the UPC-A the body stands for.
        const std::string body = data.size() == 6 ? data : data.substr(1, 6);
        return reading("UPC-E", "0" + body + gtinCheckDigit(upceToUpca(body)));
    }
    if (s == "EAN-13") return reading("EAN-13", data.size() == 12 ? withCheckDigit(data) : data);
    if (s == "EAN-8") return reading("EAN-8", data.size() == 7 ? withCheckDigit(data) : data);
    if (s == "CODE39") {
        const bool starred = data.size() >= 2 && data.front() == '*' && data.back() == '*';
        return reading("Code39", starred ? data.substr(1, data.size() - 2) : data);
    }
    if (s == "ITF") return reading("ITF", data);
    if (s == "CODABAR") return reading("Codabar", data);
    if (s == "CODE93") return reading("Code93", data);
    if (s == "CODE128") return reading("Code128", code128Text(code.data));
    if (s == "GS1-128") {
        const auto elements = gs1Elements(s, data);
        if (const auto* e = std::get_if<std::vector<Gs1Element>>(&elements))
            return reading("Code128", gs1ReaderText(*e));
        return std::nullopt;
    }
    if (s == "DATABAR" || s == "DATABAR-TRUNCATED") return reading("DataBar", withCheckDigit(data));
    if (s == "DATABAR-EXPANDED") return reading("DataBarExpanded", data);
    if (s == "QR") return reading(code.settings.rfind("micro", 0) == 0 ? "MicroQRCode" : "QRCode", data);
    if (s == "PDF417") return reading("PDF417", data);
    return std::nullopt;
}

std::vector<ScanRow> checkScan(const std::vector<run::CodeSent>& sent, const std::vector<scan::CodeRead>& read)
{
    std::vector<ScanRow> rows;
    std::vector<std::optional<scan::CodeRead>> expected;
    for (const run::CodeSent& code : sent) {
        expected.push_back(expectedReading(code));
        rows.push_back({code, expected.back() ? Verdict::NotFound : Verdict::NotCheckable,
                        expected.back() ? expected.back()->format + " " + lineText(expected.back()->text) : "",
                        std::nullopt});
    }
    std::vector<bool> used(read.size(), false);
    // A 2-D code holds the bytes sent, in whatever character set they are (UTF-8, or the text code
    // page): when the reader gives the bytes, they are compared; its text is its guess of the set.
    const auto ownText = [&](std::size_t i, const scan::CodeRead& r) {
        const bool twoD = sent[i].symbology == "QR" || sent[i].symbology == "PDF417";
        return twoD && !r.bytes.empty() ? r.bytes == dataText(sent[i]) : r.text == expected[i]->text;
    };
    const auto match = [&](bool sameText, Verdict verdict) {
        for (std::size_t i = 0; i < rows.size(); ++i) {
            if (rows[i].verdict != Verdict::NotFound) continue;
            for (std::size_t k = 0; k < read.size(); ++k) {
                if (used[k] || read[k].format != expected[i]->format || (sameText && !ownText(i, read[k]))) continue;
                used[k] = true;
                rows[i].verdict = verdict;
                rows[i].read = read[k];
                break;
            }
        }
    };
    match(true, Verdict::Read);
    match(false, Verdict::ReadAsOther);
    return rows;
}

std::string scanLine(const ScanRow& row)
{
    std::string line = row.code.symbology + " " + lineText(row.code.text) + ": ";
    switch (row.verdict) {
    case Verdict::Read: return line + "read";
    case Verdict::ReadAsOther: return line + "read as " + row.read->format + " " + lineText(row.read->text);
    case Verdict::NotFound: return line + "not found";
    case Verdict::NotCheckable: return line + "not checkable (" + uncheckableReason(row.code) + ")";
    }
    return line;
}

bool scanPassed(const std::vector<ScanRow>& rows)
{
    for (const ScanRow& row : rows)
        if (row.verdict != Verdict::Read && row.verdict != Verdict::NotCheckable) return false;
    return true;
}

}  // namespace printbench::codes
