#include "Platform/Kernel/ProcessTable.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <limits>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr qsizetype kBufferSize = 4096;
const QByteArray kDeletedMark = QByteArrayLiteral(" (deleted)");

template <typename T> std::optional<T> parseDecimal(QByteArrayView text)
{
    T value {};
    const char* begin = text.data();
    const char* end = begin + text.size();
    if (begin == end)
        return std::nullopt;
    const auto [stop, error] = std::from_chars(begin, end, value);
    if (error != std::errc() || stop != end)
        return std::nullopt;
    return value;
}

} // namespace

ProcessTable::ProcessTable(QString procRoot, long clockTicksPerSecond)
    : m_root(QFile::encodeName(procRoot))
    , m_ticks(clockTicksPerSecond > 0 ? clockTicksPerSecond : ::sysconf(_SC_CLK_TCK))
{
    if (!m_root.endsWith('/'))
        m_root.append('/');
    m_buffer.resize(kBufferSize);
}

QList<qint32> ProcessTable::pids() const
{
    QList<qint32> result;
    DIR* dir = ::opendir(m_root.constData());
    if (!dir)
        return result;
    while (const dirent* entry = ::readdir(dir)) {
        const auto pid = parseDecimal<qint32>(QByteArrayView(entry->d_name));
        if (pid && *pid > 0)
            result.append(*pid);
    }
    ::closedir(dir);
    std::sort(result.begin(), result.end());
    return result;
}

std::optional<QString> ProcessTable::executablePath(qint32 pid)
{
    const QByteArray link = m_root + QByteArray::number(pid) + "/exe";
    // The buffer is shared with file reads, which size it to their content.
    m_buffer.resize(kBufferSize);
    const ssize_t length = ::readlink(link.constData(), m_buffer.data(), size_t(m_buffer.size()));
    // A link that fills the whole buffer may have been cut short.
    if (length < 1 || length >= m_buffer.size())
        return std::nullopt;
    QByteArrayView path(m_buffer.constData(), qsizetype(length));
    if (path.endsWith(kDeletedMark))
        path.chop(kDeletedMark.size());
    return QString::fromUtf8(path);
}

bool ProcessTable::readFile(const QByteArray& path)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    qsizetype filled = 0;
    m_buffer.resize(kBufferSize);
    while (true) {
        if (filled == m_buffer.size())
            m_buffer.resize(m_buffer.size() * 2);
        const ssize_t n = ::read(fd, m_buffer.data() + filled, size_t(m_buffer.size() - filled));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ::close(fd);
            if (n < 0)
                return false;
            m_buffer.resize(filled);
            return true;
        }
        filled += n;
    }
}

std::optional<qint64> ProcessTable::bootTime()
{
    if (!m_bootTime)
        m_bootTime = readFile(m_root + "stat") ? bootTimeFromStat(m_buffer) : std::nullopt;
    return *m_bootTime;
}

std::optional<qint64> ProcessTable::startTime(qint32 pid)
{
    const auto boot = bootTime();
    if (!boot || m_ticks <= 0 || !readFile(m_root + QByteArray::number(pid) + "/stat"))
        return std::nullopt;
    const auto ticks = startTicks(m_buffer);
    if (!ticks)
        return std::nullopt;
    // Whole seconds and the remainder separately, so that large tick counts cannot overflow.
    const quint64 hz = quint64(m_ticks);
    const quint64 seconds = *ticks / hz;
    const quint64 micros = (*ticks % hz) * 1000000 / hz;
    qint64 total = 0;
    if (seconds > quint64(std::numeric_limits<qint64>::max() / 1000000)
        || __builtin_add_overflow(*boot, qint64(seconds), &total)
        || __builtin_mul_overflow(total, qint64(1000000), &total)
        || __builtin_add_overflow(total, qint64(micros), &total))
        return std::nullopt;
    return total;
}

std::optional<quint64> ProcessTable::startTicks(QByteArrayView stat)
{
    const qsizetype close = stat.lastIndexOf(')');
    if (close < 0)
        return std::nullopt;
    // After the name: state (field 3), ppid (4), … starttime (22).
    constexpr int kStartTimeIndex = 22 - 3;
    int index = 0;
    qsizetype pos = close + 1;
    while (pos < stat.size()) {
        while (pos < stat.size() && (stat[pos] == ' ' || stat[pos] == '\n'))
            ++pos;
        qsizetype end = pos;
        while (end < stat.size() && stat[end] != ' ' && stat[end] != '\n')
            ++end;
        if (end == pos)
            break;
        if (index == kStartTimeIndex)
            return parseDecimal<quint64>(stat.sliced(pos, end - pos));
        ++index;
        pos = end;
    }
    return std::nullopt;
}

std::optional<qint64> ProcessTable::bootTimeFromStat(QByteArrayView stat)
{
    qsizetype pos = 0;
    while (pos < stat.size()) {
        qsizetype end = stat.indexOf('\n', pos);
        if (end < 0)
            end = stat.size();
        const QByteArrayView line = stat.sliced(pos, end - pos);
        if (line.startsWith("btime "))
            return parseDecimal<qint64>(line.sliced(6).trimmed());
        pos = end + 1;
    }
    return std::nullopt;
}
