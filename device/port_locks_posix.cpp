#include "device/port_locks.h"

#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

#include <cerrno>
#include <climits>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

constexpr const char *kLockDirs[] = {"/var/lock", "/run/lock"};
constexpr qint64 kLongestLockFile = 256;

// The holder of a flock on the file open as fd, from the kernel's list of
// locks; 0 when it is not listed.
qint64 FlockHolder(int fd)
{
    struct stat st{};
    QFile locks(QStringLiteral("/proc/locks"));
    if (::fstat(fd, &st) != 0 || !locks.open(QIODevice::ReadOnly))
        return 0;
    // "1: FLOCK  ADVISORY  WRITE 1234 00:05:87 0 EOF": holder, then the
    // file's filesystem device (hexadecimal major:minor) and inode.
    const QByteArray file = QByteArray::number(major(st.st_dev), 16).rightJustified(2, '0') + ':'
        + QByteArray::number(minor(st.st_dev), 16).rightJustified(2, '0') + ':' + QByteArray::number(st.st_ino);
    // The list's size reads as 0, so it is read whole rather than line by line.
    for (const QByteArray &line : locks.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() >= 6 && fields[1] == "FLOCK" && fields[5] == file)
            return fields[4].toLongLong();
    }
    return 0;
}

bool IsProcessRunning(qint64 pid)
{
    return pid > 0 && pid <= INT_MAX && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

// Only a regular file is read, opened without blocking or following a link
// and only while it is still the file examined: a FIFO or a device there
// could hold an open or a read for good.
std::optional<OpenFailure> RefusalOfLockFile(const QString &path)
{
    const OpenFailure inUse{OpenFailure::Reason::InUse};
    const OpenFailure notRegular{.reason = OpenFailure::Reason::LockNotRegularFile, .lockFile = path};
    const QByteArray name = QFile::encodeName(path);
    struct stat examined{};
    if (::lstat(name.constData(), &examined) != 0)
        return errno == ENOENT || errno == ENOTDIR ? std::nullopt : std::optional(inUse);
    if (!S_ISREG(examined.st_mode))
        return notRegular;
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT)
        return std::nullopt;
    if (fd < 0)
        return errno == ELOOP ? notRegular : inUse;
    const auto closeLock = qScopeGuard([fd] { ::close(fd); });
    struct stat opened{};
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode) || opened.st_dev != examined.st_dev
        || opened.st_ino != examined.st_ino)
        return notRegular;
    QFile lock;
    lock.open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::DontCloseHandle);
    const QByteArray start = lock.read(kLongestLockFile);
    if (lock.error() != QFileDevice::NoError)
        return inUse;
    return RefusalOfLockContent(start, std::time(nullptr) - opened.st_mtim.tv_sec, path, IsProcessRunning);
}

} // namespace

std::optional<OpenFailure> LockFileRefusal(const QString &deviceName)
{
    // Each lock directory once, where one is a link to the other.
    QStringList dirs;
    for (const char *dir : kLockDirs)
        dirs << QFileInfo(QString::fromLatin1(dir)).canonicalFilePath();
    dirs.removeDuplicates();
    dirs.removeAll(QString());
    for (const QString &dir : dirs) {
        for (const QString &name : LockFileNames(deviceName)) {
            if (std::optional<OpenFailure> refusal = RefusalOfLockFile(dir + u'/' + name))
                return refusal;
        }
    }
    return std::nullopt;
}

std::optional<OpenFailure> TakeDeviceLock(qintptr port)
{
    const int fd = static_cast<int>(port);
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
        return std::nullopt;
    // A device that cannot be flocked at all is left to the other locks.
    if (errno != EWOULDBLOCK)
        return std::nullopt;
    return OpenFailure{.reason = OpenFailure::Reason::InUse, .pid = FlockHolder(fd)};
}
