#include "device/lock_files.h"
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

// Up to the longest lock file's length from the start of the regular file
// open as fd, which a single read gives unless a signal cuts in.
std::optional<QByteArray> ReadStart(int fd)
{
    QByteArray content(kLongestLockFile, Qt::Uninitialized);
    ssize_t count = -1;
    do {
        count = ::read(fd, content.data(), content.size());
    } while (count < 0 && errno == EINTR);
    if (count < 0)
        return std::nullopt;
    content.truncate(count);
    return content;
}

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

} // namespace

QStringList LockFileDirectories()
{
    QStringList dirs;
    for (const char *dir : kLockDirs) {
        const QString canonical = QFileInfo(QString::fromLatin1(dir)).canonicalFilePath();
        if (!canonical.isEmpty())
            dirs << canonical;
    }
    dirs.removeDuplicates();
    return dirs;
}

// Only a regular file is read, opened without blocking or following a link
// and only while it is still the file examined.
LockFile ReadLockFile(const QString &path)
{
    LockFile lock;
    const QByteArray name = QFile::encodeName(path);
    struct stat examined{};
    if (::lstat(name.constData(), &examined) != 0) {
        lock.kind = errno == ENOENT || errno == ENOTDIR ? LockFile::Kind::Absent : LockFile::Kind::Unreadable;
        return lock;
    }
    lock.kind = LockFile::Kind::NotRegularFile;
    if (!S_ISREG(examined.st_mode))
        return lock;
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        if (errno != ELOOP)
            lock.kind = errno == ENOENT ? LockFile::Kind::Absent : LockFile::Kind::Unreadable;
        return lock;
    }
    const auto closeLock = qScopeGuard([fd] { ::close(fd); });
    struct stat opened{};
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode) || opened.st_dev != examined.st_dev
        || opened.st_ino != examined.st_ino)
        return lock;
    const std::optional<QByteArray> start = ReadStart(fd);
    if (!start) {
        lock.kind = LockFile::Kind::Unreadable;
        return lock;
    }
    lock.kind = LockFile::Kind::RegularFile;
    lock.start = *start;
    lock.ageSeconds = std::time(nullptr) - opened.st_mtim.tv_sec;
    return lock;
}

bool IsProcessRunning(qint64 pid)
{
    return pid > 0 && pid <= INT_MAX && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

std::optional<OpenFailure> TakeDeviceLock(qintptr port)
{
    const int fd = static_cast<int>(port);
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
        return std::nullopt;
    // A device that cannot be flocked at all is left to the other locks.
    if (errno != EWOULDBLOCK)
        return std::nullopt;
    OpenFailure inUse(OpenFailure::Reason::InUse);
    inUse.pid = FlockHolder(fd);
    return inUse;
}
