#include "scan/CodeReader.h"

#define ZX_USE_UTF8 1  // text() as UTF-8
#include <ZXing/ReadBarcode.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <optional>
#include <string_view>
#include <sys/wait.h>
#include <unistd.h>

namespace printbench::scan {

namespace {

CodeFound found(const ZXing::Result& r)
{
    const auto p = r.position();
    const auto xs = {p.topLeft().x, p.topRight().x, p.bottomLeft().x, p.bottomRight().x};
    const auto ys = {p.topLeft().y, p.topRight().y, p.bottomLeft().y, p.bottomRight().y};
    const std::string bytes(r.bytes().begin(), r.bytes().end());
    return {{ZXing::ToString(r.format()), r.text(), bytes}, std::min(xs), std::min(ys), std::max(xs), std::max(ys)};
}

// A band of rows with ink, between rows without: on a receipt, a line of text or one code.
struct Band {
    int top, bottom;  // bottom exclusive
};

std::vector<Band> bands(const std::uint8_t* grey, int width, int height)
{
    constexpr int Gap = 6;  // blank rows that part two bands
    std::vector<Band> out;
    int blank = Gap, top = -1;
    for (int y = 0; y <= height; ++y) {
        const std::uint8_t* row = grey + std::size_t(y) * std::size_t(width);
        const bool ink = y < height && *std::min_element(row, row + width) < 128;
        if (ink) {
            if (top < 0) top = y;
            blank = 0;
        } else if (top >= 0 && ++blank >= Gap) {
            out.push_back({top, y - blank + 1});
            top = -1;
        }
        if (y == height && top >= 0) out.push_back({top, height});
    }
    return out;
}

// The codes of one band, on a white copy of its own (rows of the next band would be read as
// codes of their own). One code a call, each painted out of the copy before the next call:
// zxing-cpp 1.4 compares the results of one call, and stops on an assertion comparing some
// (several EAN/UPC codes, a code found at two scales).
std::vector<CodeFound> readBand(const std::uint8_t* grey, int width, Band band, bool thorough)
{
    ZXing::DecodeHints hints;
    hints.setTryHarder(thorough);
    hints.setTryRotate(thorough);
    hints.setMaxNumberOfSymbols(1);
    hints.setTryDownscale(false);  // a large picture is read again at half size (readCodes)
    // Codabar's start and stop characters are part of what was sent; keep them.
    hints.setReturnCodabarStartEnd(true);
    constexpr int Margin = 8;  // white rows around the band, as the reader wants a quiet zone
    const int rows = band.bottom - band.top + 2 * Margin;
    std::vector<std::uint8_t> copy(std::size_t(rows) * std::size_t(width), 255);
    std::copy(grey + std::size_t(band.top) * std::size_t(width), grey + std::size_t(band.bottom) * std::size_t(width),
              copy.begin() + std::ptrdiff_t(Margin) * width);
    std::vector<CodeFound> codes;
    for (int tries = 0; tries < 64; ++tries) {
        const ZXing::Result r = ZXing::ReadBarcode(ZXing::ImageView(copy.data(), width, rows, ZXing::ImageFormat::Lum),
                                                   hints);
        if (!r.isValid()) break;
        CodeFound code = found(r);
        // Paint it out: a 2-D code within its corners; a barcode between the ends of the lines it
        // was read on, and across them as far as its bars go (to the first row or column
        // without ink), whichever way the picture turns it.
        int x0 = std::clamp(code.left - 2, 0, width - 1), x1 = std::clamp(code.right + 2, 0, width - 1);
        int y0 = std::clamp(code.top - 2, 0, rows - 1), y1 = std::clamp(code.bottom + 2, 0, rows - 1);
        if (ZXing::BarcodeFormats(ZXing::BarcodeFormat::LinearCodes).testFlag(r.format())) {
            const auto inked = [&](int ax, int ay, int bx, int by) {  // any ink in the rectangle
                for (int y = ay; y <= by; ++y)
                    for (int x = ax; x <= bx; ++x)
                        if (copy[std::size_t(y) * std::size_t(width) + std::size_t(x)] < 128) return true;
                return false;
            };
            if (x1 - x0 >= y1 - y0) {
                while (y0 > 0 && inked(x0, y0 - 1, x1, y0 - 1)) --y0;
                while (y1 + 1 < rows && inked(x0, y1 + 1, x1, y1 + 1)) ++y1;
            } else {
                while (x0 > 0 && inked(x0 - 1, y0, x0 - 1, y1)) --x0;
                while (x1 + 1 < width && inked(x1 + 1, y0, x1 + 1, y1)) ++x1;
            }
        }
        for (int y = y0; y <= y1; ++y)
            std::fill_n(copy.begin() + std::ptrdiff_t(y) * width + x0, x1 - x0 + 1, std::uint8_t{255});
        // The same code again where it was: its paint did not take; the band is done.
        if (!codes.empty() && codes.back().code.format == code.code.format &&
            codes.back().code.text == code.code.text && codes.back().left == code.left &&
            codes.back().top == code.top + band.top - Margin)
            break;
        code.top += band.top - Margin;
        code.bottom += band.top - Margin;
        codes.push_back(std::move(code));
    }
    return codes;
}

// The codes as bytes through a pipe: each field as its length, a colon and its bytes.
void put(std::string& out, std::string_view field)
{
    out += std::to_string(field.size()) + ':';
    out += field;
}

std::optional<std::string_view> take(std::string_view& in)
{
    const std::size_t colon = in.find(':');
    std::size_t n = 0;
    if (colon == std::string_view::npos) return std::nullopt;
    const auto [end, ec] = std::from_chars(in.data(), in.data() + colon, n);
    if (ec != std::errc() || end != in.data() + colon || n > in.size() - colon - 1) return std::nullopt;
    const std::string_view field = in.substr(colon + 1, n);
    in.remove_prefix(colon + 1 + n);
    return field;
}

std::optional<std::vector<CodeFound>> parse(std::string_view in)
{
    std::vector<CodeFound> codes;
    while (!in.empty()) {
        CodeFound c;
        std::optional<std::string_view> fields[7];
        for (auto& f : fields) f = take(in);
        if (!fields[6]) return std::nullopt;
        c.code = {std::string(*fields[0]), std::string(*fields[1]), std::string(*fields[2])};
        int* numbers[] = {&c.left, &c.top, &c.right, &c.bottom};
        for (int i = 0; i < 4; ++i)
            if (std::from_chars(fields[i + 3]->data(), fields[i + 3]->data() + fields[i + 3]->size(), *numbers[i]).ec !=
                std::errc())
                return std::nullopt;
        codes.push_back(std::move(c));
    }
    return codes;
}

// The band read in a child process, so that the reader stopping the process on an assertion
// stops the child only; none when the child did not end well.
std::optional<std::vector<CodeFound>> readApart(const std::uint8_t* grey, int width, Band band, bool thorough)
{
    int pipe[2];
    if (::pipe2(pipe, O_CLOEXEC) != 0) return std::nullopt;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipe[0]);
        const int null = ::open("/dev/null", O_WRONLY);  // the assertion's words are not the program's
        if (null >= 0) ::dup2(null, STDERR_FILENO);
        std::string out;
        for (const CodeFound& c : readBand(grey, width, band, thorough)) {
            put(out, c.code.format);
            put(out, c.code.text);
            put(out, c.code.bytes);
            for (const int n : {c.left, c.top, c.right, c.bottom}) put(out, std::to_string(n));
        }
        for (std::size_t done = 0; done < out.size();) {
            const ssize_t n = ::write(pipe[1], out.data() + done, out.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) ::_exit(1);
            done += std::size_t(n);
        }
        ::_exit(0);
    }
    ::close(pipe[1]);
    std::string in;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(pipe[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        in.append(buffer, std::size_t(n));
    }
    ::close(pipe[0]);
    if (child < 0) return std::nullopt;
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {}
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
    return parse(in);
}

// Every band of the picture; a band the reader stops on is read again more simply, and named in
// `trouble` when that stops too.
void read(const std::uint8_t* grey, int width, int height, int scale, Reading& reading)
{
    for (const Band& band : bands(grey, width, height)) {
        auto codes = readApart(grey, width, band, true);
        if (!codes) codes = readApart(grey, width, band, false);
        if (!codes) {
            reading.trouble += std::string(reading.trouble.empty() ? "" : ", ") + "rows " +
                               std::to_string(band.top * scale) + " to " + std::to_string(band.bottom * scale - 1);
            continue;
        }
        for (CodeFound& c : *codes) {
            for (int* n : {&c.left, &c.top, &c.right, &c.bottom}) *n *= scale;
            reading.codes.push_back(std::move(c));
        }
    }
}

}  // namespace

