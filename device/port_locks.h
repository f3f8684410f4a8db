#pragma once

#include "device/open_failure.h"

#include <QString>
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

// Takes flock(LOCK_EX | LOCK_NB) on the open port, held until it is closed.
// When another program holds it: in use, naming that program where the
// kernel tells it.
std::optional<OpenFailure> TakeDeviceFlock(int fd);
