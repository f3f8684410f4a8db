#include "device/port_locks.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

constexpr const char *kLockDirs[] = {"/var/lock", "/run/lock"};
constexpr qint64 kLongestLockFile = 256;
// A lock file naming no process yet may be one that its program has only
// just created and is about to write; for this long it counts as in use.
constexpr time_t kUnfinishedLockSeconds = 5;
// The programs of this package, by the name Qt writes in their lock files:
// that of the executable.
constexpr const char *kOwnPrograms[] = {"korvane-pin-tester", "korvane-cli"};

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

bool IsDecimalText(const QByteArray &text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return c == ' ' || (c >= '0' && c <= '9'); });
}

// The PID a lock file names: four bytes of binary PID, or decimal text on its
// first line (padded as "%10d\n" or bare, alone or followed by more lines).
// Four bytes of digits and spaces are decimal: as a binary PID they would be
// far above any the kernel gives. Four bytes of text may also end in a line
// break, which no binary PID's last byte is. 0 when it names none.
qint64 LockPid(const QByteArray &content)
{
    if (content.size() == sizeof(std::int32_t) && !content.endsWith('\n') && !IsDecimalText(content)) {
        std::int32_t pid = 0;
        std::memcpy(&pid, content.constData(), sizeof pid);
        return pid;
    }
    const QByteArray firstLine = content.split('\n').constFirst().trimmed();
    const bool decimal = !firstLine.isEmpty()
        && std::all_of(firstLine.begin(), firstLine.end(), [](char c) { return c >= '0' && c <= '9'; });
    return decimal ? firstLine.toLongLong() : 0;
}

// What a lock file holds while its program is still writing it: nothing yet,
// part of a binary PID, or part of a decimal one before its line break.
bool MayBeUnfinished(const QByteArray &content)
{
    return !content.contains('\n') && (content.size() < qsizetype(sizeof(std::int32_t)) || IsDecimalText(content));
}

bool IsRecent(const struct stat &file)
{
    const time_t age = std::time(nullptr) - file.st_mtim.tv_sec;
    return age < kUnfinishedLockSeconds && age > -kUnfinishedLockSeconds;
}

// A process another user owns is running too, though it may not be signalled.
bool IsRunning(qint64 pid)
{
    return pid > 0 && pid <= INT_MAX && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

// Qt's lock files hold the PID, then the name of the executable that wrote
// it: one of this package's programs, or this one under whatever name it runs.
bool WrittenByOwnProgram(const QByteArray &content)
{
    const QList<QByteArray> lines = content.split('\n');
    if (lines.size() < 2)
        return false;
    const QByteArray &writer = lines[1];
    return writer == QFileInfo(QCoreApplication::applicationFilePath()).fileName().toUtf8()
        || std::any_of(std::begin(kOwnPrograms), std::end(kOwnPrograms),
                       [&writer](const char *program) { return writer == program; });
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

OpenFailure NamingLockFile(OpenFailure::Reason reason, const QString &path)
{
    OpenFailure failure(reason);
    failure.lockFile = path;
    return failure;
}

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

// What a lock file's content, last modified as file tells, says against
// opening the device.
std::optional<OpenFailure> RefusalOfContent(const QByteArray &content, const struct stat &file, const QString &path)
{
    const qint64 pid = LockPid(content);
    if (IsRunning(pid))
        return InUseBy(pid);
    if (pid == 0 && MayBeUnfinished(content) && IsRecent(file))
        return InUseBy(0);
    if (pid > 0 && WrittenByOwnProgram(content))
        return std::nullopt;
    return NamingLockFile(OpenFailure::Reason::StaleLock, path);
}

// What the lock file at path says against opening the device, if anything.
// Only a regular file is read, opened without blocking or following a link
// and only while it is still the file examined: a FIFO or a device there
// could hold the open or the read for good, so anything else means in use.
std::optional<OpenFailure> RefusalOfLockFile(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat examined{};
    if (::lstat(name.constData(), &examined) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return std::nullopt;
        return InUseBy(0);
    }
    const OpenFailure notRegular = NamingLockFile(OpenFailure::Reason::LockNotRegularFile, path);
    if (!S_ISREG(examined.st_mode))
        return notRegular;
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            return std::nullopt;
        return errno == ELOOP ? notRegular : InUseBy(0);
    }
    const auto closeLock = qScopeGuard([fd] { ::close(fd); });
    struct stat opened{};
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode) || opened.st_dev != examined.st_dev
        || opened.st_ino != examined.st_ino)
        return notRegular;
    const std::optional<QByteArray> content = ReadStart(fd);
    if (!content)
        return InUseBy(0);
    return RefusalOfContent(*content, opened, path);
}

} // namespace

std::optional<OpenFailure> LockFileRefusal(const QString &deviceName)
{
    for (const QString &path : LockFilePaths(deviceName)) {
        if (std::optional<OpenFailure> refusal = RefusalOfLockFile(path))
            return refusal;
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
