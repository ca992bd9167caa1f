#pragma once

#include <QString>

#include <optional>

// Unpacks an update archive (tar, optionally gzip-, xz-, bzip2- or zstd-compressed, or zip) with
// libarchive into an existing, empty folder.
//
// Only plain files, folders and relative symbolic links that stay inside the folder are
// accepted; an absolute path, a ".." component, a hard link, a device or a link leading out of
// the folder makes the whole archive refused. Sizes are capped so a hostile archive cannot fill
// the disk.
namespace ArchiveExtractor {

struct Limits {
    qint64 totalBytes = qint64(4) << 30;
    qint64 entries = 100000;
};

// None on success, else why the archive was refused.
std::optional<QString> extract(const QString& archivePath, const QString& destination, Limits limits = {});

} // namespace ArchiveExtractor
