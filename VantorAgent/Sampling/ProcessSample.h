#pragma once

#include <QString>

// One process as one scan saw it; the counters are cumulative since the process started.
struct ProcessSample {
    qint32 pid = 0;
    QString name; // "PID <id>" when the name could not be read
    quint64 cpuTicks = 0; // user + system time, in ticks of SystemMonitor::tickNanoseconds()
    quint64 footprintBytes = 0; // resident memory
    quint64 diskRead = 0;
    quint64 diskWrite = 0;
    bool operator==(const ProcessSample&) const = default;
};
