#include "app/adapters/QtSerialPort.h"

#include "link/PortNaming.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QMetaObject>
#include <QSerialPortInfo>

#include <poll.h>

#include <algorithm>
#include <climits>

namespace printbench::app {

using link::LinkFailure;

namespace {

QSerialPort::Parity parityFor(SerialSettings::Parity p)
{
    switch (p) {
    case SerialSettings::Parity::None: return QSerialPort::NoParity;
    case SerialSettings::Parity::Even: return QSerialPort::EvenParity;
    case SerialSettings::Parity::Odd: return QSerialPort::OddParity;
    case SerialSettings::Parity::Mark: return QSerialPort::MarkParity;
    case SerialSettings::Parity::Space: return QSerialPort::SpaceParity;
    }
    return QSerialPort::NoParity;
}

QSerialPort::StopBits stopBitsFor(SerialSettings::StopBits s)
{
    switch (s) {
    case SerialSettings::StopBits::One: return QSerialPort::OneStop;
    case SerialSettings::StopBits::OneAndHalf: return QSerialPort::OneAndHalfStop;
    case SerialSettings::StopBits::Two: return QSerialPort::TwoStop;
    }
    return QSerialPort::OneStop;
}

QSerialPort::FlowControl flowFor(SerialSettings::FlowControl f)
{
    switch (f) {
    case SerialSettings::FlowControl::None: return QSerialPort::NoFlowControl;
    case SerialSettings::FlowControl::XonXoff: return QSerialPort::SoftwareControl;
    case SerialSettings::FlowControl::RtsCts: return QSerialPort::HardwareControl;
    }
    return QSerialPort::HardwareControl;
}

bool meansLinkTrouble(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::ResourceError:
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
    case QSerialPort::PermissionError:
    case QSerialPort::UnknownError: return true;
    default: return false;
    }
}

bool hungUp(qintptr fd)
{
    if (fd < 0) return false;
    pollfd p{static_cast<int>(fd), POLLIN, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL));
}

// After a read that returned no bytes because the far side hung up, Qt reports errno as it
// happens to be, so its text ("Inappropriate ioctl for device", "Success") is misleading: a
// hangup is recognised on the descriptor itself. `fd` may be -1.
std::string troubleText(QSerialPort::SerialPortError error, const QString& qtText, qintptr fd)
{
    if (hungUp(fd)) return "the line was hung up (the device or its far side went away)";
    std::string what;
    switch (error) {
    case QSerialPort::ResourceError: what = "the device is no longer available"; break;
    case QSerialPort::ReadError: what = "reading from the device failed"; break;
    case QSerialPort::WriteError: what = "writing to the device failed"; break;
    case QSerialPort::PermissionError: what = "access to the device was refused"; break;
    default: what = "the device reported an error"; break;
    }
    const std::string detail = qtText.toStdString();
    return detail.empty() ? what : what + " (" + detail + ")";
}

}  // namespace

QtSerialPort::QtSerialPort(QObject* parent) : QObject(parent)
{
    connect(&m_port, &QSerialPort::readyRead, this, &QtSerialPort::onReadyRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, &QtSerialPort::onError);
    connect(&m_socket, &QTcpSocket::readyRead, this, &QtSerialPort::onReadyRead);
    // Heard of later, from the event loop: the socket may be inside its own notice, or inside
    // a flush's wait, when it reports.
    connect(&m_socket, &QTcpSocket::errorOccurred, this, &QtSerialPort::onSocketGone, Qt::QueuedConnection);
    connect(&m_socket, &QTcpSocket::disconnected, this, &QtSerialPort::onSocketGone, Qt::QueuedConnection);
}

QtSerialPort::~QtSerialPort()
{
    m_listener = nullptr;
    m_port.disconnect(this);
    m_socket.disconnect(this);
    close();
}

