#pragma once

#include "device/open_failure.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// Other programs' claims on a port: UUCP lock files (LCK..name in /var/lock
// and /run/lock) and flock on the device itself. Lock files are only read
// here; a lock this program did not write is never changed or removed.

// What the lock files of the device say against opening it: in use when one
// names a running process, cannot be read, is not a regular file, or is still
// being written (names no process yet and was changed moments ago); stale
// when one names no running process. A lock written by one of this package's
// programs whose process has ended stands in no one's way; opening the port
// replaces it. Nothing here blocks, whatever is found at a lock file's path.
std::optional<OpenFailure> LockFileRefusal(const QString &deviceName);

// Takes the device's own exclusive lock (flock on POSIX) on the open port,
// given by its native handle, held until it is closed. When another program
// holds it: in use, naming that program where the system tells it.
std::optional<OpenFailure> TakeDeviceLock(qintptr port);

// The rules apart from the system.

// The names other programs give the device's lock: Qt's (the path below /dev
// with '/' made '_') and the UUCP one (the last part of the path), for the
// name as given and for the device it leads to.
QStringList LockFileNames(const QString &deviceName);

// What the lock file at path, holding `content` and last changed ageSeconds
// ago, says against opening the device; isRunning tells whether a process
// runs.
std::optional<OpenFailure> RefusalOfLockContent(const QByteArray &content, qint64 ageSeconds, const QString &path,
                                                const std::function<bool(qint64 pid)> &isRunning);
