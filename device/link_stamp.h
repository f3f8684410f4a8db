#pragma once

#include <QString>
#include <compare>
#include <cstdint>
#include <optional>

// What tells one symbolic link from another made later under the same path:
// the link's own file and the time it was made.
struct LinkStamp
{
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t changedNs = 0;
    bool operator==(const LinkStamp &) const = default;
};

// The stamp of the symbolic link at path; nothing when path is not a link.
std::optional<LinkStamp> StampOfLink(const QString &path);
