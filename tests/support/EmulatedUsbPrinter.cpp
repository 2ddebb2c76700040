#include "support/EmulatedUsbPrinter.h"

#include <umockdev.h>

#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <deque>
#include <fstream>
#include <mutex>
#include <stdexcept>
#include <utility>

namespace printbench::testkit {

namespace {

constexpr std::uint8_t BulkOut = 0x01, BulkIn = 0x82;

// Device, configuration, interface (printer class, bidirectional) and the two bulk endpoints.
const std::vector<std::uint8_t> kDescriptors{
    0x12, 0x01, 0x00, 0x02, 0x00, 0x00, 0x00, 0x40, 0x34, 0x12, 0x20, 0x04, 0x00, 0x01, 0x01, 0x02, 0x00, 0x01,
    0x09, 0x02, 0x20, 0x00, 0x01, 0x01, 0x00, 0xC0, 0x32,
    0x09, 0x04, 0x00, 0x00, 0x02, 0x07, 0x01, 0x02, 0x00,
    0x07, 0x05, BulkOut, 0x02, 0x40, 0x00, 0x00,
    0x07, 0x05, BulkIn, 0x02, 0x40, 0x00, 0x00,
};

// The kernel's capabilities as a current kernel on an xHCI host reports them: one URB per
// transfer, however long.
constexpr std::uint32_t kCapabilities = USBDEVFS_CAP_ZERO_PACKET | USBDEVFS_CAP_BULK_CONTINUATION |
                                        USBDEVFS_CAP_NO_PACKET_SIZE_LIM | USBDEVFS_CAP_BULK_SCATTER_GATHER;

struct Urb {
    UMockdevIoctlData* data;    // the client's struct usbdevfs_urb, referenced
    UMockdevIoctlData* buffer;  // its buffer, referenced (null when empty)
    usbdevfs_urb* get() const { return reinterpret_cast<usbdevfs_urb*>(data->data); }
};

std::string stringDescriptor(const std::string& ascii)
{
    std::string d{char(2 + 2 * ascii.size()), 0x03};
    for (const char c : ascii) d += {c, 0};
    return d;
}

} // namespace

struct EmulatedUsbPrinter::State {
    mutable std::mutex mutex;
    std::string deviceId, product;
    std::optional<std::uint8_t> statusReply;
    std::uint8_t portStatus = 0x18;
    bool busy = false, gone = false;
    std::size_t vanishAfter = SIZE_MAX;
    std::string driver = "usblp";
    int claimed = -1;
    std::vector<std::vector<std::uint8_t>> out;
    std::size_t outBytes = 0;
    std::vector<std::string> events;
    std::deque<Urb> completed, waitingIn;
    std::size_t repliesOwed = 0;

    static void release(Urb& u)
    {
        if (u.buffer) g_object_unref(u.buffer);
        g_object_unref(u.data);
    }
    void finish(Urb u, int status, int length)
    {
        u.get()->status = status;
        u.get()->actual_length = length;
        completed.push_back(u);
    }
    // An IN URB waiting gets the status reply if one is owed.
    void answerWaiting()
    {
        while (repliesOwed > 0 && statusReply && !waitingIn.empty()) {
            Urb u = waitingIn.front();
            waitingIn.pop_front();
            --repliesOwed;
            if (u.get()->buffer_length < 1) {
                finish(u, 0, 0);
                continue;
            }
            u.buffer->data[0] = *statusReply;
            finish(u, 0, 1);
        }
    }
    // A control transfer: the 8-byte setup at the buffer's start, the data after it.
    int control(std::uint8_t* buffer, int length)
    {
        if (length < 8) return -EINVAL;
        const std::uint8_t type = buffer[0], request = buffer[1];
        const int value = buffer[2] | (buffer[3] << 8), wanted = std::min(buffer[6] | (buffer[7] << 8), length - 8);
        std::string reply;
        if (type == 0xA1 && request == 0) {  // GET_DEVICE_ID: big-endian length, counting itself
            const std::size_t n = deviceId.size() + 2;
            reply = std::string{char(n >> 8), char(n & 0xFF)} + deviceId;
        } else if (type == 0xA1 && request == 1) {  // GET_PORT_STATUS
            reply = std::string(1, char(portStatus));
        } else if (type == 0x80 && request == 6 && (value >> 8) == 3) {  // string descriptors
            if ((value & 0xFF) == 0) reply = {0x04, 0x03, 0x09, 0x04};
            else if ((value & 0xFF) == 2) reply = stringDescriptor(product);
            else return -EPIPE;
        } else {
            return -EPIPE;  // a stall, as a device answers a request it does not know
        }
        const int n = std::min(wanted, static_cast<int>(reply.size()));
        std::memcpy(buffer + 8, reply.data(), std::size_t(n));
        return n;
    }

