// libFuzzer target over the codes: any symbology, settings and data (valid UTF-8 or not) are
// either refused or turned into commands the printer's decoder reads back whole: the settings
// and exactly one code, whose data is the data the record says was sent. Printing them on paper
// of the model's width must not fail.
//
// Input: byte 0 chooses the kind (14 barcodes, QR, PDF417) and the paper, bytes 1 to 6 the
// settings (a 2-D code's text in UTF-8 or CP949 among them); the rest is the data.

#include "codes/Codes.h"
#include "printer/Decoder.h"
#include "printer/VirtualPrinter.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

using namespace printbench;

class Paper : public printer::PrinterOutput {
public:
    void reply(std::uint8_t) override {}
    void page(const printer::Page&) override {}
};

// Every command of the stream, checked as it comes.
class Check : public printer::CommandSink {
public:
    explicit Check(printer::VirtualPrinter& p) : printer(p) {}
    void command(const printer::Command& c) override
    {
        using printer::Op;
        if (c.op == Op::Unknown || c.op == Op::Incomplete || c.op == Op::Char || c.op == Op::LineFeed) std::abort();
        if (c.op == Op::Barcode) {
            ++codes;
            data.assign(c.data.begin(), c.data.end());
        }
        if ((c.op == Op::QrCode || c.op == Op::Pdf417) && c.a == 80) data.assign(c.data.begin(), c.data.end());
        if ((c.op == Op::QrCode || c.op == Op::Pdf417) && c.a == 81) ++codes;
        printer.command(c);
    }
    printer::VirtualPrinter& printer;
    int codes = 0;
    std::vector<std::uint8_t> data;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* input, std::size_t size)
{
    if (size < 7) return 0;
    static constexpr std::array kWidths{432, 448, 512, 640, 894};
    const int kind = input[0] % 16;
    const int width = kWidths[std::size_t(input[0] / 16) % kWidths.size()];
    const std::string data(reinterpret_cast<const char*>(input + 7), size - 7);
    codes::CodeRequest request = codes::QrRequest{data, {}};
    if (kind < 14) {
        codes::BarcodeSettings s;
        s.height = input[1], s.moduleWidth = input[2] % 8, s.hri = codes::Hri(input[3] % 4), s.hriFont = input[4] % 2;
        s.form = input[5] % 2 ? codes::Form::A : codes::Form::B;
        request = codes::BarcodeRequest{codes::kSymbologies[std::size_t(kind)].symbology, data, s};
    } else if (kind == 14) {
        codes::QrSettings s;
        s.model = codes::QrModel(input[1] % 3), s.module = input[2] % 18, s.level = codes::QrLevel(input[3] % 4);
        request = codes::QrRequest{data, s, input[4] % 2 ? "CP949" : ""};
    } else {
        codes::Pdf417Settings s;
        s.columns = input[1] % 32, s.rows = input[2] % 92, s.moduleWidth = input[3] % 10, s.rowHeight = input[4] % 10;
        s.level = input[5] % 10, s.truncated = input[6] % 2;
        request = codes::Pdf417Request{data, s, input[6] / 2 % 2 ? "CP949" : ""};
    }
    const auto prepared = codes::prepare(request, width);
    const auto* code = std::get_if<codes::PreparedCode>(&prepared);
    if (!code) return 0;

    Paper paper;
    printer::VirtualPrinter printer(width, paper);
    printer::Decoder decoder;
    Check check(printer);
    decoder.feed(code->setup, check);
    decoder.feed(code->print, check);
    decoder.finish(check);
    if (check.codes != 1 || check.data != code->record.data) std::abort();
    printer.finish();
    return 0;
}
