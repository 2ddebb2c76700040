#pragma once

// The test kit of the core: one recorder that stands in for everything around the core (the
// host, the window's fields, the serial port, the USB control, the link's events, the status
// read-out and a run's panel) and writes every observable effect, in order, on one timeline:
//   serial open COM3 19200,n,8,1 | serial text 1D 61 01 | serial bytes FB | serial close
//   usb open KR-420 -> 0 | usb byte 1D | usb text "ABC\r\n" | usb status member 6 -> 18 | usb reply 100 -> 20
//   sleep 500 | events 1 | message critical "Please Select Port" | end program
//   Text6 = "Hex : 10" | Combo1 index 4 | Combo1 disabled | List2 add "Feed" | List2 remove 0
//   repeated 3 | highlight 0 | status "Hex : 12" | waiting "1" | link failed "..."
// Sleeps advance a virtual clock; event passes run what the test scripted for them. Benchmarks
// and fuzz targets turn recording off: then bytes are only counted and no line is built.

#include "commands/SequenceRunner.h"
#include "link/SerialPort.h"
#include "link/UsbControl.h"
#include "status/StatusHandling.h"
#include "window/WindowFields.h"
#include "window/WindowHost.h"

#include <array>
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
// Lines of a timeline as tests write them out, one string a line.
using Lines = std::vector<std::string>;

struct Timeline {
    std::vector<std::string> timeline;
    bool recording = true;
    void record(std::string line)
    {
        if (recording) timeline.push_back(std::move(line));
    }
};

// The part of the serial port and the USB control that sends: every byte is counted; with
// recording on, each call is a line and its bytes wait for the flush that hands them over as
// one write, or fails with `flushError`. A flush with nothing waiting writes nothing.
class Sender {
public:
    explicit Sender(Timeline& t) : m_t(t) {}
    std::optional<std::string> flushError;
    std::uint64_t bytesWritten = 0;

protected:
    template <typename Line>
    void send(std::span<const std::uint8_t> bytes, Line line)
    {
        bytesWritten += bytes.size();
        if (!m_t.recording) return;
        m_t.record(line());
        m_pending.insert(m_pending.end(), bytes.begin(), bytes.end());
    }
    link::LinkStatus hand(std::vector<std::vector<std::uint8_t>>& writes)
    {
        if (m_pending.empty()) return {};
        std::vector<std::uint8_t> bytes = std::exchange(m_pending, {});
        if (flushError) return link::LinkStatus::fail(link::LinkFailure::WriteFailed, *flushError);  // and they are gone
        writes.push_back(std::move(bytes));
        return {};
    }
    Timeline& m_t;
    std::vector<std::uint8_t> m_pending;
};

class RecordingSerial : public link::SerialPort, public Sender {
public:
    using Sender::Sender;
    link::LinkStatus open(const link::SerialSettings& settings, const std::string& devicePath) override
    {
        lastSettings = settings;
        lastDevice = devicePath;
        m_open = !openError;
        m_t.record("serial open COM" + std::to_string(settings.portNumber) + " " + (openError ? "failed" : settings.text()));
        return openError ? link::LinkStatus::fail(link::LinkFailure::OpenFailed, *openError) : link::LinkStatus{};
    }
    void close() override
    {
        m_open = false;
        m_pending.clear();
        m_t.record("serial close");
    }
    bool isOpen() const override { return m_open; }
    void write(std::span<const std::uint8_t> bytes, link::OutputForm form) override
    {
        send(bytes, [&] { return (form == link::OutputForm::Text ? "serial text " : "serial bytes ") + hex(bytes); });
    }
    link::LinkStatus flush() override
    {
        const std::size_t before = osWrites.size();
        const link::LinkStatus status = hand(osWrites);
        if (onWrite && osWrites.size() > before) onWrite(osWrites.back());
        return status;
    }
    std::function<void(const std::vector<std::uint8_t>&)> onWrite;  // each write, as it leaves
    int bytesWaiting() override { return static_cast<int>(rx.size()); }
    std::optional<std::uint8_t> readByte() override
    {
        if (rx.empty()) return std::nullopt;
        const std::uint8_t b = rx.front();
        rx.pop_front();
        m_lastArrival.reset();
        if (!rxAt.empty()) m_lastArrival = rxAt.front(), rxAt.pop_front();
        return b;
    }
    std::optional<std::int64_t> lastArrivalMs() const override { return m_lastArrival; }
    void setListener(link::SerialListener* l) override { listener = l; }
    std::vector<std::string> hostDevices() const override { return hostDeviceList; }

