#include "device/port_locks.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace {

constexpr const char *kLockDirs[] = {"/var/lock", "/run/lock"};
constexpr qint64 kLongestLockFile = 256;

// The names other programs give the device's lock: Qt's (the path below /dev
// with '/' made '_') and the UUCP one (the last part of the path), for the
// name as given and for the device it leads to.
QStringList LockFileNames(const QString &deviceName)
{
    QStringList names;
    for (const QString &path : {deviceName, QFileInfo(deviceName).canonicalFilePath()}) {
        if (path.isEmpty())
            continue;
        QString below = path.startsWith(QLatin1String("/dev/")) ? path.mid(5) : path;
        names << QStringLiteral("LCK..") + below.replace(u'/', u'_');
        names << QStringLiteral("LCK..") + path.section(u'/', -1);
    }
    names.removeDuplicates();
    return names;
}

QStringList LockFilePaths(const QString &deviceName)
{
    QStringList dirs;
    for (const char *dir : kLockDirs) {
        const QString canonical = QFileInfo(QString::fromLatin1(dir)).canonicalFilePath();
        if (!canonical.isEmpty())
            dirs << canonical;
    }
    dirs.removeDuplicates();
    QStringList paths;
    for (const QString &dir : dirs) {
        for (const QString &name : LockFileNames(deviceName))
            paths << dir + u'/' + name;
    }
    return paths;
}

// The PID a lock file names: four bytes of binary PID, or decimal text on its
// first line (padded as "%10d\n" or bare, alone or followed by more lines).
// Four bytes of text end in a line break, which no binary PID's last byte is.
// 0 when it names none.
qint64 LockPid(const QByteArray &content)
{
    if (content.size() == sizeof(std::int32_t) && !content.endsWith('\n')) {
        std::int32_t pid = 0;
        std::memcpy(&pid, content.constData(), sizeof pid);
        return pid;
    }
    const QByteArray firstLine = content.left(content.indexOf('\n')).trimmed();
    const bool decimal = !firstLine.isEmpty()
        && std::all_of(firstLine.begin(), firstLine.end(), [](char c) { return c >= '0' && c <= '9'; });
    return decimal ? firstLine.toLongLong() : 0;
}

// A process another user owns is running too, though it may not be signalled.
bool IsRunning(qint64 pid)
{
    return pid > 0 && pid <= INT_MAX && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

// Qt's lock files hold the PID, then the name of the application that wrote it.
bool WrittenByThisProgram(const QByteArray &content)
{
    const QList<QByteArray> lines = content.split('\n');
    return lines.size() > 1 && lines[1] == QCoreApplication::applicationName().toUtf8();
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

OpenFailure InUseBy(qint64 pid)
{
    OpenFailure inUse(OpenFailure::Reason::InUse);
    inUse.pid = pid;
    return inUse;
}

} // namespace

std::optional<OpenFailure> LockFileRefusal(const QString &deviceName)
{
    for (const QString &path : LockFilePaths(deviceName)) {
        QFile lock(path);
        if (!lock.exists())
            continue;
        if (!lock.open(QIODevice::ReadOnly))
            return InUseBy(0);
        const QByteArray content = lock.read(kLongestLockFile);
        const qint64 pid = LockPid(content);
        if (IsRunning(pid))
            return InUseBy(pid);
        if (pid > 0 && WrittenByThisProgram(content))
            continue;
        OpenFailure stale(OpenFailure::Reason::StaleLock);
        stale.lockFile = path;
        return stale;
    }
    return std::nullopt;
}

std::optional<OpenFailure> TakeDeviceFlock(int fd)
{
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
        return std::nullopt;
    // A device that cannot be flocked at all is left to the other locks.
    if (errno != EWOULDBLOCK)
        return std::nullopt;
    return InUseBy(FlockHolder(fd));
}
