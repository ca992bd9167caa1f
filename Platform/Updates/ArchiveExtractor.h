#pragma once

#include <QString>

#include <optional>

// Unpacks an update archive (tar, optionally gzip-, xz-, bzip2- or zstd-compressed, or zip) with
// libarchive into an existing, empty folder.
//
// Only plain files, folders and relative symbolic links that stay inside their bundle (the
// top-level folder they lie in) are accepted. Link targets are resolved by their text, against the
// link's folder and through the links before them, never by asking the file system. An absolute
// path, a ".." component, a hard link, a device, an entry written through a link, or a link whose
// target leaves its bundle makes the whole archive refused. Sizes are capped so a hostile archive cannot fill
// the disk.
namespace ArchiveExtractor {

struct Limits {
    qint64 totalBytes = qint64(4) << 30;
    qint64 entries = 100000;
};

// None on success, else why the archive was refused.
std::optional<QString> extract(const QString& archivePath, const QString& destination, Limits limits = {});

} // namespace ArchiveExtractor
