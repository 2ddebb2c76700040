#pragma once

#include "link/CodePage.h"
#include "link/PortNaming.h"
#include "link/SerialPort.h"
#include "link/UsbControl.h"
#include "shell/Host.h"
#include "shell/SharedState.h"
#include "shell/WindowFields.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace printbench::link {

enum class Route { None, Serial, Usb };

// Port list index -> route: 1 to 11 serial, 12 USB, anything else none.
Route routeForPortIndex(int portIndex);

// The only way to the printer. Owns the flush points of the link and its failure rule: a send
// that fails is reported once per handler, the serial port is closed, StopRequested is raised
// and the handler's later sends are dropped.
class PrinterLink : public SerialListener {
public:
    PrinterLink(SerialPort& serial, UsbControl& usb, shell::Host& host, shell::WindowFields& fields,
                shell::SharedState& state, std::filesystem::path portFolder);
    ~PrinterLink() override;

    // The route the port list selects at this moment.
    Route route() const;

    // Send operations. Command strings are made of codes 0 to 127 and leave unchanged; text
    // typed by the user leaves in the host's legacy code page.
    void SendSerialText(std::string_view text);
    void SendSerialBytes(std::span<const std::uint8_t> bytes);
    void SendUsbByte(std::int16_t byte);
    void SendUsbText(const std::string& text);
    std::int32_t OpenUsbPrinter(const std::string& model);
    void ReadUsbStatus();

    // Serial port lifecycle. openSerial reports its own failure and leaves the port closed.
    bool openSerial(const SerialSettings& settings);
    void closeSerial();
    bool serialIsOpen() const;
    SerialPort& serialPort() { return m_serial; }

    // What "COM<n>" reaches now, for tooltips and messages.
    PortTarget describePort(int n) const;
    // The same for COM1 to COM11, asking the host for its devices once.
    std::vector<PortTarget> describePorts() const;

    // Hands everything gathered on both routes to the operating system.
    void flush();
    // A send of the handler in progress has failed (and has been reported).
    bool failedInHandler() const { return dropping(); }

    // Every event handler runs inside one scope: the outermost scope starts a fresh failure
    // report, and leaving any scope is a flush point.
    class HandlerScope {
    public:
        explicit HandlerScope(PrinterLink& link);
        ~HandlerScope();
        HandlerScope(const HandlerScope&) = delete;
        HandlerScope& operator=(const HandlerScope&) = delete;
    private:
        PrinterLink& m_link;
    };

    // Called for every receive notification of the serial port (event code 2).
    void setReceiveHandler(std::function<void(int)> handler) { m_onReceive = std::move(handler); }

    const CodePage& codePage() const { return m_codePage; }

    void serialDataArrived() override;
    void serialLinkLost(const std::string& reason) override;

private:
    bool dropping() const { return m_depth > 0 && m_failedInHandler; }
    void linkFailed(Route route, const LinkStatus& status);
    std::string serialName() const;

    SerialPort& m_serial;
    UsbControl& m_usb;
    shell::Host& m_host;
    shell::WindowFields& m_fields;
    shell::SharedState& m_state;
    std::filesystem::path m_portFolder;
    CodePage m_codePage;

    int m_openPort = 0;
    std::string m_openDevice;
    int m_depth = 0;
    bool m_failedInHandler = false;
    std::function<void(int)> m_onReceive;
};

// The USB error text of a failed connect or status read, with the result in decimal.
std::string usbErrorText(std::int32_t result);

} // namespace printbench::link
