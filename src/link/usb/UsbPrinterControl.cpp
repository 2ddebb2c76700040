#include "link/usb/UsbPrinterControl.h"

#include "protocol/Commands.h"

#include <algorithm>
#include <cctype>

namespace printbench::link::usb {

namespace {

std::string trim(std::string_view s)
{
    const auto first = s.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return {};
    const auto last = s.find_last_not_of(" \t\r\n");
    return std::string(s.substr(first, last - first + 1));
}

bool isBulk(const EndpointInfo& e)
{
    return (e.attributes & 0x03) == 2;
}

}  // namespace

std::map<std::string, std::string> parseDeviceId(std::string_view id)
{
    std::map<std::string, std::string> fields;
    std::size_t start = 0;
    while (start < id.size()) {
        const std::size_t end = std::min(id.find(';', start), id.size());
        const std::string_view item = id.substr(start, end - start);
        const std::size_t colon = item.find(':');
        if (colon != std::string_view::npos) {
            std::string key = trim(item.substr(0, colon));
            std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) { return std::toupper(c); });
            if (!key.empty()) fields[key] = trim(item.substr(colon + 1));
        }
        start = end + 1;
    }
    return fields;
}

std::string modelKey(std::string_view name)
{
    std::string key;
    for (const char c : name) {
        if (c == ' ' || c == '-' || c == '\t') continue;
        key.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
    }
    return key;
}

bool modelMatches(std::string_view model, const std::optional<std::string>& deviceId,
                  const std::optional<std::string>& product)
{
    const std::string wanted = modelKey(model);
    if (wanted.empty()) return false;
    if (deviceId) {
        const auto fields = parseDeviceId(*deviceId);
        for (const char* key : {"MDL", "MODEL"}) {
            const auto it = fields.find(key);
            if (it != fields.end() && modelKey(it->second) == wanted) return true;
        }
    }
    // A product string may carry more than the model ("KR-420 Receipt Printer").
    return product && modelKey(*product).find(wanted) != std::string::npos;
}

std::optional<PrinterInterface> printerInterface(const DeviceInfo& device)
{
    std::optional<PrinterInterface> best;
    for (const InterfaceInfo& i : device.interfaces) {
        if (i.interfaceClass != 7) continue;
        PrinterInterface p{i, 0, std::nullopt};
        for (const EndpointInfo& e : i.endpoints) {
            if (!isBulk(e)) continue;
            if (e.address & 0x80) {
                if (!p.in) p.in = e.address;
            } else if (p.out == 0) {
                p.out = e.address;
            }
        }
        if (p.out == 0) continue;
        if (!best || (!best->in && p.in)) best = p;
    }
    return best;
}

int transferTimeoutMs(std::size_t bytes)
{
    // A slow printer takes 8 KB a second; two seconds more for it to wake.
    return 2000 + static_cast<int>(bytes / 8);
}

UsbPrinterControl::UsbPrinterControl(UsbTransport& transport, const CodePage& codePage)
    : m_transport(transport), m_codePage(codePage)
{}

void UsbPrinterControl::disconnect()
{
    if (m_printer) m_transport.close();
    m_printer.reset();
}

std::int32_t UsbPrinterControl::openByModel(const std::string& model)
{
    disconnect();
    m_pending.clear();
    if (!m_transport.available()) return usb_result::Unavailable;

    bool anyPrinter = false, refused = false, busy = false;
    for (const DeviceInfo& device : m_transport.devices()) {
        const std::optional<PrinterInterface> printer = printerInterface(device);
        if (!printer) continue;
        anyPrinter = true;
        const TransportError opened = m_transport.open(device);
        if (opened != TransportError::None) {
            refused = refused || opened == TransportError::Access;
            busy = busy || opened == TransportError::Busy;
            continue;
        }
        if (!modelMatches(model, m_transport.deviceId(printer->interface), m_transport.productString())) {
            m_transport.close();
            continue;
        }
        const TransportError claimed = m_transport.claim(printer->interface);
        if (claimed != TransportError::None) {
            m_transport.close();
            refused = refused || claimed == TransportError::Access;
            busy = busy || claimed == TransportError::Busy;
            continue;
        }
        m_printer = printer;
        return usb_result::Connected;
    }
    if (!anyPrinter) return usb_result::NoPrinterFound;
    if (busy) return usb_result::Busy;
    if (refused) return usb_result::PermissionDenied;
    return usb_result::NoSuchModel;
}

