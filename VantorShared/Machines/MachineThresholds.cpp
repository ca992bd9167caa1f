#include "VantorShared/Machines/MachineThresholds.h"

#include "Platform/Settings/PreferencesDomain.h"
#include "VantorShared/Settings/SharedSettings.h"

#include <algorithm>
#include <cmath>

namespace {

double storedOr(const QString& key, double fallback, double lowest, double highest, bool lowestIncluded)
{
    // A value of another shape reads as 0, which no threshold may be.
    const double number = SharedSettings::store().doubleForKey(key);
    if (!std::isfinite(number) || number > highest || number < lowest || (!lowestIncluded && number == lowest))
        return fallback;
    return number;
}

bool above(const std::optional<double>& value, double threshold)
{
    return value && *value > threshold;
}

bool criticallyAbove(const std::optional<double>& value, double threshold, double top)
{
    return value && *value >= threshold + (top - threshold) / 2 && *value > threshold;
}

} // namespace

MachineThresholds MachineThresholds::fromSettings()
{
    using namespace SharedSettings;
    MachineThresholds t;
    t.cpu = storedOr(Key::machinesCPUThreshold, t.cpu, 0, 1, false);
    t.memory = storedOr(Key::machinesMemoryThreshold, t.memory, 0, 1, false);
    t.disk = storedOr(Key::machinesDiskThreshold, t.disk, 0, 1, false);
    t.celsius = storedOr(Key::machinesTemperatureThreshold, t.celsius, 30, 150, true);
    return t;
}

QList<MachineThresholds::Reason> MachineThresholds::reasons(const MachineStatus& machine) const
{
    if (!machine.up)
        return {Reason::down};
    QList<Reason> result;
    if (above(machine.cpu, cpu))
        result.append(Reason::cpu);
    if (above(machine.memory, memory))
        result.append(Reason::memory);
    if (above(machine.disk, disk))
        result.append(Reason::disk);
    if (above(machine.hottestCelsius, celsius))
        result.append(Reason::temperature);
    return result;
}

MachineThresholds::Level MachineThresholds::level(const MachineStatus& machine) const
{
    if (!machine.up)
        return Level::critical;
    if (criticallyAbove(machine.cpu, cpu, 1) || criticallyAbove(machine.memory, memory, 1)
        || criticallyAbove(machine.disk, disk, 1) || criticallyAbove(machine.hottestCelsius, celsius, celsius + 10))
        return Level::critical;
    return reasons(machine).isEmpty() ? Level::normal : Level::warning;
}

void MachineThresholds::sort(QList<MachineStatus>& machines) const
{
    std::stable_sort(machines.begin(), machines.end(), [this](const MachineStatus& a, const MachineStatus& b) {
        const Level la = level(a);
        const Level lb = level(b);
        if (la != lb)
            return la > lb;
        const int byName = QString::localeAwareCompare(a.name(), b.name());
        if (byName != 0)
            return byName < 0;
        return a.instance < b.instance;
    });
}

const MachineStatus* MachineThresholds::busiest(const QList<MachineStatus>& machines)
{
    const MachineStatus* best = nullptr;
    for (const MachineStatus& machine : machines) {
        if (machine.up && machine.cpu && (!best || *machine.cpu > *best->cpu))
            best = &machine;
    }
    return best;
}
