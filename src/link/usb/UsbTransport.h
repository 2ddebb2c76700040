#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace printbench::link::usb {

// What the USB printer control needs from a USB stack, in its own terms. The libusb transport
// implements it; tests use a fake. No rule about printers lives behind it.

struct EndpointInfo {
    std::uint8_t address = 0;     // bit 7 set: IN
    std::uint8_t attributes = 0;  // bits 0-1: 2 = bulk
    std::uint16_t maxPacketSize = 0;
};

struct InterfaceInfo {
    int number = 0;
    int alternateSetting = 0;
    int interfaceClass = 0;  // 7: printer
    int interfaceSubClass = 0;
    int interfaceProtocol = 0;  // 1 unidirectional, 2 bidirectional, 3 IEEE 1284.4
    std::vector<EndpointInfo> endpoints;
};

struct DeviceInfo {
    int bus = 0;
    int address = 0;
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::vector<InterfaceInfo> interfaces;  // every alternate setting of every interface
};

enum class TransportError {
    None,
    Access,    // the user may not open the device
    Busy,      // another program or driver holds the interface
    NoDevice,  // the device is gone
    Timeout,
    Pipe,  // the endpoint stalled
    Io,
    Other,
};

class UsbTransport {
public:
    virtual ~UsbTransport() = default;

    // False when the USB stack could not be started (no libusb, no /dev/bus/usb).
    virtual bool available() = 0;
    virtual std::vector<DeviceInfo> devices() = 0;

    // At most one device is open at a time; open() closes the previous one.
    virtual TransportError open(const DeviceInfo& device) = 0;
    virtual void close() = 0;

    // The printer-class GET_DEVICE_ID string (IEEE 1284 device ID, without its length prefix).
    virtual std::optional<std::string> deviceId(const InterfaceInfo& interface) = 0;
    // The device's product string descriptor, if it has one.
    virtual std::optional<std::string> productString() = 0;
    // Detaches the kernel's printer driver while claimed, claims and selects the setting.
    virtual TransportError claim(const InterfaceInfo& interface) = 0;

    virtual TransportError bulkOut(std::uint8_t endpoint, std::span<const std::uint8_t> bytes, int timeoutMs) = 0;
    // Up to `maxBytes` into `out` (cleared first); Timeout when nothing came in time.
    virtual TransportError bulkIn(std::uint8_t endpoint, std::vector<std::uint8_t>& out, int maxBytes,
                                  int timeoutMs) = 0;
    // The printer-class GET_PORT_STATUS byte.
    virtual std::optional<std::uint8_t> portStatus(const InterfaceInfo& interface) = 0;
};

}  // namespace printbench::link::usb
