#include "link/PrinterLink.h"

#include "protocol/Commands.h"

namespace printbench::link {

namespace {

std::string_view asText(Bytes bytes)
{
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

}  // namespace

// The channel of one route: the one place where a send becomes the calls of that route.
class PrinterLink::RouteChannel : public PrinterChannel {
public:
    RouteChannel(PrinterLink& link, Route route) : m_link(link), m_route(route) {}

    Route route() const override { return m_route; }

    void command(Bytes bytes) override
    {
        if (m_route == Route::Serial) m_link.SendSerialText(asText(bytes));
        else if (m_route == Route::Usb)
            for (const std::uint8_t b : bytes) m_link.SendUsbByte(b);
    }

    void byte(std::uint8_t b) override
    {
        if (m_route == Route::Serial) m_link.SendSerialBytes(std::span(&b, 1));
        else if (m_route == Route::Usb) m_link.SendUsbByte(b);
    }

    void bytes(Bytes bytes) override
    {
        if (m_route == Route::Serial) m_link.SendSerialBytes(bytes);
        else if (m_route == Route::Usb)
            for (const std::uint8_t b : bytes) m_link.SendUsbByte(b);
    }

    void text(const std::string& utf8) override
    {
        if (m_route == Route::Serial) m_link.SendSerialText(utf8);
        else if (m_route == Route::Usb) m_link.SendUsbText(utf8);
    }

    void requestStatus() override
    {
        if (m_route == Route::Serial) {
            const bool leaves = !m_link.dropping() && m_link.m_serial.isOpen();
            m_link.SendSerialText(asText(protocol::StatusRequest));
            if (leaves) m_link.tellRequest(Route::Serial);
        } else if (m_route == Route::Usb) {
            // A request is a send: once a send of the handler has failed (and been reported, by
            // this flush or an earlier one), the read is not made, so a printer gone is not
            // reported again as a failed read.
            m_link.flush();
            if (m_link.dropping()) return;
            m_link.tellRequest(Route::Usb);
            m_link.m_events.usbStatusRead(m_link.ReadUsbStatus());
        }
    }

