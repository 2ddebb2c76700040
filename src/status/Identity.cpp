#include "status/Identity.h"

#include "link/PrinterLink.h"
#include "link/usb/UsbPrinterControl.h"
#include "protocol/Commands.h"

#include <cstdio>

namespace printbench::status {

namespace {

std::string byteText(std::uint8_t b)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "0x%02X", b);
    return buf;
}

// Where each query's answer goes in the identity.
void store(PrinterIdentity& id, std::uint8_t n, const IdentityAnswer& a)
{
    switch (n) {
    case 1: id.modelId = a.byte(); break;
    case 2: id.typeId = a.byte(); break;
    case 3: id.romVersion = a.byte(); break;
    case 65: id.firmware = a.text(); break;
    case 66: id.maker = a.text(); break;
    case 67: id.modelName = a.text(); break;
    case 68: id.serialNumber = a.text(); break;
    case 69: id.fonts = a.text(); break;
    default: break;
    }
}

// The answer to GS I n, taken byte by byte as it arrives within `waitMs`.
IdentityAnswer ask(link::PrinterLink& link, const IdentityQuery& q, std::int64_t waitMs)
{
    link::PrinterChannel& channel = link.channel(link.route());
    const bool usb = link.route() == link::Route::Usb;
    // What the printer sent before the query (a status unasked) is not its answer.
    if (usb) link.DrainUsbReplies();
    const std::uint8_t query[] = {protocol::PrinterIdQuery[0], protocol::PrinterIdQuery[1], q.n};
    channel.command(query);
    IdentityAnswer answer(q.text);
    if (usb) {
        for (std::int64_t waited = 0; waited < waitMs && !answer.complete() && !link.failedInHandler(); waited += 100)
            for (const std::uint8_t b : link.ReadUsbReply(100)) answer.take(b);
        return answer;
    }
    for (std::int64_t waited = 0;; waited += 10) {
        while (!answer.complete() && link.bytesWaiting() > 0)
            if (const auto b = link.readAnswerByte()) answer.take(*b);
        if (answer.complete() || waited >= waitMs || link.failedInHandler()) return answer;
        channel.wait(10);
    }
}

}  // namespace

void IdentityAnswer::take(std::uint8_t b)
{
    if (m_complete) return;
    if (!m_text) {
        m_byte = b;
        m_complete = true;
    } else if (!m_started) {
        m_started = b == 0x5F;
    } else if (b == 0x00) {
        m_complete = true;
    } else {
        m_body += static_cast<char>(b);
    }
}

std::vector<std::pair<std::string, std::string>> PrinterIdentity::rows() const
{
    const auto byte = [](const std::optional<std::uint8_t>& b) { return b ? byteText(*b) : "no answer"; };
    const auto text = [](const std::optional<std::string>& t) { return t ? *t : "no answer"; };
    // clang-format off
    std::vector<std::pair<std::string, std::string>> out{
        {"Model ID", byte(modelId)},      {"Type ID", byte(typeId)},     {"ROM version", byte(romVersion)},
        {"Firmware version", text(firmware)}, {"Maker", text(maker)},     {"Model name", text(modelName)},
        {"Serial number", text(serialNumber)}, {"Fonts", text(fonts)},
    };
    // clang-format on
    for (const auto& [name, value] :
         {std::pair{"USB MFG", &usbMaker}, std::pair{"USB MDL", &usbModel}, std::pair{"USB SN", &usbSerial}})
        if (*value) out.emplace_back(name, **value);
    return out;
}

bool PrinterIdentity::empty() const
{
    return !modelId && !typeId && !romVersion && !firmware && !maker && !modelName && !serialNumber && !fonts &&
           !usbMaker && !usbModel && !usbSerial;
}

PrinterIdentity ReadIdentity(link::PrinterLink& link, std::int64_t waitMs)
{
    PrinterIdentity id;
    if (link.route() == link::Route::None) return id;
    for (const IdentityQuery& q : kIdentityQueries) {
        store(id, q.n, ask(link, q, waitMs));
        if (link.failedInHandler()) break;
    }
    if (link.route() == link::Route::Usb) {
        if (const auto deviceId = link.usbDeviceId()) {
            const auto fields = link::usb::parseDeviceId(*deviceId);
            const auto field = [&fields](std::initializer_list<const char*> keys) -> std::optional<std::string> {
                for (const char* key : keys)
                    if (const auto it = fields.find(key); it != fields.end()) return it->second;
                return std::nullopt;
            };
            id.usbMaker = field({"MFG", "MANUFACTURER"});
            id.usbModel = field({"MDL", "MODEL"});
            id.usbSerial = field({"SN", "SERN", "SERIALNUMBER"});
        }
    }
    return id;
}

}  // namespace printbench::status
