#include "Platform/Kernel/ProcessUsageReader.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// Room for a few hundred /proc entries per directory read.
constexpr size_t listBufferSize = 32768;
// Far more than any stat or io file holds; a command line is only needed up to its first NUL.
constexpr size_t readBufferSize = 4096;

std::optional<qint32> pidFromName(const char* name)
{
    const char* end = name;
    while (*end >= '0' && *end <= '9')
        ++end;
    if (end == name || *end != '\0')
        return std::nullopt;
    qint32 pid = 0;
    const auto [stop, error] = std::from_chars(name, end, pid);
    if (error != std::errc() || stop != end || pid <= 0)
        return std::nullopt;
    return pid;
}

std::string_view baseName(std::string_view path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

size_t automaticBudget()
{
    rlimit limit {};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return 0;
    return ProcessUsageReader::budgetForLimit(limit.rlim_cur == RLIM_INFINITY ? ~quint64(0) : quint64(limit.rlim_cur));
}

} // namespace

ProcessUsageReader::Entry::Entry(Entry&& other) noexcept
    : pid(other.pid)
    , statFd(std::exchange(other.statFd, -1))
    , ioFd(std::exchange(other.ioFd, -1))
    , ioClosed(other.ioClosed)
    , named(other.named)
    , commandSize(other.commandSize)
    , name(std::move(other.name))
{
    std::memcpy(command, other.command, sizeof command);
}

ProcessUsageReader::Entry& ProcessUsageReader::Entry::operator=(Entry&& other) noexcept
{
    if (this != &other) {
        // The reader closes descriptors before it lets an entry be overwritten.
        pid = other.pid;
        statFd = std::exchange(other.statFd, -1);
        ioFd = std::exchange(other.ioFd, -1);
        ioClosed = other.ioClosed;
        named = other.named;
        commandSize = other.commandSize;
        std::memcpy(command, other.command, sizeof command);
        name = std::move(other.name);
    }
    return *this;
}

ProcessUsageReader::ProcessUsageReader(
    const QString& procRoot, long clockTicksPerSecond, long pageSize, std::optional<size_t> descriptorBudget)
    : m_ticksPerSecond(clockTicksPerSecond > 0 ? clockTicksPerSecond : ::sysconf(_SC_CLK_TCK))
    , m_pageSize(quint64(pageSize > 0 ? pageSize : ::sysconf(_SC_PAGESIZE)))
    , m_budget(descriptorBudget ? *descriptorBudget : automaticBudget())
    , m_buffer(readBufferSize)
    , m_secondBuffer(readBufferSize)
{
    if (m_ticksPerSecond <= 0)
        m_ticksPerSecond = 100;
    if (m_pageSize == 0)
        m_pageSize = 4096;
    m_rootFd = ::open(QFile::encodeName(procRoot).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_rootFd >= 0) {
        char self[32] = {};
        const ssize_t length = ::readlinkat(m_rootFd, "self", self, sizeof self - 1);
        qint32 pid = 0;
        m_ownNamespace
            = length > 0 && std::from_chars(self, self + length, pid).ptr == self + length && pid == qint32(::getpid());
    }
}

ProcessUsageReader::~ProcessUsageReader()
{
    for (Entry& entry : m_entries)
        forget(entry);
    if (m_uptimeFd >= 0)
        ::close(m_uptimeFd);
    if (m_loadFd >= 0)
        ::close(m_loadFd);
    if (m_rootFd >= 0)
        ::close(m_rootFd);
}

size_t ProcessUsageReader::budgetForLimit(quint64 softLimit)
{
    const quint64 reserve = std::max<quint64>(256, softLimit / 4);
    if (softLimit <= reserve)
        return 0;
    return size_t(std::min<quint64>(maximumKeptDescriptors, softLimit - reserve));
}

