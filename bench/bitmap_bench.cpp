// Figures of the logo print, for a 576 x 800 and a 2048 x 2048 1-bit bitmap made in memory:
//
// (a) The median time of the conversion and the band stream: header check, geometry, row file,
//     column file and bitmap::SendLogo over the serial route of a link on the test kit's
//     recorder (nothing written down), whose tap gathers the bytes sent as QtSerialPort gathers
//     them until a flush. Targets: at most 1 ms (576 x 800) and 5 ms (2048 x 2048).
// (b) The same work the slow way, as a line-by-line port would do it: the bitmap and both work
//     files on disk, every byte fetched or stored with its own positioned read or write through
//     std::fstream. Run fewer times; its band stream must equal (a)'s.
// (c) A whole print (Form3::Command1_Click, files on disk) on the test kit's recorder, whose
//     serial port keeps one write for every flush that carries bytes: the operating-system
//     writes per band. Target: at most 1.
//
// (a) is taken twice: with glibc's default allocation, where the buffers of every run are fresh
// pages that fault in (costly in a virtual machine), and with freed memory kept for reuse.
//
// Prints figures only; exits 1 when the two ways disagree or the print does not complete.

#include "bitmap/BitmapConversion.h"
#include "bitmap/LogoPrint.h"
#include "link/Tap.h"
#include "support/Benches.h"
#include "support/Recorder.h"
#include "window/Form3.h"

#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using namespace printbench;
using window::Control;
namespace fs = std::filesystem;

// Gathers every byte the link sends, as the serial port of the program does until a flush.
class Gather : public link::Tap {
public:
    void traffic(const link::Traffic& t) override
    {
        if (t.direction == link::Traffic::Direction::Sent)
            pending.insert(pending.end(), t.bytes.begin(), t.bytes.end());
    }
    std::vector<std::uint8_t> pending;
};

