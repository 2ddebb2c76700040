#include "link/PrinterLink.h"

#include "link/StatusText.h"

namespace printbench::link {

using shell::Control;
using shell::Icon;

Route routeForPortIndex(int portIndex)
{
    if (portIndex >= 1 && portIndex < 12) return Route::Serial;
    if (portIndex == 12) return Route::Usb;
    return Route::None;
}

std::string usbErrorText(std::int32_t result)
{
    return "[Returned Data]:" + std::to_string(result) + ",USB포트를 열수 없습니다." + "\r\n" +
           "프린터 및 케이블을 확인하시고 다시 시도해 주십시오";
}

PrinterLink::PrinterLink(SerialPort& serial, UsbControl& usb, shell::Host& host, shell::WindowFields& fields,
                         shell::SharedState& state, std::filesystem::path portFolder)
    : m_serial(serial), m_usb(usb), m_host(host), m_fields(fields), m_state(state),
      m_portFolder(std::move(portFolder)), m_codePage(CodePage::forEnvironment())
{
    m_serial.setListener(this);
}

PrinterLink::~PrinterLink()
{
    m_serial.setListener(nullptr);
}

Route PrinterLink::route() const
{
    return routeForPortIndex(m_fields.listIndex(Control::Combo2));
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
}

void PrinterLink::SendSerialBytes(std::span<const std::uint8_t> bytes)
{
    if (dropping()) return;
    if (!m_serial.isOpen()) {
        linkFailed(Route::Serial, LinkStatus::fail(LinkFailure::NotOpen, {}));
        return;
    }
    m_serial.write(bytes, OutputForm::Bytes);
}

void PrinterLink::SendUsbByte(std::int16_t byte)
{
    if (dropping()) return;
    m_usb.sendByte(byte);
}

void PrinterLink::SendUsbText(const std::string& text)
{
    if (dropping()) return;
    m_usb.sendText(text);
}

std::int32_t PrinterLink::OpenUsbPrinter(const std::string& model)
{
    flush();
    const std::int32_t result = m_usb.openByModel(model);
    if (result == usb_result::Connected) m_failedInHandler = false;
    return result;
}

void PrinterLink::ReadUsbStatus()
{
    flush();
    const std::int32_t r = m_fields.checked(Control::Check2) ? m_usb.readStatusOldFirmware() : m_usb.readStatus();
    if (r == -1) {
        m_host.message(Icon::Critical, usbErrorText(r));
        return;
    }
    m_fields.setText(Control::Text6, "");
    m_fields.setText(Control::Text6, statusDisplayText(r));
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

bool PrinterLink::openSerial(const SerialSettings& settings)
{
    closeSerial();
    const std::string com = "COM" + std::to_string(settings.portNumber);
    const PortTarget target = describePort(settings.portNumber);
    if (!target.device) {
        m_host.message(Icon::Critical, com + " could not be opened.\r\n" + target.description);
        return false;
    }
    const LinkStatus status = m_serial.open(settings, *target.device);
    if (!status.isOk()) {
        m_host.message(Icon::Critical, com + " could not be opened.\r\nDevice: " + *target.device +
                                           "\r\nReason: " + status.reason);
        return false;
    }
    m_openPort = settings.portNumber;
    m_openDevice = *target.device;
    m_failedInHandler = false;
    return true;
}

void PrinterLink::closeSerial()
{
    if (m_serial.isOpen()) m_serial.close();
    m_openPort = 0;
    m_openDevice.clear();
}

bool PrinterLink::serialIsOpen() const
{
    return m_serial.isOpen();
}

void PrinterLink::flush()
{
    if (m_serial.isOpen()) {
        const LinkStatus status = m_serial.flush();
        if (!status.isOk()) linkFailed(Route::Serial, status);
    }
    const LinkStatus status = m_usb.flush();
    if (!status.isOk()) linkFailed(Route::Usb, status);
}

std::string PrinterLink::serialName() const
{
    if (m_openPort == 0) {
        const int index = m_fields.listIndex(Control::Combo2);
        return routeForPortIndex(index) == Route::Serial ? "COM" + std::to_string(index) : "The serial port";
    }
    return "COM" + std::to_string(m_openPort) + " (" + m_openDevice + ")";
}

void PrinterLink::linkFailed(Route route, const LinkStatus& status)
{
    std::string text;
    if (route == Route::Serial) {
        if (status.failure == LinkFailure::NotOpen) {
            const int index = m_fields.listIndex(Control::Combo2);
            text = "COM" + std::to_string(index) + " is not open, so nothing was sent.\r\n" +
                   "Choose the port again once the printer is connected.";
        } else if (status.failure == LinkFailure::Lost) {
            text = "The connection to " + serialName() + " was lost; the port has been closed.\r\nReason: " +
                   status.reason;
        } else {
            text = "Sending to " + serialName() + " failed; the port has been closed.\r\nReason: " + status.reason;
        }
        closeSerial();
    } else {
        text = "Sending to the USB printer failed.\r\nReason: " + status.reason;
    }
    m_state.StopRequested = 1;
    if (m_depth > 0) {
        if (m_failedInHandler) return;
        m_failedInHandler = true;
    }
    m_host.message(Icon::Critical, text);
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
    if (m_onReceive) m_onReceive(2);
}

void PrinterLink::serialLinkLost(const std::string& reason)
{
    const HandlerScope scope(*this);
    if (!m_serial.isOpen()) return;
    linkFailed(Route::Serial, LinkStatus::fail(LinkFailure::Lost, reason));
}

} // namespace printbench::link
