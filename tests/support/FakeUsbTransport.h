#pragma once

#include "link/usb/UsbTransport.h"

#include <algorithm>
#include <deque>

namespace printbench::testkit {

// A USB stack in memory: printers with a device ID and product string, errors on command, the
// bulk transfers it was given and the replies it will give.
class FakeUsbTransport : public link::usb::UsbTransport {
public:
    using Error = link::usb::TransportError;
    struct Device {
        link::usb::DeviceInfo info;
        std::optional<std::string> deviceId, product;
        Error openError = Error::None, claimError = Error::None;
    };

    // A printer-class device: interface 0 with bulk OUT 0x01 and, if `bidirectional`, bulk IN 0x82.
    static Device printer(int address, std::optional<std::string> deviceId, std::optional<std::string> product = {},
                          bool bidirectional = true)
    {
        link::usb::InterfaceInfo i{.interfaceClass = 7, .interfaceProtocol = bidirectional ? 2 : 1, .endpoints = {{0x01, 0x02, 64}}};
        if (bidirectional) i.endpoints.push_back({0x82, 0x02, 64});
        return {{.bus = 1, .address = address, .interfaces = {i}}, std::move(deviceId), std::move(product)};
    }

    bool isAvailable = true;
    std::vector<Device> attached;
    std::vector<std::vector<std::uint8_t>> outTransfers;  // every bulk OUT, in order
    std::deque<std::vector<std::uint8_t>> inReplies;      // what bulk IN reads return; Timeout when empty
    std::deque<Error> outErrors;                          // errors for the next bulk OUT transfers
    std::optional<std::uint8_t> portStatusByte;           // GET_PORT_STATUS
    std::optional<std::vector<std::uint8_t>> statusAnswer;  // the reply to DLE EOT 2
    int openDevice = -1, claimed = -1;                    // index in `attached`, -1 none
    std::vector<int> timeouts;

    bool available() override { return isAvailable; }
    std::vector<link::usb::DeviceInfo> devices() override
    {
        std::vector<link::usb::DeviceInfo> out;
        for (const Device& d : attached) out.push_back(d.info);
        return out;
    }
    Error open(const link::usb::DeviceInfo& device) override
    {
        close();
        const auto it = std::ranges::find(attached, device.address, [](const Device& d) { return d.info.address; });
        if (it != attached.end() && it->openError == Error::None) openDevice = static_cast<int>(it - attached.begin());
        return it == attached.end() ? Error::NoDevice : it->openError;
    }
    void close() override { openDevice = claimed = -1; }
    std::optional<std::string> deviceId(const link::usb::InterfaceInfo&) override { return current().deviceId; }
    std::optional<std::string> productString() override { return current().product; }
    Error claim(const link::usb::InterfaceInfo&) override
    {
        if (current().claimError == Error::None) claimed = openDevice;
        return current().claimError;
    }
    Error bulkOut(std::uint8_t, std::span<const std::uint8_t> bytes, int timeoutMs) override
    {
        timeouts.push_back(timeoutMs);
        const Error e = outErrors.empty() ? Error::None : outErrors.front();
        if (!outErrors.empty()) outErrors.pop_front();
        if (e != Error::None) return e;
        outTransfers.emplace_back(bytes.begin(), bytes.end());
        if (statusAnswer && outTransfers.back() == std::vector<std::uint8_t>{0x10, 0x04, 0x02}) inReplies.push_back(*statusAnswer);
        return Error::None;
    }
    Error bulkIn(std::uint8_t, std::vector<std::uint8_t>& out, int, int) override
    {
        out.clear();
        if (inReplies.empty()) return Error::Timeout;
        out = std::move(inReplies.front());
        inReplies.pop_front();
        return Error::None;
    }
    std::optional<std::uint8_t> portStatus(const link::usb::InterfaceInfo&) override { return portStatusByte; }

private:
    const Device& current() const { return attached.at(static_cast<std::size_t>(openDevice)); }
};

} // namespace printbench::testkit
