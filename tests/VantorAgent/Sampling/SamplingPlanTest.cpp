#include "VantorAgent/Sampling/SamplingPlan.h"

#include <gtest/gtest.h>

namespace {

using S = MonitorSection;
using Scope = SamplingPlan::SMCScope;

SamplingPlan planFor(QSet<S> open, QSet<S> visible, CPUReadout cpu = CPUReadout::temperature,
    SensorsReadout sensors = SensorsReadout::power)
{
    return SamplingPlan(open, visible, cpu, sensors);
}

} // namespace

TEST(SamplingPlanTest, NothingVisibleReadsOnlyTheCheapCounters)
{
    const SamplingPlan plan = planFor({}, {});
    EXPECT_FALSE(plan.samplesProcesses);
    EXPECT_FALSE(plan.samplesGPU);
    EXPECT_FALSE(plan.samplesBattery);
    EXPECT_EQ(plan.storageEvery, 15);
    EXPECT_EQ(plan.smcScope, Scope::none);
}

TEST(SamplingPlanTest, ProcessesFollowTheSectionsThatListThem)
{
    for (S section : {S::cpu, S::memory, S::storage}) {
        EXPECT_TRUE(planFor({}, {section}).samplesProcesses);
        EXPECT_TRUE(planFor({section}, {}).samplesProcesses);
    }
    EXPECT_FALSE(planFor({S::sensors}, {S::sensors}).samplesProcesses);
}

TEST(SamplingPlanTest, PopoversDecideGPUBatteryAndStorageCadence)
{
    EXPECT_TRUE(planFor({S::cpu}, {}).samplesGPU);
    EXPECT_TRUE(planFor({S::sensors}, {}).samplesGPU);
    EXPECT_FALSE(planFor({S::memory, S::storage}, {S::cpu, S::sensors}).samplesGPU);

    EXPECT_TRUE(planFor({S::sensors}, {}).samplesBattery);
    EXPECT_FALSE(planFor({S::cpu}, {S::sensors}).samplesBattery);

    EXPECT_EQ(planFor({S::storage}, {}).storageEvery, 3);
    EXPECT_EQ(planFor({}, {S::storage}).storageEvery, 15);
}

TEST(SamplingPlanTest, SensorScopeTakesTheFirstRuleThatApplies)
{
    // Only the cpu item, showing usage: no sensors, but processes.
    const SamplingPlan usage = planFor({}, {S::cpu}, CPUReadout::usage, SensorsReadout::off);
    EXPECT_EQ(usage.smcScope, Scope::none);
    EXPECT_TRUE(usage.samplesProcesses);

    EXPECT_EQ(planFor({}, {S::cpu}, CPUReadout::temperature, SensorsReadout::off).smcScope, Scope::menuBar);
    EXPECT_EQ(planFor({}, {S::cpu}, CPUReadout::power, SensorsReadout::off).smcScope, Scope::menuBar);
    EXPECT_EQ(planFor({}, {S::cpu}, CPUReadout::off, SensorsReadout::hottest).smcScope, Scope::none);

    // Only the sensors item, by readout.
    EXPECT_EQ(planFor({}, {S::sensors}, CPUReadout::off, SensorsReadout::hottest).smcScope, Scope::full);
    EXPECT_EQ(planFor({}, {S::sensors}, CPUReadout::off, SensorsReadout::fan).smcScope, Scope::menuBar);
    EXPECT_EQ(planFor({}, {S::sensors}, CPUReadout::off, SensorsReadout::gpu).smcScope, Scope::menuBar);
    EXPECT_EQ(planFor({}, {S::sensors}, CPUReadout::off, SensorsReadout::off).smcScope, Scope::none);

    // Popovers: sensors reads everything, cpu the menu bar's set even with every item hidden.
    EXPECT_EQ(planFor({S::sensors}, {}, CPUReadout::off, SensorsReadout::off).smcScope, Scope::full);
    EXPECT_EQ(planFor({S::cpu}, {}, CPUReadout::off, SensorsReadout::off).smcScope, Scope::menuBar);
    // The hottest readout outranks the cpu item's temperature.
    EXPECT_EQ(
        planFor({}, {S::cpu, S::sensors}, CPUReadout::temperature, SensorsReadout::hottest).smcScope, Scope::full);
}

TEST(SamplingPlanTest, ScopesAreOrdered)
{
    EXPECT_TRUE(Scope::none < Scope::menuBar);
    EXPECT_TRUE(Scope::menuBar < Scope::full);
    EXPECT_FALSE(Scope::full < Scope::full);
}
