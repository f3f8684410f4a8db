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

// The checks before the open leave little for it to fail on: a node that went
// away, or another program that took the port (Qt reports a busy port and a
// lock it cannot take as a permission error).
OpenFailure FailureOfOpen(QSerialPort::SerialPortError error)
{
    if (error == QSerialPort::DeviceNotFoundError)
        return {OpenFailure::Reason::NoSuchPort};
    return {error == QSerialPort::PermissionError ? OpenFailure::Reason::InUse : OpenFailure::Reason::Unknown};
}

} // namespace

CSerialPort::CSerialPort()
{
    QObject::connect(&m_port, &QSerialPort::errorOccurred, [this](QSerialPort::SerialPortError error) {
        if (error == QSerialPort::ReadError || error == QSerialPort::WriteError || error == QSerialPort::ResourceError)
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
    Close();
    m_lastOpenFailure = {};
    // A failed open leaves the port closed with its error cleared.
    const auto fail = [this](const OpenFailure &why, int result) {
        Close();
        m_lastOpenFailure = why;
        return result;
    };
    if (const std::optional<OpenFailure> refusal = RefusalBeforeOpen(deviceName))
        return fail(*refusal, -1);
    m_port.setPortName(deviceName);
    // Bytes nobody asked for are dropped before each request; the bound keeps
    // a device that floods the line from growing the buffer without end.
    m_port.setReadBufferSize(kReadBufferSize);
    if (!m_port.open(QIODevice::ReadWrite))
        return fail(FailureOfOpen(m_port.error()), -1);
    if (const std::optional<OpenFailure> taken = TakeDeviceLock(m_port.handle()))
        return fail(*taken, -1);
    const int baud = BaudRate(settings);
    const bool configured = baud > 0 && m_port.setBaudRate(baud)
        && m_port.setDataBits(QSerialPort::Data8) && m_port.setParity(QSerialPort::NoParity)
        && m_port.setStopBits(QSerialPort::OneStop)
        && m_port.setFlowControl(QSerialPort::NoFlowControl) && readTimeoutMs >= 0;
    if (!configured)
        return fail({OpenFailure::Reason::NotConfigured}, -2);
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
    return WriteToLine(static_cast<const char *>(data), length);
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
    return ReadFromLine(deadline);
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
