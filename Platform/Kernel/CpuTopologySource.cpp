#include "Platform/Kernel/CpuTopologySource.h"

#include "Platform/Files/DirectoryEntries.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <map>

namespace CpuTopologySource {
namespace {

// A CPU number beyond any real machine: the bound keeps a corrupt range from exhausting memory.
constexpr int kMaxCpu = 1 << 16;

std::optional<QString> readText(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return QString::fromLatin1(file.read(65536)).trimmed();
}

QString join(const QString& root, const char* relative)
{
    QString path = root.isEmpty() ? QStringLiteral("/") : root;
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    return path + QLatin1String(relative);
}

std::optional<int> parseCpuNumber(QStringView text)
{
    if (text.isEmpty() || text.size() > 6)
        return std::nullopt;
    for (const QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    const int value = text.toInt();
    return value <= kMaxCpu ? std::optional<int>(value) : std::nullopt;
}

// Hybrid x86: one level per PMU that lists its CPUs.
QList<Level> hybridLevels(const QString& root)
{
    QList<Level> result;
    const std::pair<const char*, const char*> kinds[] {
        {"sys/devices/cpu_core/cpus", "Performance"},
        {"sys/devices/cpu_atom/cpus", "Efficiency"},
    };
    for (const auto& [file, name] : kinds) {
        const auto text = readText(join(root, file));
        if (!text)
            continue;
        const auto count = countInCpuList(*text);
        if (count && *count > 0)
            result.append({QLatin1String(name), *count});
    }
    return result;
}

// ARM: CPUs grouped by capacity, highest first.
QList<Level> capacityLevels(const QString& root)
{
    const QString cpuDir = join(root, "sys/devices/system/cpu");
    std::optional<QList<int>> online;
    if (const auto text = readText(cpuDir + QStringLiteral("/online")))
        online = cpusInList(*text);
    std::map<long, int, std::greater<>> byCapacity;
    const QStringList entries = DirectoryEntries::matching(QDir(cpuDir), u"cpu", {}, QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        const auto number = parseCpuNumber(QStringView(entry).mid(3));
        if (!number || (online && !online->contains(*number)))
            continue;
        const auto text = readText(cpuDir + QLatin1Char('/') + entry + QStringLiteral("/cpu_capacity"));
        if (!text)
            continue;
        bool ok = false;
        const long capacity = text->toLong(&ok);
        if (ok && capacity > 0)
            ++byCapacity[capacity];
    }
    QList<Level> result;
    for (const auto& [capacity, count] : byCapacity)
        result.append({QString(), count});
    if (result.size() == 2) {
        result[0].name = QStringLiteral("Performance");
        result[1].name = QStringLiteral("Efficiency");
    }
    return result;
}

} // namespace

std::optional<QList<int>> cpusInList(const QString& list)
{
    QList<int> cpus;
    const QString trimmed = list.trimmed();
    if (trimmed.isEmpty())
        return cpus;
    for (const QStringView piece : QStringView(trimmed).split(QLatin1Char(','))) {
        const qsizetype dash = piece.indexOf(QLatin1Char('-'));
        const auto first = parseCpuNumber(dash < 0 ? piece : piece.left(dash));
        const auto last = dash < 0 ? first : parseCpuNumber(piece.mid(dash + 1));
        if (!first || !last || *last < *first)
            return std::nullopt;
        for (int cpu = *first; cpu <= *last; ++cpu)
            cpus.append(cpu);
    }
    std::sort(cpus.begin(), cpus.end());
    cpus.erase(std::unique(cpus.begin(), cpus.end()), cpus.end());
    return cpus;
}

std::optional<int> countInCpuList(const QString& list)
{
    const auto cpus = cpusInList(list);
    return cpus ? std::optional<int>(int(cpus->size())) : std::nullopt;
}

QList<Level> levels(const QString& root)
{
    QList<Level> result = hybridLevels(root);
    if (result.isEmpty())
        result = capacityLevels(root);
    // One kind of core is not a hierarchy: treating every core as a "performance" core would
    // paint them all as the fast ones.
    if (result.size() < 2)
        return {};
    return result;
}

std::optional<int> onlineProcessors(const QString& root)
{
    const auto text = readText(join(root, "sys/devices/system/cpu/online"));
    if (!text)
        return std::nullopt;
    const auto count = countInCpuList(*text);
    return count && *count > 0 ? count : std::nullopt;
}

} // namespace CpuTopologySource