void UsbPrinterControl::sendByte(std::int16_t byte)
{
    m_pending.push_back(static_cast<std::uint8_t>(byte));
}

void UsbPrinterControl::sendText(const std::string& text)
{
    const std::vector<std::uint8_t> bytes = m_codePage.encode(text);
    m_pending.insert(m_pending.end(), bytes.begin(), bytes.end());
}

LinkStatus UsbPrinterControl::flush()
{
    if (m_pending.empty()) return LinkStatus::ok();
    std::vector<std::uint8_t> bytes;
    bytes.swap(m_pending);
    if (!m_printer) {
        return LinkStatus::fail(LinkFailure::NotConnected, "No USB printer is connected; choose \"USB\" again.");
    }
    for (std::size_t at = 0; at < bytes.size(); at += kMaxTransferBytes) {
        const std::size_t count = std::min(kMaxTransferBytes, bytes.size() - at);
        const int timeout = transferTimeoutMs(count);
        switch (m_transport.bulkOut(m_printer->out, std::span(bytes).subspan(at, count), timeout)) {
        case TransportError::None: continue;
        case TransportError::Timeout:
            return LinkStatus::fail(LinkFailure::WriteTimedOut,
                                    "the USB printer did not take the bytes within " + std::to_string(timeout) + " ms");
        case TransportError::NoDevice:
            disconnect();
            return LinkStatus::fail(LinkFailure::Lost, "the USB printer was disconnected");
        default: return LinkStatus::fail(LinkFailure::WriteFailed, "the USB transfer to the printer failed");
        }
    }
    return LinkStatus::ok();
}

std::int32_t UsbPrinterControl::readStatus()
{
    if (!m_printer || !m_printer->in) return -1;
    const std::uint8_t in = *m_printer->in;
    std::vector<std::uint8_t> reply;
    // Bytes the printer sent unasked would be taken for the answer: read them away first.
    for (int i = 0; i < 16; ++i) {
        if (m_transport.bulkIn(in, reply, 64, 10) != TransportError::None || reply.empty()) break;
    }
    const TransportError sent = m_transport.bulkOut(m_printer->out, protocol::StatusRequest, 1000);
    if (sent == TransportError::NoDevice) disconnect();
    if (sent != TransportError::None) return -1;
    const TransportError got = m_transport.bulkIn(in, reply, 64, 500);
    if (got == TransportError::NoDevice) disconnect();
    if (got != TransportError::None || reply.empty()) return -1;
    return reply.front();
}

std::vector<std::uint8_t> UsbPrinterControl::readReply(int timeoutMs)
{
    std::vector<std::uint8_t> reply;
    if (!m_printer || !m_printer->in) return reply;
    const TransportError got = m_transport.bulkIn(*m_printer->in, reply, 64, timeoutMs);
    if (got == TransportError::NoDevice) disconnect();
    if (got != TransportError::None) reply.clear();
    return reply;
}

std::optional<std::string> UsbPrinterControl::deviceId()
{
    if (!m_printer) return std::nullopt;
    return m_transport.deviceId(m_printer->interface);
}

std::int32_t UsbPrinterControl::readStatusOldFirmware()
{
    if (!m_printer) return -1;
    const std::optional<std::uint8_t> status = m_transport.portStatus(m_printer->interface);
    return status ? *status : -1;
}

}  // namespace printbench::link::usb
