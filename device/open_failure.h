#pragma once

#include <QString>

// Why the last attempt to open a serial port failed, as far as it is known;
// made with what is known, as OpenFailure{.reason = Reason::InUse, .pid = pid}.
struct OpenFailure
{
    enum class Reason {
        Unknown,
        NoSuchPort,
        NotSerialPort,
        PermissionDenied,
        InUse,
        StaleLock,
        LockNotRegularFile,
        NotConfigured,
    };

    Reason reason = Reason::Unknown;
    // PermissionDenied: the group whose members may use the device, or empty.
    QString group{};
    // InUse: the process holding the port, 0 when it is not known.
    qint64 pid = 0;
    // StaleLock: the lock file that names no running program.
    // LockNotRegularFile: the lock file that is something else than a file.
    QString lockFile{};
};

// One short sentence that tells the user why, or an empty text when the
// reason is not known. It follows "Connection failed." in the tester.
QString OpenFailureSentence(const OpenFailure &failure);
