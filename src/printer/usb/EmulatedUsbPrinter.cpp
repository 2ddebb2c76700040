#include "printer/usb/EmulatedUsbPrinter.h"

#include <umockdev.h>

#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <fstream>
#include <mutex>
#include <stdexcept>
#include <utility>

namespace printbench::printer {

namespace {

constexpr std::uint8_t BulkOut = 0x01, BulkIn = 0x82;

// Device, configuration, interface (printer class, bidirectional) and the two bulk endpoints.
// clang-format off
const std::vector<std::uint8_t> kDescriptors{
    0x12, 0x01, 0x00, 0x02, 0x00, 0x00, 0x00, 0x40, 0x34, 0x12, 0x20, 0x04, 0x00, 0x01, 0x01, 0x02, 0x00, 0x01,
    0x09, 0x02, 0x20, 0x00, 0x01, 0x01, 0x00, 0xC0, 0x32,
    0x09, 0x04, 0x00, 0x00, 0x02, 0x07, 0x01, 0x02, 0x00,
    0x07, 0x05, BulkOut, 0x02, 0x40, 0x00, 0x00,
    0x07, 0x05, BulkIn, 0x02, 0x40, 0x00, 0x00,
};
// clang-format on

// The kernel's capabilities as a current kernel on an xHCI host reports them: one URB per
// transfer, however long.
constexpr std::uint32_t kCapabilities = USBDEVFS_CAP_ZERO_PACKET | USBDEVFS_CAP_BULK_CONTINUATION |
                                        USBDEVFS_CAP_NO_PACKET_SIZE_LIM | USBDEVFS_CAP_BULK_SCATTER_GATHER;

struct Urb {
    UMockdevIoctlData* data;    // the client's struct usbdevfs_urb, referenced
    UMockdevIoctlData* buffer;  // its buffer, referenced (null when empty)
    usbdevfs_urb* get() const { return reinterpret_cast<usbdevfs_urb*>(data->data); }
    void release() const
    {
        if (buffer) g_object_unref(buffer);
        g_object_unref(data);
    }
};

// The argument of a call as the struct it points to, in this process; an unreadable one is EFAULT.
struct Fault {};
template <typename T>
T& argument(UMockdevIoctlData* arg)
{
    UMockdevIoctlData* block = umockdev_ioctl_data_resolve(arg, 0, sizeof(T), nullptr);
    if (!block) throw Fault{};
    return *reinterpret_cast<T*>(block->data);
}

std::string stringDescriptor(const std::string& ascii)
{
    std::string d{char(2 + 2 * ascii.size()), 0x03};
    for (const char c : ascii) d += {c, 0};
    return d;
}

}  // namespace

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
    std::deque<std::uint8_t> toSend;  // for bulk IN
    std::function<void(std::vector<std::uint8_t>)> receiver;
    std::vector<std::uint8_t> toDeliver;  // the last transfer, for the receiver once unlocked

    void finish(Urb u, int status, int length)
    {
        u.get()->status = status;
        u.get()->actual_length = length;
        completed.push_back(u);
    }
    // IN URBs waiting get what is queued, the status replies owed first.
    void answerWaiting()
    {
        for (; repliesOwed > 0 && statusReply; --repliesOwed) toSend.push_back(*statusReply);
        repliesOwed = 0;
        while (!toSend.empty() && !waitingIn.empty()) {
            const Urb u = waitingIn.front();
            waitingIn.pop_front();
            const int n = std::min<int>(std::max(u.get()->buffer_length, 0), int(toSend.size()));
            for (int i = 0; i < n; ++i, toSend.pop_front()) u.buffer->data[i] = toSend.front();
            finish(u, 0, n);
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
        } else if (type == 0x80 && request == 6 && value == 0x0300) {  // the string descriptors' languages
            reply = {0x04, 0x03, 0x09, 0x04};
        } else if (type == 0x80 && request == 6 && value == 0x0302) {  // the product string
            reply = stringDescriptor(product);
        } else {
            return -EPIPE;  // a stall, as a device answers a request it does not know
        }
        const int n = std::min(wanted, static_cast<int>(reply.size()));
        std::memcpy(buffer + 8, reply.data(), std::size_t(n));
        return n;
    }
    std::pair<long, int> submit(UMockdevIoctlData* arg);

    // One usbdevfs call of those libusb makes (it detaches the driver as it claims); the result and errno.
    std::pair<long, int> call(gulong request, UMockdevIoctlData* arg);
};

