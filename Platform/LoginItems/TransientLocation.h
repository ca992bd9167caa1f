#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// Whether a program runs from a place that goes away once it exits: a disk image or self-mounting
// archive mounted read-only under a temporary folder. A login item pointing there would start
// nothing at the next login.
namespace TransientLocation {

// True when `path` lies under one of `temporaryDirectories` and `isReadOnly` says its file
// system is mounted read-only.
bool isTransient(const QString& path, const QStringList& temporaryDirectories,
    const std::function<bool(const QString&)>& isReadOnly);
// The same for this system's temporary folders and mounts.
bool isTransient(const QString& path);
// The system's temporary folders: $TMPDIR (or Qt's temporary path), /tmp, /var/tmp.
QStringList temporaryDirectories();

} // namespace TransientLocation
