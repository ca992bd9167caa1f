// The parsers of a process's /proc files; they allocate nothing but the display name.
#include "Platform/Kernel/ProcessUsageReader.h"

#include "Platform/Kernel/ProcFile.h"

namespace {

std::string_view baseName(std::string_view path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// Skips one blank-separated field; false when there is none.
// A plain loop: find_first_of with a set of three tests every byte against the set one by one,
// and this runs twenty times per process on every scan.
bool skipField(std::string_view& text)
{
    ProcParse::skipBlanks(text);
    size_t end = 0;
    while (end < text.size() && text[end] != ' ' && text[end] != '\t' && text[end] != '\n')
        ++end;
    if (end == 0)
        return false;
    text.remove_prefix(end);
    return true;
}

} // namespace

std::optional<ProcessUsageReader::Stat> ProcessUsageReader::parseStat(std::string_view text)
{
    const size_t open = text.find('(');
    const size_t close = text.rfind(')');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open)
        return std::nullopt;
    Stat stat;
    stat.command = text.substr(open + 1, close - open - 1);
    std::string_view rest = text.substr(close + 1);
    // Fields after the name, counted from state (field 3): utime (14), stime (15), starttime
    // (22), rss (24).
    constexpr int first = 3;
    int field = first;
    for (; field < 14; ++field)
        if (!skipField(rest))
            return std::nullopt;
    quint64 ticks = 0;
    for (; field <= 15; ++field) {
        const auto value = ProcParse::unsignedNumber(rest);
        if (!value)
            return std::nullopt;
        if (__builtin_add_overflow(ticks, *value, &ticks))
            ticks = ~quint64(0);
    }
    stat.cpuTicks = ticks;
    // The later figures are optional: a line cut short still tells the processor time.
    for (; field < 22; ++field)
        if (!skipField(rest))
            return stat;
    stat.startTicks = ProcParse::unsignedNumber(rest);
    if (!stat.startTicks)
        return stat;
    ++field;
    for (; field < 24; ++field)
        if (!skipField(rest))
            return stat;
    // rss is signed in the kernel's format; a negative or garbled one counts as nothing.
    stat.residentPages = ProcParse::unsignedNumber(rest).value_or(0);
    return stat;
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

std::optional<ProcessUsageReader::TaskStamp> ProcessUsageReader::parseTaskStamp(std::string_view text)
{
    // Three load averages, then "running/total", then the last id.
    for (int field = 0; field < 3; ++field) {
        ProcParse::skipBlanks(text);
        const size_t end = text.find_first_of(" \t\n");
        if (end == std::string_view::npos || end == 0)
            return std::nullopt;
        text.remove_prefix(end);
    }
    if (!ProcParse::unsignedNumber(text) || text.empty() || text.front() != '/')
        return std::nullopt;
    text.remove_prefix(1);
    const auto tasks = ProcParse::unsignedNumber(text);
    const auto lastId = ProcParse::unsignedNumber(text);
    if (!tasks || !lastId)
        return std::nullopt;
    return TaskStamp {*tasks, *lastId};
}

std::optional<quint64> ProcessUsageReader::parseUptimeTicks(std::string_view text, long ticksPerSecond)
{
    if (ticksPerSecond <= 0)
        return std::nullopt;
    // Whole seconds and the fraction are taken apart, so that 12.34 s is exactly 1234 ticks at
    // 100 a second rather than a hair less.
    const auto seconds = ProcParse::unsignedNumber(text);
    if (!seconds)
        return std::nullopt;
    quint64 nanoseconds = 0;
    if (!text.empty() && text.front() == '.') {
        text.remove_prefix(1);
        quint64 scale = 100000000;
        while (!text.empty() && text.front() >= '0' && text.front() <= '9') {
            nanoseconds += quint64(text.front() - '0') * scale;
            scale /= 10;
            text.remove_prefix(1);
        }
    }
    quint64 ticks = 0;
    if (__builtin_mul_overflow(*seconds, quint64(ticksPerSecond), &ticks)
        || __builtin_add_overflow(ticks, nanoseconds * quint64(ticksPerSecond) / 1000000000, &ticks))
        return std::nullopt;
    return ticks;
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
