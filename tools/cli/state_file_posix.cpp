// Reading and replacing the state file with the system's own calls: a link,
// a FIFO or a device where the file should be is never opened, and a write
// that fails leaves the old file as it was.

#include "tools/cli/state_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QScopeGuard>
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

bool LoadState(const QString &path, CPinTester &tester, QString &problem)
{
    tester.Reset();
    auto unreadable = [&](const QString &reason) {
        problem = QStringLiteral("cannot read %1: %2; starting from the defaults").arg(path, reason);
        return true;
    };
    auto notRegular = [&] {
        problem = NotRegularText(path);
        return false;
    };
    const QByteArray name = QFile::encodeName(path);
    struct stat status{};
    if (::lstat(name.constData(), &status) != 0)
        return errno == ENOENT || unreadable(SystemError(errno));
    if (!S_ISREG(status.st_mode))
        return notRegular();
    // What was examined may have been replaced since: the open neither
    // follows a link nor waits for a FIFO's writer, and the descriptor
    // itself is examined again.
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0 && errno == ELOOP)
        return notRegular();
    if (fd < 0)
        return errno == ENOENT || unreadable(SystemError(errno));
    const bool regular = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
    QFile file;
    if (!regular || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return regular ? unreadable(file.errorString()) : notRegular();
    }
    const QByteArray text = file.read(kLongestStateText + 1);
    if (file.error() != QFileDevice::NoError)
        return unreadable(file.errorString());
    if (!ParseStateText(text, tester)) {
        tester.Reset();
        problem = QStringLiteral("%1 is damaged; starting from the defaults").arg(path);
    }
    return true;
}

bool SaveState(const QString &path, const CPinTester &tester, QString &problem)
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

    // The signals that end the program wait, so that the short write and
    // rename run to their end and leave no temporary file behind.
    sigset_t held, oldMask;
    sigemptyset(&held);
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT})
        sigaddset(&held, signal);
    ::sigprocmask(SIG_BLOCK, &held, &oldMask);
    const auto release = qScopeGuard([&] { ::sigprocmask(SIG_SETMASK, &oldMask, nullptr); });
    QByteArray temporary;
    const int fd = CreateTemporary(QFile::encodeName(folder), temporary);
    if (fd < 0) {
        problem = QStringLiteral("cannot write %1: %2").arg(path, SystemError(errno));
        return false;
    }
    // Every step is checked: a full disk may only show at fsync or close.
    const QByteArray text = StateText(tester);
    QString error;
    if (QFile file; !file.open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::DontCloseHandle)
                    || file.write(text) != text.size() || !file.flush())
        error = file.errorString();
    else if (::fsync(fd) != 0)
        error = SystemError(errno);
    if (::close(fd) != 0 && error.isEmpty())
        error = SystemError(errno);
    if (error.isEmpty() && ::rename(temporary.constData(), name.constData()) == 0)
        return true;
    if (error.isEmpty())
        error = SystemError(errno);
    ::unlink(temporary.constData());
    problem = QStringLiteral("cannot write %1: %2; it keeps the state it had before").arg(path, error);
    return false;
}
