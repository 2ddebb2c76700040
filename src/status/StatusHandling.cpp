#include "status/StatusHandling.h"

#include "protocol/Commands.h"

namespace printbench::status {

FaultClass ReceiveStatus(link::PrinterLink& link, StatusView& view)
{
    view.showStatus("");
    view.showBytesWaiting("");
    view.showBytesWaiting(upperHex(static_cast<std::uint32_t>(link.bytesWaiting())));

    const int n = link.bytesWaiting();
    std::uint8_t v = 0;
    for (int i = 0; i < n; ++i) {
        if (const auto b = link.readByte()) v = *b;
    }
    const std::string shown = v < 16 ? "Hex : 0" : "Hex : ";
    view.showStatus(shown);

    const FaultClass fault = faultClass(v);
    if (fault != FaultClass::Normal) {
        link::PrinterChannel& serial = link.channel(link::Route::Serial);
        serial.command(protocol::Recover);
        if (fault == FaultClass::FaultWithSettle) serial.wait(300);
    }
    view.showStatus(shown + upperHex(v));
    return fault;
}

std::optional<link::Failure> ShowUsbStatus(std::int32_t value, StatusView& view)
{
    if (value == -1) {
        return link::Failure::of(link::FailureKind::UsbNoAnswer, link::Route::Usb, "USB").withUsbResult(value);
    }
    view.showStatus("");
    view.showStatus(statusDisplayText(value));
    return std::nullopt;
}

void AskStatus(link::PrinterChannel& channel)
{
    if (channel.route() == link::Route::Serial) channel.command(protocol::AutoStatusBackOn);
    channel.requestStatus();
}

void ClearStatus(link::PrinterChannel& channel)
{
    channel.command(protocol::Recover);
    channel.wait(300);
    channel.command(protocol::Initialize);
    channel.command(protocol::AutoStatusBackOn);
}

}  // namespace printbench::status
