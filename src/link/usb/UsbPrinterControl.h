#pragma once

#include "link/CodePage.h"
#include "link/UsbControl.h"
#include "link/usb/UsbTransport.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace printbench::link::usb {

// The fields of an IEEE 1284 device ID ("MFG:ACME;MDL:KR-420;CMD:ESC/POS;"), keys upper-case,
// keys and values trimmed.
std::map<std::string, std::string> parseDeviceId(std::string_view id);

// A model name as compared: upper-case, without spaces and hyphens ("kr 420" -> "KR420").
std::string modelKey(std::string_view name);

// The model list's name matches the device ID's MDL (or MODEL) field or the product string.
bool modelMatches(std::string_view model, const std::optional<std::string>& deviceId,
                  const std::optional<std::string>& product);

// A printer-class interface setting with its bulk OUT endpoint and, when it has one, its bulk
// IN endpoint. A bidirectional setting (with IN) is preferred.
struct PrinterInterface {
    InterfaceInfo interface;
    std::uint8_t out = 0;
    std::optional<std::uint8_t> in;
};
std::optional<PrinterInterface> printerInterface(const DeviceInfo& device);

// The largest bulk transfer handed over at once, and the time a transfer of `bytes` may take.
inline constexpr std::size_t kMaxTransferBytes = 16 * 1024;
int transferTimeoutMs(std::size_t bytes);

// The USB control on any USB stack: finds the printer of a model, gathers the bytes of members
// 3 and 4 and hands them over at flush points, and reads the status two ways.
class UsbPrinterControl : public UsbControl {
public:
    UsbPrinterControl(UsbTransport& transport, const CodePage& codePage);

    std::int32_t openByModel(const std::string& model) override;
    void sendByte(std::int16_t byte) override;
    void sendText(const std::string& text) override;
    // GET_PORT_STATUS, for printers with the older firmware.
    std::int32_t readStatusOldFirmware() override;
    // DLE EOT 2 on bulk OUT, the reply byte on bulk IN (stale bytes drained first).
    std::int32_t readStatus() override;
    LinkStatus flush() override;
    // One read of the bulk IN endpoint (up to 64 bytes).
    std::vector<std::uint8_t> readReply(int timeoutMs) override;
    std::optional<std::string> deviceId() override;
    std::optional<std::span<const std::uint8_t>> gathered() const override { return std::span(m_pending); }

    bool connected() const { return m_printer.has_value(); }

private:
    void disconnect();

    UsbTransport& m_transport;
    const CodePage& m_codePage;
    std::optional<PrinterInterface> m_printer;
    std::vector<std::uint8_t> m_pending;
};

}  // namespace printbench::link::usb