// A 1-bit bitmap, black first in the palette, with a pattern of diagonal bars and noise.
std::vector<std::uint8_t> makeBitmap(int width, int height)
{
    const int stride = ((width + 7) / 8 + 3) / 4 * 4;
    const std::uint32_t size = 62 + static_cast<std::uint32_t>(stride * height);
    std::vector<std::uint8_t> f(size, 0);
    const auto put32 = [&f](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) f[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    f[0] = 'B', f[1] = 'M';
    put32(2, size), put32(10, 62), put32(14, 40), put32(18, static_cast<std::uint32_t>(width));
    put32(22, static_cast<std::uint32_t>(height)), f[26] = 1, f[28] = 1, put32(58, 0x00FFFFFF);
    std::uint32_t noise = 12345;
    for (std::size_t i = 62; i < size; ++i) {
        noise = noise * 1103515245u + 12345u;
        const std::size_t at = i - 62;
        f[i] = static_cast<std::uint8_t>(((at / stride + at % stride) & 8 ? 0xF0 : 0x0F) ^ (noise >> 24 & 0x11));
    }
    return f;
}

// The slow way; returns the band stream. Header fields and bands as SendLogo sends them.
std::vector<std::uint8_t> slowPrint(const fs::path& dir)
{
    std::fstream in(dir / "in.bmp", std::ios::in | std::ios::binary);
    std::fstream rows(dir / "zq_logo.tmp", std::ios::in | std::ios::out | std::ios::trunc | std::ios::binary);
    std::fstream cols(dir / "zq_logo.ver", std::ios::in | std::ios::out | std::ios::trunc | std::ios::binary);
    const auto get = [](std::fstream& f, std::int64_t at) {
        f.seekg(at);
        return static_cast<std::uint8_t>(f.get());
    };
    const auto put = [](std::fstream& f, std::int64_t at, std::uint8_t v) {
        f.seekp(at);
        f.put(static_cast<char>(v));
    };
    const auto getLong = [&](std::int64_t at) {
        std::uint32_t v = 0;
        for (int i = 3; i >= 0; --i) v = v << 8 | get(in, at + i);
        return static_cast<std::int32_t>(v);
    };
    std::vector<std::uint8_t> out;
    if (get(in, 0) != 'B' || get(in, 1) != 'M') return out;
    for (int i = 54; i <= 57; ++i)
        if (get(in, i) != 0) return out;
    const std::int32_t width = getLong(18), height = getLong(22), size = getLong(2);
    const std::int32_t rowBytes = (width + 7) / 8, stride = (rowBytes + 3) / 4 * 4, columnBytes = (height + 7) / 8;
    if (size != 62 + stride * height) return out;

    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t b = 0; b < rowBytes; ++b)
            put(rows, std::int64_t{y} * rowBytes + b,
                static_cast<std::uint8_t>(~get(in, 62 + std::int64_t{height - 1 - y} * stride + b)));
    }
    for (std::int32_t x = 0; x < width; ++x) {
        for (std::int32_t k = 0; k < columnBytes; ++k) {
            std::uint8_t v = 0;
            for (int bit = 0; bit < 8; ++bit) {
                const std::int32_t y = 8 * k + bit;
                if (y < height && get(rows, std::int64_t{y} * rowBytes + x / 8) & (0x80 >> (x % 8))) v |= 0x80 >> bit;
            }
            put(cols, std::int64_t{x} * columnBytes + k, v);
        }
    }
    out = {0x1B, 0x33, 0x18, 0x1B, 0x4C, 0x1B, 0x54, 0x00, 0x1B, 0x57, 0, 0, 0, 0, 0xAF, 0x01, 0x08, 0x02};
    const std::int32_t n = rowBytes * 8;
    for (std::int32_t band = 0; band < (columnBytes + 2) / 3; ++band) {
        out.insert(out.end(),
                   {0x1B, 0x2A, 0x21, static_cast<std::uint8_t>(n & 0xFF), static_cast<std::uint8_t>(n >> 8)});
        for (std::int32_t j = 0; j < n; ++j) {
            for (std::int32_t k = 0; k < 3; ++k) {
                const std::int32_t at = 3 * band + k;
                out.push_back(j < width && at < columnBytes ? get(cols, std::int64_t{j} * columnBytes + at) : 0);
            }
        }
        out.push_back(0x0A);
    }
    out.insert(out.end(), {0x1B, 0x0C, 0x1B, 0x53, 0x1B, 0x4A, 0x7F, 0x1B, 0x69, 0x10, 0x05, 0x02});
    return out;
}

