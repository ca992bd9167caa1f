#pragma once

#include "Platform/Storage/VolumeInfo.h"

#include <QString>

#include <optional>
#include <string_view>

// The volume the system runs from.
namespace RootVolume {

// The capacity a user can fill, from the file system's block counts (statvfs):
//   total     = (blocks − free blocks + blocks available to unprivileged users) × unit
//   available = blocks available to unprivileged users × unit
// The superuser's reserve is left out of both, so total − available is the space in use and
// usage reads as df's Use%.
VolumeInfo capacity(quint64 blocks, quint64 freeBlocks, quint64 availableBlocks, quint64 unit);

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