std::pair<long, int> EmulatedUsbPrinter::State::call(gulong request, UMockdevIoctlData* arg)
{
    std::lock_guard lock(mutex);
    if (gone) return {-1, ENODEV};
    switch (request) {
    case USBDEVFS_GET_CAPABILITIES: argument<std::uint32_t>(arg) = kCapabilities; return {0, 0};
    case USBDEVFS_IOCTL:  // the kernel driver given back
        if (argument<usbdevfs_ioctl>(arg).ioctl_code != int(USBDEVFS_CONNECT)) return {-1, ENOTTY};
        if (claimed >= 0) return {-1, EBUSY};
        if (driver.empty()) events.push_back("attach usblp");
        driver = "usblp";
        return {0, 0};
    case USBDEVFS_DISCONNECT_CLAIM: {  // claiming interface 0, the kernel's driver detached unless spared
        const auto& dc = argument<usbdevfs_disconnect_claim>(arg);
        const bool spared = (dc.flags & USBDEVFS_DISCONNECT_CLAIM_EXCEPT_DRIVER && driver == dc.driver) ||
                            (dc.flags & USBDEVFS_DISCONNECT_CLAIM_IF_DRIVER && driver != dc.driver);
        if (dc.interface != 0) return {-1, EINVAL};
        if (busy || (spared && !driver.empty())) return {-1, EBUSY};
        if (!driver.empty()) events.push_back("detach " + std::exchange(driver, ""));
        claimed = 0;
        events.push_back("claim 0");
        return {0, 0};
    }
    case USBDEVFS_RELEASEINTERFACE:
        if (claimed != int(argument<unsigned>(arg))) return {-1, EINVAL};
        claimed = -1;
        events.push_back("release 0");
        return {0, 0};
    case USBDEVFS_SUBMITURB: return submit(arg);
    case USBDEVFS_DISCARDURB: {
        // The argument is the URB's address in the client; a discarded URB is reaped with ENOENT.
        gulong address = 0;
        std::memcpy(&address, arg->data, std::min<std::size_t>(sizeof address, std::size_t(arg->data_len)));
        const auto it = std::ranges::find(waitingIn, address, [](const Urb& u) { return u.data->client_addr; });
        if (it == waitingIn.end()) return {-1, EINVAL};
        finish(*it, -ENOENT, 0);
        waitingIn.erase(it);
        return {0, 0};
    }
    case USBDEVFS_REAPURBNDELAY: {
        if (completed.empty()) return {-1, EAGAIN};
        UMockdevIoctlData* pointer = umockdev_ioctl_data_resolve(arg, 0, sizeof(void*), nullptr);
        if (!pointer) return {-1, EFAULT};
        const Urb u = completed.front();
        completed.pop_front();
        umockdev_ioctl_data_set_ptr(pointer, 0, u.data);
        u.release();
        return {0, 0};
    }
    default: return {-1, ENOTTY};
    }
}

std::pair<long, int> EmulatedUsbPrinter::State::submit(UMockdevIoctlData* arg)
{
    Urb u{umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_urb), nullptr), nullptr};
    if (!u.data) return {-1, EFAULT};
    g_object_ref(u.data);
    const usbdevfs_urb& urb = *u.get();
    if (urb.buffer_length > 0) {
        u.buffer = umockdev_ioctl_data_resolve(u.data, offsetof(usbdevfs_urb, buffer), std::size_t(urb.buffer_length),
                                               nullptr);
        if (!u.buffer) {
            u.release();
            return {-1, EFAULT};
        }
        g_object_ref(u.buffer);
    }
    std::uint8_t* bytes = u.buffer ? u.buffer->data : nullptr;
    const bool bulk = urb.type == USBDEVFS_URB_TYPE_BULK && claimed == 0;
    if (urb.type == USBDEVFS_URB_TYPE_CONTROL && urb.endpoint == 0) {
        const int n = control(bytes, urb.buffer_length);
        finish(u, std::min(n, 0), std::max(n, 0));
    } else if (bulk && urb.endpoint == BulkOut) {
        const std::size_t n = std::size_t(std::max(urb.buffer_length, 0));
        out.emplace_back(bytes, bytes + n);
        // Counted through the transfer: the device leaves in its middle.
        if (vanishAfter < outBytes + n) {
            out.back().resize(vanishAfter > outBytes ? vanishAfter - outBytes : 0);
            gone = true;
            u.release();
            return {-1, ENODEV};
        }
        outBytes += n;
        if (out.back() == std::vector<std::uint8_t>{0x10, 0x04, 0x02}) ++repliesOwed;
        if (receiver) toDeliver = out.back();
        finish(u, 0, int(n));
    } else if (bulk && urb.endpoint == BulkIn) {
        waitingIn.push_back(u);
    } else {
        u.release();
        return {-1, EINVAL};
    }
    answerWaiting();
    return {0, 0};
}

