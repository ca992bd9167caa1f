#pragma once

#include <QString>

#include <optional>

// What one process has used so far, as the kernel counts it.
struct ProcessUsage {
    qint32 pid = 0;
    // The command name, or the executable's name when the kernel cut the command name short;
    // empty when neither could be read.
    QString name;
    // User + system time in clock ticks (see ProcessUsageReader::clockTicksPerSecond).
    quint64 cpuTicks = 0;
    // When the process started, in clock ticks after boot; none when the kernel did not say.
    std::optional<quint64> startTicks;
    quint64 residentBytes = 0;
    // Bytes the process caused to be read from and written to storage; 0 when the kernel does not
    // let us see them (another user's process) or when the scan was asked not to read them.
    quint64 readBytes = 0;
    quint64 writeBytes = 0;
};
