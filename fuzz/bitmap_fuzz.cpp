// libFuzzer target over the logo print: the header check, the geometry, the row file, the
// column file and the page-mode bands Form3::SendLogo sends, on the serial route for inputs of
// odd length and the USB route for the others. The link's far ends only count bytes.
//
// Besides what the sanitizers catch, it stops on a row or column file of the wrong size and on
// a band stream whose length differs from the set-up, the bands and the closing bytes.

#include "bitmap/BitmapConversion.h"
#include "bitmap/Form3.h"
#include "shell/Form1.h"

#include <cstdint>
#include <cstdlib>
#include <span>

namespace {

using namespace printbench;
using shell::Control;

// The port list on COM3 or on USB; every other field empty.
class Fields : public shell::WindowFields {
public:
    std::string text(Control) const override { return {}; }
    void setText(Control, const std::string&) override {}
    int listCount(Control) const override { return 0; }
    std::string listItem(Control, int) const override { return {}; }
    void addListItem(Control, const std::string&) override {}
    void removeListItem(Control, int) override {}
    int listIndex(Control c) const override { return c == Control::Combo2 ? port : -1; }
    void setListIndex(Control, int) override {}
    bool checked(Control) const override { return false; }
    void setEnabled(Control, bool) override {}
    bool isEnabled(Control) const override { return true; }
    int port = 3;
};

class Host : public shell::Host {
public:
    void sleep(std::int64_t) override {}
    void processEvents() override {}
    void message(shell::Icon, const std::string&) override {}
    std::int64_t nowMs() override { return 0; }
    void endProgram() override {}
};

class Serial : public link::SerialPort {
public:
    link::LinkStatus open(const link::SerialSettings&, const std::string&) override { return {}; }
    void close() override {}
    bool isOpen() const override { return true; }
    void write(std::span<const std::uint8_t> b, link::OutputForm) override { bytes += b.size(); }
    link::LinkStatus flush() override { return {}; }
    int bytesWaiting() override { return 0; }
    std::optional<std::uint8_t> readByte() override { return std::nullopt; }
    void setListener(link::SerialListener*) override {}
    std::vector<std::string> hostDevices() const override { return {}; }
    std::size_t bytes = 0;
};

class Usb : public link::UsbControl {
public:
    std::int32_t openByModel(const std::string&) override { return 0; }
    void sendByte(std::int16_t) override { ++bytes; }
    void sendText(const std::string& t) override { bytes += t.size(); }
    std::int32_t readStatusOldFirmware() override { return 0; }
    std::int32_t readStatus() override { return 0; }
    link::LinkStatus flush() override { return {}; }
    std::size_t bytes = 0;
};

struct Window {
    Host host;
    Fields fields;
    Serial serial;
    Usb usb;
    shell::Form1 main{host, fields, serial, usb, "/nonexistent"};
    bitmap::Form3 form3{main, fields, "/nonexistent"};
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static Window w;
    const std::span<const std::uint8_t> file(data, size);
    // The print asks for the geometry only of a file the check lets through; the geometry and
    // the conversion are taken here whatever the check says, since neither relies on it.
    (void)bitmap::CheckBitmapHeader(file);
    const bitmap::GeometryResult result = bitmap::logoGeometry(file);
    if (!result.geometry) return 0;
    const bitmap::LogoGeometry& g = *result.geometry;

    const std::vector<std::uint8_t> rows = bitmap::WriteRowFile(file, g);
    if (rows.size() != static_cast<std::size_t>(g.RowFileBytes)) std::abort();
    const std::vector<std::uint8_t> columns = bitmap::BuildColumnFile(rows, g);
    if (columns.size() != static_cast<std::size_t>(g.ImageWidth) * static_cast<std::size_t>(g.ColumnBytes)) std::abort();

    w.fields.port = size % 2 ? 3 : 12;
    w.serial.bytes = w.usb.bytes = 0;
    w.form3.SendLogo(g, columns);
    // 18 set-up bytes, per band ESC * 33 n1 n2, three bytes a column and LF, 12 closing bytes.
    const std::size_t expected = 18 + static_cast<std::size_t>(g.bands()) * (5 + 3 * static_cast<std::size_t>(g.bandColumns()) + 1) + 12;
    if (w.serial.bytes + w.usb.bytes != expected) std::abort();
    return 0;
}
