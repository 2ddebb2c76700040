#pragma once

#include "link/LinkStatus.h"
#include "link/SerialSettings.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace printbench::link {

// How a write was handed over: as a string or as a byte array. The bytes on the wire are the
// same; the form is kept so that a recorded timeline shows the split the sender makes.
enum class OutputForm { Text, Bytes };

// Receives the port's notifications on the user-interface thread.
class SerialListener {
public:
    virtual ~SerialListener() = default;
    virtual void serialDataArrived() = 0;
    virtual void serialLinkLost(const std::string& reason) = 0;
};

// The serial port. write() may gather bytes; flush() hands everything gathered to the
// operating system as one write and returns when it has been taken (or failed).
class SerialPort {
public:
    virtual ~SerialPort() = default;

    // Opens the device that `devicePath` names with the given settings.
    virtual LinkStatus open(const SerialSettings& settings, const std::string& devicePath) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    virtual void write(std::span<const std::uint8_t> bytes, OutputForm form) = 0;
    virtual LinkStatus flush() = 0;

    virtual int bytesWaiting() = 0;
    virtual std::optional<std::uint8_t> readByte() = 0;

    virtual void setListener(SerialListener* listener) = 0;

    // The serial devices this host lists ("/dev/ttyUSB0", "/dev/ttyS0", ...), in any order.
    virtual std::vector<std::string> hostDevices() const = 0;
};

} // namespace printbench::link