    std::optional<std::string> openError;  // opens fail with this reason
    std::vector<std::string> hostDeviceList;
    std::vector<std::vector<std::uint8_t>> osWrites;  // one entry per flush that carried bytes
    std::optional<link::SerialSettings> lastSettings;
    std::string lastDevice;
    std::deque<std::uint8_t> rx;  // what the printer sent back
    std::deque<std::int64_t> rxAt;  // when each of them arrived (the recorder's clock), front first
    link::SerialListener* listener = nullptr;

private:
    bool m_open = false;
    std::optional<std::int64_t> m_lastArrival;
};

class RecordingUsb : public link::UsbControl, public Sender {
public:
    using Sender::Sender;
    std::int32_t openByModel(const std::string& model) override
    {
        m_t.record("usb open " + model + " -> " + std::to_string(openResult));
        return openResult;
    }
    void sendByte(std::int16_t byte) override
    {
        const auto b = static_cast<std::uint8_t>(byte);
        send({&b, 1}, [&] { return "usb byte " + hex({&b, 1}); });
    }
    void sendText(const std::string& text) override
    {
        send({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}, [&] { return "usb text " + quoted(text); });
    }
    std::int32_t readStatusOldFirmware() override { return status(5); }
    std::int32_t readStatus() override { return status(6); }
    link::LinkStatus flush() override
    {
        const std::size_t before = transfers.size();
        const link::LinkStatus result = hand(transfers);
        if (onWrite && transfers.size() > before) onWrite(transfers.back());
        return result;
    }
    // What the printer has sent back since the last read, all of it: "usb reply 100 -> 5F 31 00",
    // "usb reply 100 -> nothing".
    std::vector<std::uint8_t> readReply(int timeoutMs) override
    {
        std::vector<std::uint8_t> bytes(reply.begin(), reply.end());
        reply.clear();
        m_t.record("usb reply " + std::to_string(timeoutMs) + " -> " + (bytes.empty() ? "nothing" : hex(bytes)));
        return bytes;
    }
    std::optional<std::string> deviceId() override { return deviceIdText; }

    std::int32_t openResult = 0;
    std::deque<std::int32_t> statusResults;  // next results of members 5 and 6; -1 when empty
    std::vector<std::vector<std::uint8_t>> transfers;  // one entry per flush that carried bytes
    std::function<void(const std::vector<std::uint8_t>&)> onWrite;  // each transfer, as it leaves
    std::deque<std::uint8_t> reply;  // what the printer sends back (readReply)
    std::optional<std::string> deviceIdText;  // the IEEE 1284 device ID, when it has one

private:
    std::int32_t status(int member)
    {
        const std::int32_t r = statusResults.empty() ? -1 : statusResults.front();
        if (!statusResults.empty()) statusResults.pop_front();
        if (m_t.recording) m_t.record("usb status member " + std::to_string(member) + " -> " + std::to_string(r));
        return r;
    }
};

