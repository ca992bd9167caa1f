#include "Platform/Kernel/ProcessUsageReader.h"

#include "Platform/Kernel/ProcFile.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

// The kernel keeps this many bytes of a command name (TASK_COMM_LEN less the NUL).
constexpr size_t commandLength = 15;

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

} // namespace

ProcessUsageReader::ProcessUsageReader(const QString& procRoot, long clockTicksPerSecond, long pageSize)
    : m_ticksPerSecond(clockTicksPerSecond > 0 ? clockTicksPerSecond : ::sysconf(_SC_CLK_TCK))
    , m_pageSize(quint64(pageSize > 0 ? pageSize : ::sysconf(_SC_PAGESIZE)))
    , m_buffer(4096)
    , m_secondBuffer(4096)
{
    if (m_ticksPerSecond <= 0)
        m_ticksPerSecond = 100;
    if (m_pageSize == 0)
        m_pageSize = 4096;
    m_rootFd = ::open(QFile::encodeName(procRoot).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

ProcessUsageReader::~ProcessUsageReader()
{
    if (m_rootFd >= 0)
        ::close(m_rootFd);
}

void ProcessUsageReader::listProcesses()
{
    m_pids.clear();
    if (m_rootFd < 0 || ::lseek(m_rootFd, 0, SEEK_SET) < 0)
        return;
    // The directory is read with the raw call into the kept buffer, so that listing allocates
    // nothing once the id list has its size.
    for (;;) {
        const ssize_t n = ::getdents64(m_rootFd, m_buffer.data(), m_buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        for (ssize_t offset = 0; offset < n;) {
            const auto* entry = reinterpret_cast<const dirent64*>(m_buffer.data() + offset);
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

std::optional<std::string_view> ProcessUsageReader::readFile(qint32 pid, const char* file)
{
    char path[64];
    const int length = std::snprintf(path, sizeof path, "%d/%s", pid, file);
    if (length <= 0 || size_t(length) >= sizeof path)
        return std::nullopt;
    const int fd = ::openat(m_rootFd, path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    size_t filled = 0;
    for (;;) {
        if (filled == m_buffer.size()) {
            // No per-process file we read is anywhere near this; a larger one is not the kernel's.
            if (m_buffer.size() >= (size_t(1) << 20)) {
                ::close(fd);
                return std::nullopt;
            }
            m_buffer.resize(m_buffer.size() * 2);
        }
        const ssize_t n = ::read(fd, m_buffer.data() + filled, m_buffer.size() - filled);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0)
            break;
        filled += size_t(n);
    }
    ::close(fd);
    return std::string_view(m_buffer.data(), filled);
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
    const auto cmdline = readFile(pid, "cmdline");
    if (!cmdline)
        return {};
    const std::string_view program = programName(*cmdline);
    const size_t count = std::min(program.size(), m_secondBuffer.size());
    std::copy_n(program.data(), count, m_secondBuffer.data());
    return std::string_view(m_secondBuffer.data(), count);
}

void ProcessUsageReader::scan(std::vector<ProcessUsage>& out)
{
    out.clear();
    listProcesses();
    out.reserve(m_pids.size());
    for (const qint32 pid : m_pids) {
        const auto statText = readFile(pid, "stat");
        if (!statText)
            continue;
        const auto stat = parseStat(*statText);
        if (!stat)
            continue;
        ProcessUsage usage;
        usage.pid = pid;
        usage.cpuTicks = stat->cpuTicks;
        // The command name lives in m_buffer, which the next reads reuse.
        char command[commandLength + 1];
        const size_t commandSize = std::min(stat->command.size(), sizeof command);
        std::copy_n(stat->command.data(), commandSize, command);
        const std::string_view commandName(command, commandSize);

        // Anyone may read statm; failing to means the process has just ended.
        const auto statm = readFile(pid, "statm");
        if (!statm)
            continue;
        usage.residentBytes = parseStatmResident(*statm).value_or(0) * m_pageSize;
        if (const auto io = readFile(pid, "io")) {
            if (const auto bytes = parseIo(*io)) {
                usage.readBytes = bytes->first;
                usage.writeBytes = bytes->second;
            }
        }
        usage.name
            = displayName(commandName, commandName.size() >= commandLength ? executableName(pid) : std::string_view());
        out.push_back(std::move(usage));
    }
}

std::optional<ProcessUsageReader::Stat> ProcessUsageReader::parseStat(std::string_view text)
{
    const size_t open = text.find('(');
    const size_t close = text.rfind(')');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open)
        return std::nullopt;
    Stat stat;
    stat.command = text.substr(open + 1, close - open - 1);
    std::string_view rest = text.substr(close + 1);
    // After the name: state (field 3), ppid (4), … utime (14), stime (15).
    constexpr int utimeIndex = 14 - 3;
    quint64 ticks = 0;
    for (int index = 0; index <= utimeIndex + 1; ++index) {
        ProcParse::skipBlanks(rest);
        if (index < utimeIndex) {
            const size_t end = rest.find_first_of(" \t\n");
            if (end == 0 || rest.empty())
                return std::nullopt;
            rest.remove_prefix(end == std::string_view::npos ? rest.size() : end);
            continue;
        }
        const auto value = ProcParse::unsignedNumber(rest);
        if (!value)
            return std::nullopt;
        if (__builtin_add_overflow(ticks, *value, &ticks))
            ticks = ~quint64(0);
    }
    stat.cpuTicks = ticks;
    return stat;
}

std::optional<quint64> ProcessUsageReader::parseStatmResident(std::string_view text)
{
    if (!ProcParse::unsignedNumber(text))
        return std::nullopt;
    return ProcParse::unsignedNumber(text);
}

std::optional<std::pair<quint64, quint64>> ProcessUsageReader::parseIo(std::string_view text)
{
    std::optional<quint64> read, written;
    while (!text.empty()) {
        std::string_view line = ProcParse::nextLine(text);
        if (line.starts_with("read_bytes:")) {
            line.remove_prefix(11);
            read = ProcParse::unsignedNumber(line);
        } else if (line.starts_with("write_bytes:")) {
            line.remove_prefix(12);
            written = ProcParse::unsignedNumber(line);
        }
    }
    if (!read || !written)
        return std::nullopt;
    return std::pair {*read, *written};
}

QString ProcessUsageReader::displayName(std::string_view command, std::string_view executable)
{
    const std::string_view chosen
        = command.size() >= commandLength && executable.size() > command.size() && executable.starts_with(command)
        ? executable
        : command;
    return QString::fromUtf8(chosen.data(), qsizetype(chosen.size()));
}

std::string_view ProcessUsageReader::programName(std::string_view cmdline)
{
    const size_t nul = cmdline.find('\0');
    return baseName(nul == std::string_view::npos ? cmdline : cmdline.substr(0, nul));
}
