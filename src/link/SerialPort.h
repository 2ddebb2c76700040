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

// Receives the port's notifications on the user-interface thread, from the event loop only:
// never from inside a flush, a write or a sleep.
class SerialListener {
public:
    virtual ~SerialListener() = default;
    // Bytes from the far side wait to be read. One notice may announce several bytes, and a
    // notice may find them already read. Bytes that come while a notice is being handled are
    // announced by another notice once it has returned.
    virtual void serialDataArrived() = 0;
    // The device went away while open. Told once per open; the port closes itself afterwards.
    virtual void serialLinkLost(const std::string& reason) = 0;
};

// The serial port. write() may gather bytes; flush() hands everything gathered to the
// operating system as one write and returns when it has been taken (or failed).
class SerialPort {
public:
    virtual ~SerialPort() = default;

    // Opens the device that `devicePath` names with the given settings, closing an open port
    // first. On failure the port is closed and the reason is the system's, in words.
    virtual LinkStatus open(const SerialSettings& settings, const std::string& devicePath) = 0;
    // Closes the port; bytes gathered and not yet flushed are dropped.
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    // Gathers bytes in the order given; nothing reaches the device before flush(). `form` says
    // how the sender handed them over and changes no byte.
    virtual void write(std::span<const std::uint8_t> bytes, OutputForm form) = 0;
    // One write of everything gathered, waited for with a timeout that grows with the count of
    // bytes at the open speed. Nothing gathered: no write and ok. A failure (NotOpen, a refused
    // write, a timeout, a lost device) drops what was gathered.
    virtual LinkStatus flush() = 0;
    // The bytes gathered since the last flush, for a port that keeps them where they can be
    // read (valid until the next write, flush or close); nullopt for one that does not.
    virtual std::optional<std::span<const std::uint8_t>> gathered() const { return std::nullopt; }

    // Bytes received and not yet read, and the next of them (nullopt when none waits).
    virtual int bytesWaiting() = 0;
    virtual std::optional<std::uint8_t> readByte() = 0;
    // When the byte readByte() returned last reached the host, on the host's monotonic clock
    // (Host::nowMs); nullopt for a port that does not stamp what arrives (the link then uses
    // the time it was read).
    virtual std::optional<std::int64_t> lastArrivalMs() const { return std::nullopt; }

    // The one listener, not owned; null for none.
    virtual void setListener(SerialListener* listener) = 0;

    // The serial devices this host lists ("/dev/ttyUSB0", "/dev/ttyS0", ...), in any order.
    virtual std::vector<std::string> hostDevices() const = 0;
};

}  // namespace printbench::link