class Recorder : public Timeline, public window::WindowHost, public window::WindowFields, public link::LinkEvents,
                 public status::StatusView, public commands::SequencePanel {
    using Control = window::Control;

public:
    RecordingSerial serial{*this};
    RecordingUsb usb{*this};

    // Lines that start with one of the prefixes, joined by " | "; the same for what a printer
    // or a user notices (traffic, sleeps, event passes, messages, the end of the program).
    std::string only(std::initializer_list<std::string_view> prefixes) const;
    // The same lines as a list, for comparisons that name the line that differs.
    Lines lines(std::initializer_list<std::string_view> prefixes) const;
    std::string wire() const { return only({"serial ", "usb ", "sleep ", "events ", "message ", "end program"}); }
    // The bytes of every serial write and USB call in lines [first, last), as one hex string.
    std::string stream(std::size_t first = 0, std::size_t last = SIZE_MAX) const;
    // Index of the first line equal to `line` at or after `from` (timeline.size() if none),
    // and the number of lines that start with `prefix`.
    std::size_t find(const std::string& line, std::size_t from = 0) const;
    std::size_t count(std::string_view prefix) const;

    void atEventPass(int n, std::function<void()> action) { m_script[n].push_back(std::move(action)); }
    int eventPasses = 0, clockReads = 0;
    std::int64_t clockMs = 0;

    // The printer sends bytes back (arriving now, or at `atMs` of the recorder's clock), and the
    // receive notification announces them.
    void receive(std::initializer_list<std::uint8_t> bytes) { receiveAt(clockMs, bytes); }
    void receiveAt(std::int64_t atMs, std::initializer_list<std::uint8_t> bytes)
    {
        serial.rx.insert(serial.rx.end(), bytes);
        serial.rxAt.insert(serial.rxAt.end(), bytes.size(), atMs);
    }
    void deliverReceive() { serial.listener->serialDataArrived(); }
    // Bytes that reach the host at `atMs` of the recorder's clock: waiting from the sleep (or
    // passTime) that gets the clock there, in the order they arrive.
    void arriveAt(std::int64_t atMs, std::initializer_list<std::uint8_t> bytes)
    {
        for (const std::uint8_t b : bytes) m_arrivals.emplace(atMs, b);
        arrive();
    }
    // Time passes outside the core (the event loop after a handler returned).
    void passTime(std::int64_t ms)
    {
        clockMs += ms;
        arrive();
    }
    // A printer that answers the DLE EOT 2 requests of the serial line as they leave, the n-th
    // (from 1) with what `answer` gives (none: no answer); its answers are announced at the next
    // event pass.
    void answerStatusRequests(std::function<std::optional<std::uint8_t>(int n)> answer)
    {
        serial.onWrite = [this, answer, n = 0](const std::vector<std::uint8_t>& bytes) mutable {
            for (std::size_t i = 0; i + 2 < bytes.size(); ++i)
                if (bytes[i] == 0x10 && bytes[i + 1] == 0x04 && bytes[i + 2] == 0x02)
                    if (const auto status = answer(++n)) receive({*status});
        };
        m_announce = true;
    }
    // ... each with the printer's status as it stands: `status` until a byte sent unasked
    // (arriveAt) tells of another.
    void answerStatusRequests(std::uint8_t status)
    {
        printerStatus = status;
        answerStatusRequests([this](int) { return std::optional(printerStatus); });
    }
    std::uint8_t printerStatus = 0x12;

    // window::WindowHost
    void sleep(std::int64_t ms) override
    {
        if (recording) record("sleep " + std::to_string(ms));
        passTime(ms);
    }
    void processEvents() override
    {
        ++eventPasses;
        if (recording) record("events " + std::to_string(eventPasses));
        if (m_announce && !serial.rx.empty() && serial.listener) deliverReceive();
        const auto it = m_script.find(eventPasses);
        if (it == m_script.end()) return;
        for (const auto& action : std::vector(it->second)) action();  // a copy: an action may script more
    }
    std::int64_t nowMs() override
    {
        ++clockReads;
        return clockMs;
    }
    // Messages as the program's own texts, which the window builds from its forms and values.
    void message(window::Icon icon, const window::Message& text) override
    {
        static const char* const icons[] = {"plain", "information", "warning", "critical"};
        if (recording) record(std::string("message ") + icons[static_cast<int>(icon)] + " " + quoted(text.text()));
    }
    bool ask(const window::Message& text, const window::Message& yes, const window::Message& no) override
    {
        if (recording) record("ask " + quoted(text.text()) + " " + yes.text() + "/" + no.text());
        const bool yesChosen = answers.empty() || answers.front();
        if (!answers.empty()) answers.pop_front();
        return yesChosen;
    }
    std::deque<bool> answers;  // for the questions to come; yes when none is left
    void endProgram() override { record("end program"); }

    // window::WindowFields: the controls in memory; each change is a line.
    std::string text(Control c) const override { return field(c).text; }
    void setText(Control c, const std::string& t) override { change(c, [&](Field& f) { f.text = t; }, [&] { return " = " + quoted(t); }); }
    int listCount(Control c) const override { return static_cast<int>(field(c).items.size()); }
    std::string listItem(Control c, int i) const override { return i >= 0 && i < listCount(c) ? field(c).items[std::size_t(i)] : ""; }
    void addListItem(Control c, const std::string& item) override
    {
        change(c, [&](Field& f) { f.items.push_back(item); }, [&] { return " add " + quoted(item); });
    }
    void removeListItem(Control c, int index) override
    {
        Field& f = field(c);
        if (index < 0 || index >= static_cast<int>(f.items.size())) return;
        f.items.erase(f.items.begin() + index);
        if (f.index >= static_cast<int>(f.items.size())) f.index = -1;
        if (recording) record(name(c) + " remove " + std::to_string(index));
    }
    int listIndex(Control c) const override { return field(c).index; }
    void setListIndex(Control c, int index) override
    {
        change(c, [&](Field& f) { f.index = index; }, [&] { return " index " + std::to_string(index); });
    }
    bool checked(Control c) const override { return field(c).checked; }
    void setChecked(Control c, bool on) override { change(c, [&](Field& f) { f.checked = on; }, [&] { return on ? " checked" : " unchecked"; }); }
    void setEnabled(Control c, bool on) override { change(c, [&](Field& f) { f.enabled = on; }, [&] { return on ? " enabled" : " disabled"; }); }
    bool isEnabled(Control c) const override { return field(c).enabled; }

    // link::LinkEvents: the receive event runs `onSerialData`.
    void serialDataArrived() override { onSerialData(); }
    void usbStatusRead(std::int32_t value) override { usbStatusShown.push_back(value); }
    // A link failure as the window words it; "(reported)" when its handler had reported one.
    void linkFailed(const link::Failure& failure, bool reported) override
    {
        ++linkFailures;
        lastFailure = failure;
        if (recording) record("link failed " + (reported ? std::string("(reported)") : quoted(window::failureMessage(failure).text())));
    }
    std::optional<link::Failure> lastFailure;
    std::function<void()> onSerialData = [] {};
    std::vector<std::int32_t> usbStatusShown;
    int linkFailures = 0;

    // status::StatusView
    void showStatus(const std::string& text) override { if (recording) record("status " + quoted(text)); }
    void showBytesWaiting(const std::string& text) override { if (recording) record("waiting " + quoted(text)); }

    // commands::SequencePanel: the values a run reads, set by the test.
    std::int64_t repeat = 1, delay = 500;
    std::uint64_t feed = 100;
    std::string printText = "ABC";
    std::vector<std::string> entries;
    std::int64_t repeatCount() override { return repeat; }
    void showRepetition(std::int64_t n) override { if (recording) record("repeated " + std::to_string(n)); }
    int entryCount() override { return static_cast<int>(entries.size()); }
    std::string entry(int i) override { return entries.at(static_cast<std::size_t>(i)); }
    void highlight(int index) override { if (recording) record("highlight " + std::to_string(index)); }
    std::int64_t delayMs() override { return delay; }
    std::uint64_t feedDots() override { return feed; }
    std::string text() override { return printText; }

private:
    struct Field { std::string text; std::vector<std::string> items; int index = -1; bool enabled = true, checked = false; };
    static std::string name(Control c) { return window::controlName(c); }
    template <typename Apply, typename Line>
    void change(Control c, Apply apply, Line line)
    {
        apply(field(c));
        if (recording) record(name(c) + line());
    }
    Field& field(Control c) { return m_fields[static_cast<std::size_t>(c)]; }
    const Field& field(Control c) const { return m_fields[static_cast<std::size_t>(c)]; }
    std::array<Field, window::kControlCount> m_fields;
    void arrive()
    {
        while (!m_arrivals.empty() && m_arrivals.begin()->first <= clockMs) {
            printerStatus = m_arrivals.begin()->second;
            receiveAt(m_arrivals.begin()->first, {printerStatus});
            m_arrivals.erase(m_arrivals.begin());
        }
    }
    std::map<int, std::vector<std::function<void()>>> m_script;
    std::multimap<std::int64_t, std::uint8_t> m_arrivals;
    bool m_announce = false;
};

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir() { std::error_code e; std::filesystem::remove_all(m_path, e); }
    TempDir(TempDir&&) = delete;  // and so no copies either
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

void writeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);
std::string readFile(const std::filesystem::path& path);
// How often `what` occurs in `text`, overlapping occurrences counted.
inline std::size_t count(const std::string& text, const std::string& what)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// A 1-bit bitmap file as a painter program writes it: 14 + 40 header bytes, a palette whose
// first entry is `palette0` (black by default), rows bottom first, each padded to 4 bytes.
// `rows` are the rows top row first, unpadded; a 0 bit is black.
std::vector<std::uint8_t> monochromeBmp(int width, int height, const std::vector<std::vector<std::uint8_t>>& rows,
                                        std::uint32_t palette0 = 0x00000000);

} // namespace printbench::testkit
