#include "Platform/Kernel/MachineInfo.h"

#include "Platform/Kernel/MemInfoReader.h"

#include <QFile>

#include <ctime>

#include <unistd.h>

namespace MachineInfo {

std::optional<QString> processorName(const QString& procRoot)
{
    QFile cpuinfo(procRoot + QStringLiteral("/cpuinfo"));
    if (cpuinfo.open(QIODevice::ReadOnly | QIODevice::Text)) {
        // Only the first processor's block is needed, and it is near the top.
        const QByteArray head = cpuinfo.read(64 * 1024);
        for (const QByteArray& line : head.split('\n')) {
            const qsizetype colon = line.indexOf(':');
            if (colon < 0 || line.left(colon).trimmed() != "model name")
                continue;
            const QString name = QString::fromUtf8(line.mid(colon + 1)).simplified();
            if (!name.isEmpty())
                return name;
        }
    }
    QFile model(procRoot + QStringLiteral("/device-tree/model"));
    if (model.open(QIODevice::ReadOnly)) {
        QByteArray bytes = model.read(1024);
        const qsizetype nul = bytes.indexOf('\0');
        if (nul >= 0)
            bytes.truncate(nul);
        const QString name = QString::fromUtf8(bytes).simplified();
        if (!name.isEmpty())
            return name;
    }
    return std::nullopt;
}

quint64 physicalMemory(const QString& procRoot)
{
    QFile meminfo(procRoot + QStringLiteral("/meminfo"));
    if (meminfo.open(QIODevice::ReadOnly)) {
        const QByteArray text = meminfo.read(64 * 1024);
        MemInfo info;
        if (MemInfoReader::parseMemInfo(std::string_view(text.constData(), size_t(text.size())), info)
            && info.memTotal > 0)
            return info.memTotal;
    }
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    return pages > 0 && pageSize > 0 ? quint64(pages) * quint64(pageSize) : 0;
}

double uptime()
{
    timespec ts {};
    if (::clock_gettime(CLOCK_BOOTTIME, &ts) != 0)
        ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

} // namespace MachineInfo
