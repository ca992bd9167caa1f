#include "CoreTopology.h"

#include <QStringList>

#include <unistd.h>

// Placeholder until the sysfs reader lands: no tiers.
namespace CoreTopology {
namespace {
int onlineProcessors()
{
    const long n = ::sysconf(_SC_NPROCESSORS_ONLN);
    return n > 0 ? int(n) : 1;
}
} // namespace

QList<CoreTier> readTiers(const QString&)
{
    return {};
}

const QList<CoreTier>& tiers()
{
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