std::vector<CodeRead> Reading::reads() const
{
    std::vector<CodeRead> out;
    for (const CodeFound& c : codes) out.push_back(c.code);
    return out;
}

Reading readCodes(const std::uint8_t* grey, int width, int height)
{
    Reading reading;
    if (!grey || width <= 0 || height <= 0) return reading;
    read(grey, width, height, 1, reading);
    // A photo of a receipt: its bars may be too fine for the reader at full size. Codes found
    // only at half size join those found already.
    if (std::min(width, height) >= 1200) {
        const int w = width / 2, h = height / 2;
        std::vector<std::uint8_t> half(std::size_t(w) * std::size_t(h));
        for (int y = 0; y < h; ++y) {
            const std::uint8_t* a = grey + std::size_t(2 * y) * std::size_t(width);
            const std::uint8_t* b = a + width;
            for (int x = 0; x < w; ++x)
                half[std::size_t(y) * std::size_t(w) + std::size_t(x)] =
                    std::uint8_t((a[2 * x] + a[2 * x + 1] + b[2 * x] + b[2 * x + 1] + 2) / 4);
        }
        Reading more;
        read(half.data(), w, h, 2, more);
        for (CodeFound& f : more.codes) {
            const bool known = std::any_of(reading.codes.begin(), reading.codes.end(), [&](const CodeFound& r) {
                return r.code.format == f.code.format && r.code.text == f.code.text;
            });
            if (!known) reading.codes.push_back(std::move(f));
        }
        // Rows read at one size are read: trouble at half size alone is none.
        if (!reading.trouble.empty() && more.trouble.empty()) reading.trouble.clear();
    }
    std::stable_sort(reading.codes.begin(), reading.codes.end(), [](const CodeFound& a, const CodeFound& b) {
        return a.top != b.top ? a.top < b.top : a.left < b.left;
    });
    return reading;
}

}  // namespace printbench::scan