    void wait(std::int64_t ms) override { m_link.wait(ms); }
    void letEventsIn() override { m_link.letEventsIn(); }

private:
    PrinterLink& m_link;
    Route m_route;
};

// Each call goes over the route the port list selects at that moment.
class PrinterLink::FollowingChannel : public PrinterChannel {
public:
    explicit FollowingChannel(PrinterLink& link) : m_link(link) {}
    Route route() const override { return m_link.route(); }
    void command(Bytes bytes) override { now().command(bytes); }
    void byte(std::uint8_t b) override { now().byte(b); }
    void bytes(Bytes bytes) override { now().bytes(bytes); }
    void text(const std::string& utf8) override { now().text(utf8); }
    void requestStatus() override { now().requestStatus(); }
    void wait(std::int64_t ms) override { m_link.wait(ms); }
    void letEventsIn() override { m_link.letEventsIn(); }

private:
    PrinterChannel& now() { return m_link.channel(m_link.route()); }
    PrinterLink& m_link;
};

PrinterLink::PrinterLink(SerialPort& serial, UsbControl& usb, Host& host, const CodePage& codePage, LinkEvents& events,
                         std::filesystem::path portFolder)
    : m_serial(serial), m_usb(usb), m_host(host), m_codePage(codePage), m_events(events),
      m_portFolder(std::move(portFolder)), m_none(std::make_unique<RouteChannel>(*this, Route::None)),
      m_serialChannel(std::make_unique<RouteChannel>(*this, Route::Serial)),
      m_usbChannel(std::make_unique<RouteChannel>(*this, Route::Usb)),
      m_following(std::make_unique<FollowingChannel>(*this))
{
    m_serial.setListener(this);
}

PrinterLink::~PrinterLink()
{
    m_serial.setListener(nullptr);
}

PrinterChannel& PrinterLink::channel(Route route)
{
    switch (route) {
    case Route::Serial: return *m_serialChannel;
    case Route::Usb: return *m_usbChannel;
    case Route::None: break;
    }
    return *m_none;
}

PrinterChannel& PrinterLink::current()
{
    return *m_following;
}

void PrinterLink::tapped(Route route, Traffic::Direction direction, std::span<const std::uint8_t> bytes,
                         std::optional<std::int64_t> atMs, bool answer)
{
    handOverTraffic();
    m_tap->traffic(Traffic{atMs ? *atMs : m_host.nowMs(), route, direction, bytes, answer});
}

void PrinterLink::tellRequest(Route route)
{
    if (!m_tap) return;
    handOverTraffic();
    m_tap->statusRequested(route, m_host.nowMs());
}

// Copied only for an adapter that does not keep its gathered bytes readable.
void PrinterLink::tapSent(Route route, std::span<const std::uint8_t> bytes)
{
    std::vector<std::uint8_t>& copy = (route == Route::Usb ? m_tapUsb : m_tapSerial).copy;
    copy.insert(copy.end(), bytes.begin(), bytes.end());
}

void PrinterLink::handOverTraffic()
{
    if (!m_tap) return;
    for (const Route route : {Route::Serial, Route::Usb}) {
        TapSide& side = route == Route::Usb ? m_tapUsb : m_tapSerial;
        std::span<const std::uint8_t> bytes = side.copy;
        if (!side.copies) {
            const auto all = route == Route::Usb ? m_usb.gathered() : m_serial.gathered();
            bytes = all ? all->subspan(std::min(side.handed, all->size())) : std::span<const std::uint8_t>();
        }
        if (bytes.empty()) continue;
        m_tap->traffic(Traffic{m_host.nowMs(), route, Traffic::Direction::Sent, bytes});
        side.handed += bytes.size();
        side.copy.clear();
    }
}

void PrinterLink::forgetHanded()
{
    for (TapSide* side : {&m_tapSerial, &m_tapUsb}) {
        side->handed = 0;
        side->copy.clear();
    }
}

void PrinterLink::setTap(Tap* tap)
{
    handOverTraffic();
    forgetHanded();
    m_tap = tap;
    m_tapSerial.copies = m_tap && !m_serial.gathered().has_value();
    m_tapUsb.copies = m_tap && !m_usb.gathered().has_value();
}

void PrinterLink::SendSerialText(std::string_view text)
{
    if (dropping()) return;
    if (!m_serial.isOpen()) {
        linkFailed(Route::Serial, LinkStatus::fail(LinkFailure::NotOpen, {}));
        return;
    }
    const std::vector<std::uint8_t> bytes = m_codePage.encode(text);
    m_serial.write(bytes, OutputForm::Text);
    if (m_tapSerial.copies) tapSent(Route::Serial, bytes);
}

void PrinterLink::SendSerialBytes(std::span<const std::uint8_t> bytes)
{
    if (dropping()) return;
    if (!m_serial.isOpen()) {
        linkFailed(Route::Serial, LinkStatus::fail(LinkFailure::NotOpen, {}));
        return;
    }
    m_serial.write(bytes, OutputForm::Bytes);
    if (m_tapSerial.copies) tapSent(Route::Serial, bytes);
}

void PrinterLink::SendUsbByte(std::int16_t byte)
{
    if (dropping()) return;
    m_usb.sendByte(byte);
    if (m_tapUsb.copies) {
        const auto b = static_cast<std::uint8_t>(byte);
        tapSent(Route::Usb, std::span(&b, 1));
    }
}

void PrinterLink::SendUsbText(const std::string& text)
{
    if (dropping()) return;
    m_usb.sendText(text);
    if (m_tapUsb.copies) tapSent(Route::Usb, m_codePage.encode(text));
}

std::int32_t PrinterLink::OpenUsbPrinter(const std::string& model)
{
    flush();
    const std::int32_t result = m_usb.openByModel(model);
    if (result == usb_result::Connected) m_failedInHandler = false;
    return result;
}

std::int32_t PrinterLink::ReadUsbStatus()
{
    flush();
    const std::int32_t r = m_oldFirmware ? m_usb.readStatusOldFirmware() : m_usb.readStatus();
    if (m_tap && r >= 0 && r <= 255) {
        const auto b = static_cast<std::uint8_t>(r);
        tapped(Route::Usb, Traffic::Direction::Received, std::span(&b, 1));
    }
    return r;
}

PortTarget PrinterLink::describePort(int n) const
{
    return resolvePort(n, m_portFolder, orderHostDevices(m_serial.hostDevices()));
}

std::vector<PortTarget> PrinterLink::describePorts() const
{
    const std::vector<std::string> host = orderHostDevices(m_serial.hostDevices());
    std::vector<PortTarget> out;
    for (int n = 1; n <= 11; ++n) out.push_back(resolvePort(n, m_portFolder, host));
    return out;
}

std::optional<Failure> PrinterLink::openSerial(const SerialSettings& settings)
{
    closeSerial();
    const std::string com = "COM" + std::to_string(settings.portNumber);
    const PortTarget target = describePort(settings.portNumber);
    if (!target.device) return Failure::of(FailureKind::NoDevice, Route::Serial, com, {}, target.description);
    const LinkStatus status = m_serial.open(settings, *target.device);
    if (!status.isOk()) return Failure::of(FailureKind::OpenFailed, Route::Serial, com, *target.device, status.reason);
    m_openPort = settings.portNumber;
    m_openDevice = *target.device;
    m_failedInHandler = false;
    return std::nullopt;
}

void PrinterLink::closeSerial()
{
    if (m_serial.isOpen()) m_serial.close();
    m_tapSerial.handed = 0;  // what it gathered is dropped
    m_tapSerial.copy.clear();
    m_openPort = 0;
    m_openDevice.clear();
}

int PrinterLink::bytesWaiting()
{
    return m_serial.bytesWaiting();
}

std::optional<std::uint8_t> PrinterLink::readByte()
{
    const std::optional<std::uint8_t> b = m_serial.readByte();
    if (b && m_tap) tapped(Route::Serial, Traffic::Direction::Received, std::span(&*b, 1), m_serial.lastArrivalMs());
    return b;
}

std::optional<std::uint8_t> PrinterLink::readAnswerByte()
{
    const std::optional<std::uint8_t> b = m_serial.readByte();
    if (b && m_tap)
        tapped(Route::Serial, Traffic::Direction::Received, std::span(&*b, 1), m_serial.lastArrivalMs(), true);
    return b;
}

std::vector<std::uint8_t> PrinterLink::ReadUsbReply(int timeoutMs)
{
    flush();
    std::vector<std::uint8_t> reply = m_usb.readReply(timeoutMs);
    if (m_tap && !reply.empty()) tapped(Route::Usb, Traffic::Direction::Received, reply, std::nullopt, true);
    return reply;
}

void PrinterLink::DrainUsbReplies()
{
    for (int i = 0; i < 16 && !m_usb.readReply(10).empty(); ++i) {}
}

std::optional<std::string> PrinterLink::usbDeviceId()
{
    return m_usb.deviceId();
}

std::string PrinterLink::portDevice() const
{
    if (route() != Route::Serial) return {};
    if (!m_openDevice.empty()) return m_openDevice;
    return describePort(m_portIndex).device.value_or("");
}

std::string PrinterLink::routeName() const
{
    switch (route()) {
    case Route::Serial: return portDevice().starts_with("tcp://") ? "tcp" : "serial";
    case Route::Usb: return "usb";
    case Route::None: break;
    }
    return "none";
}

void PrinterLink::flush()
{
    handOverTraffic();
    if (m_serial.isOpen()) {
        const LinkStatus status = m_serial.flush();
        m_tapSerial.handed = 0;
        if (!status.isOk()) linkFailed(Route::Serial, status);
    }
    const LinkStatus status = m_usb.flush();
    m_tapUsb.handed = 0;
    if (!status.isOk()) linkFailed(Route::Usb, status);
}

void PrinterLink::wait(std::int64_t ms)
{
    flush();
    m_host.sleep(ms);
}

void PrinterLink::letEventsIn()
{
    flush();
    m_host.processEvents();
}

// The failure of a send or of the open line, as a value: the route, the port with the device it
// reached, and the adapter's reason. A serial line that failed is closed.
void PrinterLink::linkFailed(Route route, const LinkStatus& status)
{
    Failure failure = Failure::of(FailureKind::WriteFailed, route, {}, {}, status.reason);
    switch (status.failure) {
    case LinkFailure::NotOpen: failure.kind = FailureKind::NotOpen; break;
    case LinkFailure::Lost: failure.kind = FailureKind::Lost; break;
    case LinkFailure::WriteTimedOut: failure.kind = FailureKind::WriteTimedOut; break;
    case LinkFailure::NotConnected: failure.kind = FailureKind::UsbNotConnected; break;
    case LinkFailure::OpenFailed: failure.kind = FailureKind::OpenFailed; break;
    default: break;
    }
    if (route == Route::Serial) {
        const bool notOpen = failure.kind == FailureKind::NotOpen;
        const int n = notOpen || m_openPort == 0 ? m_portIndex : m_openPort;
        // A line lost after the port list moved away from it: no COM entry names it any more.
        if (notOpen || m_openPort != 0 || route == this->route()) failure.port = "COM" + std::to_string(n);
        if (notOpen) failure.reason.clear();
        else failure.device = m_openDevice;
        closeSerial();
    } else {
        failure.port = "USB";
    }
    const bool reported = m_depth > 0 && m_failedInHandler;
    if (m_depth > 0) m_failedInHandler = true;
    m_events.linkFailed(failure, reported);
}

PrinterLink::HandlerScope::HandlerScope(PrinterLink& link) : m_link(link)
{
    if (m_link.m_depth++ == 0) m_link.m_failedInHandler = false;
}

PrinterLink::HandlerScope::~HandlerScope()
{
    m_link.flush();
    --m_link.m_depth;
}

void PrinterLink::serialDataArrived()
{
    const HandlerScope scope(*this);
    m_events.serialDataArrived();
}

void PrinterLink::serialLinkLost(const std::string& reason)
{
    const HandlerScope scope(*this);
    if (!m_serial.isOpen()) return;
    linkFailed(Route::Serial, LinkStatus::fail(LinkFailure::Lost, reason));
}

}  // namespace printbench::link