LinkStatus QtSerialPort::open(const SerialSettings& settings, const std::string& devicePath)
{
    close();
    if (devicePath.starts_with("tcp://")) {
        const LinkStatus status = openTcp(devicePath);
        if (status.isOk()) m_baud = settings.baud;
        return status;
    }

    if (settings.baud <= 0 || settings.dataBits < 5 || settings.dataBits > 8) {
        return LinkStatus::fail(LinkFailure::OpenFailed, "the line settings " + settings.text() + " cannot be set");
    }

    m_port.setPortName(QFile::decodeName(QByteArray::fromStdString(devicePath)));
    m_port.clearError();
    // Before the open these only record the values; the open applies them and fails with
    // Qt's reason when the device refuses them.
    m_port.setBaudRate(settings.baud);
    m_port.setDataBits(static_cast<QSerialPort::DataBits>(settings.dataBits));
    m_port.setParity(parityFor(settings.parity));
    m_port.setStopBits(stopBitsFor(settings.stopBits));
    m_port.setFlowControl(flowFor(settings.flowControl));

    if (!m_port.open(QIODevice::ReadWrite)) {
        QString why = m_port.errorString();
        if (why.isEmpty()) why = QStringLiteral("the device could not be opened");
        m_port.clearError();
        if (m_port.isOpen()) m_port.close();
        return LinkStatus::fail(LinkFailure::OpenFailed, why.toStdString());
    }

    // Qt refuses this under hardware flow control (it drives RTS itself) and on a
    // pseudo-terminal (no modem lines): neither stops the port from working.
    if (settings.requestToSend) m_port.setRequestToSend(true);
    m_port.clearError();

    m_io = &m_port;
    m_baud = settings.baud;
    m_reported = false;
    m_watching = true;
    return LinkStatus::ok();
}

// The connection is waited for here, as a serial open is: no event passes before it is made.
// A host name is looked up first, and the lookup is not bounded by the wait.
LinkStatus QtSerialPort::openTcp(const std::string& devicePath)
{
    const std::optional<link::TcpAddress> address = link::parseTcpAddress(devicePath);
    if (!address) return LinkStatus::fail(LinkFailure::OpenFailed, "it is not an address tcp://HOST:PORT");
    m_socket.connectToHost(QString::fromStdString(address->host), address->port);
    if (!m_socket.waitForConnected(kConnectMs)) {
        const std::string why = m_socket.error() == QAbstractSocket::SocketTimeoutError
                                    ? "no connection within " + std::to_string(kConnectMs) + " ms"
                                    : m_socket.errorString().toStdString();
        m_socket.abort();
        return LinkStatus::fail(LinkFailure::OpenFailed, why);
    }
    // Each flush point leaves at once, as on a serial line, rather than waiting to fill a segment.
    m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    m_io = &m_socket;
    m_reported = false;
    m_watching = true;
    return LinkStatus::ok();
}

std::int64_t QtSerialPort::monotonicMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void QtSerialPort::stampArrivals()
{
    QIODevice* io = readable();
    if (!io) return;
    const std::uint64_t received = m_bytesRead + std::uint64_t(std::max<qint64>(io->bytesAvailable(), 0));
    if (received <= m_bytesStamped) return;
    m_stamps.emplace_back(received, monotonicMs());
    m_bytesStamped = received;
}

void QtSerialPort::waitUntil(std::chrono::steady_clock::time_point deadline)
{
    using Clock = std::chrono::steady_clock;
    const bool wasInFlush = std::exchange(m_inFlush, true);
    for (QIODevice* io = readable(); io && Clock::now() < deadline; io = readable()) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (io->waitForReadyRead(static_cast<int>(std::min<std::int64_t>(left, INT_MAX)))) {
            stampArrivals();
            m_dataDuringFlush = true;
            continue;
        }
        // Out of time, or the device failed (its error is heard at the next event pass): the rest
        // of the wait is a plain sleep.
        break;
    }
    m_inFlush = wasInFlush;
    if (!m_inFlush && m_dataDuringFlush) {
        m_dataDuringFlush = false;
        QMetaObject::invokeMethod(this, &QtSerialPort::onReadyRead, Qt::QueuedConnection);
    }
}

