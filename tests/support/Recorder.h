#pragma once

// The test kit of the core: one recorder that stands in for everything around the core (the
// host, the window's fields, the serial port, the USB control, the link's events, the status
// read-out and a run's panel) and writes every observable effect, in order, on one timeline:
//   serial open COM3 19200,n,8,1 | serial text 1D 61 01 | serial bytes FB | serial close
//   usb open KR-420 -> 0 | usb byte 1D | usb text "ABC\r\n" | usb status member 6 -> 18
//   sleep 500 | events 1 | message critical "Please Select Port" | end program
//   Text6 = "Hex : 10" | Combo1 index 4 | Combo1 disabled | List2 add "Feed" | List2 remove 0
//   repeated 3 | highlight 0 | status "Hex : 12" | waiting "1" | link failed "..."
// Sleeps advance a virtual clock; event passes run what the test scripted for them. Benchmarks
// and fuzz targets turn recording off: then bytes are only counted.

#include "commands/SequenceRunner.h"
#include "link/SerialPort.h"
#include "link/UsbControl.h"
#include "status/StatusHandling.h"
#include "window/WindowFields.h"
#include "window/WindowHost.h"

#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <vector>

namespace printbench::testkit {

// Hex of bytes as tests write them: "1D 61 01"; and the bytes such a text stands for.
std::string hex(std::span<const std::uint8_t> bytes);
std::vector<std::uint8_t> unhex(const std::string& text);
// Text in double quotes with CR, LF and other control characters escaped: one line.
std::string quoted(const std::string& s);

class Recorder;

// Hands the pending bytes over as one write, or fails with `error`; nothing pending, no write.
link::LinkStatus taken(std::vector<std::uint8_t>& pending, std::vector<std::vector<std::uint8_t>>& writes,
                       const std::optional<std::string>& error);

class RecordingSerial : public link::SerialPort {
public:
    explicit RecordingSerial(Recorder& r) : m_r(r) {}
    link::LinkStatus open(const link::SerialSettings& settings, const std::string& devicePath) override;
    void close() override;
    bool isOpen() const override { return m_open; }
    void write(std::span<const std::uint8_t> bytes, link::OutputForm form) override;
    link::LinkStatus flush() override { return taken(m_pending, osWrites, flushError); }
    int bytesWaiting() override { return static_cast<int>(rx.size()); }
    std::optional<std::uint8_t> readByte() override;
    void setListener(link::SerialListener* l) override { listener = l; }
    std::vector<std::string> hostDevices() const override { return hostDeviceList; }

    std::optional<std::string> openError, flushError;  // opens / flushes with bytes fail so
    std::vector<std::string> hostDeviceList;
    std::vector<std::vector<std::uint8_t>> osWrites;  // one entry per flush that carried bytes
    std::optional<link::SerialSettings> lastSettings;
    std::string lastDevice;
    std::deque<std::uint8_t> rx;  // what the printer sent back
    link::SerialListener* listener = nullptr;
    std::uint64_t bytesWritten = 0;

private:
    Recorder& m_r;
    bool m_open = false;
    std::vector<std::uint8_t> m_pending;
};

class RecordingUsb : public link::UsbControl {
public:
    explicit RecordingUsb(Recorder& r) : m_r(r) {}
    std::int32_t openByModel(const std::string& model) override;
    void sendByte(std::int16_t byte) override;
    void sendText(const std::string& text) override;
    std::int32_t readStatusOldFirmware() override { return status(5); }
    std::int32_t readStatus() override { return status(6); }
    link::LinkStatus flush() override { return taken(m_pending, transfers, flushError); }

