#pragma once

#include "Platform/Kernel/ProcessUsage.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <string_view>
#include <vector>

// Reads processor time, resident memory and storage traffic of every process from a /proc file
// system. One reader is meant to be kept and used for scan after scan: the id list and the read
// buffer are reused, so a scan allocates nothing but the result and the names.
//
// Not thread-safe; use one reader from one thread at a time.
class ProcessUsageReader {
public:
    // At most this many processes are read per scan (the lowest ids).
    static constexpr size_t maximumProcesses = 8192;

    // `clockTicksPerSecond` and `pageSize` of 0 ask the system.
    explicit ProcessUsageReader(
        const QString& procRoot = QStringLiteral("/proc"), long clockTicksPerSecond = 0, long pageSize = 0);
    ~ProcessUsageReader();
    ProcessUsageReader(const ProcessUsageReader&) = delete;
    ProcessUsageReader& operator=(const ProcessUsageReader&) = delete;

    // Replaces `out` with one entry per readable process, in ascending id order. A process that
    // ends during the scan (its stat or statm file cannot be read) is left out; one whose io file
    // is closed to us is kept with its storage counters at 0.
    void scan(std::vector<ProcessUsage>& out);

    long clockTicksPerSecond() const { return m_ticksPerSecond; }

    // The fields of <pid>/stat that a scan uses.
    struct Stat {
        std::string_view command; // between the first "(" and the last ")"
        quint64 cpuTicks = 0; // utime + stime
    };
    // The command name is taken between the first "(" and the last ")", and the numbers are
    // counted after the last ")", so a name with blanks or parentheses cannot shift them.
    static std::optional<Stat> parseStat(std::string_view text);
    // Resident pages: the second field of <pid>/statm.
    static std::optional<quint64> parseStatmResident(std::string_view text);
    // read_bytes and write_bytes of <pid>/io; none when either is missing.
    static std::optional<std::pair<quint64, quint64>> parseIo(std::string_view text);
    // The name to show: the command name, unless the kernel cut it at 15 bytes and the
    // executable's base name begins with it, in which case the executable's name.
    static QString displayName(std::string_view command, std::string_view executable);
    // The base name of the first argument of a NUL-separated command line.
    static std::string_view programName(std::string_view cmdline);

private:
    // Reads <pid>/<file> into m_buffer; none when it cannot be opened or read.
    std::optional<std::string_view> readFile(qint32 pid, const char* file);
    std::string_view executableName(qint32 pid);
    void listProcesses();

    int m_rootFd = -1;
    long m_ticksPerSecond;
    quint64 m_pageSize;
    std::vector<qint32> m_pids;
    std::vector<char> m_buffer;
    std::vector<char> m_secondBuffer;
};
