#include "Platform/Kernel/PerformanceCores.h"

#include "Platform/Files/DirectoryEntries.h"
#include "Platform/Kernel/CpuTopologySource.h"

#include <QDir>
#include <QFile>

#include <map>

namespace PerformanceCores {
namespace {

std::optional<QString> readText(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return QString::fromLatin1(file.read(65536)).trimmed();
}

} // namespace

QList<int> cpus(const QString& sysRoot)
{
    if (QFile::exists(sysRoot + QStringLiteral("/devices/cpu_atom/cpus"))) {
        if (const auto text = readText(sysRoot + QStringLiteral("/devices/cpu_core/cpus")))
            return CpuTopologySource::cpusInList(*text).value_or(QList<int>());
        return {};
    }

    const QDir cpuDir(sysRoot + QStringLiteral("/devices/system/cpu"));
    std::map<long, QList<int>, std::greater<>> byCapacity;
    const QStringList entries = DirectoryEntries::matching(cpuDir, u"cpu", {}, QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        bool numbered = false;
        const int number = QStringView(entry).mid(3).toInt(&numbered);
        if (!numbered || number < 0)
            continue;
        const auto text = readText(cpuDir.filePath(entry) + QStringLiteral("/cpu_capacity"));
        bool ok = false;
        const long capacity = text ? text->toLong(&ok) : 0;
        if (ok && capacity > 0)
            byCapacity[capacity].append(number);
    }
    if (byCapacity.size() < 2)
        return {};
    QList<int> fastest = byCapacity.begin()->second;
    std::sort(fastest.begin(), fastest.end());
    return fastest;
}

} // namespace PerformanceCores
