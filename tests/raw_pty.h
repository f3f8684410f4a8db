#pragma once

#include <QByteArray>
#include <QString>

// A bare pseudo-terminal for tests: the code under test opens Path(), the
// test reads and writes the other end byte for byte.
class RawPty
{
public:
    RawPty();
    ~RawPty();
    RawPty(const RawPty &) = delete;
    RawPty &operator=(const RawPty &) = delete;

    QString Path() const { return m_path; }
    void Send(const QByteArray &bytes);
    // What arrives within the time given, waiting for at least `atLeast` bytes.
    QByteArray Receive(int atLeast, int timeoutMs = 1000);

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_path;
};
