#pragma once

#include "link/usb/UsbTransport.h"

#include <map>
#include <utility>

struct libusb_context;
struct libusb_device;
struct libusb_device_handle;

namespace printbench::app {

using namespace link::usb;

// The USB transport over libusb-1.0. It only moves descriptors, control requests and bulk
// bytes; which device is a printer and what to send it is decided by the caller.
//
// Not thread-safe: one owner calls it from one thread.
class LibusbTransport final : public UsbTransport {
public:
    LibusbTransport();
    ~LibusbTransport() override;
    LibusbTransport(const LibusbTransport&) = delete;
    LibusbTransport& operator=(const LibusbTransport&) = delete;

    bool available() override;
    std::vector<DeviceInfo> devices() override;

    // Only a device reported by the last devices() call can be opened.
    TransportError open(const DeviceInfo& device) override;
    void close() override;

    std::optional<std::string> deviceId(const InterfaceInfo& interface) override;
    std::optional<std::string> productString() override;
    TransportError claim(const InterfaceInfo& interface) override;

    // The timeout covers the whole call, however many transfers it takes.
    TransportError bulkOut(std::uint8_t endpoint, std::span<const std::uint8_t> bytes, int timeoutMs) override;
    TransportError bulkIn(std::uint8_t endpoint, std::vector<std::uint8_t>& out, int maxBytes, int timeoutMs) override;
    std::optional<std::uint8_t> portStatus(const InterfaceInfo& interface) override;

private:
    void forgetDevices();

    libusb_context* m_context = nullptr;
    // One reference held on each device of the last listing, by (bus, address).
    std::map<std::pair<int, int>, libusb_device*> m_known;
    libusb_device_handle* m_handle = nullptr;
    int m_claimed = -1;  // interface number, -1 when none
};

}  // namespace printbench::app
