#pragma once

#include "link/Channel.h"
#include "link/CodePage.h"
#include "link/Failure.h"
#include "link/Host.h"
#include "link/LinkEvents.h"
#include "link/PortNaming.h"
#include "link/Route.h"
#include "link/SerialPort.h"
#include "link/Tap.h"
#include "link/UsbControl.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace printbench::link {

// The only way to the printer. It keeps the port list's choice (the route), the serial port's
// lifecycle, the send operations of both routes, the flush points and the failure rule: a send
// that fails is reported once per handler, the serial port is closed, the layer above is told
// (so that a run ends at its next check) and the handler's later sends are dropped.
class PrinterLink : private SerialListener {
public:
    PrinterLink(SerialPort& serial, UsbControl& usb, Host& host, const CodePage& codePage, LinkEvents& events,
                std::filesystem::path portFolder);
    ~PrinterLink() override;
    PrinterLink(const PrinterLink&) = delete;
    PrinterLink& operator=(const PrinterLink&) = delete;

    // --- The port list's choice ---------------------------------------------------------
    // 0 "Port Select", 1 to 11 "COM1" to "COM11", 12 "USB". Choosing neither opens nor closes.
    void selectPort(int portIndex) { m_portIndex = portIndex; }
    int portIndex() const { return m_portIndex; }
    Route route() const { return routeForPortIndex(m_portIndex); }
    // "Old ver": USB status reads use member 5 instead of member 6.
    void setOldFirmware(bool on) { m_oldFirmware = on; }

    // The channel of one route (Route::None sends nothing), and the channel that follows the
    // port list: each of its calls goes over the route chosen at that moment.
    PrinterChannel& channel(Route route);
    PrinterChannel& current();

    // --- Send operations ----------------------------------------------------------------
    // Text leaves in the host's code page; command strings (codes 0 to 127) leave unchanged.
    void SendSerialText(std::string_view text);
    void SendSerialBytes(std::span<const std::uint8_t> bytes);
    void SendUsbByte(std::int16_t byte);
    void SendUsbText(const std::string& text);
    std::int32_t OpenUsbPrinter(const std::string& model);
    // Member 6, or member 5 with "Old ver"; -1 when the status cannot be read.
    std::int32_t ReadUsbStatus();

    // --- The serial port ----------------------------------------------------------------
    // Opens COM<n> (closing an open port first). On failure the port stays closed and the
    // failure names the port, the device and the system's reason.
    std::optional<Failure> openSerial(const SerialSettings& settings);
    void closeSerial();
    int openComPort() const { return m_openPort; }  // n of the COM<n> open now; 0: none
    // The receive side: bytes waiting, and one of them.
    int bytesWaiting();
    std::optional<std::uint8_t> readByte();
    // One of them read as the answer to a query (the tap is told it is no status).
    std::optional<std::uint8_t> readAnswerByte();
    // What the USB printer sends back within `timeoutMs` (an answer to a query), and its IEEE
    // 1284 device ID.
    std::vector<std::uint8_t> ReadUsbReply(int timeoutMs);
    // Reads away what the USB printer sent unasked, so that the next reply is an answer.
    void DrainUsbReplies();
    std::optional<std::string> usbDeviceId();
    // The route the bytes take, in the run record's words ("serial", "usb", "tcp" for a network
    // printer behind a COM entry, "none"), and the device of the chosen COM port: the one it
    // reached when open, the one it names otherwise ("" for none).
    std::string routeName() const;
    std::string portDevice() const;

    // What "COM<n>" reaches now, for tooltips and messages; the same for COM1 to COM11, asking
    // the host for its devices once.
    PortTarget describePort(int n) const;
    std::vector<PortTarget> describePorts() const;

    // --- Flush points -------------------------------------------------------------------
    // Hands everything gathered on both routes to the operating system.
    void flush();
    void wait(std::int64_t ms);
    void letEventsIn();
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

    // The observer of every byte sent and received; null for none (the default). Sent bytes
    // are handed over at each flush point, before a received byte, and when asked, stamped with
    // the time they are handed over: read from where the adapter gathers them when it keeps them
    // readable (no cost per send), copied otherwise.
    void setTap(Tap* tap);
    void handOverTraffic();

private:
    void serialDataArrived() override;
    void serialLinkLost(const std::string& reason) override;

    bool dropping() const { return m_depth > 0 && m_failedInHandler; }
    void linkFailed(Route route, const LinkStatus& status);
    // `atMs`: when a received byte reached the host, if the port knows; now otherwise.
    void tapped(Route route, Traffic::Direction direction, std::span<const std::uint8_t> bytes,
                std::optional<std::int64_t> atMs = std::nullopt, bool answer = false);
    void tellRequest(Route route);
    void tapSent(Route route, std::span<const std::uint8_t> bytes);
    void forgetHanded();

    SerialPort& m_serial;
    UsbControl& m_usb;
    Host& m_host;
    const CodePage& m_codePage;
    LinkEvents& m_events;
    std::filesystem::path m_portFolder;
    Tap* m_tap = nullptr;
    // Per route: whether sends are copied for the tap (a tap listens and the adapter does not
    // keep its gathered bytes readable), how many gathered bytes the tap has had, the copy.
    struct TapSide {
        bool copies = false;
        std::size_t handed = 0;
        std::vector<std::uint8_t> copy;
    };
    TapSide m_tapSerial, m_tapUsb;

    int m_portIndex = 0;
    bool m_oldFirmware = false;
    int m_openPort = 0;
    std::string m_openDevice;
    int m_depth = 0;
    bool m_failedInHandler = false;

    class RouteChannel;
    class FollowingChannel;
    std::unique_ptr<RouteChannel> m_none, m_serialChannel, m_usbChannel;
    std::unique_ptr<FollowingChannel> m_following;
};

}  // namespace printbench::link
