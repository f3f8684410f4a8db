#include "device/serial_port.h"

#include "device/port_checks.h"
#include "device/port_locks.h"

#include <QDeadlineTimer>

namespace {

// The baud rate of a settings text: a positive decimal number and nothing else.
int BaudRate(const char *settings)
{
    bool ok = false;
    const int baud = QByteArray(settings ? settings : "").toInt(&ok);
    return ok && baud > 0 ? baud : 0;
}

// A wait that ran out is not a fault of the port; leaving the error set would
// make the next call look failed.
void ClearTimeout(QSerialPort &port)
{
    if (port.error() == QSerialPort::TimeoutError)
        port.clearError();
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
        if (trouble && m_bOpen && m_troubleHandler)
            m_troubleHandler();
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

int CSerialPort::Write(const void *data, short length)
{
    if (!m_port.isOpen() || length < 0)
        return -1;
    const qint64 queued = m_port.write(static_cast<const char *>(data), length);
    if (queued < 0) {
        m_port.clearError();
        return -1;
    }
    const QDeadlineTimer deadline(kWriteTimeoutMs);
    while (m_port.bytesToWrite() > 0) {
        if (!m_port.waitForBytesWritten(deadline.remainingTime())) {
            // Unsent bytes would otherwise leave later, behind newer commands.
            ClearTimeout(m_port);
            m_port.clear(QSerialPort::Output);
            return -1;
        }
    }
    return queued == length ? length : -2;
}

unsigned char CSerialPort::ReadByte()
{
    return TryReadByte().value_or(0xFF);
}

std::optional<unsigned char> CSerialPort::TryReadByte()
{
    if (!m_port.isOpen())
        return std::nullopt;
    // A byte already buffered is returned at once: waitForReadyRead only
    // reports bytes that arrive during the wait.
    const QDeadlineTimer deadline(m_readTimeoutMs);
    while (m_port.bytesAvailable() == 0) {
        if (deadline.hasExpired() || !m_port.waitForReadyRead(deadline.remainingTime())) {
            ClearTimeout(m_port);
            break;
        }
    }
    char byte = 0;
    if (m_port.read(&byte, 1) != 1) {
        m_port.clearError();
        return std::nullopt;
    }
    return static_cast<unsigned char>(byte);
}

void CSerialPort::DiscardInput()
{
    if (m_port.isOpen())
        m_port.clear(QSerialPort::Input);
}
