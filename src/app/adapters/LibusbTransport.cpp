#include "app/adapters/LibusbTransport.h"

#include <libusb.h>

#include <algorithm>
#include <array>
#include <chrono>

namespace printbench::app {

namespace {

// Printer-class requests.
constexpr std::uint8_t GetDeviceId = 0;
constexpr std::uint8_t GetPortStatus = 1;
constexpr std::uint8_t ClassInterfaceIn = static_cast<int>(LIBUSB_ENDPOINT_IN) |
                                          static_cast<int>(LIBUSB_REQUEST_TYPE_CLASS) |
                                          static_cast<int>(LIBUSB_RECIPIENT_INTERFACE);
constexpr unsigned ControlTimeoutMs = 2000;
constexpr unsigned PortStatusTimeoutMs = 1000;

TransportError errorFor(int code)
{
    switch (code) {
    case LIBUSB_SUCCESS: return TransportError::None;
    case LIBUSB_ERROR_ACCESS: return TransportError::Access;
    case LIBUSB_ERROR_BUSY: return TransportError::Busy;
    case LIBUSB_ERROR_NO_DEVICE: return TransportError::NoDevice;
    case LIBUSB_ERROR_TIMEOUT: return TransportError::Timeout;
    case LIBUSB_ERROR_PIPE: return TransportError::Pipe;
    case LIBUSB_ERROR_IO:
    case LIBUSB_ERROR_OVERFLOW: return TransportError::Io;
    default: return TransportError::Other;
    }
}

InterfaceInfo interfaceFrom(const libusb_interface_descriptor& d)
{
    InterfaceInfo info;
    info.number = d.bInterfaceNumber;
    info.alternateSetting = d.bAlternateSetting;
    info.interfaceClass = d.bInterfaceClass;
    info.interfaceSubClass = d.bInterfaceSubClass;
    info.interfaceProtocol = d.bInterfaceProtocol;
    for (int e = 0; e < d.bNumEndpoints; ++e) {
        const libusb_endpoint_descriptor& ep = d.endpoint[e];
        info.endpoints.push_back({ep.bEndpointAddress, ep.bmAttributes, ep.wMaxPacketSize});
    }
    return info;
}

// Descriptors of one device; nullopt when they cannot be read.
std::optional<DeviceInfo> describe(libusb_device* device)
{
    libusb_device_descriptor desc{};
    if (libusb_get_device_descriptor(device, &desc) != LIBUSB_SUCCESS) return std::nullopt;
    libusb_config_descriptor* config = nullptr;
    if (libusb_get_active_config_descriptor(device, &config) != LIBUSB_SUCCESS &&
        libusb_get_config_descriptor(device, 0, &config) != LIBUSB_SUCCESS)
        return std::nullopt;

    DeviceInfo info;
    info.bus = libusb_get_bus_number(device);
    info.address = libusb_get_device_address(device);
    info.vendorId = desc.idVendor;
    info.productId = desc.idProduct;
    for (int i = 0; i < config->bNumInterfaces; ++i) {
        const libusb_interface& iface = config->interface[i];
        for (int a = 0; a < iface.num_altsetting; ++a) info.interfaces.push_back(interfaceFrom(iface.altsetting[a]));
    }
    libusb_free_config_descriptor(config);
    return info;
}

// Milliseconds left until `deadline`, rounded up; 0 when it has passed. libusb reads 0 as
// "no limit", so callers must not pass 0 on.
unsigned msLeft(std::chrono::steady_clock::time_point deadline)
{
    const auto left = deadline - std::chrono::steady_clock::now();
    if (left <= std::chrono::steady_clock::duration::zero()) return 0;
    return static_cast<unsigned>(std::chrono::ceil<std::chrono::milliseconds>(left).count());
}

}  // namespace

LibusbTransport::LibusbTransport()
{
    if (libusb_init(&m_context) != LIBUSB_SUCCESS) m_context = nullptr;
}

LibusbTransport::~LibusbTransport()
{
    close();
    forgetDevices();
    if (m_context) libusb_exit(m_context);
}

bool LibusbTransport::available()
{
    return m_context != nullptr;
}

void LibusbTransport::forgetDevices()
{
    for (auto& [key, device] : m_known) libusb_unref_device(device);
    m_known.clear();
}

std::vector<DeviceInfo> LibusbTransport::devices()
{
    std::vector<DeviceInfo> result;
    if (!m_context) return result;
    libusb_device** list = nullptr;
    const ssize_t count = libusb_get_device_list(m_context, &list);
    if (count < 0) return result;

    // Take the new references before dropping the old ones, so a device in both listings is
    // never freed in between.
    std::map<std::pair<int, int>, libusb_device*> known;
    for (ssize_t i = 0; i < count; ++i) {
        std::optional<DeviceInfo> info = describe(list[i]);
        if (!info) continue;
        const std::pair key{info->bus, info->address};
        if (known.contains(key)) continue;
        known.emplace(key, libusb_ref_device(list[i]));
        result.push_back(std::move(*info));
    }
    libusb_free_device_list(list, 1);
    forgetDevices();
    m_known = std::move(known);
    return result;
}

TransportError LibusbTransport::open(const DeviceInfo& device)
{
    close();
    if (!m_context) return TransportError::Other;
    const auto it = m_known.find({device.bus, device.address});
    if (it == m_known.end()) return TransportError::NoDevice;

    libusb_device_handle* handle = nullptr;
    const int rc = libusb_open(it->second, &handle);
    if (rc != LIBUSB_SUCCESS) return errorFor(rc);
    m_handle = handle;
    // Platforms without kernel drivers to detach answer NOT_SUPPORTED; claim() still works.
    libusb_set_auto_detach_kernel_driver(m_handle, 1);
    return TransportError::None;
}

void LibusbTransport::close()
{
    if (!m_handle) return;
    if (m_claimed >= 0) libusb_release_interface(m_handle, m_claimed);  // gives the kernel driver back
    libusb_close(m_handle);
    m_handle = nullptr;
    m_claimed = -1;
}

std::optional<std::string> LibusbTransport::deviceId(const InterfaceInfo& interface)
{
    if (!m_handle) return std::nullopt;
    std::array<unsigned char, 1024> buffer{};
    const int got = libusb_control_transfer(
        m_handle, ClassInterfaceIn, GetDeviceId, 0 /* first configuration */,
        static_cast<std::uint16_t>((interface.number << 8) | (interface.alternateSetting & 0xff)), buffer.data(),
        static_cast<std::uint16_t>(buffer.size() - 1), ControlTimeoutMs);
    if (got < 2) return std::nullopt;
    // Big-endian length, counting its own two bytes. Trust it only as far as bytes arrived.
    const int stated = (buffer[0] << 8) | buffer[1];
    const int end = std::min(stated, got);
    if (end < 2) return std::nullopt;
    return std::string(reinterpret_cast<const char*>(buffer.data()) + 2, static_cast<std::size_t>(end - 2));
}

std::optional<std::string> LibusbTransport::productString()
{
    if (!m_handle) return std::nullopt;
    libusb_device_descriptor desc{};
    if (libusb_get_device_descriptor(libusb_get_device(m_handle), &desc) != LIBUSB_SUCCESS || desc.iProduct == 0)
        return std::nullopt;
    std::array<unsigned char, 256> buffer{};
    const int got = libusb_get_string_descriptor_ascii(m_handle, desc.iProduct, buffer.data(), buffer.size());
    if (got < 0) return std::nullopt;
    return std::string(reinterpret_cast<const char*>(buffer.data()), static_cast<std::size_t>(got));
}

TransportError LibusbTransport::claim(const InterfaceInfo& interface)
{
    if (!m_handle) return TransportError::NoDevice;
    if (m_claimed >= 0 && m_claimed != interface.number) {
        libusb_release_interface(m_handle, m_claimed);
        m_claimed = -1;
    }
    if (m_claimed < 0) {
        const int rc = libusb_claim_interface(m_handle, interface.number);
        if (rc != LIBUSB_SUCCESS) return errorFor(rc);
        m_claimed = interface.number;
    }
    if (interface.alternateSetting != 0) {
        const int rc = libusb_set_interface_alt_setting(m_handle, interface.number, interface.alternateSetting);
        if (rc != LIBUSB_SUCCESS) {
            libusb_release_interface(m_handle, m_claimed);
            m_claimed = -1;
            return errorFor(rc);
        }
    }
    return TransportError::None;
}

TransportError LibusbTransport::bulkOut(std::uint8_t endpoint, std::span<const std::uint8_t> bytes, int timeoutMs)
{
    if (!m_handle) return TransportError::NoDevice;
    // The direction bit is forced: an IN transfer here would write into the caller's bytes.
    const auto address = static_cast<unsigned char>(endpoint & ~LIBUSB_ENDPOINT_IN);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 1));
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const unsigned left = msLeft(deadline);
        if (left == 0) return TransportError::Timeout;
        const int chunk = static_cast<int>(std::min<std::size_t>(bytes.size() - sent, 1u << 20));
        int transferred = 0;
        const int rc = libusb_bulk_transfer(m_handle, address, const_cast<unsigned char*>(bytes.data() + sent), chunk,
                                            &transferred, left);
        sent += static_cast<std::size_t>(std::max(transferred, 0));
        if (rc != LIBUSB_SUCCESS && rc != LIBUSB_ERROR_TIMEOUT) return errorFor(rc);
    }
    return TransportError::None;
}

