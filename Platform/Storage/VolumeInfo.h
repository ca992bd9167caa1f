#pragma once

#include <QString>

#include <optional>

// The capacity of one mounted volume.
struct VolumeInfo {
    qint64 total = 0; // bytes
    qint64 available = 0; // bytes an ordinary user may still write
    std::optional<QString> name; // the file system's label, when it has one
    bool operator==(const VolumeInfo&) const = default;
};
