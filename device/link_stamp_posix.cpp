#include "device/link_stamp.h"

#include <QFile>
#include <sys/stat.h>

std::optional<LinkStamp> StampOfLink(const QString &path)
{
    struct stat link{};
    if (::lstat(QFile::encodeName(path).constData(), &link) != 0 || !S_ISLNK(link.st_mode))
        return std::nullopt;
    return LinkStamp{static_cast<std::uint64_t>(link.st_dev), static_cast<std::uint64_t>(link.st_ino),
                     static_cast<std::int64_t>(link.st_ctim.tv_sec) * 1000000000 + link.st_ctim.tv_nsec};
}
