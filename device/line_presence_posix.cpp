#include "device/line_presence.h"

#include <QFile>
#include <poll.h>
#include <sys/stat.h>

bool LineLost(const CSerialPort &serial, const QString &device)
{
    const int fd = serial.Handle();
    if (fd < 0)
        return true;
    pollfd line{fd, POLLIN, 0};
    if (::poll(&line, 1, 0) > 0 && (line.revents & (POLLHUP | POLLNVAL)))
        return true;
    struct stat opened{};
    struct stat named{};
    return ::fstat(fd, &opened) != 0 || ::stat(QFile::encodeName(device).constData(), &named) != 0
        || named.st_rdev != opened.st_rdev;
}