void ProcessUsageReader::listProcesses()
{
    m_pids.clear();
    if (m_rootFd < 0 || ::lseek(m_rootFd, 0, SEEK_SET) < 0)
        return;
    // The directory is read with the raw call into a buffer kept with the reader, so that listing
    // allocates nothing once the id list has its size.
    if (m_listBuffer.empty())
        m_listBuffer.resize(listBufferSize);
    for (;;) {
        const ssize_t n = ::getdents64(m_rootFd, m_listBuffer.data(), m_listBuffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        for (ssize_t offset = 0; offset < n;) {
            const auto* entry = reinterpret_cast<const dirent64*>(m_listBuffer.data() + offset);
            if (entry->d_reclen == 0)
                return;
            offset += entry->d_reclen;
            if (entry->d_type != DT_DIR && entry->d_type != DT_UNKNOWN)
                continue;
            if (const auto pid = pidFromName(entry->d_name))
                m_pids.push_back(*pid);
        }
    }
    // /proc lists processes in id order already; a captured tree need not.
    if (!std::is_sorted(m_pids.begin(), m_pids.end()))
        std::sort(m_pids.begin(), m_pids.end());
    m_pids.erase(std::unique(m_pids.begin(), m_pids.end()), m_pids.end());
    if (m_pids.size() > maximumProcesses)
        m_pids.resize(maximumProcesses);
}

std::optional<ProcessUsageReader::TaskStamp> ProcessUsageReader::readTaskStamp()
{
    if (m_rootFd < 0 || !m_ownNamespace)
        return std::nullopt;
    if (m_loadFd < 0)
        m_loadFd = ::openat(m_rootFd, "loadavg", O_RDONLY | O_CLOEXEC);
    if (m_loadFd < 0)
        return std::nullopt;
    const auto text = readAt(m_loadFd);
    return text ? parseTaskStamp(*text) : std::nullopt;
}

void ProcessUsageReader::refreshProcessList()
{
    const std::optional<TaskStamp> stamp = readTaskStamp();
    if (stamp && m_listedStamp && *stamp == *m_listedStamp) {
        // Nothing has started: the processes read last time, those that ended since drop out as
        // their reads fail.
        m_pids.clear();
        for (const Entry& entry : m_entries)
            m_pids.push_back(entry.pid);
        return;
    }
    // The stamp is taken before the listing, so that a task started while /proc is read changes
    // it for the next scan.
    listProcesses();
    ++m_listings;
    m_listedStamp = stamp;
}

void ProcessUsageReader::readUptime()
{
    m_scanUptimeTicks.reset();
    if (m_rootFd < 0)
        return;
    if (m_uptimeFd < 0)
        m_uptimeFd = ::openat(m_rootFd, "uptime", O_RDONLY | O_CLOEXEC);
    if (m_uptimeFd < 0)
        return;
    if (const auto text = readAt(m_uptimeFd))
        m_scanUptimeTicks = parseUptimeTicks(*text, m_ticksPerSecond);
}

std::optional<std::string_view> ProcessUsageReader::readAt(int fd)
{
    // One read at offset 0 returns the whole text of a /proc file that fits the buffer; the
    // kernel writes it anew for every read from the start. An empty answer is no answer.
    for (;;) {
        const ssize_t n = ::pread(fd, m_buffer.data(), m_buffer.size(), 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return std::nullopt;
        return std::string_view(m_buffer.data(), size_t(n));
    }
}

void ProcessUsageReader::closeDescriptor(int& fd)
{
    if (fd < 0)
        return;
    ::close(fd);
    fd = -1;
    --m_kept;
}

void ProcessUsageReader::forget(Entry& entry)
{
    closeDescriptor(entry.statFd);
    closeDescriptor(entry.ioFd);
    entry.ioClosed = false;
    entry.named = false;
    entry.commandSize = 0;
}

std::optional<std::string_view> ProcessUsageReader::readOnce(qint32 pid, const char* file)
{
    char path[64];
    const int length = std::snprintf(path, sizeof path, "%d/%s", pid, file);
    if (length <= 0 || size_t(length) >= sizeof path)
        return std::nullopt;
    const int fd = ::openat(m_rootFd, path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    const auto text = readAt(fd);
    ::close(fd);
    return text;
}

std::optional<std::string_view> ProcessUsageReader::read(qint32 pid, const char* file, int& fd)
{
    if (fd >= 0) {
        if (const auto text = readAt(fd))
            return text;
        // The process this descriptor was opened for has ended.
        closeDescriptor(fd);
        return std::nullopt;
    }
    if (m_kept >= m_budget)
        return readOnce(pid, file);
    char path[64];
    const int length = std::snprintf(path, sizeof path, "%d/%s", pid, file);
    if (length <= 0 || size_t(length) >= sizeof path)
        return std::nullopt;
    const int opened = ::openat(m_rootFd, path, O_RDONLY | O_CLOEXEC);
    if (opened < 0)
        return std::nullopt;
    fd = opened;
    ++m_kept;
    const auto text = readAt(fd);
    if (!text)
        closeDescriptor(fd);
    return text;
}

std::string_view ProcessUsageReader::executableName(qint32 pid)
{
    char path[32];
    std::snprintf(path, sizeof path, "%d/exe", pid);
    const ssize_t length = ::readlinkat(m_rootFd, path, m_secondBuffer.data(), m_secondBuffer.size());
    if (length > 0 && size_t(length) < m_secondBuffer.size()) {
        std::string_view target(m_secondBuffer.data(), size_t(length));
        constexpr std::string_view deleted = " (deleted)";
        if (target.ends_with(deleted))
            target.remove_suffix(deleted.size());
        return baseName(target);
    }
    // Another user's executable link cannot be read, but the command line can.
    const auto cmdline = readOnce(pid, "cmdline");
    if (!cmdline)
        return {};
    const std::string_view program = programName(*cmdline);
    const size_t count = std::min(program.size(), m_secondBuffer.size());
    std::copy_n(program.data(), count, m_secondBuffer.data());
    return std::string_view(m_secondBuffer.data(), count);
}

bool ProcessUsageReader::readProcess(Entry& entry, bool diskCounters, ProcessUsage& usage)
{
    const bool wasKept = entry.statFd >= 0;
    auto text = read(entry.pid, "stat", entry.statFd);
    if (!text && wasKept) {
        // The process the entry was made for has ended, yet its id is listed: a new process may
        // have it already, and it is read as a stranger.
        forget(entry);
        text = read(entry.pid, "stat", entry.statFd);
    }
    if (!text)
        return false;
    const auto stat = parseStat(*text);
    if (!stat)
        return false;
    usage.pid = entry.pid;
    usage.cpuTicks = stat->cpuTicks;
    usage.startTicks = stat->startTicks;
    if (__builtin_mul_overflow(stat->residentPages, m_pageSize, &usage.residentBytes))
        usage.residentBytes = ~quint64(0);

    // The name is worked out again only when the command name changed (a new program was run).
    const size_t commandSize = std::min(stat->command.size(), keptCommandLength);
    if (!entry.named || entry.commandSize != commandSize
        || std::memcmp(entry.command, stat->command.data(), commandSize) != 0) {
        // The command name lives in m_buffer, which the reads for the executable's name reuse.
        std::copy_n(stat->command.data(), commandSize, entry.command);
        entry.commandSize = quint8(commandSize);
        const std::string_view command(entry.command, commandSize);
        // Only a name of exactly the kept length may have been cut; no program has a longer one.
        entry.name = displayName(
            command, stat->command.size() == commandLength ? executableName(entry.pid) : std::string_view());
        entry.named = true;
    }
    usage.name = entry.name;

    usage.readBytes = 0;
    usage.writeBytes = 0;
    if (!diskCounters) {
        // Left open, the io files would hold descriptors that nothing reads.
        closeDescriptor(entry.ioFd);
    } else if (!entry.ioClosed) {
        const bool ioKept = entry.ioFd >= 0;
        const auto io = read(entry.pid, "io", entry.ioFd);
        if (!io && !ioKept)
            entry.ioClosed = true;
        if (io) {
            if (const auto bytes = parseIo(*io)) {
                usage.readBytes = bytes->first;
                usage.writeBytes = bytes->second;
            }
        }
    }
    return true;
}

void ProcessUsageReader::scan(std::vector<ProcessUsage>& out, bool diskCounters)
{
    out.clear();
    readUptime();
    refreshProcessList();
    // Both lists are in id order: one pass pairs each listed id with the entry it had, and
    // closes the entries of processes that are no longer listed.
    m_next.clear();
    size_t old = 0;
    for (const qint32 pid : m_pids) {
        while (old < m_entries.size() && m_entries[old].pid < pid)
            forget(m_entries[old++]);
        if (old < m_entries.size() && m_entries[old].pid == pid)
            m_next.push_back(std::move(m_entries[old++]));
        else
            m_next.emplace_back(pid);
        out.emplace_back();
        if (!readProcess(m_next.back(), diskCounters, out.back())) {
            forget(m_next.back());
            m_next.pop_back();
            out.pop_back();
        }
    }
    while (old < m_entries.size())
        forget(m_entries[old++]);
    std::swap(m_entries, m_next);
}
