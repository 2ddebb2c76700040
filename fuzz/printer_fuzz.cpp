// libFuzzer target over the virtual printer: any byte stream, decoded whole and cut in two at
// a point the input chooses, must give the same commands, and printing it on paper of any of
// the models' widths must stay within the paper.
//
// Input: byte 0 chooses the paper width, byte 1 the cut; the rest is the stream.

#include "printer/CommandLog.h"
#include "printer/Decoder.h"
#include "printer/VirtualPrinter.h"

#include <cstdint>
#include <cstdlib>
#include <sstream>

namespace {

using namespace printbench::printer;

class Quiet : public PrinterOutput {
public:
    void reply(std::uint8_t) override {}
    void page(const Page& page) override
    {
        if (page.dots.height > page.height ||
            page.dots.dots.size() != std::size_t(page.dots.width) * std::size_t(page.dots.height))
            std::abort();
    }
};

std::string decodeAll(std::span<const std::uint8_t> bytes, std::size_t cut, VirtualPrinter* printer)
{
    std::ostringstream out;
    CommandLog log(out);
    struct Both : CommandSink {
        CommandLog& log;
        VirtualPrinter* printer;
        Both(CommandLog& l, VirtualPrinter* p) : log(l), printer(p) {}
        void command(const Command& c) override
        {
            log.command(c);
            if (printer) printer->command(c);
        }
    } sink(log, printer);
    Decoder decoder;
    decoder.feed(bytes.first(cut), sink);
    decoder.feed(bytes.subspan(cut), sink);
    decoder.finish(sink);
    log.flush();
    return out.str();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2) return 0;
    static const int widths[] = {432, 448, 512, 640, 894};
    const int width = widths[data[0] % 5];
    const std::span<const std::uint8_t> bytes(data + 2, size - 2);
    const std::size_t cut = bytes.empty() ? 0 : data[1] % (bytes.size() + 1);

    Quiet output;
    VirtualPrinter printer(width, output);
    const std::string whole = decodeAll(bytes, bytes.size(), &printer);
    printer.finish();
    if (decodeAll(bytes, cut, nullptr) != whole) std::abort();
    return 0;
}