    std::int32_t openResult = 0;
    std::deque<std::int32_t> statusResults;  // next results of members 5 and 6; -1 when empty
    std::optional<std::string> flushError;
    std::vector<std::vector<std::uint8_t>> transfers;  // one entry per flush that carried bytes
    std::uint64_t bytesWritten = 0;

private:
    std::int32_t status(int member);
    Recorder& m_r;
    std::vector<std::uint8_t> m_pending;
};

class Recorder : public window::WindowHost,
                 public window::WindowFields,
                 public link::LinkEvents,
                 public status::StatusView,
                 public commands::SequencePanel {
public:
    std::vector<std::string> timeline;
    bool recording = true;
    RecordingSerial serial{*this};
    RecordingUsb usb{*this};

    // Lines that start with one of the prefixes, joined by " | "; the same for what a printer
    // or a user notices (traffic, sleeps, event passes, messages, the end of the program).
    std::string only(std::initializer_list<std::string_view> prefixes) const;
    std::string wire() const { return only({"serial ", "usb ", "sleep ", "events ", "message ", "end program"}); }
    // The bytes of every serial write and USB call in lines [first, last), as one hex string.
    std::string stream(std::size_t first = 0, std::size_t last = SIZE_MAX) const;
    // Index of the first line equal to `line` at or after `from` (timeline.size() if none),
    // and the number of lines that start with `prefix`.
    std::size_t find(const std::string& line, std::size_t from = 0) const;
    std::size_t count(std::string_view prefix) const;

    void atEventPass(int n, std::function<void()> action) { m_script[n].push_back(std::move(action)); }
    int eventPasses = 0;
    std::int64_t clockMs = 0;
    int clockReads = 0;

    // The printer sends bytes back, and the receive notification announces them.
    void receive(std::initializer_list<std::uint8_t> bytes) { serial.rx.insert(serial.rx.end(), bytes); }
    void deliverReceive() { serial.listener->serialDataArrived(); }
    void record(std::string line)
    {
        if (recording) timeline.push_back(std::move(line));
    }

    // window::WindowHost
    void sleep(std::int64_t ms) override
    {
        clockMs += ms;
        if (recording) record("sleep " + std::to_string(ms));
    }
    void processEvents() override;
    std::int64_t nowMs() override { return ++clockReads, clockMs; }
    void message(window::Icon icon, const std::string& text) override;
    void endProgram() override { record("end program"); }

    // window::WindowFields: the controls in memory.
    std::string text(window::Control c) const override { return field(c).text; }
    void setText(window::Control c, const std::string& text) override;
    int listCount(window::Control c) const override { return static_cast<int>(field(c).items.size()); }
    std::string listItem(window::Control c, int index) const override;
    void addListItem(window::Control c, const std::string& item) override;
    void removeListItem(window::Control c, int index) override;
    int listIndex(window::Control c) const override { return field(c).index; }
    void setListIndex(window::Control c, int index) override;
    bool checked(window::Control c) const override { return field(c).checked; }
    void setEnabled(window::Control c, bool enabled) override;
    bool isEnabled(window::Control c) const override { return field(c).enabled; }
    void tick(window::Control c, bool on) { m_fields[c].checked = on; }

    // link::LinkEvents: the receive event runs `onSerialData`.
    void serialDataArrived() override { onSerialData(); }
    void usbStatusRead(std::int32_t value) override { usbStatusShown.push_back(value); }
    void linkFailed(const std::string& report) override { ++linkFailures, record("link failed " + quoted(report)); }
    std::function<void()> onSerialData = [] {};
    std::vector<std::int32_t> usbStatusShown;
    int linkFailures = 0;

    // status::StatusView
    void showStatus(const std::string& text) override { record("status " + quoted(text)); }
    void showBytesWaiting(const std::string& text) override { record("waiting " + quoted(text)); }

    // commands::SequencePanel: the values a run reads, set by the test.
    std::int64_t repeat = 1, delay = 500;
    std::uint64_t feed = 100;
    std::string printText = "ABC";
    std::vector<std::string> entries;
    std::int64_t repeatCount() override { return repeat; }
    void showRepetition(std::int64_t n) override { record("repeated " + std::to_string(n)); }
    int entryCount() override { return static_cast<int>(entries.size()); }
    std::string entry(int i) override { return entries.at(static_cast<std::size_t>(i)); }
    void highlight(int index) override { record("highlight " + std::to_string(index)); }
    std::int64_t delayMs() override { return delay; }
    std::uint64_t feedDots() override { return feed; }
    std::string text() override { return printText; }

private:
    struct Field {
        std::string text;
        std::vector<std::string> items;
        int index = -1;
        bool enabled = true, checked = false;
    };
    const Field& field(window::Control c) const;
    std::map<window::Control, Field> m_fields;
    std::map<int, std::vector<std::function<void()>>> m_script;
};

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir() { std::filesystem::remove_all(m_path, m_error); }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
    std::error_code m_error;
};

void writeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);
std::string readFile(const std::filesystem::path& path);

// A 1-bit bitmap file as a painter program writes it: 14 + 40 header bytes, a palette whose
// first entry is `palette0` (black by default), rows bottom first, each padded to 4 bytes.
// `rows` are the rows top row first, unpadded; a 0 bit is black.
std::vector<std::uint8_t> monochromeBmp(int width, int height, const std::vector<std::vector<std::uint8_t>>& rows,
                                        std::uint32_t palette0 = 0x00000000);

} // namespace printbench::testkit
