#pragma once

#include "Platform/Storage/VolumeInfo.h"

#include <QString>

#include <optional>
#include <string_view>

// The volume the system runs from.
namespace RootVolume {

// The volume's size and what the user may still write, from the file system's block counts
// (statvfs), as df and the desktop's file managers show them:
//   total     = blocks × unit (df's Size, what the partition table and the file managers call
//               the disk's size)
//   available = blocks available to unprivileged users × unit (df's Avail)
// The superuser's reserve is part of the size but never available, so usage (1 − available /
// total) counts it as taken, as the file managers do.
VolumeInfo capacity(quint64 blocks, quint64 availableBlocks, quint64 unit);

// Capacity of the file system holding `path`, named by its label; none when the file system
// cannot be asked. Blocks on a hung network file system, so call it off the main thread.
std::optional<VolumeInfo> query(const QString& path = QStringLiteral("/"),
    const QString& procRoot = QStringLiteral("/proc"), const QString& devRoot = QStringLiteral("/dev"));

// The label of the file system mounted at "/", from <procRoot>/self/mountinfo and the links in
// <devRoot>/disk/by-label; none when it has no label or cannot be told.
std::optional<QString> rootLabel(
    const QString& procRoot = QStringLiteral("/proc"), const QString& devRoot = QStringLiteral("/dev"));

// The device that is mounted at "/" according to the text of a mountinfo file, as written there
// (octal escapes undone); the last such mount wins, as it hides the earlier ones.
struct RootMount {
    QString source;
    quint32 major = 0;
    quint32 minor = 0;
};
std::optional<RootMount> parseRootMount(std::string_view mountinfo);

// Undoes udev's "\xNN" escapes of a by-label link name ("My\x20Disk" → "My Disk").
QString decodeLabel(std::string_view name);

} // namespace RootVolume