void QtSerialPort::close()
{
    m_pending.clear();
    m_stamps.clear();
    m_bytesRead = m_bytesStamped = 0;
    m_lastArrival.reset();
    m_watching = false;
    m_dataDuringFlush = false;
    m_baud = 0;
    m_io = nullptr;
    if (m_port.isOpen()) m_port.close();
    m_port.clearError();
    // Drops what the socket still holds to send.
    if (m_socket.isOpen() || m_socket.state() != QAbstractSocket::UnconnectedState) m_socket.abort();
}

bool QtSerialPort::isOpen() const
{
    return isTcp() || m_port.isOpen();
}

void QtSerialPort::write(std::span<const std::uint8_t> bytes, OutputForm)
{
    m_pending.append(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

LinkStatus QtSerialPort::flush()
{
    if (m_pending.isEmpty()) return LinkStatus::ok();
    QByteArray bytes;
    bytes.swap(m_pending);
    if (!m_io) return LinkStatus::fail(LinkFailure::NotOpen, "the serial port is not open");

    // 10 bits a byte on the line (start, 8 data, stop), twice over, plus 2 s for the device.
    const qint64 lineMs = m_baud > 0 ? static_cast<qint64>(bytes.size()) * 10 * 1000 / m_baud : 0;
    const int timeoutMs = static_cast<int>(std::min<qint64>(2000 + 2 * lineMs, INT_MAX));

    const bool tcp = isTcp();
    m_inFlush = true;
    if (!tcp) m_port.clearError();
    LinkStatus result = LinkStatus::ok();
    ++m_osWrites;
    // Both only queue here; the waits below perform the write on this thread.
    if (tcp && m_socket.state() != QAbstractSocket::ConnectedState) {
        result = LinkStatus::fail(LinkFailure::WriteFailed, socketTrouble());
    } else if (m_io->write(bytes) != bytes.size()) {
        result = LinkStatus::fail(LinkFailure::WriteFailed,
                                  tcp ? socketTrouble()
                                      : troubleText(QSerialPort::WriteError, m_port.errorString(), m_port.handle()));
    } else {
        const QDeadlineTimer deadline(timeoutMs);
        const auto timedOut = [&] {
            return LinkStatus::fail(LinkFailure::WriteTimedOut, "the printer did not take the bytes within " +
                                                                    std::to_string(timeoutMs) +
                                                                    (tcp ? " ms" : " ms (is it holding CTS?)"));
        };
        while (m_io->bytesToWrite() > 0) {
            const qint64 left = deadline.remainingTime();
            if (left <= 0) {
                result = timedOut();
                break;
            }
            const bool written = m_io->waitForBytesWritten(static_cast<int>(left));
            stampArrivals();  // the wait reads what arrives too
            if (!written) {
                if (tcp) {
                    const bool slow = m_socket.error() == QAbstractSocket::SocketTimeoutError &&
                                      m_socket.state() == QAbstractSocket::ConnectedState;
                    result = slow ? timedOut() : LinkStatus::fail(LinkFailure::WriteFailed, socketTrouble());
                    break;
                }
                const QSerialPort::SerialPortError error = m_port.error();
                if (error == QSerialPort::TimeoutError || (error == QSerialPort::NoError && deadline.hasExpired()))
                    result = timedOut();
                else
                    result = LinkStatus::fail(LinkFailure::WriteFailed,
                                              troubleText(error, m_port.errorString(), m_port.handle()));
                break;
            }
        }
    }
    m_inFlush = false;

    if (!result.isOk()) {
        // The failure is this open's report; what is still queued will not be sent.
        m_reported = true;
        if (tcp) {
            m_socket.abort();
        } else {
            if (m_port.isOpen()) m_port.clear(QSerialPort::Output);
            m_port.clearError();
        }
    }
    if (m_dataDuringFlush) {
        m_dataDuringFlush = false;
        QMetaObject::invokeMethod(this, &QtSerialPort::onReadyRead, Qt::QueuedConnection);
    }
    return result;
}

int QtSerialPort::bytesWaiting()
{
    QIODevice* io = readable();
    return io ? static_cast<int>(std::min<qint64>(io->bytesAvailable(), INT_MAX)) : 0;
}

std::optional<std::uint8_t> QtSerialPort::readByte()
{
    QIODevice* io = readable();
    if (!io || io->bytesAvailable() <= 0) return std::nullopt;
    stampArrivals();  // bytes that came while nothing waited on the port are dated now
    char c = 0;
    if (!io->getChar(&c)) return std::nullopt;
    const std::uint64_t index = m_bytesRead++;
    while (!m_stamps.empty() && m_stamps.front().first <= index) m_stamps.pop_front();
    m_lastArrival = m_stamps.empty() ? std::nullopt : std::optional(m_stamps.front().second);
    return static_cast<std::uint8_t>(c);
}

std::vector<std::string> QtSerialPort::hostDevices() const
{
    std::vector<std::string> out;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        out.push_back(QFile::encodeName(info.systemLocation()).toStdString());
    return out;
}

void QtSerialPort::onReadyRead()
{
    stampArrivals();
    // flush() and waitUntil() wait on this thread; the listener hears of the bytes once they
    // have returned.
    if (m_inFlush) {
        m_dataDuringFlush = true;
        return;
    }
    QIODevice* io = readable();
    if (!io || io->bytesAvailable() <= 0 || !m_listener) return;
    const qint64 waiting = io->bytesAvailable();
    const std::uint64_t readBefore = m_bytesRead;
    m_listener->serialDataArrived();
    // Neither QSerialPort nor QTcpSocket announces bytes that arrive while its read notice is
    // being handled (the listener may wait, or flush, inside it). Announce them once it has
    // returned, as a new notice would have; a listener that took nothing and heard of nothing
    // new is not asked again.
    io = readable();
    const qint64 left = io ? io->bytesAvailable() : 0;
    if (left > 0 && (m_bytesRead != readBefore || left > waiting))
        QMetaObject::invokeMethod(this, &QtSerialPort::onReadyRead, Qt::QueuedConnection);
}

void QtSerialPort::onError(QSerialPort::SerialPortError error)
{
    if (!meansLinkTrouble(error) || !m_watching || m_inFlush || !m_port.isOpen()) return;
    // A read notice can be stale: the bytes it announced were taken by a flush's wait in the
    // meantime, and the read finds nothing. Only a line that is really gone is lost.
    if (error == QSerialPort::ReadError && !hungUp(m_port.handle())) {
        m_port.clearError();
        return;
    }
    // A far side that went away keeps the port readable, and every read fails again: act on
    // the first error and close, so that the event loop stops hearing about it.
    const std::string reason = troubleText(error, m_port.errorString(), m_port.handle());
    if (!m_reported) {
        m_reported = true;
        if (m_listener) m_listener->serialLinkLost(reason);
    }
    if (m_port.isOpen()) close();
}

// The connection is gone once the socket has left the connected state: the printer closed it,
// or it broke. An error that leaves it connected (a flush's wait that ran out) is the flush's.
void QtSerialPort::onSocketGone()
{
    if (!isTcp() || !m_watching || m_inFlush || m_socket.state() == QAbstractSocket::ConnectedState) return;
    const std::string reason = socketTrouble();
    if (!m_reported) {
        m_reported = true;
        if (m_listener) m_listener->serialLinkLost(reason);
    }
    if (isTcp() && m_socket.state() != QAbstractSocket::ConnectedState) close();
}

std::string QtSerialPort::socketTrouble() const
{
    if (m_socket.error() == QAbstractSocket::RemoteHostClosedError) return "the printer closed the connection";
    const std::string detail = m_socket.errorString().toStdString();
    return detail.empty() ? "the connection to the printer broke"
                          : "the connection to the printer broke (" + detail + ")";
}

}  // namespace printbench::app