    // One usbdevfs call of libusb; the result and errno.
    std::pair<long, int> call(UMockdevIoctlClient* client);
};

namespace {

template <typename T>
T* resolved(UMockdevIoctlData* arg, UMockdevIoctlData** block)
{
    *block = umockdev_ioctl_data_resolve(arg, 0, sizeof(T), nullptr);
    return *block ? reinterpret_cast<T*>((*block)->data) : nullptr;
}

} // namespace

std::pair<long, int> EmulatedUsbPrinter::State::call(UMockdevIoctlClient* client)
{
    const gulong request = umockdev_ioctl_client_get_request(client);
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    std::lock_guard lock(mutex);
    if (gone) return {-1, ENODEV};
    UMockdevIoctlData* block = nullptr;

    switch (request) {
    case USBDEVFS_GET_CAPABILITIES: {
        auto* caps = resolved<std::uint32_t>(arg, &block);
        if (!caps) return {-1, EFAULT};
        *caps = kCapabilities;
        return {0, 0};
    }
    case USBDEVFS_GETDRIVER: {
        auto* d = resolved<usbdevfs_getdriver>(arg, &block);
        if (!d) return {-1, EFAULT};
        if (d->interface != 0 || driver.empty()) return {-1, ENODATA};
        std::snprintf(d->driver, sizeof d->driver, "%s", driver.c_str());
        return {0, 0};
    }
    case USBDEVFS_IOCTL: {  // the kernel driver: DISCONNECT and CONNECT
        auto* c = resolved<usbdevfs_ioctl>(arg, &block);
        if (!c) return {-1, EFAULT};
        if (c->ioctl_code == int(USBDEVFS_DISCONNECT)) {
            if (driver.empty()) return {-1, ENODATA};
            events.push_back("detach " + std::exchange(driver, ""));
            return {0, 0};
        }
        if (c->ioctl_code == int(USBDEVFS_CONNECT)) {
            if (claimed >= 0) return {-1, EBUSY};
            if (driver.empty()) events.push_back("attach usblp");
            driver = "usblp";
            return {0, 0};
        }
        return {-1, ENOTTY};
    }
    case USBDEVFS_DISCONNECT_CLAIM: {
        auto* dc = resolved<usbdevfs_disconnect_claim>(arg, &block);
        if (!dc) return {-1, EFAULT};
        if (dc->interface != 0) return {-1, EINVAL};
        if (busy) return {-1, EBUSY};
        const bool except = dc->flags & USBDEVFS_DISCONNECT_CLAIM_EXCEPT_DRIVER;
        const bool only = dc->flags & USBDEVFS_DISCONNECT_CLAIM_IF_DRIVER;
        if (!driver.empty() && !(except && driver == dc->driver) && !(only && driver != dc->driver))
            events.push_back("detach " + std::exchange(driver, ""));
        if (!driver.empty()) return {-1, EBUSY};
        claimed = 0;
        events.push_back("claim 0");
        return {0, 0};
    }
    case USBDEVFS_CLAIMINTERFACE: {
        auto* i = resolved<unsigned int>(arg, &block);
        if (!i) return {-1, EFAULT};
        if (*i != 0) return {-1, EINVAL};
        if (busy || !driver.empty()) return {-1, EBUSY};
        claimed = 0;
        events.push_back("claim 0");
        return {0, 0};
    }
    case USBDEVFS_RELEASEINTERFACE: {
        auto* i = resolved<unsigned int>(arg, &block);
        if (!i) return {-1, EFAULT};
        if (claimed != int(*i)) return {-1, EINVAL};
        claimed = -1;
        events.push_back("release 0");
        return {0, 0};
    }
    case USBDEVFS_SUBMITURB: {
        Urb u{};
        if (!resolved<usbdevfs_urb>(arg, &u.data)) return {-1, EFAULT};
        g_object_ref(u.data);
        usbdevfs_urb* urb = u.get();
        if (urb->buffer_length > 0) {
            u.buffer = umockdev_ioctl_data_resolve(u.data, offsetof(usbdevfs_urb, buffer), std::size_t(urb->buffer_length), nullptr);
            if (!u.buffer) {
                release(u);
                return {-1, EFAULT};
            }
            g_object_ref(u.buffer);
        }
        std::uint8_t* bytes = u.buffer ? u.buffer->data : nullptr;
        if (urb->type == USBDEVFS_URB_TYPE_CONTROL && urb->endpoint == 0) {
            const int n = control(bytes, urb->buffer_length);
            finish(u, n < 0 ? n : 0, std::max(n, 0));
        } else if (urb->type == USBDEVFS_URB_TYPE_BULK && urb->endpoint == BulkOut && claimed == 0) {
            const std::size_t n = std::size_t(std::max(urb->buffer_length, 0));
            out.emplace_back(bytes, bytes + n);
            // Counted through the transfer: the device leaves in its middle.
            if (vanishAfter < outBytes + n) {
                out.back().resize(vanishAfter > outBytes ? vanishAfter - outBytes : 0);
                gone = true;
                release(u);
                return {-1, ENODEV};
            }
            outBytes += n;
            if (out.back() == std::vector<std::uint8_t>{0x10, 0x04, 0x02}) ++repliesOwed;
            finish(u, 0, int(n));
        } else if (urb->type == USBDEVFS_URB_TYPE_BULK && urb->endpoint == BulkIn && claimed == 0) {
            waitingIn.push_back(u);
        } else {
            release(u);
            return {-1, EINVAL};
        }
        answerWaiting();
        return {0, 0};
    }
    case USBDEVFS_DISCARDURB: {
        // The argument is the URB's address in the client; a discarded URB is reaped with ENOENT.
        gulong address = 0;
        std::memcpy(&address, arg->data, std::min<std::size_t>(sizeof address, std::size_t(arg->data_len)));
        const auto it = std::ranges::find(waitingIn, address, [](const Urb& u) { return u.data->client_addr; });
        if (it == waitingIn.end()) return {-1, EINVAL};
        const Urb u = *it;
        waitingIn.erase(it);
        finish(u, -ENOENT, 0);
        return {0, 0};
    }
    case USBDEVFS_REAPURB:
    case USBDEVFS_REAPURBNDELAY: {
        if (completed.empty()) return {-1, EAGAIN};
        UMockdevIoctlData* pointer = umockdev_ioctl_data_resolve(arg, 0, sizeof(void*), nullptr);
        if (!pointer) return {-1, EFAULT};
        Urb u = completed.front();
        completed.pop_front();
        umockdev_ioctl_data_set_ptr(pointer, 0, u.data);
        release(u);
        return {0, 0};
    }
    default:
        return {-1, ENOTTY};
    }
}

namespace {

// The handler holds the state: a client that still has the node open (a handle not yet closed)
// may call after the printer object is gone, and is answered ENODEV.
using Held = std::shared_ptr<EmulatedUsbPrinter::State>;

gboolean onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer state)
{
    const auto [result, error] = (*static_cast<Held*>(state))->call(client);
    umockdev_ioctl_client_complete(client, result, error);
    return TRUE;
}

} // namespace

