#pragma once

#include "link/SerialPort.h"

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QTcpSocket>

#include <chrono>
#include <deque>

namespace printbench::app {

using link::LinkStatus;
using link::OutputForm;
using link::SerialListener;
using link::SerialSettings;

// The serial port of the real program, on QSerialPort; or, for a device "tcp://HOST:PORT", a raw
// TCP printer on QTcpSocket. Both are a QIODevice, and the gathering, the flush's one write and
// its wait, and the receive side are the same code on whichever is open (m_io): a TCP printer
// behaves as one more serial line. What differs is kept apart: the open (line settings for a
// serial device, a connection within 3 s for TCP), the words of a failure, and how a lost link
// is noticed (a serial device's errors; for TCP, the socket leaving the connected state).
// Lives on the user-interface thread; the listener is notified from that thread's event loop,
// never from inside flush().
class QtSerialPort : public QObject, public link::SerialPort {
    Q_OBJECT

public:
    explicit QtSerialPort(QObject* parent = nullptr);
    ~QtSerialPort() override;

    LinkStatus open(const SerialSettings& settings, const std::string& devicePath) override;
    void close() override;
    bool isOpen() const override;

    // Gathers bytes only; nothing reaches the device before flush().
    void write(std::span<const std::uint8_t> bytes, OutputForm form) override;
    // One write to the operating system for everything gathered, waited for with a timeout
    // that allows twice the line time at the open speed plus 2 s (for TCP, at the speed of the
    // speed list, which sets nothing else there).
    LinkStatus flush() override;
    std::optional<std::span<const std::uint8_t>> gathered() const override
    {
        return std::span(reinterpret_cast<const std::uint8_t*>(m_pending.constData()), std::size_t(m_pending.size()));
    }

    int bytesWaiting() override;
    std::optional<std::uint8_t> readByte() override;
    std::optional<std::int64_t> lastArrivalMs() const override { return m_lastArrival; }

    // Waits until `deadline` on the port: what arrives meanwhile is read from the device and
    // stamped with the time it came, and the listener hears of it only at the next event pass,
    // as after a flush. Returns at the deadline, or earlier when the device fails (the host's
    // sleep waits out the rest). The host's sleeps are this while a port is open, so that a
    // status byte is dated when it arrived, not when it was read.
    void waitUntil(std::chrono::steady_clock::time_point deadline);
    // The host's monotonic clock (QtHost::nowMs), in which arrivals are stamped.
    static std::int64_t monotonicMs();

    // Not owned; may be null.
    void setListener(SerialListener* listener) override { m_listener = listener; }

    std::vector<std::string> hostDevices() const override;

    // Writes handed to the operating system since construction (for tests).
    int osWriteCount() const { return m_osWrites; }

    // How long a TCP printer has to accept the connection.
    static constexpr int kConnectMs = 3000;

private:
    LinkStatus openTcp(const std::string& devicePath);
    bool isTcp() const { return m_io == &m_socket; }
    // The open port's device while it can be read; null otherwise.
    QIODevice* readable() const { return m_io && m_io->isOpen() ? m_io : nullptr; }
    std::string socketTrouble() const;
    // Stamps the bytes read from the device since the last stamp with the time now.
    void stampArrivals();
    void onReadyRead();
    void onError(QSerialPort::SerialPortError error);
    void onSocketGone();

    QSerialPort m_port;
    QTcpSocket m_socket;
    // The device of the open port (m_port or m_socket); null when closed. Qt may close the
    // socket's device itself when the connection breaks: the port stays open until close().
    QIODevice* m_io = nullptr;
    QByteArray m_pending;
    std::uint64_t m_bytesRead = 0;  // by readByte, since the port opened
    // Arrival stamps: (bytes received since the port opened, counted through this one; when the
    // last of them came), oldest first; and the stamp of the byte read last.
    std::deque<std::pair<std::uint64_t, std::int64_t>> m_stamps;
    std::uint64_t m_bytesStamped = 0;
    std::optional<std::int64_t> m_lastArrival;
    SerialListener* m_listener = nullptr;
    int m_baud = 0;
    int m_osWrites = 0;
    // Errors are acted on only between a successful open and the close; the open itself
    // produces harmless ones (RTS refused under hardware flow control or on a pseudo-terminal).
    bool m_watching = false;
    bool m_inFlush = false;  // in a flush's wait or in waitUntil: the listener is not told now
    bool m_dataDuringFlush = false;
    // The one failure report of this open has been made (to the listener or as a flush result).
    bool m_reported = false;
};

}  // namespace printbench::app
