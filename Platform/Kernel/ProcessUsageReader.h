#pragma once

#include "Platform/Kernel/ProcessUsage.h"

#include <QString>

#include <optional>
#include <string_view>
#include <vector>

// Reads processor time, resident memory and storage traffic of every process from a /proc file
// system. One reader is meant to be kept and used for scan after scan.
//
// Walking a path under /proc costs the kernel far more than producing the text, so each process's
// files are opened once and read again at offset 0 on every scan (the kernel writes the text anew
// on each read). A descriptor belongs to the process it was opened for: once that process has
// ended, reading it fails, so an id the kernel has handed to a new process can never be read as
// the old one. At most descriptorBudget() descriptors are kept; processes beyond it are read by
// opening and closing their files, as a reader without kept descriptors would.
//
// Listing /proc is the other cost of a scan, so it is left out while no task can have started:
// <root>/loadavg ends with the task count and the id the kernel handed out last, and while both
// are as they were at the last listing, the processes are those read last time less those that
// have ended. That holds only for the /proc of this process's own pid namespace (the id is of the
// reader's namespace), so the shortcut is taken only when <root>/self names this process.
//
// The process list, the entries and the read buffer are reused, and a process's display name is
// worked out only when its command name changes, so a steady scan allocates nothing.
//
// Not thread-safe; use one reader from one thread at a time.
class ProcessUsageReader {
public:
    // At most this many processes are read per scan (the lowest ids).
    static constexpr size_t maximumProcesses = 8192;
    // Every kept /proc file also holds a page of kernel memory, so the automatic budget stops here
    // however high the open-file limit is.
    static constexpr size_t maximumKeptDescriptors = 4096;

    // `clockTicksPerSecond` and `pageSize` of 0 ask the system; a `descriptorBudget` of none
    // derives it from the open-file limit at construction (see budgetForLimit).
    explicit ProcessUsageReader(const QString& procRoot = QStringLiteral("/proc"), long clockTicksPerSecond = 0,
        long pageSize = 0, std::optional<size_t> descriptorBudget = std::nullopt);
    ~ProcessUsageReader();
    ProcessUsageReader(const ProcessUsageReader&) = delete;
    ProcessUsageReader& operator=(const ProcessUsageReader&) = delete;

    // Replaces `out` with one entry per readable process, in ascending id order. A process that
    // ends during the scan is left out. Storage counters are read only with `diskCounters`; one
    // whose io file is closed to us is kept with its storage counters at 0.
    void scan(std::vector<ProcessUsage>& out, bool diskCounters = true);

    long clockTicksPerSecond() const { return m_ticksPerSecond; }
    // The time since boot when the last scan began, in clock ticks; none when <root>/uptime
    // could not be read. Start times of processes are in the same clock.
    std::optional<quint64> lastScanUptimeTicks() const { return m_scanUptimeTicks; }
    size_t keptDescriptors() const { return m_kept; }
    size_t descriptorBudget() const { return m_budget; }
    // The descriptors to keep under a soft open-file limit: a quarter of it (at least 256) is
    // left for everything else the program opens, and at most maximumKeptDescriptors are kept.
    static size_t budgetForLimit(quint64 softLimit);

    // The fields of <pid>/stat that a scan uses.
    struct Stat {
        std::string_view command; // between the first "(" and the last ")"
        quint64 cpuTicks = 0; // utime + stime
        std::optional<quint64> startTicks; // starttime; none when missing
        quint64 residentPages = 0; // rss; 0 when missing
    };
    // The command name is taken between the first "(" and the last ")", and the numbers are
    // counted after the last ")", so a name with blanks or parentheses cannot shift them.
    // Processor time is required; the later fields are not.
    static std::optional<Stat> parseStat(std::string_view text);
    // read_bytes and write_bytes of <pid>/io; none when either is missing.
    static std::optional<std::pair<quint64, quint64>> parseIo(std::string_view text);
    // The task count and the id handed out last: the fourth field's figure after "/" and the fifth
    // field of <root>/loadavg ("0.12 0.30 0.25 2/431 8810"). None when either is missing.
    struct TaskStamp {
        quint64 tasks = 0;
        quint64 lastId = 0;
        bool operator==(const TaskStamp&) const = default;
    };
    static std::optional<TaskStamp> parseTaskStamp(std::string_view text);
    // How many scans so far listed /proc (the rest reused the last list).
    size_t listings() const { return m_listings; }
    // Seconds since boot, the first figure of <root>/uptime, in clock ticks.
    static std::optional<quint64> parseUptimeTicks(std::string_view text, long ticksPerSecond);
    // The name to show: the command name, unless the kernel cut it at 15 bytes and the
    // executable's base name begins with it, in which case the executable's name.
    static QString displayName(std::string_view command, std::string_view executable);
    // The base name of the first argument of a NUL-separated command line.
    static std::string_view programName(std::string_view cmdline);

private:
    // The kernel keeps this many bytes of a program's command name (TASK_COMM_LEN less the NUL).
    static constexpr size_t commandLength = 15;
    // Kernel workers show longer names, with the work they do at the moment after a dash
    // ("kworker/u8:1-events_unbound"); they are kept whole, so that one is shown as it is and a
    // change of work is not mistaken for a cut name.
    static constexpr size_t keptCommandLength = 63;

    struct Entry {
        explicit Entry(qint32 id = 0)
            : pid(id)
        {
        }
        Entry(Entry&& other) noexcept;
        Entry& operator=(Entry&& other) noexcept;
        Entry(const Entry&) = delete;
        Entry& operator=(const Entry&) = delete;

        qint32 pid;
        int statFd = -1;
        int ioFd = -1;
        // The io file could not be opened (another user's process): not tried again while the
        // process lives.
        bool ioClosed = false;
        // The command name `name` was made from; the name is worked out again when it changes.
        bool named = false;
        quint8 commandSize = 0;
        char command[keptCommandLength + 1] = {};
        QString name;
    };

    // Reads <pid>/<file> through `fd`: a kept descriptor is read again; without one the file is
    // opened, and kept when the budget allows. None when it cannot be read.
    std::optional<std::string_view> read(qint32 pid, const char* file, int& fd);
    // Opens <pid>/<file> and reads it whole into m_buffer, then closes it.
    std::optional<std::string_view> readOnce(qint32 pid, const char* file);
    std::optional<std::string_view> readAt(int fd);
    bool readProcess(Entry& entry, bool diskCounters, ProcessUsage& usage);
    void forget(Entry& entry);
    void closeDescriptor(int& fd);
    std::string_view executableName(qint32 pid);
    void listProcesses();
    // Lists /proc unless no task can have started since the last listing, in which case the
    // entries of the last scan are read again.
    void refreshProcessList();
    void readUptime();
    std::optional<TaskStamp> readTaskStamp();

    int m_rootFd = -1;
    int m_uptimeFd = -1;
    int m_loadFd = -1;
    // <root>/self names this process: the task stamp speaks for this /proc.
    bool m_ownNamespace = false;
    std::optional<TaskStamp> m_listedStamp;
    size_t m_listings = 0;
    long m_ticksPerSecond;
    quint64 m_pageSize;
    size_t m_budget;
    size_t m_kept = 0;
    std::optional<quint64> m_scanUptimeTicks;
    std::vector<qint32> m_pids;
    // Sorted by id; m_next is filled during a scan and swapped in, so both keep their capacity.
    std::vector<Entry> m_entries;
    std::vector<Entry> m_next;
    std::vector<char> m_listBuffer;
    std::vector<char> m_buffer;
    std::vector<char> m_secondBuffer;
};
