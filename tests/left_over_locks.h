#pragma once

#include <QFile>
#include <QFileInfo>
#include <QString>

#include <cerrno>
#include <csignal>

// The lock file Qt programs take for a device under /dev.
inline QString QtLockFile(const QString &device)
{
    return QFileInfo(QStringLiteral("/var/lock")).canonicalFilePath() + QStringLiteral("/LCK..")
        + device.mid(5).replace(u'/', u'_');
}

// A test that was killed while it held a port leaves the port's lock file
// behind, and a later test may be given a pseudo-terminal of the same number.
// Whoever has just made the terminal knows that nobody holds it, and removes
// a lock file of it that names a process that has ended.
inline void RemoveLeftOverLock(const QString &device)
{
    const QString path = QFileInfo(device).canonicalFilePath();
    if (!path.startsWith(QLatin1String("/dev/")))
        return;
    const QFileInfo lock(QtLockFile(path));
    QFile file(lock.filePath());
    if (lock.isSymLink() || !lock.isFile() || !file.open(QIODevice::ReadOnly))
        return;
    const qint64 pid = file.readLine().trimmed().toLongLong();
    if (pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
        file.remove();
}
