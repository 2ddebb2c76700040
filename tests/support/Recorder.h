#pragma once

#include "link/SerialPort.h"
#include "link/UsbControl.h"
#include "shell/Host.h"
#include "shell/WindowFields.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace printbench::testkit {

// Hex of bytes as tests write them: "1D 61 01".
std::string hex(std::span<const std::uint8_t> bytes);
// The bytes such a text stands for.
std::vector<std::uint8_t> unhex(const std::string& text);

class Recorder;

// The serial port of a Recorder.
class RecordingSerial : public link::SerialPort {
public:
    explicit RecordingSerial(Recorder& r) : m_r(r) {}
    link::LinkStatus open(const link::SerialSettings& settings, const std::string& devicePath) override;
    void close() override;
    bool isOpen() const override { return m_open; }
    void write(std::span<const std::uint8_t> bytes, link::OutputForm form) override;
    link::LinkStatus flush() override;
    int bytesWaiting() override { return static_cast<int>(rx.size()); }
    std::optional<std::uint8_t> readByte() override;
    void setListener(link::SerialListener* listener) override { this->listener = listener; }
    std::vector<std::string> hostDevices() const override { return hostDeviceList; }

    std::optional<std::string> openError;    // opens fail with this reason
    std::optional<std::string> flushError;   // flushes that carry bytes fail with this reason
    std::vector<std::string> hostDeviceList;
    std::vector<std::vector<std::uint8_t>> osWrites;  // one entry per flush that carried bytes
    std::optional<link::SerialSettings> lastSettings;
    std::string lastDevice;
    std::deque<std::uint8_t> rx;
    link::SerialListener* listener = nullptr;

private:
    Recorder& m_r;
    bool m_open = false;
    std::vector<std::uint8_t> m_pending;
};

// The USB control of a Recorder.
class RecordingUsb : public link::UsbControl {
public:
    explicit RecordingUsb(Recorder& r) : m_r(r) {}
    std::int32_t openByModel(const std::string& model) override;
    void sendByte(std::int16_t byte) override;
    void sendText(const std::string& text) override;
    std::int32_t readStatusOldFirmware() override;
    std::int32_t readStatus() override;
    link::LinkStatus flush() override;

    std::int32_t openResult = 0;
    std::deque<std::int32_t> statusResults;  // next results of members 5 and 6; -1 when empty
    std::optional<std::string> flushError;
    std::vector<std::vector<std::uint8_t>> transfers;  // one entry per flush that carried bytes

private:
    Recorder& m_r;
    std::vector<std::uint8_t> m_pending;
};

// A test double for all four interfaces of the core. Every observable effect is appended, in
// order, to one timeline of readable lines:
//   serial open COM3 115200,n,8,1 | serial close | serial text 1D 61 01 | serial bytes FB
//   usb open KR-420 -> 0 | usb byte 1D | usb text "ABC\r\n" | usb status member 6 -> 16
//   sleep 500 | events 1 | message critical "Please Select Port" | end program
//   Text6 = "Hex : 10" | Combo1 index 4 | Combo1 disabled | List2 add "Feed" | List2 remove 0
// Sleeps advance a virtual clock. Event passes run what the test scripted for them.
class Recorder : public shell::Host, public shell::WindowFields {
public:
    std::vector<std::string> timeline;
    RecordingSerial serial{*this};
    RecordingUsb usb{*this};

    // Lines that start with one of the prefixes, in order.
    std::vector<std::string> only(std::initializer_list<std::string_view> prefixes) const;
    // Serial and USB traffic, sleeps, event passes, messages and the end of the program: what a
    // printer or a user notices.
    std::vector<std::string> wire() const;

    // The bytes of every serial write and USB call in timeline lines [first, last), as one hex
    // string: what the printer receives, without the split into calls.
    std::string stream(std::size_t first = 0, std::size_t last = SIZE_MAX) const;
    // Index of the first timeline line equal to `line` at or after `from`; timeline.size() if none.
    std::size_t find(const std::string& line, std::size_t from = 0) const;

    // Runs `action` during the n-th event pass (counting from 1).
    void atEventPass(int n, std::function<void()> action);
    int eventPasses = 0;
    std::int64_t clockMs = 0;
    bool programEnded = false;

    // Bytes the printer sends back, and the receive notification that announces them.
    void receive(std::initializer_list<std::uint8_t> bytes);
    void deliverReceive();

    // The user ticks a check box (no handler runs).
    void tick(shell::Control c, bool on) { m_fields[c].checked = on; }

    // shell::Host
    void sleep(std::int64_t ms) override;
    void processEvents() override;
    void message(shell::Icon icon, const std::string& text) override;
    std::int64_t nowMs() override { return clockMs; }
    void endProgram() override;

    // shell::WindowFields
    std::string text(shell::Control c) const override;
    void setText(shell::Control c, const std::string& text) override;
    int listCount(shell::Control c) const override;
    std::string listItem(shell::Control c, int index) const override;
    void addListItem(shell::Control c, const std::string& item) override;
    void removeListItem(shell::Control c, int index) override;
    int listIndex(shell::Control c) const override;
    void setListIndex(shell::Control c, int index) override;
    bool checked(shell::Control c) const override;
    void setEnabled(shell::Control c, bool enabled) override;
    bool isEnabled(shell::Control c) const override;

    void record(std::string line) { timeline.push_back(std::move(line)); }

private:
    struct Field {
        std::string text;
        std::vector<std::string> items;
        int index = -1;
        bool enabled = true;
        bool checked = false;
    };
    Field& field(shell::Control c) { return m_fields[c]; }
    const Field* find(shell::Control c) const;

    std::map<shell::Control, Field> m_fields;
    std::map<int, std::vector<std::function<void()>>> m_script;
};

} // namespace printbench::testkit
