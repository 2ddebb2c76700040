// Figures of the virtual printer's codes, decoded and drawn (no font, finished paper dropped):
//
// (a) A QR code of 1,000 bytes at error correction L with 8-dot modules on the 894-dot paper of
//     the KL-360: GS ( k model 2, module size, level, store and print, then the cut. Median and
//     best of 40 codes, in ms a code. Target: under 5 ms.
// (b) A page of one barcode of each 1-D symbology (GS k form B, 14 kinds, HRI below, 2-dot
//     modules), then the cut. Median and best of 40 pages, in ms a page.
//
// (c) The sample page of Test pages › Barcodes… (every symbology, the bench's own settings) on a
//     KL-330 (432 dots): checked and encoded and sent to a channel in memory; drawn by the virtual
//     printer; its receipt read back by zxing-cpp. Median and best of 15 pages, in ms each.
//
// Prints figures only; exits 1 when a code did not print or was not read back.

#include "Measured.h"
#include "codes/Codes.h"
#include "printer/Decoder.h"
#include "printer/VirtualPrinter.h"
#include "scan/CodeReader.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace printbench::printer;
using Clock = std::chrono::steady_clock;
constexpr int kRuns = 40;

class Counting : public PrinterOutput {
public:
    void reply(std::uint8_t) override {}
    void page(const Page&) override { ++pages; }
    void note(const std::string& text) override { notes.push_back(text); }
    int pages = 0;
    std::vector<std::string> notes;
};

void add(std::vector<std::uint8_t>& out, std::initializer_list<int> bytes)
{
    for (const int b : bytes) out.push_back(static_cast<std::uint8_t>(b));
}

void add2D(std::vector<std::uint8_t>& out, int cn, int fn, const std::vector<std::uint8_t>& parameters)
{
    const std::size_t n = parameters.size() + 2;
    add(out, {0x1D, 0x28, 0x6B, int(n & 0xFF), int(n >> 8), cn, fn});
    out.insert(out.end(), parameters.begin(), parameters.end());
}

std::vector<std::uint8_t> qrStream()
{
    std::vector<std::uint8_t> data{0x30};
    std::uint32_t seed = 0xC0DE;
    for (int i = 0; i < 1000; ++i) {
        seed = seed * 1664525u + 1013904223u;
        data.push_back(static_cast<std::uint8_t>(seed >> 24));
    }
    std::vector<std::uint8_t> out;
    add2D(out, 49, 65, {50, 0});
    add2D(out, 49, 67, {8});
    add2D(out, 49, 69, {48});
    add2D(out, 49, 80, data);
    add2D(out, 49, 81, {48});
    add(out, {0x1B, 0x69});
    return out;
}

std::vector<std::uint8_t> barcodePage()
{
    const std::vector<std::string> data{"01234567890",   "0123456",
                                        "490123456789",  "4901234",
                                        "CODE39",        "1234567890",
                                        "A12345B",       "CODE93",
                                        "{BNo. 123",     "(01)09501101530003(17)250101",
                                        "0950110153000", "0950110153000",
                                        "0950110153000", "(01)09501101530003(17)250101"};
    std::vector<std::uint8_t> out;
    add(out, {0x1D, 0x48, 0x02, 0x1D, 0x77, 0x02, 0x1D, 0x68, 0x50});
    for (std::size_t m = 0; m < data.size(); ++m) {
        add(out, {0x1D, 0x6B, int(65 + m), int(data[m].size())});
        out.insert(out.end(), data[m].begin(), data[m].end());
    }
    add(out, {0x1B, 0x69});
    return out;
}

