#pragma once

#include <QString>

#include <optional>

// Facts about the machine that are read once.
namespace MachineInfo {

// The processor's model name: the first "model name" of <procRoot>/cpuinfo, else the device-tree
// model (<procRoot>/device-tree/model, as on ARM boards); none when neither is readable.
std::optional<QString> processorName(const QString& procRoot = QStringLiteral("/proc"));
// Physical memory in bytes: MemTotal of <procRoot>/meminfo, else what the C library reports.
quint64 physicalMemory(const QString& procRoot = QStringLiteral("/proc"));
// Seconds since boot, counting time spent suspended.
double uptime();

} // namespace MachineInfo
