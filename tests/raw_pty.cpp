#include "raw_pty.h"

#include <QDeadlineTimer>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

RawPty::RawPty()
{
    char name[128] = {};
    if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0)
        qFatal("openpty failed");
    termios raw{};
    ::tcgetattr(m_slave, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(m_slave, TCSANOW, &raw);
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_path = QString::fromLocal8Bit(name);
}

RawPty::~RawPty()
{
    ::close(m_master);
    ::close(m_slave);
}

void RawPty::Send(const QByteArray &bytes)
{
    if (::write(m_master, bytes.constData(), bytes.size()) != bytes.size())
        qFatal("pty write failed");
}

QByteArray RawPty::Receive(int atLeast, int timeoutMs)
{
    QByteArray bytes;
    const QDeadlineTimer deadline(timeoutMs);
    while (bytes.size() < atLeast && !deadline.hasExpired()) {
        pollfd fd{m_master, POLLIN, 0};
        if (::poll(&fd, 1, static_cast<int>(deadline.remainingTime())) <= 0)
            break;
        char buffer[4096];
        const ssize_t count = ::read(m_master, buffer, sizeof buffer);
        if (count > 0)
            bytes.append(buffer, count);
    }
    return bytes;
}
