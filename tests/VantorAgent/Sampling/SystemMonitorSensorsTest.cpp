#include "VantorAgent/Sampling/SystemMonitor.h"
#include "VantorAgent/Sensors/SMCReader.h"
#include "VantorShared/Meters/MeterSettings.h"
#include "VantorShared/Meters/ReadoutSources.h"
#include "tests/support/FakeSMCTransport.h"
#include "tests/support/FixtureTree.h"
#include "tests/support/IsolatedSettings.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

QByteArray flt(float value)
{
    QByteArray bytes(4, 0);
    std::memcpy(bytes.data(), &value, 4);
    return bytes.toHex();
}

// A laptop: two processor sensors, a GPU, a battery sensor, a fan and package power.
QByteArray laptopTable()
{
    return "Tp01 flt  " + flt(61.5f) + "\nTp02 flt  " + flt(72.0f) + "\nTg00 flt  " + flt(50.0f) + "\nTB00 flt  "
        + flt(31.0f) + "\nTs00 flt  " + flt(90.0f) + "\nF0Ac flt  " + flt(2100) + "\nPPMC flt  " + flt(7.5f)
        + "\nPSTR flt  " + flt(18.0f) + "\n";
}

class SystemMonitorSensorsTest : public ::testing::Test {
protected:
    void make(const QByteArray& table)
    {
        SystemMonitor::Sources sources;
        sources.procRoot = proc.root();
        sources.sysRoot = sys.root();
        sources.clock = [this] { return now; };
        sources.loadAverages = [](std::array<double, 3>&) { return false; };
        sources.pageSize = 4096;
        sources.startTimer = false;
        if (!overSys) {
            sources.sensorTransport = [this, table]() -> std::unique_ptr<SMCTransport> {
                if (table.isNull())
                    return nullptr;
                auto fake = std::make_unique<FakeSMCTransport>(table);
                transport = fake.get();
                return fake;
            };
        }
        monitor = std::make_unique<SystemMonitor>(sources);
    }
    // Lets every job finish and every hand-off run, including jobs started by the hand-offs.
    static void drain()
    {
        for (int i = 0; i < 4; ++i)
            BackgroundJob::drainForTesting();
    }
    int reads(const char* key) const { return int(transport->readKeys.count(QByteArray(key))); }
    void cycles(int count)
    {
        for (int i = 0; i < count; ++i) {
            now += 1;
            monitor->refresh();
        }
    }

    // The machine's own sensor transports over the fixture tree instead of a table.
    bool overSys = false;
    IsolatedSettings settings;
    FixtureTree proc {QStringLiteral("proc-sample")};
    FixtureTree sys {QStringLiteral("sensors/laptop")};
    double now = 1000;
    FakeSMCTransport* transport = nullptr;
    std::unique_ptr<SystemMonitor> monitor;
};

} // namespace

TEST_F(SystemMonitorSensorsTest, GroupsTakeTheHottestOfEachCategoryAndOtherIsNeverGrouped)
{
    make(laptopTable());
    // The cpu meter shows its temperature by default: the first cycle reads the menu bar scope.
    EXPECT_TRUE(monitor->isReadingSensors());
    EXPECT_EQ(monitor->temperatureRefreshCoverage(), std::pair(SamplingPlan::SMCScope::menuBar, false));
    drain();
    EXPECT_EQ(monitor->sensorGroups(), (QList<SensorGroup> {{SensorCategory::cpu, 72.0}, {SensorCategory::gpu, 50.0}}));
    EXPECT_EQ(monitor->cpuTemperature(), 72.0);
    EXPECT_EQ(monitor->gpuTemperature(), 50.0);
    EXPECT_EQ(monitor->temperatures().size(), 3); // the menu bar scope leaves the rest unread
    EXPECT_EQ(monitor->fastestFanRPM(), 2100.0);
    EXPECT_EQ(monitor->cpuWatts(), 7.5);
    EXPECT_EQ(monitor->systemWatts(), 18.0);
    EXPECT_FALSE(monitor->battery());

    // The full scope: the hottest group, never the hotter "other" sensor.
    bool ready = false;
    monitor->prepareDetailedSampling(MonitorSection::sensors, [&] { ready = true; });
    drain();
    EXPECT_TRUE(ready);
    EXPECT_EQ(monitor->temperatures().size(), 5);
    EXPECT_EQ(monitor->sensorGroups().size(), 3);
    EXPECT_EQ(monitor->hottestCelsius(), 72.0);
}

TEST_F(SystemMonitorSensorsTest, OnlyOtherSensorsFormNoGroupAndTheMetersFallBack)
{
    make("Ts00 flt  " + flt(44.0f) + "\nTs01 flt  " + flt(45.0f) + "\n");
    // No processor temperature and no power: the defaults give way, and nothing needs sensors.
    EXPECT_EQ(MeterSettings::cpuReadout(), CPUReadout::usage);
    EXPECT_EQ(MeterSettings::sensorsReadout(), SensorsReadout::off);
    EXPECT_EQ(monitor->plan().smcScope, SamplingPlan::SMCScope::none);
    EXPECT_FALSE(monitor->isReadingSensors());

    bool ready = false;
    monitor->prepareDetailedSampling(MonitorSection::sensors, [&] { ready = true; });
    drain();
    EXPECT_TRUE(ready);
    EXPECT_EQ(monitor->temperatures().size(), 2);
    EXPECT_TRUE(monitor->sensorGroups().isEmpty());
    EXPECT_FALSE(monitor->cpuTemperature());
    EXPECT_FALSE(monitor->gpuTemperature());
    EXPECT_FALSE(monitor->hottestCelsius());

    monitor.reset();
    EXPECT_EQ(ReadoutSources::current(), ReadoutSources()); // forgotten with the monitor
}

