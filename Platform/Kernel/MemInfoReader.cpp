#include "Platform/Kernel/MemInfoReader.h"

#include "Platform/Files/DirectoryEntries.h"

#include <QDir>

#include <array>
#include <utility>

namespace {

using Field = quint64 MemInfo::*;

constexpr std::array<std::pair<std::string_view, Field>, 16> memInfoFields {{
    {"MemTotal", &MemInfo::memTotal},
    {"MemFree", &MemInfo::memFree},
    {"MemAvailable", &MemInfo::memAvailable},
    {"Buffers", &MemInfo::buffers},
    {"Cached", &MemInfo::cached},
    {"SReclaimable", &MemInfo::sReclaimable},
    {"SUnreclaim", &MemInfo::sUnreclaim},
    {"KernelStack", &MemInfo::kernelStack},
    {"PageTables", &MemInfo::pageTables},
    {"SecPageTables", &MemInfo::secPageTables},
    {"Percpu", &MemInfo::percpu},
    {"AnonPages", &MemInfo::anonPages},
    {"Shmem", &MemInfo::shmem},
    {"Zswap", &MemInfo::zswap},
    {"SwapTotal", &MemInfo::swapTotal},
    {"SwapFree", &MemInfo::swapFree},
}};

// kB to bytes without wrapping on absurd input.
quint64 kilobytes(quint64 value)
{
    constexpr quint64 limit = ~quint64(0) / 1024;
    return value > limit ? ~quint64(0) : value * 1024;
}

} // namespace

MemInfoReader::MemInfoReader(const QString& procRoot, const QString& sysRoot)
    : m_meminfo(procRoot + QStringLiteral("/meminfo"), 8192)
    , m_vmstat(procRoot + QStringLiteral("/vmstat"), 16384)
{
    const QDir block(sysRoot + QStringLiteral("/block"));
    const QStringList devices
        = DirectoryEntries::matching(block, u"zram", {}, QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& device : devices) {
        ProcFile file(block.filePath(device) + QStringLiteral("/mm_stat"), 256);
        if (file.isOpen())
            m_zram.push_back(std::move(file));
    }
}

bool MemInfoReader::readMemInfo(MemInfo& info)
{
    const auto text = m_meminfo.read();
    return text && parseMemInfo(*text, info);
}

bool MemInfoReader::readPaging(SwapPaging& paging)
{
    const auto text = m_vmstat.read();
    return text && parsePaging(*text, paging);
}

quint64 MemInfoReader::zramCompressedBytes()
{
    quint64 sum = 0;
    for (ProcFile& file : m_zram) {
        if (const auto text = file.read())
            sum += parseZramCompressed(*text).value_or(0);
    }
    return sum;
}

bool MemInfoReader::parseMemInfo(std::string_view text, MemInfo& info)
{
    MemInfo parsed;
    bool haveTotal = false;
    while (!text.empty()) {
        std::string_view line = ProcParse::nextLine(text);
        const size_t colon = line.find(':');
        if (colon == std::string_view::npos)
            continue;
        const std::string_view key = line.substr(0, colon);
        for (const auto& [name, field] : memInfoFields) {
            if (key != name)
                continue;
            line.remove_prefix(colon + 1);
            if (const auto value = ProcParse::unsignedNumber(line)) {
                parsed.*field = kilobytes(*value);
                if (field == &MemInfo::memTotal)
                    haveTotal = true;
                else if (field == &MemInfo::memAvailable)
                    parsed.hasMemAvailable = true;
            }
            break;
        }
    }
    if (!haveTotal)
        return false;
    info = parsed;
    return true;
}

bool MemInfoReader::parsePaging(std::string_view text, SwapPaging& paging)
{
    std::optional<quint64> in, out;
    while (!text.empty() && !(in && out)) {
        std::string_view line = ProcParse::nextLine(text);
        if (!line.starts_with("pswp"))
            continue;
        if (line.starts_with("pswpin ")) {
            line.remove_prefix(7);
            in = ProcParse::unsignedNumber(line);
        } else if (line.starts_with("pswpout ")) {
            line.remove_prefix(8);
            out = ProcParse::unsignedNumber(line);
        }
    }
    if (!in || !out)
        return false;
    paging = {*in, *out};
    return true;
}

std::optional<quint64> MemInfoReader::parseZramCompressed(std::string_view text)
{
    if (!ProcParse::unsignedNumber(text))
        return std::nullopt;
    return ProcParse::unsignedNumber(text);
}
