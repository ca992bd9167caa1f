#include "VantorShared/System/CoreTopology.h"

#include "Platform/Kernel/CpuTopologySource.h"

#include <QStringList>
#include <QThread>

namespace CoreTopology {
namespace {
int onlineProcessors()
{
    // The active processors; the count Qt reports is the fallback when sysfs is unreadable.
    static const int count
        = CpuTopologySource::onlineProcessors(QStringLiteral("/")).value_or(std::max(1, QThread::idealThreadCount()));
    return count;
}
} // namespace

QList<CoreTier> readTiers(const QString& sysfsRoot)
{
    QList<CoreTier> list;
    const QList<CpuTopologySource::Level> levels = CpuTopologySource::levels(sysfsRoot);
    for (qsizetype i = 0; i < levels.size(); ++i) {
        const auto& level = levels.at(i);
        list.append({level.name.isEmpty() ? QStringLiteral("Level ") + QString::number(i) : level.name, level.count});
    }
    return list;
}

const QList<CoreTier>& tiers()
{
    // Initialised once; C++ guarantees that concurrent first calls wait for it.
    static const QList<CoreTier> list = readTiers(QStringLiteral("/"));
    return list;
}

int totalCores(const QList<CoreTier>& list, int online)
{
    if (list.isEmpty())
        return online;
    int sum = 0;
    for (const CoreTier& tier : list)
        sum += tier.count;
    return sum;
}

int totalCores()
{
    return totalCores(tiers(), onlineProcessors());
}
int fastestTierCount()
{
    return tiers().isEmpty() ? 0 : tiers().first().count;
}
QString fastestTierName()
{
    return tiers().isEmpty() ? QStringLiteral("Performance") : tiers().first().name;
}

QString summary(const QList<CoreTier>& list, int online, const std::function<QString(const QString&)>& naming)
{
    if (list.isEmpty())
        return QString::number(online);
    QStringList parts;
    for (const CoreTier& tier : list)
        parts.append(QString::number(tier.count) + QLatin1Char(' ') + naming(tier.name));
    return parts.join(QStringLiteral(" + "));
}

QString summary(const std::function<QString(const QString&)>& naming)
{
    return summary(tiers(), onlineProcessors(), naming);
}

} // namespace CoreTopology