// The printer at the end of a channel in memory: what is sent, with no waits.
class Collecting : public printbench::link::PrinterChannel {
public:
    printbench::link::Route route() const override { return printbench::link::Route::Serial; }
    void command(printbench::link::Bytes b) override { bytes(b); }
    void byte(std::uint8_t b) override { sent.push_back(b); }
    void bytes(printbench::link::Bytes b) override { sent.insert(sent.end(), b.begin(), b.end()); }
    void text(const std::string& utf8) override { sent.insert(sent.end(), utf8.begin(), utf8.end()); }
    void requestStatus() override { add(sent, {0x10, 0x04, 0x02}); }
    void wait(std::int64_t) override {}
    void letEventsIn() override {}
    std::vector<std::uint8_t> sent;
};

class Keeping : public Counting {
public:
    void page(const Page& p) override
    {
        Counting::page(p);
        last = p;
    }
    Page last;
};

struct NoPanel : printbench::commands::RunPanel {
    std::int64_t repeatCount() override { return 1; }
    void showRepetition(std::int64_t) override {}
};

double medianOf(std::vector<double> ms, double& best)
{
    std::sort(ms.begin(), ms.end());
    best = ms.front();
    return ms[ms.size() / 2];
}

// The sample page: encoding and sending, drawing, reading back.
bool samplePage()
{
    namespace codes = printbench::codes;
    constexpr int kPages = 15, kWidth = 432;
    std::vector<double> encode, draw, read;
    std::size_t found = 0, codesSent = 0;
    for (int run = 0; run < kPages; ++run) {
        auto start = Clock::now();
        const auto prepared = codes::preparePage(codes::samplePage({}), kWidth);
        if (!std::holds_alternative<std::vector<codes::PreparedCode>>(prepared)) return false;
        const auto& page = std::get<std::vector<codes::PreparedCode>>(prepared);
        Collecting channel;
        printbench::commands::SharedState state;
        NoPanel panel;
        codes::PrintCodePage(channel, page, state, panel, 0);
        encode.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        codesSent = page.size();

        start = Clock::now();
        Keeping output;
        VirtualPrinter printer(kWidth, output);
        Decoder decoder;
        decoder.feed(channel.sent, printer);
        draw.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        if (output.pages != 1) return false;

        start = Clock::now();
        const Dots& dots = output.last.dots;
        std::vector<std::uint8_t> grey(dots.dots.size());
        for (std::size_t i = 0; i < grey.size(); ++i) grey[i] = dots.dots[i] ? 0 : 255;
        found = printbench::scan::readCodes(grey.data(), dots.width, dots.height).codes.size();
        read.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    double best = 0;
    const auto line = [&](const std::string& what, const std::vector<double>& ms) {
        const double median = medianOf(ms, best);
        std::printf("%-52s median %7.3f ms, best %7.3f ms\n", what.c_str(), median, best);
    };
    line("sample page (" + std::to_string(codesSent) + " codes, 432 dots), encoded and sent:", encode);
    line("sample page drawn by the virtual printer:", draw);
    line("sample page read back by zxing-cpp (" + std::to_string(found) + " codes):", read);
    return found + 1 == codesSent;  // DataBar Limited is not read by zxing-cpp 1.4
}

// Median and best ms of printing `stream` kRuns times; false when anything did not print.
bool measure(const char* what, const std::vector<std::uint8_t>& stream)
{
    std::vector<double> ms;
    Counting output;
    VirtualPrinter printer(894, output);
    Decoder decoder;
    for (int run = 0; run < kRuns; ++run) {
        const auto start = Clock::now();
        decoder.feed(stream, printer);
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%-52s median %7.3f ms, best %7.3f ms\n", what, ms[ms.size() / 2], ms.front());
    for (const std::string& note : output.notes) std::fprintf(stderr, "barcode_bench: %s\n", note.c_str());
    return output.notes.empty() && output.pages == kRuns;
}

}  // namespace

int main()
{
    return printbench::bench::measured("barcode_bench", [] {
        const bool qr = measure("QR 1,000 bytes, level L, 8-dot modules, 894 dots:", qrStream());
        const bool page = measure("page of the 14 barcode kinds, 2-dot modules:", barcodePage());
        const bool sample = samplePage();
        return qr && page && sample;
    });
}