TEST_F(SystemMonitorSensorsTest, APopoverWaitsForASecondJobWhenTheRunningOneFallsShort)
{
    make(laptopTable());
    ASSERT_TRUE(monitor->isReadingSensors()); // menu bar scope, no battery
    bool ready = false;
    monitor->prepareDetailedSampling(MonitorSection::sensors, [&] { ready = true; });
    EXPECT_FALSE(ready);
    drain();
    EXPECT_TRUE(ready);
    EXPECT_EQ(monitor->temperatureRefreshCoverage(), std::pair(SamplingPlan::SMCScope::full, true));
    EXPECT_EQ(reads("Tp01"), 2);
    EXPECT_EQ(reads("TB00"), 1);
    ASSERT_TRUE(monitor->battery());
    EXPECT_EQ(monitor->battery()->chargePercent, 76.0);
}

TEST_F(SystemMonitorSensorsTest, AWideJobSatisfiesANarrowerSettleAndDueCyclesStartNothing)
{
    make(laptopTable());
    drain();
    bool sensorsReady = false;
    monitor->prepareDetailedSampling(MonitorSection::sensors, [&] { sensorsReady = true; });
    ASSERT_TRUE(monitor->isReadingSensors()); // full, with the battery
    monitor->endDetailedSampling(MonitorSection::sensors);
    bool cpuReady = false;
    monitor->prepareDetailedSampling(MonitorSection::cpu, [&] { cpuReady = true; });
    cycles(3); // a cycle falls due while the job runs
    drain();
    EXPECT_TRUE(sensorsReady);
    EXPECT_TRUE(cpuReady);
    EXPECT_EQ(reads("Tp01"), 2); // the start-up job and the popover's: nothing else
}

TEST_F(SystemMonitorSensorsTest, TheMenuBarJobAfterThePopoverClosedClearsTheBattery)
{
    make(laptopTable());
    drain();
    monitor->prepareDetailedSampling(MonitorSection::sensors, [] {});
    drain();
    ASSERT_TRUE(monitor->battery());
    monitor->endDetailedSampling(MonitorSection::sensors);
    cycles(3);
    drain();
    EXPECT_EQ(monitor->temperatureRefreshCoverage(), std::pair(SamplingPlan::SMCScope::menuBar, false));
    EXPECT_FALSE(monitor->battery());
}

TEST_F(SystemMonitorSensorsTest, AResultIsDroppedWhenTheMonitorIsGone)
{
    make(laptopTable());
    ASSERT_TRUE(monitor->isReadingSensors());
    monitor.reset(); // the job still holds the reader; its result goes nowhere
    drain();
    SUCCEED();
}

TEST_F(SystemMonitorSensorsTest, WithoutSensorsNothingIsReadAndPopoversDoNotWait)
{
    make(QByteArray());
    EXPECT_FALSE(monitor->smcReader());
    EXPECT_EQ(MeterSettings::cpuReadout(), CPUReadout::usage);
    bool ready = false;
    monitor->prepareDetailedSampling(MonitorSection::sensors, [&] { ready = true; });
    EXPECT_FALSE(monitor->isReadingSensors());
    drain();
    EXPECT_TRUE(ready);
    EXPECT_FALSE(monitor->battery()); // read only inside a sensor job
    EXPECT_TRUE(monitor->temperatures().isEmpty());
}

TEST_F(SystemMonitorSensorsTest, ALaptopStartedOnMainsKnowsItsSystemPowerAndFallsBackWhileItHasNoFigure)
{
    // Plugged in at start-up: the battery's draw has no figure now, yet it is the system power.
    sys.write(QStringLiteral("class/power_supply/BAT0/status"), "Charging\n");
    overSys = true;
    make(QByteArray());
    EXPECT_TRUE(ReadoutSources::current().systemPower);
    EXPECT_TRUE(ReadoutSources::current().published().contains(QStringLiteral("sensors.power")));
    drain();
    EXPECT_FALSE(monitor->systemWatts());
    // The default power readout falls back as for a missing source, never to a blank gap.
    EXPECT_FALSE(ReadoutSources::current().systemPowerNow);
    EXPECT_EQ(MeterSettings::sensorsReadout(), SensorsReadout::hottest);

    // Unplugged: the system power has its figure and the readout comes back.
    sys.write(QStringLiteral("class/power_supply/BAT0/status"), "Discharging\n");
    cycles(3);
    drain();
    ASSERT_TRUE(monitor->systemWatts());
    EXPECT_NEAR(*monitor->systemWatts(), 1.523 * 11.4, 1e-3);
    EXPECT_EQ(MeterSettings::sensorsReadout(), SensorsReadout::power);
}
