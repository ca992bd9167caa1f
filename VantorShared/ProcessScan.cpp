#include "ProcessScan.h"

// Placeholder until the /proc reader lands.
namespace ProcessScan {

QList<Entry> processes(const std::function<bool(const QString&)>&, const QString&)
{
    return {};
}

QList<Entry> agents(const QString& procRoot)
{
    return processes([](const QString& path) { return path.endsWith(agentExecutableSuffix); }, procRoot);
}

} // namespace ProcessScan
