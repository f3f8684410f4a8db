#include "device/serial_port.h"

#include <cerrno>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

// The exchanges go straight to the descriptor: a request and its answer are
// a few bytes, and the buffered device's notifications and event-loop wakeups
// would cost more than the wire.

namespace {

enum class LineState { Ready, TimedOut, Failed };

// Waits until the line is ready for `events` or the deadline passes.
LineState WaitFor(int fd, short events, const QDeadlineTimer &deadline)
{
    for (;;) {
        pollfd line{fd, events, 0};
        const int ready = ::poll(&line, 1, static_cast<int>(deadline.remainingTime()));
        // Ready, or else hung up or failed with nothing left to read.
        if (ready > 0)
            return (line.revents & events) ? LineState::Ready : LineState::Failed;
        if (ready == 0 || errno != EINTR)
            return LineState::TimedOut;
    }
}

} // namespace

int CSerialPort::WriteToLine(const char *bytes, short length)
{
    const int fd = m_port.handle();
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
        const LineState state = WaitFor(fd, POLLOUT, deadline);
        if (state == LineState::Failed)
            ReportTrouble();
        if (state != LineState::Ready) {
            // Unsent bytes would otherwise leave later, behind newer commands.
            ::tcflush(fd, TCOFLUSH);
            return written > 0 ? -2 : -1;
        }
    }
    return length;
}

std::optional<unsigned char> CSerialPort::ReadFromLine(const QDeadlineTimer &deadline)
{
    const int fd = m_port.handle();
    char byte = 0;
    for (;;) {
        const LineState state = WaitFor(fd, POLLIN, deadline);
        if (state == LineState::Failed)
            ReportTrouble();
        if (state != LineState::Ready)
            return std::nullopt;
        const ssize_t count = ::read(fd, &byte, 1);
        if (count == 1)
            return static_cast<unsigned char>(byte);
        if (count == 0 || (errno != EINTR && errno != EAGAIN)) {
            // End of file or an error: the line has hung up or failed.
            ReportTrouble();
            return std::nullopt;
        }
    }
}
