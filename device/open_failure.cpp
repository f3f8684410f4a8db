#include "device/open_failure.h"

QString OpenFailureSentence(const OpenFailure &failure)
{
    using Reason = OpenFailure::Reason;
    switch (failure.reason) {
    case Reason::Unknown:
        return {};
    case Reason::NoSuchPort:
        return QStringLiteral("No such port.");
    case Reason::NotSerialPort:
        return QStringLiteral("That is not a serial port.");
    case Reason::PermissionDenied:
        if (failure.group.isEmpty())
            return QStringLiteral("Permission denied.");
        return QStringLiteral("Permission denied: join the group %1 and log in again.").arg(failure.group);
    case Reason::InUse:
        if (failure.pid <= 0)
            return QStringLiteral("It is in use by another program.");
        return QStringLiteral("It is in use by another program (PID %1).").arg(failure.pid);
    case Reason::StaleLock:
        return QStringLiteral("Its lock file %1 names no running program; remove it if the port is free.")
            .arg(failure.lockFile);
    case Reason::LockNotRegularFile:
        return QStringLiteral("Its lock file %1 is not a regular file.").arg(failure.lockFile);
    case Reason::NotConfigured:
        return QStringLiteral("The port opened but could not be configured.");
    }
    return {};
}