UsbTestbed::UsbTestbed()
{
    if (preloaded()) m_testbed = umockdev_testbed_new();
}

UsbTestbed::~UsbTestbed()
{
    if (m_testbed) g_object_unref(m_testbed);  // removes its folder
}

bool UsbTestbed::preloaded()
{
    // umockdev_in_mock_environment() says no even under the wrapper: look for the library itself.
    std::ifstream maps("/proc/self/maps");
    for (std::string line; std::getline(maps, line);)
        if (line.find("libumockdev-preload.so") != std::string::npos) return true;
    return false;
}

std::string UsbTestbed::root() const
{
    gchar* r = umockdev_testbed_get_root_dir(m_testbed);
    std::string s = r;
    g_free(r);
    return s;
}

EmulatedUsbPrinter::EmulatedUsbPrinter(UsbTestbed& testbed, Setup setup)
    : m_testbed(testbed), m_setup(std::move(setup)), m_state(std::make_shared<State>())
{
    m_state->deviceId = m_setup.deviceId;
    m_state->product = m_setup.product;
    plugIn();
}

EmulatedUsbPrinter::~EmulatedUsbPrinter()
{
    unplug();
}

std::string EmulatedUsbPrinter::deviceNode() const
{
    char node[32];
    std::snprintf(node, sizeof node, "/dev/bus/usb/001/%03d", m_setup.address);
    return node;
}

