#pragma once

// A USB receipt printer emulated below libusb with umockdev: the device's sysfs entry and
// descriptors in a testbed, and a handler for the usbdevfs calls libusb makes on its device
// node. The program must run with umockdev's preload (umockdev-wrapper). It lets the USB route
// run whole, through the real libusb, with no printer on the desk: the tests drive it, and
// `printbench --usb-virtual-printer` puts the virtual printer behind it.
//
// The printer: one printer-class interface (7/1/2) with bulk OUT 0x01 and bulk IN 0x82, the
// IEEE 1284 device ID for GET_DEVICE_ID, a port status byte for GET_PORT_STATUS, the kernel's
// printer driver bound to it until a program detaches it. Bulk OUT is recorded a transfer at a
// time and handed to the receiver when there is one; bulk IN gives what send() queued, and
// answers DLE EOT 2 with a chosen byte when answerStatus() says so.

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

using UMockdevTestbed = struct _UMockdevTestbed;

namespace printbench::printer {

// A testbed of its own, enabled while it lives; false from `ready()` without the preload.
class UsbTestbed {
public:
    UsbTestbed();
    ~UsbTestbed();
    UsbTestbed(const UsbTestbed&) = delete;
    UsbTestbed& operator=(const UsbTestbed&) = delete;
    static bool preloaded();
    UMockdevTestbed* get() const { return m_testbed; }

private:
    UMockdevTestbed* m_testbed = nullptr;
};

class EmulatedUsbPrinter {
public:
    struct Setup {
        int address = 2;  // on bus 1
        std::string deviceId = "MFG:Acme;MDL:KR-420;CMD:ESC/POS;";
        std::string product = "Thermal Receipt Printer";
    };
    EmulatedUsbPrinter(UsbTestbed& testbed, Setup setup);
    ~EmulatedUsbPrinter();  // unplugged
    EmulatedUsbPrinter(const EmulatedUsbPrinter&) = delete;
    EmulatedUsbPrinter& operator=(const EmulatedUsbPrinter&) = delete;

    // What the printer does from now on; safe to call while a transfer is in progress.
    void answerStatus(std::optional<std::uint8_t> byte);  // the reply to DLE EOT 2, or none
    // Each bulk OUT transfer as it arrives, on umockdev's thread, before the transfer completes
    // (so an answer sent then is there for the next read); and bytes for bulk IN.
    void setReceiver(std::function<void(std::vector<std::uint8_t>)> receiver);
    void send(const std::vector<std::uint8_t>& bytes);
    void setPortStatus(std::uint8_t byte);
    void claimedElsewhere(bool busy);     // claiming fails with EBUSY
    void vanishAfter(std::size_t bytes);  // every call fails with ENODEV from then
    void lockNode();  // the device node's mode becomes 000: only a process that overrides file modes opens it
    // Removes the device from the testbed (and its node); plugIn() adds it again, fresh.
    void unplug();
    void plugIn();

    // Every bulk OUT transfer, in order; the kernel driver bound now ("usblp" or ""); and a line
    // per detach or attach of the driver, claim and release.
    std::vector<std::vector<std::uint8_t>> outTransfers() const;
    std::string driver() const;
    std::vector<std::string> events() const;
    std::string deviceNode() const;

    struct State;

private:
    struct Locked {  // the state, its lock held while this lives
        std::unique_lock<std::mutex> lock;
        State* state;
        State* operator->() const { return state; }
    };
    Locked locked() const;
    UsbTestbed& m_testbed;
    Setup m_setup;
    std::shared_ptr<State> m_state;
    std::string m_sysfsPath;
};

}  // namespace printbench::printer
