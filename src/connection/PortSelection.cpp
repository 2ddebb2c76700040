#include "connection/PortSelection.h"

#include "protocol/Commands.h"

namespace printbench::connection {

std::optional<link::Failure> OpenSerialPort(link::PrinterLink& link, int portNumber, std::string_view speedText)
{
    const std::optional<link::SerialSettings> settings = link::SerialSettings::forPort(portNumber, speedText);
    if (!settings) {
        link.closeSerial();
        return link::Failure::of(link::FailureKind::BadSpeed, link::Route::Serial, "COM" + std::to_string(portNumber),
                                 {}, std::string(speedText));
    }
    if (auto failure = link.openSerial(*settings)) return failure;
    link.channel(link::Route::Serial).command(protocol::AutoStatusBackOn);
    return std::nullopt;
}

link::Failure UsbConnection::failure() const
{
    return link::Failure::of(link::FailureKind::UsbUnavailable, link::Route::Usb, "USB").withUsbResult(result);
}

UsbConnection ConnectUsb(link::PrinterLink& link, const std::string& model)
{
    return {link.OpenUsbPrinter(model), model};
}

}  // namespace printbench::connection
