// What drawing the expected paper costs, against what a serial line at 115,200 baud brings
// (11,520 bytes a second): the CPU time per byte sent, of the sending thread's copy and the
// drawing thread together, for four kinds of traffic, and the share of one core that makes at
// 11,520 bytes a second (target under 10 %):
// - text lines, one a flush point, a full cut every 40;
// - the test pattern, 20 repetitions, as the window's handler sends it (its flush points);
// - a picture in 24-dot bands (ESC * 33), 432 dots wide, 60 cm long, a band a flush point;
// - the barcodes' sample page, five times, as the window's handler sends it.
// The bytes are first gathered from the window's handlers on the recorder (with a serial port in
// memory), then handed to the expected paper as the journal hands them, with a reader taking a
// view every 1,152 bytes (ten times a second at that rate), as the dock does, each made after
// everything before it is drawn (at that rate the thread is always idle by then), so each one
// copies the paper so far. The glyphs are the
// printer's own stand-ins (no Qt font): a glyph is drawn once and kept, so the font costs nothing
// after the first of each character. The figure is the least of 7 rounds. First, the memory after
// 80 m of text lines (10,000 lines of 62 characters, two printed lines each): the rows kept and
// dropped, and the resident memory the process gained.
// Prints figures only; exits 1 when something could not be measured.

#include "Measured.h"
#include "cockpit/ExpectedPaper.h"
#include "cockpit/Journal.h"
#include "codes/Codes.h"
#include "support/Benches.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

namespace {

using namespace printbench;
using window::Control;
using Chunks = std::vector<std::vector<std::uint8_t>>;

// What the journal hands its listeners, one chunk a flush point.
struct Gather : cockpit::SentListener {
    void sent(link::Route, std::span<const std::uint8_t> bytes) override
    {
        chunks.emplace_back(bytes.begin(), bytes.end());
    }
    Chunks chunks;
};

// The bytes a handler of the window sends on COM3 to a KL-330 (432 dots).
template <typename Handler>
Chunks sentBy(Handler handler)
{
    testkit::Recorder rec;
    rec.recording = false;
    bench::MemoryPort port;
    const link::CodePage codePage{"CP949"};
    testkit::TempDir ports;
    window::Form1 form{rec, rec, port, rec.usb, codePage, ports.path()};
    form.Form_Load();
    cockpit::Journal journal(rec);
    Gather gather;
    journal.addSentListener(&gather);
    form.link().setTap(&journal);
    form.setListIndex(Control::Combo4, 2);
    form.setListIndex(Control::Combo2, 3);
    form.setText(Control::Text5, "0");
    handler(form);
    return gather.chunks;
}

Chunks textLines(int lines)
{
    Chunks chunks;
    for (int i = 1; i <= lines; ++i) {
        char line[96];
        std::snprintf(line, sizeof line, "%05d PrintBench expected paper: a line of text, 0123456789 ABCDEF\n", i);
        chunks.emplace_back(line, line + std::char_traits<char>::length(line));
        if (i % 40 == 0) chunks.push_back({0x1B, 0x69});
    }
    return chunks;
}

Chunks picture()
{
    Chunks chunks{{0x1B, 0x33, 24}};
    std::uint32_t seed = 12345;
    for (int band = 0; band < 200; ++band) {
        std::vector<std::uint8_t> bytes{0x1B, 0x2A, 33, 432 % 256, 432 / 256};
        for (int i = 0; i < 432 * 3; ++i) {
            seed = seed * 1103515245u + 12345u;
            bytes.push_back(std::uint8_t(seed >> 16));
        }
        bytes.push_back('\n');
        chunks.push_back(std::move(bytes));
    }
    chunks.push_back({0x1B, 0x32, 0x1B, 0x69});
    return chunks;
}

std::size_t bytesOf(const Chunks& chunks)
{
    std::size_t n = 0;
    for (const auto& c : chunks) n += c.size();
    return n;
}

// CPU seconds to draw `chunks`, with a reader's view every 1,152 bytes; -1 when nothing was drawn.
double drawCpu(const Chunks& chunks)
{
    cockpit::ExpectedPaper paper(nullptr, 432);
    const double start = bench::cpuSeconds();
    std::size_t sinceView = 0;
    for (const auto& chunk : chunks) {
        paper.sent(link::Route::Serial, chunk);
        sinceView += chunk.size();
        if (sinceView >= 1152) {
            paper.view(true);  // at 11,520 bytes/s the thread has caught up by the dock's next look
            sinceView = 0;
        }
    }
    const auto view = paper.view(true);
    const double cpu = bench::cpuSeconds() - start;
    return view->keptRows > 0 ? cpu : -1;
}

bool measureCost()
{
    const struct {
        const char* name;
        Chunks chunks;
    } kinds[] = {
        {"text lines", textLines(2000)},
        {"test pattern", sentBy([](window::Form1& f) {
             f.setText(Control::Text2, "20");
             f.Command9_Click();
         })},
        {"picture in ESC * 33 bands", picture()},
        {"barcodes' sample page x5", sentBy([](window::Form1& f) {
             for (int i = 0; i < 5; ++i) f.PrintCodes(run::Action::Barcodes, codes::samplePage({}));
         })},
    };
    bool ok = true;
    for (const auto& kind : kinds) {
        const std::size_t bytes = bytesOf(kind.chunks);
        double least = 1e9;
        for (int round = 0; round < 7; ++round) {
            const double cpu = drawCpu(kind.chunks);
            if (cpu < 0 || bytes == 0) return false;
            least = std::min(least, cpu);
        }
        const double perByte = least / double(bytes);
        const double share = perByte * 11520 * 100;
        std::printf("%-27s %8zu bytes in %5zu flushes: %7.3f us a byte, %5.2f %% of one core at 11,520 bytes/s "
                    "(target under 10 %%)\n",
                    kind.name, bytes, kind.chunks.size(), perByte * 1e6, share);
        ok = ok && share >= 0;
    }
    return ok;
}

bool measureMemory()
{
    const long before = bench::residentKiB();
    cockpit::ExpectedPaper paper(nullptr, 432);
    const Chunks lines = textLines(2000);  // 2,000 lines of 64 dots: 16 m
    for (int i = 0; i < 5; ++i)
        for (const auto& chunk : lines) paper.sent(link::Route::Serial, chunk);
    const auto view = paper.view(true);
    const long after = bench::residentKiB();
    std::printf("after %.1f m of text lines at 432 dots: %lld rows kept (bound %lld), %llu rows and %llu pieces "
                "dropped; the process gained %.1f MiB of resident memory\n",
                double(view->keptRows + std::int64_t(view->droppedRows)) / 8000.0,
                static_cast<long long>(view->keptRows),
                static_cast<long long>(cockpit::ExpectedPaper::kDefaultBoundRows),
                static_cast<unsigned long long>(view->droppedRows),
                static_cast<unsigned long long>(view->droppedPieces), double(after - before) / 1024.0);
    return view->keptRows <= cockpit::ExpectedPaper::kDefaultBoundRows;
}

}  // namespace

int main()
{
    return bench::measured("expected_paper_bench", [] { return measureMemory() && measureCost(); });
}
