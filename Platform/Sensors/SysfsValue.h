#pragma once

#include "Platform/Kernel/ProcFile.h"

#include <QString>

#include <optional>
#include <string_view>

// Reading the one-value attribute files of sysfs (hwmon, powercap, power_supply). Drivers write a
// decimal integer and a newline; a file that cannot be read (sensor not ready, device gone) or
// holds anything else gives no value.
namespace SysfsValue {

// The integer in `text`, surrounded by blanks or a newline at most.
std::optional<qint64> integer(std::string_view text);
// The integer in a kept-open file, read again now.
std::optional<qint64> integer(ProcFile& file);
// The integer in the file at `path`, opened for this one read.
std::optional<qint64> integer(const QString& path);
// The first line of a small text file, trimmed; empty when it cannot be read.
QByteArray text(const QString& path);

} // namespace SysfsValue
