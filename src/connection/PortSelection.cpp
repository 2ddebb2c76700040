#include "connection/PortSelection.h"

#include "protocol/Commands.h"

namespace printbench::connection {

std::optional<std::string> OpenSerialPort(link::PrinterLink& link, int portNumber, std::string_view speedText)
{
    const std::optional<link::SerialSettings> settings = link::SerialSettings::forPort(portNumber, speedText);
    if (!settings) {
        link.closeSerial();
        return "COM" + std::to_string(portNumber) + " could not be opened.\r\nReason: the speed \"" +
               std::string(speedText) + "\" is not a number";
    }
    const link::LinkStatus opened = link.openSerial(*settings);
    if (!opened.isOk()) return opened.reason;
    link.channel(link::Route::Serial).command(protocol::AutoStatusBackOn);
    return std::nullopt;
}

UsbConnection ConnectUsb(link::PrinterLink& link, const std::string& model)
{
    const std::int32_t r = link.OpenUsbPrinter(model);
    if (r == 0) return {r, model + " 모델에 USB로 연결되었습니다."};
    return {r, link::usbErrorText(r)};
}

} // namespace printbench::connection
