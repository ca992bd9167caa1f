#include "VantorShared/System/ProcessScan.h"

#include "Platform/Kernel/ProcessTable.h"

namespace ProcessScan {

QList<Entry> processes(const std::function<bool(const QString&)>& matching, const QString& procRoot)
{
    QList<Entry> entries;
    ProcessTable table(procRoot);
    for (const qint32 pid : table.pids()) {
        // A process that ended since the listing has no link any more and is skipped.
        const auto path = table.executablePath(pid);
        if (!path || !matching(*path))
            continue;
        entries.append({pid, table.startTime(pid), *path});
    }
    return entries;
}

QList<Entry> agents(const QString& procRoot)
{
    return processes([](const QString& path) { return path.endsWith(agentExecutableSuffix); }, procRoot);
}

} // namespace ProcessScan