namespace {

// The handler holds the state: a client that still has the node open (a handle not yet closed)
// may call after the printer object is gone, and is answered ENODEV.
using Held = std::shared_ptr<EmulatedUsbPrinter::State>;

gboolean onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer state)
{
    std::pair<long, int> result{-1, EFAULT};
    EmulatedUsbPrinter::State& s = **static_cast<Held*>(state);
    try {
        result = s.call(umockdev_ioctl_client_get_request(client), umockdev_ioctl_client_get_arg(client));
    } catch (const Fault&) {}
    // The receiver may answer at once (send()): it is called with the lock let go.
    std::vector<std::uint8_t> delivery;
    std::function<void(std::vector<std::uint8_t>)> receiver;
    {
        std::lock_guard lock(s.mutex);
        delivery.swap(s.toDeliver);
        receiver = s.receiver;
    }
    if (receiver && !delivery.empty()) receiver(std::move(delivery));
    umockdev_ioctl_client_complete(client, result.first, result.second);
    return TRUE;
}

}  // namespace

UsbTestbed::UsbTestbed() : m_testbed(preloaded() ? umockdev_testbed_new() : nullptr)
{}

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

EmulatedUsbPrinter::Locked EmulatedUsbPrinter::locked() const
{
    return {std::unique_lock(m_state->mutex), m_state.get()};
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
        const Locked s = locked();
        s->gone = false;
        s->vanishAfter = SIZE_MAX;
        s->driver = "usblp";
        s->claimed = -1;
    }
    // As the kernel writes the attributes, with a newline; "dev" (USB devices are major 189) and
    // "N:" make the node under /dev.
    const std::string address = std::to_string(m_setup.address), node = deviceNode();
    std::string descriptors;
    for (const std::uint8_t b : kDescriptors) descriptors += {"0123456789abcdef"[b >> 4], "0123456789abcdef"[b & 15]};
    const std::string device = "P: /devices/1-" + address + "\nN: " + node.substr(5) + "\nE: DEVNAME=" + node +
                               "\nE: DEVTYPE=usb_device\nE: SUBSYSTEM=usb\nE: BUSNUM=001\nE: DEVNUM=" +
                               node.substr(node.size() - 3) + "\nA: busnum=1\\n\nA: devnum=" + address +
                               "\\n\nA: speed=12\\n\nA: bConfigurationValue=1\\n\n"
                               "A: dev=189:" +
                               std::to_string(m_setup.address - 1) + "\\n\nH: descriptors=" + descriptors + "\n";
    GError* error = nullptr;
    if (!umockdev_testbed_add_from_string(m_testbed.get(), device.c_str(), &error)) {
        const std::string why = error ? error->message : "?";
        g_clear_error(&error);
        throw std::runtime_error("umockdev refused the emulated printer: " + why);
    }
    m_sysfsPath = "/sys/devices/1-" + address;
    umockdev_testbed_uevent(m_testbed.get(), m_sysfsPath.c_str(), "add");
    UMockdevIoctlBase* handler = umockdev_ioctl_base_new();
    g_signal_connect_data(
        handler, "handle-ioctl", G_CALLBACK(onIoctl), new Held(m_state),
        [](gpointer held, GClosure*) { delete static_cast<Held*>(held); }, GConnectFlags(0));
    umockdev_testbed_attach_ioctl(m_testbed.get(), node.c_str(), handler, nullptr);
    g_object_unref(handler);
}

void EmulatedUsbPrinter::unplug()
{
    if (m_sysfsPath.empty()) return;
    {
        const Locked s = locked();
        s->gone = true;
        for (auto* queue : {&s->completed, &s->waitingIn}) {
            for (const Urb& u : *queue) u.release();
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
    gchar* root = umockdev_testbed_get_root_dir(m_testbed.get());
    ::chmod((root + deviceNode()).c_str(), 0);
    g_free(root);
}

void EmulatedUsbPrinter::answerStatus(std::optional<std::uint8_t> byte)
{
    const Locked s = locked();
    s->statusReply = byte;
    s->repliesOwed = 0;
}

void EmulatedUsbPrinter::setReceiver(std::function<void(std::vector<std::uint8_t>)> receiver)
{
    locked()->receiver = std::move(receiver);
}

void EmulatedUsbPrinter::send(const std::vector<std::uint8_t>& bytes)
{
    const Locked s = locked();
    s->toSend.insert(s->toSend.end(), bytes.begin(), bytes.end());
    s->answerWaiting();
}

void EmulatedUsbPrinter::vanishAfter(std::size_t bytes)
{
    const Locked s = locked();
    s->vanishAfter = s->outBytes + bytes;
}

void EmulatedUsbPrinter::setPortStatus(std::uint8_t byte)
{
    locked()->portStatus = byte;
}
void EmulatedUsbPrinter::claimedElsewhere(bool busy)
{
    locked()->busy = busy;
}
std::vector<std::vector<std::uint8_t>> EmulatedUsbPrinter::outTransfers() const
{
    return locked()->out;
}
std::string EmulatedUsbPrinter::driver() const
{
    return locked()->driver;
}
std::vector<std::string> EmulatedUsbPrinter::events() const
{
    return locked()->events;
}

}  // namespace printbench::printer
