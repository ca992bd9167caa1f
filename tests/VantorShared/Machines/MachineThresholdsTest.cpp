#include "VantorShared/Machines/MachineThresholds.h"

#include "Platform/Settings/PreferencesDomain.h"
#include "VantorShared/Settings/SharedSettings.h"
#include "tests/support/IsolatedSettings.h"

#include <gtest/gtest.h>

namespace {

using Level = MachineThresholds::Level;
using Reason = MachineThresholds::Reason;

MachineStatus machine(const QString& name, bool up, std::optional<double> cpu = 0.1, std::optional<double> memory = 0.1,
    std::optional<double> disk = 0.1, std::optional<double> celsius = 40)
{
    MachineStatus m;
    m.instance = name + QStringLiteral(":9100");
    m.nodename = name;
    m.up = up;
    m.cpu = cpu;
    m.memory = memory;
    m.disk = disk;
    m.hottestCelsius = celsius;
    return m;
}

TEST(MachineThresholdsTest, JudgesAMachineByItsWorstFigure)
{
    const MachineThresholds t;
    EXPECT_EQ(t.level(machine("ok", true)), Level::normal);
    EXPECT_EQ(t.level(machine("unknown", true, std::nullopt, std::nullopt, std::nullopt, std::nullopt)), Level::normal);
    EXPECT_EQ(t.reasons(machine("down", false, 0.99)), QList<Reason> {Reason::down});
    EXPECT_EQ(t.level(machine("down", false)), Level::critical);
    // At the threshold is not above it.
    EXPECT_EQ(t.level(machine("edge", true, 0.9)), Level::normal);
    EXPECT_EQ(t.reasons(machine("hot", true, 0.91, 0.1, 0.92, 86)),
        (QList<Reason> {Reason::cpu, Reason::disk, Reason::temperature}));
    EXPECT_EQ(t.level(machine("busy", true, 0.93)), Level::warning);
    // Halfway from the threshold to the top is critical.
    EXPECT_EQ(t.level(machine("full", true, 0.1, 0.1, 0.95)), Level::critical);
    EXPECT_EQ(t.level(machine("burning", true, 0.1, 0.1, 0.1, 90)), Level::critical);
}

TEST(MachineThresholdsTest, SortsAttentionFirstThenByName)
{
    QList<MachineStatus> machines {machine("delta", true), machine("alpha", true), machine("busy", true, 0.93),
        machine("zulu", false), machine("beta", true)};
    MachineThresholds().sort(machines);
    QStringList names;
    for (const auto& m : machines)
        names.append(m.name());
    EXPECT_EQ(names, (QStringList {"zulu", "busy", "alpha", "beta", "delta"}));
    EXPECT_EQ(MachineThresholds::busiest(machines)->name(), "busy");
    EXPECT_EQ(MachineThresholds::busiest({machine("x", false, 0.99)}), nullptr);
}

TEST(MachineThresholdsTest, StoredNonsenseFallsBackToTheDefaults)
{
    IsolatedSettings isolated;
    SharedSettings::registerDefaults();
    auto& store = SharedSettings::store();
    store.setDouble(SharedSettings::Key::machinesCPUThreshold, 0.75);
    store.setDouble(SharedSettings::Key::machinesMemoryThreshold, 0);
    store.setDouble(SharedSettings::Key::machinesDiskThreshold, 1.5);
    store.setString(SharedSettings::Key::machinesTemperatureThreshold, QStringLiteral("hot"));
    const auto t = MachineThresholds::fromSettings();
    EXPECT_DOUBLE_EQ(t.cpu, 0.75);
    EXPECT_DOUBLE_EQ(t.memory, 0.9);
    EXPECT_DOUBLE_EQ(t.disk, 0.9);
    EXPECT_DOUBLE_EQ(t.celsius, 85);
}

} // namespace
