#pragma once

#include <QString>

#include <optional>

// One process as one scan saw it; the counters are cumulative since the process started.
struct ProcessSample {
    qint32 pid = 0;
    QString name; // "PID <id>" when the name could not be read
    quint64 cpuTicks = 0; // user + system time, in ticks of SystemMonitor::tickNanoseconds()
    quint64 footprintBytes = 0; // resident memory
    quint64 diskRead = 0;
    quint64 diskWrite = 0;
    // When the process started, in ticks after boot; none when unknown. Tells a new process under
    // a reused id from the old one, and a process started since the previous scan.
    std::optional<quint64> startTicks;
    bool operator==(const ProcessSample&) const = default;
};
