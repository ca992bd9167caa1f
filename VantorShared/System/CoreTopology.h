#pragma once

#include <QList>
#include <QString>

#include <functional>

// A performance level of the processor: its name and how many logical processors it has.
struct CoreTier {
    QString name;
    int count = 0;
    bool operator==(const CoreTier&) const = default;
};

// The processor's tiers, fastest first, discovered once per process.
namespace CoreTopology {

const QList<CoreTier>& tiers();
// The sum of the tiers' counts; without tiers, the number of online processors.
int totalCores();
int fastestTierCount();
// "Performance" when there are no tiers.
QString fastestTierName();
// "4 Performance + 4 Efficiency", with each name passed through `naming`; without tiers the
// processor count alone.
QString summary(const std::function<QString(const QString&)>& naming);

// The pure parts, for tests: tiers read below a file-system root ("/" on a real system), and
// summaries of any tier list.
QList<CoreTier> readTiers(const QString& sysfsRoot);
int totalCores(const QList<CoreTier>& tiers, int onlineProcessors);
QString summary(
    const QList<CoreTier>& tiers, int onlineProcessors, const std::function<QString(const QString&)>& naming);

} // namespace CoreTopology
