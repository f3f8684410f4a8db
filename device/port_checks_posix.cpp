#include "device/port_checks.h"

#include "device/port_locks.h"
#include "device/port_name.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

// The kernel's fixed majors of pseudo-terminal slaves (/dev/pts/N).
constexpr unsigned kFirstPtySlaveMajor = 136;
constexpr unsigned kLastPtySlaveMajor = 143;

// A character device of the tty class that a driver stands behind, found
// through the kernel's list of devices by number, or a pseudo-terminal slave.
bool IsSerialTerminal(const struct stat &node)
{
    if (!S_ISCHR(node.st_mode))
        return false;
    const unsigned majorNumber = major(node.st_rdev);
    if (majorNumber >= kFirstPtySlaveMajor && majorNumber <= kLastPtySlaveMajor)
        return true;
    const QString entry = QStringLiteral("/sys/dev/char/%1:%2").arg(majorNumber).arg(minor(node.st_rdev));
    return QFileInfo(entry + QStringLiteral("/subsystem")).canonicalFilePath() == QLatin1String("/sys/class/tty")
        && QFileInfo::exists(entry + QStringLiteral("/device"));
}

// The group to join for a device its group may read and write, or empty when
// joining a group would not help.
QString GroupToJoin(const struct stat &node)
{
    const bool groupMayUse = (node.st_mode & S_IRGRP) && (node.st_mode & S_IWGRP);
    if (!groupMayUse || node.st_gid == 0)
        return {};
    const struct group *entry = ::getgrgid(node.st_gid);
    return entry ? QString::fromLocal8Bit(entry->gr_name) : QString();
}

} // namespace

std::optional<OpenFailure> RefusalBeforeOpen(const QString &deviceName)
{
    using Reason = OpenFailure::Reason;
    if (HoldsControlCharacter(deviceName))
        return OpenFailure{Reason::NotSerialPort};
    const QByteArray path = QFile::encodeName(deviceName);
    struct stat node{};
    if (::stat(path.constData(), &node) != 0)
        return OpenFailure{errno == EACCES ? Reason::PermissionDenied : Reason::NoSuchPort};
    if (!IsSerialTerminal(node))
        return OpenFailure{Reason::NotSerialPort};
    if (::faccessat(AT_FDCWD, path.constData(), R_OK | W_OK, AT_EACCESS) != 0)
        return OpenFailure{.reason = Reason::PermissionDenied, .group = GroupToJoin(node)};
    return LockFileRefusal(deviceName);
}
