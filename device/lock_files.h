#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// What the system tells of lock files and of the processes they name.

// The directories where serial devices' lock files are kept, canonical and
// each once; none where the system keeps no such files.
QStringList LockFileDirectories();

struct LockFile
{
    enum class Kind { Absent, RegularFile, NotRegularFile, Unreadable };

    Kind kind = Kind::Absent;
    // RegularFile: its first bytes, as many as any lock file holds, and how
    // many seconds ago it was last changed.
    QByteArray start;
    qint64 ageSeconds = 0;
};

// The lock file at path, read without blocking or following a link.
LockFile ReadLockFile(const QString &path);

// A process another user owns is running too, though it may not be signalled.
bool IsProcessRunning(qint64 pid);
