// Reading and replacing the state file with the system's own calls: a link,
// a FIFO or a device where the file should be is never opened, and a write
// that fails leaves the old file as it was.

#include "tools/cli/state_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A state file is a line of about 60 bytes; more than this is damage.
constexpr qsizetype kLongestStateText = 4096;

QString SystemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QString NotRegularText(const QString &path)
{
    return QStringLiteral("%1 is not a regular file (a link, a FIFO or a device?); "
                          "it is left alone: remove it to start from the defaults").arg(path);
}

// While it lives, the signals that end the program wait, so that the short
// write and rename run to their end and leave no temporary file behind.
class TerminationHeld
{
public:
    TerminationHeld()
    {
        sigset_t held;
        sigemptyset(&held);
        for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT})
            sigaddset(&held, signal);
        ::sigprocmask(SIG_BLOCK, &held, &m_oldMask);
    }
    ~TerminationHeld() { ::sigprocmask(SIG_SETMASK, &m_oldMask, nullptr); }
    TerminationHeld(const TerminationHeld &) = delete;
    TerminationHeld &operator=(const TerminationHeld &) = delete;

private:
    sigset_t m_oldMask{};
};

// Reads up to `limit` bytes; false with errno set when a read fails.
bool ReadUpTo(int fd, qsizetype limit, QByteArray &text)
{
    char buffer[1024];
    while (text.size() < limit) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            break;
        text.append(buffer, got);
    }
    return true;
}

bool WriteAll(int fd, const QByteArray &text)
{
    for (qsizetype written = 0; written < text.size();) {
        const ssize_t put = ::write(fd, text.constData() + written, static_cast<size_t>(text.size() - written));
        if (put < 0 && errno == EINTR)
            continue;
        if (put < 0)
            return false;
        written += put;
    }
    return true;
}

// Creates a new file beside the state file, for its new content.
int CreateTemporary(const QByteArray &folder, QByteArray &name)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = folder + "/.new-" + QByteArray::number(QRandomGenerator::global()->generate64(), 36);
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

} // namespace

bool LoadState(const QString &path, PortState &state, QString &problem)
{
    state = PortState();
    const QByteArray name = QFile::encodeName(path);
    struct stat status{};
    if (::lstat(name.constData(), &status) != 0) {
        if (errno != ENOENT)
            problem = QStringLiteral("cannot read %1: %2; starting from the defaults").arg(path, SystemError(errno));
        return true;
    }
    if (!S_ISREG(status.st_mode)) {
        problem = NotRegularText(path);
        return false;
    }
    // What was examined may have been replaced since: the open neither
    // follows a link nor waits for a FIFO's writer, and the descriptor
    // itself is examined again.
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0 && errno == ELOOP) {
        problem = NotRegularText(path);
        return false;
    }
    if (fd < 0) {
        if (errno != ENOENT)
            problem = QStringLiteral("cannot read %1: %2; starting from the defaults").arg(path, SystemError(errno));
        return true;
    }
    QByteArray text;
    const bool regular = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
    const bool read = regular && ReadUpTo(fd, kLongestStateText + 1, text);
    const int readError = errno;
    ::close(fd);
    if (!regular) {
        problem = NotRegularText(path);
        return false;
    }
    if (!read) {
        problem = QStringLiteral("cannot read %1: %2; starting from the defaults").arg(path, SystemError(readError));
        return true;
    }
    if (const std::optional<PortState> remembered = ParseStateText(text))
        state = *remembered;
    else
        problem = QStringLiteral("%1 is damaged; starting from the defaults").arg(path);
    return true;
}

bool SaveState(const QString &path, const PortState &state, QString &problem)
{
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder)) {
        problem = QStringLiteral("cannot write %1: the folder %2 cannot be made").arg(path, folder);
        return false;
    }
    const QByteArray name = QFile::encodeName(path);
    struct stat status{};
    if (::lstat(name.constData(), &status) == 0 && !S_ISREG(status.st_mode)) {
        problem = NotRegularText(path);
        return false;
    }

    const TerminationHeld held;
    QByteArray temporary;
    const int fd = CreateTemporary(QFile::encodeName(folder), temporary);
    if (fd < 0) {
        problem = QStringLiteral("cannot write %1: %2").arg(path, SystemError(errno));
        return false;
    }
    // Every step is checked: a full disk may only show at fsync or close.
    bool written = WriteAll(fd, StateText(state)) && ::fsync(fd) == 0;
    int error = errno;
    if (::close(fd) != 0 && written) {
        written = false;
        error = errno;
    }
    if (written && ::rename(temporary.constData(), name.constData()) == 0)
        return true;
    if (written)
        error = errno;
    ::unlink(temporary.constData());
    problem = QStringLiteral("cannot write %1: %2; it keeps the state it had before").arg(path, SystemError(error));
    return false;
}
