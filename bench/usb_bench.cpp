// USB transfers of the logo print and the test pattern, on a USB stack in memory: how many bulk
// transfers the control hands over (one per flush point, at most 16 KiB each) against the
// member-3 calls the window makes (one per byte; 3n + 6 a band for a logo).
//
// The real USB control (UsbPrinterControl) on the test kit's USB stack; the main window and the
// bitmap window on the test kit's recorder, with nothing written down and a virtual clock. The
// member-3 and member-4 calls are counted by the link's tap, one for each call.

#include "link/CodePage.h"
#include "link/Tap.h"
#include "link/usb/UsbPrinterControl.h"
#include "support/FakeUsbTransport.h"
#include "support/Recorder.h"
#include "window/Form1.h"
#include "window/Form3.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

using namespace printbench;
using window::Control;

namespace {

// Member-3 and member-4 calls and their bytes, as the link's tap sees them: one for each call.
class UsbSends : public link::Tap {
public:
    void traffic(const link::Traffic& t) override
    {
        if (t.route != link::Route::Usb || t.direction != link::Traffic::Direction::Sent) return;
        ++calls;
        bytes += static_cast<long long>(t.bytes.size());
    }
    long long calls = 0;
    long long bytes = 0;
};

}  // namespace

int main()
{
    testkit::FakeUsbTransport transport;
    transport.attached = {testkit::FakeUsbTransport::printer(1, "MFG:Bench;MDL:KR-420;")};
    transport.statusAnswer = std::vector<std::uint8_t>{0x12};
    const link::CodePage codePage("CP1252");
    link::usb::UsbPrinterControl control(transport, codePage);
    testkit::Recorder rec;
    rec.recording = false;
    testkit::TempDir ports;
    UsbSends usb;
    window::Form1 form(rec, rec, rec.serial, control, codePage, ports.path());
    form.link().setTap(&usb);
    form.Form_Load();
    form.setListIndex(Control::Combo4, 6);  // KR-410, 432 dots, so that the pattern is 145 runs wide
    rec.setListIndex(Control::Combo4, 7);   // connect the KR-420 while keeping 432 dots
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
                "repetition (one per flush point); %lld member-3 calls = %.0f per repetition\n",
                transport.outTransfers.size() - statusRequests, statusRequests,
                static_cast<double>(transport.outTransfers.size() - statusRequests) / 100, usb.calls,
                static_cast<double>(usb.calls) / 100);
    const bool patternDone = rec.text(Control::Text4) == "100";

    // Logo print, 576 x 800, every stored byte 0x5A.
    testkit::TempDir dir;
    const std::vector<std::vector<std::uint8_t>> rows(800, std::vector<std::uint8_t>(576 / 8, 0x5A));
    testkit::writeFile(dir.path() / "logo.bmp", testkit::monochromeBmp(576, 800, rows));
    rec.setText(Control::Dir1, dir.path().string());
    window::Form3 bitmapWindow(form, rec, dir.path());
    bitmapWindow.Form_Load();
    bitmapWindow.File1_DblClick("logo.bmp");
    transport.outTransfers.clear();
    usb.calls = usb.bytes = 0;
    bitmapWindow.Command1_Click();
    std::size_t bytes = 0, largest = 0;
    for (const auto& t : transport.outTransfers) bytes += t.size(), largest = std::max(largest, t.size());
    const long bands = (800 / 8 + 2) / 3;
    std::printf("logo 576 x 800 over USB: %ld bands, %lld member-3 calls (%lld a band = 3n + 6, n = 576); %zu bytes in "
                "%zu bulk transfers, the largest %zu bytes (at most 16384)\n",
                bands, usb.calls, usb.calls / bands, bytes, transport.outTransfers.size(), largest);

    // Every byte of the logo handed over, and no failure of the link on the way.
    const bool logoDone = bytes == static_cast<std::size_t>(usb.bytes) && form.state().StopRequested == 0;
    if (!patternDone || !logoDone) {
        std::fprintf(stderr, "usb_bench: a print did not complete\n");
        return 1;
    }
    return 0;
}
