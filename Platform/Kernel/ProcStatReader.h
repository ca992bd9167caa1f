#pragma once

#include "Platform/Kernel/ProcFile.h"

#include <QString>

#include <vector>

// Cumulative time counters of one "cpu" line of /proc/stat, in clock ticks. Guest time is already
// counted inside user and nice, so it is not kept.
struct CpuTimes {
    quint64 user = 0;
    quint64 nice = 0;
    quint64 system = 0;
    quint64 idle = 0;
    quint64 iowait = 0;
    quint64 irq = 0;
    quint64 softirq = 0;
    quint64 steal = 0;

    quint64 idleTotal() const { return idle + iowait; }
    quint64 total() const { return user + nice + system + idle + iowait + irq + softirq + steal; }
    bool operator==(const CpuTimes&) const = default;
};

// The whole machine's and each processor's counters from <procRoot>/stat.
class ProcStatReader {
public:
    explicit ProcStatReader(const QString& procRoot = QStringLiteral("/proc"));

    // Fills `whole` from the "cpu" line and `cores` (resized, its capacity kept) from the "cpuN"
    // lines in file order. False, with `whole` untouched, when the file or its "cpu" line cannot be
    // read; a malformed processor line leaves `cores` empty.
    // `numbers`, when given, receives each processor line's CPU number (offline CPUs have no line,
    // so positions and numbers differ once one is offline).
    bool read(CpuTimes& whole, std::vector<CpuTimes>& cores, std::vector<int>* numbers = nullptr);

    // The same over a text already in memory.
    static bool parse(
        std::string_view text, CpuTimes& whole, std::vector<CpuTimes>& cores, std::vector<int>* numbers = nullptr);

private:
    ProcFile m_file;
};