double ms(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// (a): the median over 21 runs, printed with its parts; the band stream of the last run.
std::vector<std::uint8_t> fastWay(const std::vector<std::uint8_t>& file, double targetMs)
{
    using Clock = std::chrono::steady_clock;
    constexpr int kRuns = 21;
    testkit::Rig rig;
    rig.rec.recording = false;
    link::PrinterChannel& serial = rig.serial();
    Gather sent;
    rig.link.setTap(&sent);
    std::vector<double> total, check, rowFile, columnFile, bands;
    std::vector<std::uint8_t> stream;
    for (int run = 0; run < kRuns; ++run) {
        sent.pending = {};
        const auto t0 = Clock::now();
        if (bitmap::CheckBitmapHeader(file) != bitmap::HeaderCheck::Valid) return {};
        const auto geometry = bitmap::logoGeometry(file);
        if (!geometry.geometry) return {};
        const auto t1 = Clock::now();
        const auto rows = bitmap::WriteRowFile(file, *geometry.geometry);
        const auto t2 = Clock::now();
        const auto columns = bitmap::BuildColumnFile(rows, *geometry.geometry);
        const auto t3 = Clock::now();
        bitmap::SendLogo(serial, *geometry.geometry, columns);
        const auto t4 = Clock::now();
        total.push_back(ms(t4 - t0)), check.push_back(ms(t1 - t0)), rowFile.push_back(ms(t2 - t1));
        columnFile.push_back(ms(t3 - t2)), bands.push_back(ms(t4 - t3));
        rig.link.handOverTraffic();  // the tap hears of what was sent at the flush points
        stream.swap(sent.pending);
    }
    rig.link.setTap(nullptr);
    std::printf("  conversion and bands: median %.3f ms over %d runs (target <= %.0f ms): %s\n", median(total), kRuns,
                targetMs, median(total) <= targetMs ? "met" : "NOT met");
    std::printf("    check + geometry %.4f ms, row file %.3f ms, column file %.3f ms, SendLogo %.3f ms\n",
                median(check), median(rowFile), median(columnFile), median(bands));
    return stream;
}

bool measure(int width, int height, double targetMs, bool whole)
{
    const std::vector<std::uint8_t> file = makeBitmap(width, height);
    const int bands = bitmap::logoGeometry(file).geometry->bands();
    const testkit::TempDir folder;
    const fs::path& dir = folder.path();
    testkit::writeFile(dir / "in.bmp", file);
    std::printf("%4d x %-4d  %d bands\n", width, height, bands);
    const std::vector<std::uint8_t> stream = fastWay(file, targetMs);
    if (!whole) return !stream.empty();

    const int slowRuns = width * height > 1000000 ? 1 : 3;
    std::vector<double> slow;
    std::vector<std::uint8_t> slowStream;
    for (int run = 0; run < slowRuns; ++run) {
        const auto t0 = std::chrono::steady_clock::now();
        slowStream = slowPrint(dir);
        slow.push_back(ms(std::chrono::steady_clock::now() - t0));
    }
    std::printf("  the slow way (a positioned fstream read or write per byte): median %.1f ms over %d run%s\n",
                median(slow), slowRuns, slowRuns > 1 ? "s" : "");
    const bool same = !stream.empty() && slowStream == stream;
    std::printf("  band streams of both ways (%zu bytes): %s\n", stream.size(), same ? "identical" : "DIFFERENT");

    // A whole print from the file on disk, COM3 chosen; the message box flushes before it shows.
    // Written down this time: the recorder's serial port keeps the bytes of every flush.
    testkit::Bench printer;
    printer.serial();
    const std::size_t writesBefore = printer.rec.serial.osWrites.size();
    fs::create_directory(dir / "work");
    window::Form3 form3(printer.form, printer.rec, dir / "work");
    printer.rec.setText(Control::Label12, dir.string());
    printer.rec.addListItem(Control::Form3List2, "in.bmp");
    form3.Command1_Click();
    const int osWrites = static_cast<int>(printer.rec.serial.osWrites.size() - writesBefore);
    std::vector<std::uint8_t> written;
    for (std::size_t i = writesBefore; i < printer.rec.serial.osWrites.size(); ++i)
        written.insert(written.end(), printer.rec.serial.osWrites[i].begin(), printer.rec.serial.osWrites[i].end());
    const bool done = printer.rec.only({"message "}) == "message plain \"데이터 출력을 완료했습니다\"";
    const bool sameBytes = written == stream;
    std::printf("  whole print on the serial route: %d OS write%s for %d bands = %.3f per band (target <= 1)%s%s\n",
                osWrites, osWrites == 1 ? "" : "s", bands, static_cast<double>(osWrites) / bands,
                done ? "" : "; the print did NOT complete", sameBytes ? "" : "; its bytes DIFFER from the band stream");
    return same && done && sameBytes;
}

}  // namespace

int main()
{
    std::printf("== Fresh memory for every buffer (glibc's default: blocks over 128 KB are mapped when allocated and\n"
                "   unmapped when freed, so every page of the row file, column file and stream is faulted in anew)\n");
    bool ok = measure(576, 800, 1, true);
    ok = measure(2048, 2048, 5, true) && ok;
    // A process that keeps freed memory for the next print: the same work without the page faults.
    mallopt(M_MMAP_THRESHOLD, 256 << 20);
    mallopt(M_TRIM_THRESHOLD, 512 << 20);
    std::printf("== Freed memory kept for reuse (mmap threshold 256 MB)\n");
    ok = measure(576, 800, 1, false) && ok;
    ok = measure(2048, 2048, 5, false) && ok;
    return ok ? 0 : 1;
}
