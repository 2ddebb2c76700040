#include "support/Receipts.h"
#include "support/Recorder.h"

#include <gtest/gtest.h>

namespace {

using namespace printbench::printer;

// A 640-dot printer fed through the decoder, keeping its pages and its log.
struct Printer : printbench::testkit::PaperPrinter {
    explicit Printer(const std::string& hex) : PaperPrinter(640) { feed(printbench::testkit::unhex(hex)); }
    std::vector<printbench::scan::CodeRead> read() const { return printbench::testkit::readPage(pages.back()).reads(); }
    // The rows of the last page in runs: "blank 2, text 20, bars 50", bars being rows the same as
    // `barRow`'s.
    std::string rows(int barRow) const
    {
        std::string s, last;
        int count = 0;
        const Page& p = pages.back();
        for (int y = 0; y <= p.height; ++y) {
            std::string kind = "end";
            if (y < p.height) {
                bool same = true, ink = false;
                for (int x = 0; x < p.dots.width; ++x) same = same && p.at(x, y) == p.at(x, barRow), ink = ink || p.at(x, y);
                kind = !ink ? "blank" : same ? "bars" : "text";
            }
            if (kind != last && count) s += (s.empty() ? "" : ", ") + last + " " + std::to_string(count), count = 0;
            last = kind;
            ++count;
        }
        return s;
    }
};

// Each symbology and 2-D code printed at the defaults (HRI below), read back from the receipt.
TEST(BarcodeRoundTrip, EveryCodeIsReadBackFromTheReceipt)
{
    const std::vector<std::tuple<const char*, const char*, const char*>> rows{
        {"1D 6B 41 0B 30 31 32 33 34 35 36 37 38 39 30", "UPC-A", "012345678905"},
        {"1D 6B 42 07 30 31 32 33 34 35 36", "UPC-E", "01234565"},
        {"1D 6B 43 0C 34 39 30 31 32 33 34 35 36 37 38 39", "EAN-13", "4901234567894"},
        {"1D 6B 02 34 39 30 31 32 33 34 35 36 37 38 39 00", "EAN-13", "4901234567894"},
        {"1D 6B 44 07 34 39 30 31 32 33 34", "EAN-8", "49012347"},
        {"1D 6B 45 06 43 4F 44 45 33 39", "Code39", "CODE39"},
        {"1D 6B 46 0A 31 32 33 34 35 36 37 38 39 30", "ITF", "1234567890"},
        {"1D 6B 47 07 41 31 32 33 34 35 42", "Codabar", "A12345B"},
        {"1D 6B 48 06 43 4F 44 45 39 33", "Code93", "CODE93"},
        {"1D 6B 49 0B 7B 42 4E 6F 2E 20 7B 43 01 17 2D", "Code128", "No. 012345"},
        // Set A with a control byte, a shift to B, FNC4-free; then B with a literal {.
        {"1D 6B 49 0C 7B 41 41 09 7B 53 61 7B 42 7B 7B 62", "Code128", "A\ta{b"},
        {"1D 6B 4A 1C 28 30 31 29 30 39 35 30 31 31 30 31 35 33 30 30 30 33 28 31 37 29 32 35 30 31 30 31", "Code128",
         "010950110153000317250101"},
        {"1D 6B 4B 0D 30 39 35 30 31 31 30 31 35 33 30 30 30", "DataBar", "09501101530003"},
        {"1D 6B 4C 0D 30 39 35 30 31 31 30 31 35 33 30 30 30", "DataBar", "09501101530003"},
        {"1D 6B 4E 1C 28 30 31 29 30 39 35 30 31 31 30 31 35 33 30 30 30 33 28 31 37 29 32 35 30 31 30 31",
         "DataBarExpanded", "(01)09501101530003(17)250101"},
        {"1D 28 6B 10 00 31 50 30 50 72 69 6E 74 42 65 6E 63 68 20 51 52 1D 28 6B 03 00 31 51 30", "QRCode",
         "PrintBench QR"},
        {"1D 28 6B 04 00 31 41 33 00 1D 28 6B 08 00 31 50 30 31 32 33 34 35 1D 28 6B 03 00 31 51 30", "MicroQRCode", "12345"},
        {"1D 28 6B 04 00 30 45 30 32 1D 28 6B 14 00 30 50 30 50 72 69 6E 74 42 65 6E 63 68 20 50 44 46 34 31 37 "
         "1D 28 6B 03 00 30 51 30", "PDF417", "PrintBench PDF417"},
        {"1D 28 6B 03 00 30 46 01 1D 28 6B 14 00 30 50 30 50 72 69 6E 74 42 65 6E 63 68 20 50 44 46 34 31 37 "
         "1D 28 6B 03 00 30 51 30", "PDF417", "PrintBench PDF417"},
    };
    for (const auto& [bytes, format, text] : rows) {
        SCOPED_TRACE(bytes);
        Printer p{std::string("1D 48 02 ") + bytes + " 1B 69"};
        ASSERT_EQ(p.pages.size(), 1u);
        EXPECT_TRUE(p.notes.empty());
        const auto codes = p.read();
        ASSERT_EQ(codes.size(), 1u);
        EXPECT_EQ(codes[0].format, format);
        EXPECT_EQ(codes[0].text, text);
    }
}

// CODE39 50 dots high: the HRI characters (outlined cells without a font) above, below, in font
// B, or none; the paper feeds by all of it.
TEST(BarcodeRendering, HriGoesAboveOrBelowTheBarsInItsFont)
{
    const std::vector<std::tuple<const char*, int, const char*>> rows{
        {"1D 48 01", 40, "blank 2, text 20, blank 2, bars 50"},
        {"1D 48 32", 10, "bars 50, blank 2, text 20, blank 2"},
        {"1D 48 03 1D 66 01", 40, "blank 2, text 14, blank 1, bars 50, blank 2, text 14, blank 1"},
        {"1D 48 00", 10, "bars 50"},
    };
    for (const auto& [hri, barRow, expected] : rows) {
        SCOPED_TRACE(hri);
        Printer p{std::string(hri) + " 1D 68 32 1D 6B 45 06 43 4F 44 45 33 39 1B 69"};
        ASSERT_EQ(p.pages.size(), 1u);
        EXPECT_EQ(p.rows(barRow), expected);
    }
}

// What cannot print feeds 24 dots of blank paper and says why in the printer's log; ESC @ sets
// the module width back to 3 dots, and the same code then fits.
TEST(BarcodeRendering, ACodeThatCannotPrintFeedsALittleAndIsLogged)
{
    const std::vector<std::pair<const char*, const char*>> rows{
        {"1D 77 06 1D 6B 49 0A 7B 42 50 72 69 6E 74 42 65 6E",
         "CODE128 not printed: 123 modules of 6 dots are 738 dots wide, wider than the 640 dots of paper"},
        {"1D 28 6B 04 00 31 41 31 00 1D 28 6B 04 00 31 50 30 41 1D 28 6B 03 00 31 51 30",
         "QR code not printed: QR model 1 cannot be drawn here (no encoder makes it)"},
        {"1D 6B 49 03 41 42 43", "CODE128 not printed: CODE128 data must start with a code set: {A, {B or {C"},
        {"1D 6B 49 04 7B 43 64 01", "CODE128 not printed: CODE128 code set C takes bytes 0 to 99, not 100"},
        {"1D 6B 46 03 31 32 33", "ITF not printed: ITF takes an even number of digits"},
        {"1D 28 6B 03 00 30 51 30", "PDF417 not printed: no data stored"},
    };
    for (const auto& [bytes, note] : rows) {
        SCOPED_TRACE(bytes);
        Printer p{std::string(bytes) + " 1B 69"};
        EXPECT_EQ(p.notes, std::vector<std::string>{note});
        ASSERT_EQ(p.pages.size(), 1u);
        EXPECT_EQ(p.rows(0), "blank 24");
    }
    Printer p{"1D 77 06 1B 40 1D 6B 49 0A 7B 42 50 72 69 6E 74 42 65 6E 1B 69"};
    EXPECT_TRUE(p.notes.empty());
    EXPECT_EQ(p.rows(0), "bars 162");
}

} // namespace
