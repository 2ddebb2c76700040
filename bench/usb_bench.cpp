// USB transfers of the logo print and the test pattern, on a USB stack in memory: how many bulk
// transfers the control hands over (one per flush point, at most 16 KiB each) against the
// member-3 calls the window makes (one per byte; 3n + 6 a band for a logo).

#include "BenchSupport.h"
#include "bitmap/Form3.h"
#include "link/QtSerialPort.h"
#include "link/usb/UsbPrinterControl.h"
#include "shell/Form1.h"
#include "support/FakeUsbTransport.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

using namespace printbench;
using printbench::bench::Fields;
using shell::Control;

namespace {

class VirtualHost : public shell::Host {
public:
    void sleep(std::int64_t) override {}
    void processEvents() override {}
    void message(shell::Icon, const std::string&) override {}
    std::int64_t nowMs() override { return 0; }
    void endProgram() override {}
};

// Member-3 and member-4 calls counted on their way to the control.
class CountingUsb : public link::UsbControl {
public:
    explicit CountingUsb(link::UsbControl& inner) : m_inner(inner) {}
    std::int32_t openByModel(const std::string& m) override { return m_inner.openByModel(m); }
    void sendByte(std::int16_t b) override { ++calls, m_inner.sendByte(b); }
    void sendText(const std::string& t) override { ++calls, m_inner.sendText(t); }
    std::int32_t readStatusOldFirmware() override { return m_inner.readStatusOldFirmware(); }
    std::int32_t readStatus() override { return m_inner.readStatus(); }
    link::LinkStatus flush() override { return m_inner.flush(); }
    long calls = 0;

private:
    link::UsbControl& m_inner;
};

std::vector<std::uint8_t> makeBitmap(int width, int height)
{
    const int stride = ((width + 7) / 8 + 3) / 4 * 4;
    const std::uint32_t size = 62 + static_cast<std::uint32_t>(stride * height);
    std::vector<std::uint8_t> f(size, 0x5A);
    const auto put32 = [&f](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) f[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    std::fill(f.begin(), f.begin() + 62, 0);
    f[0] = 'B', f[1] = 'M';
    put32(2, size), put32(10, 62), put32(14, 40), put32(18, static_cast<std::uint32_t>(width));
    put32(22, static_cast<std::uint32_t>(height)), f[26] = 1, f[28] = 1, put32(58, 0x00FFFFFF);
    return f;
}

} // namespace

int main()
{
    testkit::FakeUsbTransport transport;
    transport.attached = {testkit::FakeUsbTransport::printer(1, "MFG:Bench;MDL:KR-420;")};
    transport.statusAnswer = 0x12;
    const link::CodePage codePage("CP1252");
    link::usb::UsbPrinterControl control(transport, codePage);
    CountingUsb usb(control);
    VirtualHost host;
    Fields fields;
    link::QtSerialPort serial;
    shell::Form1 form(host, fields, serial, usb, std::filesystem::temp_directory_path() / "printbench-usb-bench");
    form.Form_Load();
    form.setListIndex(Control::Combo4, 6);  // KR-410, 432 dots, so that the pattern is 145 runs wide
    fields.setListIndex(Control::Combo4, 7);  // connect the KR-420 while keeping 432 dots
    form.setListIndex(Control::Combo2, 12);
    if (!control.connected()) {
        std::fprintf(stderr, "the USB printer did not connect\n");
        return 1;
    }

    // Test pattern, 100 repetitions.
    transport.outTransfers.clear();
    usb.calls = 0;
    form.setText(Control::Text2, "100");
    form.Command9_Click();
    std::size_t statusRequests = 0;
    for (const auto& t : transport.outTransfers) statusRequests += t == std::vector<std::uint8_t>{0x10, 0x04, 0x02};
    std::printf("test pattern, 100 repetitions over USB: %zu bulk transfers besides %zu status requests = %.2f per "
                "repetition (one per flush point); %ld member-3 calls = %.0f per repetition\n",
                transport.outTransfers.size() - statusRequests, statusRequests,
                static_cast<double>(transport.outTransfers.size() - statusRequests) / 100, usb.calls,
                static_cast<double>(usb.calls) / 100);

    // Logo print, 576 x 800.
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "printbench-usb-bench";
    std::filesystem::create_directories(dir);
    const auto bmp = makeBitmap(576, 800);
    std::ofstream(dir / "logo.bmp", std::ios::binary).write(reinterpret_cast<const char*>(bmp.data()), static_cast<std::streamsize>(bmp.size()));
    fields.setText(Control::Dir1, dir.string());
    bitmap::Form3 window(form, fields, dir);
    window.Form_Load();
    window.File1_DblClick("logo.bmp");
    transport.outTransfers.clear();
    usb.calls = 0;
    window.Command1_Click();
    std::size_t bytes = 0, largest = 0;
    for (const auto& t : transport.outTransfers) bytes += t.size(), largest = std::max(largest, t.size());
    const long bands = (800 / 8 + 2) / 3;
    std::printf("logo 576 x 800 over USB: %ld bands, %ld member-3 calls (%ld a band = 3n + 6, n = 576); %zu bytes in "
                "%zu bulk transfers, the largest %zu bytes (at most 16384)\n",
                bands, usb.calls, usb.calls / bands, bytes, transport.outTransfers.size(), largest);
    std::filesystem::remove_all(dir);
    return 0;
}