void EmulatedUsbPrinter::plugIn()
{
    if (!m_sysfsPath.empty() || !m_testbed.get()) return;
    {
        std::lock_guard lock(m_state->mutex);
        m_state->gone = false;
        m_state->vanishAfter = SIZE_MAX;
        m_state->driver = "usblp";
        m_state->claimed = -1;
    }
    // As the kernel writes the attributes, with a newline; "dev" (USB devices are major 189) and
    // "N:" make the node under /dev.
    const std::string address = std::to_string(m_setup.address), node = deviceNode();
    std::string descriptors;
    for (const std::uint8_t b : kDescriptors) descriptors += "0123456789abcdef"[b >> 4] + std::string(1, "0123456789abcdef"[b & 15]);
    const std::string device = "P: /devices/1-" + address + "\nN: " + node.substr(5) + "\nE: DEVNAME=" + node +
                               "\nE: DEVTYPE=usb_device\nE: SUBSYSTEM=usb\nE: BUSNUM=001\nE: DEVNUM=" + node.substr(node.size() - 3) +
                               "\nA: busnum=1\\n\nA: devnum=" + address + "\\n\nA: speed=12\\n\nA: bConfigurationValue=1\\n\n"
                               "A: dev=189:" + std::to_string(m_setup.address - 1) + "\\n\nH: descriptors=" + descriptors + "\n";
    GError* error = nullptr;
    if (!umockdev_testbed_add_from_string(m_testbed.get(), device.c_str(), &error)) {
        const std::string why = error ? error->message : "?";
        g_clear_error(&error);
        throw std::runtime_error("umockdev refused the emulated printer: " + why);
    }
    m_sysfsPath = "/sys/devices/1-" + address;
    umockdev_testbed_uevent(m_testbed.get(), m_sysfsPath.c_str(), "add");
    UMockdevIoctlBase* handler = umockdev_ioctl_base_new();
    g_signal_connect_data(handler, "handle-ioctl", G_CALLBACK(onIoctl), new Held(m_state),
                          [](gpointer held, GClosure*) { delete static_cast<Held*>(held); }, GConnectFlags(0));
    umockdev_testbed_attach_ioctl(m_testbed.get(), node.c_str(), handler, nullptr);
    g_object_unref(handler);
}

void EmulatedUsbPrinter::unplug()
{
    if (m_sysfsPath.empty()) return;
    {
        std::lock_guard lock(m_state->mutex);
        m_state->gone = true;
        for (auto* queue : {&m_state->completed, &m_state->waitingIn}) {
            for (Urb& u : *queue) State::release(u);
            queue->clear();
        }
    }
    umockdev_testbed_uevent(m_testbed.get(), m_sysfsPath.c_str(), "remove");
    umockdev_testbed_detach_ioctl(m_testbed.get(), deviceNode().c_str(), nullptr);
    umockdev_testbed_remove_device(m_testbed.get(), m_sysfsPath.c_str());
    m_sysfsPath.clear();
}

void EmulatedUsbPrinter::lockNode()
{
    const std::string path = m_testbed.root() + deviceNode();
    ::chmod(path.c_str(), 0);
}

void EmulatedUsbPrinter::answerStatus(std::optional<std::uint8_t> byte)
{
    std::lock_guard lock(m_state->mutex);
    m_state->statusReply = byte;
    m_state->repliesOwed = 0;
}

void EmulatedUsbPrinter::setPortStatus(std::uint8_t byte)
{
    std::lock_guard lock(m_state->mutex);
    m_state->portStatus = byte;
}

void EmulatedUsbPrinter::claimedElsewhere(bool busy)
{
    std::lock_guard lock(m_state->mutex);
    m_state->busy = busy;
}

void EmulatedUsbPrinter::vanishAfter(std::size_t bytes)
{
    std::lock_guard lock(m_state->mutex);
    m_state->vanishAfter = m_state->outBytes + bytes;
}

std::vector<std::vector<std::uint8_t>> EmulatedUsbPrinter::outTransfers() const
{
    std::lock_guard lock(m_state->mutex);
    return m_state->out;
}

std::vector<std::uint8_t> EmulatedUsbPrinter::received() const
{
    std::vector<std::uint8_t> all;
    for (const auto& t : outTransfers()) all.insert(all.end(), t.begin(), t.end());
    return all;
}

std::string EmulatedUsbPrinter::driver() const
{
    std::lock_guard lock(m_state->mutex);
    return m_state->driver;
}

std::vector<std::string> EmulatedUsbPrinter::events() const
{
    std::lock_guard lock(m_state->mutex);
    return m_state->events;
}

} // namespace printbench::testkit
