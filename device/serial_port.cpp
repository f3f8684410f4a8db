#include "device/serial_port.h"

#include "device/port_checks.h"
#include "device/port_locks.h"

#include <QDeadlineTimer>
#include <cerrno>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

// The baud rate of a settings text: a positive decimal number and nothing else.
int BaudRate(const char *settings)
{
    bool ok = false;
    const int baud = QByteArray(settings ? settings : "").toInt(&ok);
    return ok && baud > 0 ? baud : 0;
}

// The checks before the open leave little for it to fail on: a node that went
// away, or another program that took the port (Qt reports a busy port and a
// lock it cannot take as a permission error).
OpenFailure FailureOfOpen(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return OpenFailure::Reason::NoSuchPort;
    case QSerialPort::PermissionError:
        return OpenFailure::Reason::InUse;
    default:
        return OpenFailure::Reason::Unknown;
    }
}

} // namespace

CSerialPort::CSerialPort()
{
    QObject::connect(&m_port, &QSerialPort::errorOccurred, [this](QSerialPort::SerialPortError error) {
        const bool trouble = error == QSerialPort::ReadError || error == QSerialPort::WriteError
            || error == QSerialPort::ResourceError;
        if (trouble)
            ReportTrouble();
    });
}

CSerialPort::~CSerialPort()
{
    if (m_bOpen)
        Close();
}

int CSerialPort::Open(const QString &deviceName, const char *settings, int readTimeoutMs)
{
    m_bOpen = false;
    m_lastOpenFailure = {};
    if (m_port.isOpen())
        m_port.close();
    if (const std::optional<OpenFailure> refusal = RefusalBeforeOpen(deviceName)) {
        m_lastOpenFailure = *refusal;
        return -1;
    }
    m_port.setPortName(deviceName);
    // Bytes nobody asked for are dropped before each request; the bound keeps
    // a device that floods the line from growing the buffer without end.
    m_port.setReadBufferSize(kReadBufferSize);
    if (!m_port.open(QIODevice::ReadWrite)) {
        m_lastOpenFailure = FailureOfOpen(m_port.error());
        m_port.clearError();
        return -1;
    }
    if (const std::optional<OpenFailure> taken = TakeDeviceFlock(m_port.handle())) {
        m_lastOpenFailure = *taken;
        m_port.close();
        m_port.clearError();
        return -1;
    }
    const int baud = BaudRate(settings);
    const bool configured = baud > 0 && m_port.setBaudRate(baud)
        && m_port.setDataBits(QSerialPort::Data8) && m_port.setParity(QSerialPort::NoParity)
        && m_port.setStopBits(QSerialPort::OneStop)
        && m_port.setFlowControl(QSerialPort::NoFlowControl) && readTimeoutMs >= 0;
    if (!configured) {
        m_lastOpenFailure.reason = OpenFailure::Reason::NotConfigured;
        m_port.close();
        m_port.clearError();
        return -2;
    }
    m_readTimeoutMs = readTimeoutMs;
    m_bOpen = true;
    return 1;
}

bool CSerialPort::Close()
{
    m_bOpen = false;
    const bool wasOpen = m_port.isOpen();
    m_port.close();
    m_port.clearError();
    return wasOpen;
}

// The exchanges go straight to the descriptor: a request and its answer are
// a few bytes, and the buffered device's notifications and event-loop wakeups
// would cost more than the wire.
int CSerialPort::Write(const void *data, short length)
{
    if (!m_port.isOpen() || length < 0)
        return -1;
    const int fd = m_port.handle();
    const char *bytes = static_cast<const char *>(data);
    const QDeadlineTimer deadline(kWriteTimeoutMs);
    short written = 0;
    while (written < length) {
        const ssize_t count = ::write(fd, bytes + written, length - written);
        if (count > 0) {
            written += count;
            continue;
        }
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0 && errno != EAGAIN) {
            ReportTrouble();
            return -1;
        }
        if (!WaitFor(POLLOUT, deadline)) {
            // Unsent bytes would otherwise leave later, behind newer commands.
            ::tcflush(fd, TCOFLUSH);
            return written > 0 ? -2 : -1;
        }
    }
    return length;
}

unsigned char CSerialPort::ReadByte()
{
    return TryReadByte().value_or(0xFF);
}

std::optional<unsigned char> CSerialPort::TryReadByte()
{
    return TryReadByte(QDeadlineTimer(m_readTimeoutMs));
}

std::optional<unsigned char> CSerialPort::TryReadByte(const QDeadlineTimer &deadline)
{
    if (!m_port.isOpen())
        return std::nullopt;
    char byte = 0;
    // Bytes that arrived while the window was idle were taken in by the port's own reader.
    if (m_port.bytesAvailable() > 0 && m_port.read(&byte, 1) == 1)
        return static_cast<unsigned char>(byte);
    const int fd = m_port.handle();
    while (WaitFor(POLLIN, deadline)) {
        const ssize_t count = ::read(fd, &byte, 1);
        if (count == 1)
            return static_cast<unsigned char>(byte);
        if (count == 0 || (errno != EINTR && errno != EAGAIN)) {
            // End of file or an error: the line has hung up or failed.
            ReportTrouble();
            break;
        }
    }
    return std::nullopt;
}

bool CSerialPort::WaitFor(short events, const QDeadlineTimer &deadline)
{
    for (;;) {
        pollfd line{m_port.handle(), events, 0};
        const int ready = ::poll(&line, 1, static_cast<int>(deadline.remainingTime()));
        if (ready > 0 && (line.revents & events))
            return true;
        if (ready > 0) {
            // Hung up or failed, and nothing left to read.
            ReportTrouble();
            return false;
        }
        if (ready == 0 || errno != EINTR)
            return false;
    }
}

void CSerialPort::ReportTrouble()
{
    if (m_bOpen && m_troubleHandler)
        m_troubleHandler();
}

void CSerialPort::DiscardInput()
{
    if (m_port.isOpen())
        m_port.clear(QSerialPort::Input);
}
