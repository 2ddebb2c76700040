// Throughput of the test pattern on the serial route, and how the link gathers its sends.
//
// The real core on QtSerialPort at 115200, its COM3 a link to a pseudo-terminal; the pattern
// runs 1000 times at 432 dots with no pause. A reader thread on the far side drains the line
// and answers each status request (DLE EOT 2) with 0x12. A pty ignores the speed set, so the
// figures are the software path's: bytes per second handed to the link, OS writes
// (QtSerialPort::osWriteCount) and send calls (SendSerialText / SendSerialBytes, one port
// write each) per repetition. Prints figures only; exits 1 when something could not be measured.

#include "Measured.h"
#include "PtyBench.h"
#include "app/adapters/QtSerialPort.h"
#include "link/CodePage.h"
#include "support/PrinterPeer.h"
#include "support/Pty.h"
#include "support/Recorder.h"
#include "window/Form1.h"

#include <QCoreApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>

namespace {

using namespace printbench;
using window::Control;

constexpr int kCom3 = 3;
constexpr int kSpeed115200 = 7;
constexpr int kKl330 = 2;  // 432 dots
constexpr int kRepetitions = 1000;

// Passes everything to the real port, counting the writes (one per send call) and their bytes.
// Counted here rather than on the link's tap: the tap reads the host's clock for every send
// call, which would add about a sixth to the time measured.
class CountingSerial : public link::SerialPort {
public:
    explicit CountingSerial(app::QtSerialPort& port) : m_port(port) {}
    link::LinkStatus open(const link::SerialSettings& s, const std::string& device) override
    {
        return m_port.open(s, device);
    }
    void close() override { m_port.close(); }
    bool isOpen() const override { return m_port.isOpen(); }
    void write(std::span<const std::uint8_t> b, link::OutputForm form) override
    {
        ++calls, bytes += static_cast<long long>(b.size());
        m_port.write(b, form);
    }
    link::LinkStatus flush() override { return m_port.flush(); }
    int bytesWaiting() override { return m_port.bytesWaiting(); }
    std::optional<std::uint8_t> readByte() override { return m_port.readByte(); }
    void setListener(link::SerialListener* listener) override { m_port.setListener(listener); }
    std::vector<std::string> hostDevices() const override { return m_port.hostDevices(); }
    long long calls = 0;
    long long bytes = 0;

private:
    app::QtSerialPort& m_port;
};

bool measure()
{
    bench::PtyBench b;
    app::QtSerialPort& port = b.port;
    CountingSerial serial(port);
    const auto form = b.load(serial);
    bench::FarSide printer(b.pty.masterFd());
    form->setListIndex(Control::Combo4, kKl330);
    form->setListIndex(Control::Combo1, kSpeed115200);
    form->setListIndex(Control::Combo2, kCom3);
    if (!port.isOpen()) {
        b.noMessages();
        return false;
    }
    form->setText(Control::Text2, std::to_string(kRepetitions));

    const int writesBefore = port.osWriteCount();
    const long long callsBefore = serial.calls, bytesBefore = serial.bytes;
    const auto start = std::chrono::steady_clock::now();
    form->Command9_Click();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const int writes = port.osWriteCount() - writesBefore;
    const long long calls = serial.calls - callsBefore, sent = serial.bytes - bytesBefore;

    // Wait (at most 5 s) for everything sent since the open, GS a 1 included, to reach the far side.
    for (int tries = 0; tries < 500 && printer.bytes < serial.bytes; ++tries)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const long long arrived = printer.bytes - bytesBefore;

    std::printf("test pattern, %d repetitions at 432 dots, 115200 set on a pty: %lld bytes in %.3f s, "
                "%.0f bytes/s handed to the link (%lld arrived, %d status requests answered)\n",
                kRepetitions, sent, seconds, static_cast<double>(sent) / seconds, arrived, printer.requestCount());
    std::printf("OS writes: %d in all, %.2f per repetition (target <= 3)\n", writes,
                static_cast<double>(writes) / kRepetitions);
    std::printf("send calls: %lld in all, %.1f per repetition (%.1f bytes per repetition); "
                "a link writing on every call would make that many OS writes\n",
                calls, static_cast<double>(calls) / kRepetitions, static_cast<double>(sent) / kRepetitions);
    return arrived == sent && b.fields.text(Control::Text4) == std::to_string(kRepetitions) && b.noMessages();
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    return bench::measured("pattern_bench", measure);
}
