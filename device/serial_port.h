#pragma once

#include "device/open_failure.h"

#include <QDeadlineTimer>
#include <QSerialPort>
#include <QString>
#include <functional>
#include <optional>

// The serial channel to the device: one port at a time, 8 data bits, no
// parity, 1 stop bit, no flow control, raw bytes, opened exclusively.
// Only serial terminals are opened, never one that another program has
// locked; while open, the port carries a lock file and an exclusive flock.
//
// Results follow the device link's convention: Open gives 1 for success, -1
// when the port cannot be opened and -2 when it opened but could not be
// configured; Write gives the count written, -1 on failure (a write that does
// not finish within a second counts as failed) and -2 when short; ReadByte
// gives 0xFF when nothing arrived within the read time-out.
class CSerialPort
{
public:
    static constexpr int kWriteTimeoutMs = 1000;
    static constexpr int kReadBufferSize = 4096;

    CSerialPort();
    ~CSerialPort();
    CSerialPort(const CSerialPort &) = delete;
    CSerialPort &operator=(const CSerialPort &) = delete;

    // settings is the baud rate in decimal ("9600"); the line is always n,8,1.
    int Open(const QString &deviceName, const char *settings, int readTimeoutMs);
    // Why the last Open failed; the reason is Unknown after a success.
    const OpenFailure &LastOpenFailure() const { return m_lastOpenFailure; }
    bool Close();
    int Write(const void *data, short length);
    unsigned char ReadByte();
    // The byte read, or nothing when none arrived within the read time-out.
    std::optional<unsigned char> TryReadByte();
    // The byte read, or nothing when none arrived before the deadline; an
    // expired deadline takes only a byte that is already waiting.
    std::optional<unsigned char> TryReadByte(const QDeadlineTimer &deadline);
    // Drops every byte received but not yet read.
    void DiscardInput();

    bool IsOpen() const { return m_bOpen; }
    // The open port's file descriptor, or -1.
    int Handle() const { return m_bOpen ? m_port.handle() : -1; }
    // Called when a read, a write or the port itself fails while open, which
    // may mean that the device has gone. It runs inside the failing call, so
    // it should only take note.
    void SetTroubleHandler(std::function<void()> handler) { m_troubleHandler = std::move(handler); }

private:
    // The exchanges on the open port, in the platform's own file
    // (serial_port_posix.cpp). WriteToLine gives what Write gives; both call
    // the trouble handler when the line hangs up or fails.
    int WriteToLine(const char *bytes, short length);
    std::optional<unsigned char> ReadFromLine(const QDeadlineTimer &deadline);
    void ReportTrouble();

    QSerialPort m_port;
    bool m_bOpen = false;
    int m_readTimeoutMs = 0;
    OpenFailure m_lastOpenFailure;
    std::function<void()> m_troubleHandler;
};