TransportError LibusbTransport::bulkIn(std::uint8_t endpoint, std::vector<std::uint8_t>& out, int maxBytes,
                                       int timeoutMs)
{
    out.clear();
    if (!m_handle) return TransportError::NoDevice;
    if (maxBytes <= 0) return TransportError::None;
    out.resize(static_cast<std::size_t>(maxBytes));
    int transferred = 0;
    const int rc = libusb_bulk_transfer(m_handle, static_cast<unsigned char>(endpoint | LIBUSB_ENDPOINT_IN), out.data(),
                                        maxBytes, &transferred, static_cast<unsigned>(std::max(timeoutMs, 1)));
    out.resize(static_cast<std::size_t>(std::clamp(transferred, 0, maxBytes)));
    if (rc == LIBUSB_ERROR_TIMEOUT && !out.empty())
        return TransportError::None;  // some bytes came before the time ran out
    return errorFor(rc);
}

std::optional<std::uint8_t> LibusbTransport::portStatus(const InterfaceInfo& interface)
{
    if (!m_handle) return std::nullopt;
    unsigned char status = 0;
    const int got = libusb_control_transfer(m_handle, ClassInterfaceIn, GetPortStatus, 0,
                                            static_cast<std::uint16_t>(interface.number), &status, 1,
                                            PortStatusTimeoutMs);
    if (got != 1) return std::nullopt;
    return status;
}

}  // namespace printbench::app
