#include "VantorAgent/Sampling/SystemMonitor.h"
#include "Platform/Settings/PreferencesDomain.h"
#include "VantorShared/Settings/SharedSettings.h"
#include "tests/support/FixtureTree.h"
#include "tests/support/IsolatedSettings.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <memory>

namespace {

constexpr quint64 KiB = 1024;

QByteArray cpuLine(const QByteArray& label, const CpuTimes& t)
{
    return label + ' ' + QByteArray::number(t.user) + ' ' + QByteArray::number(t.nice) + ' '
        + QByteArray::number(t.system) + ' ' + QByteArray::number(t.idle) + ' ' + QByteArray::number(t.iowait) + ' '
        + QByteArray::number(t.irq) + ' ' + QByteArray::number(t.softirq) + ' ' + QByteArray::number(t.steal)
        + " 0 0\n";
}

QByteArray statText(const CpuTimes& whole, const std::vector<CpuTimes>& cores)
{
    QByteArray text = cpuLine("cpu ", whole);
    for (size_t i = 0; i < cores.size(); ++i)
        text += cpuLine("cpu" + QByteArray::number(qulonglong(i)), cores[i]);
    return text + "intr 0\nctxt 0\n";
}

QByteArray vmstatText(quint64 in, quint64 out)
{
    return "nr_free_pages 1\npswpin " + QByteArray::number(in) + "\npswpout " + QByteArray::number(out) + "\n";
}

class SystemMonitorTest : public ::testing::Test {
protected:
    void make(bool withTimer = false)
    {
        SystemMonitor::Sources sources;
        sources.procRoot = proc.root();
        sources.sysRoot = sys.root();
        sources.clock = [this] { return now; };
        sources.loadAverages = [this](std::array<double, 3>& values) {
            if (!load)
                return false;
            values = *load;
            return true;
        };
        sources.pageSize = 4096;
        sources.startTimer = withTimer;
        // The machine's volume and graphics cards stay out of these tests.
        sources.storageQuery = [] { return std::optional<VolumeInfo>(); };
        sources.acceleratorStatistics = [] { return QList<QVariantMap>(); };
        monitor = std::make_unique<SystemMonitor>(sources);
    }
    void cycle(double seconds = 1)
    {
        now += seconds;
        monitor->refresh();
    }
    void setCPU(const CpuTimes& whole, const std::vector<CpuTimes>& cores)
    {
        proc.write(QStringLiteral("stat"), statText(whole, cores));
    }
    void setPressure(const char* some, const char* full)
    {
        proc.write(QStringLiteral("pressure/memory"),
            QByteArray("some avg10=") + some + " avg60=0.00 avg300=0.00 total=0\nfull avg10=" + full
                + " avg60=0.00 avg300=0.00 total=0\n");
    }

    IsolatedSettings settings;
    FixtureTree proc {QStringLiteral("proc-sample")};
    FixtureTree sys {QStringLiteral("sys-sample")};
    double now = 1000;
    std::optional<std::array<double, 3>> load = std::array<double, 3> {1.5, 1.0, 0.5};
    std::unique_ptr<SystemMonitor> monitor;

    // The fixture's counters.
    CpuTimes whole {10000, 500, 3000, 80000, 1000, 200, 300, 100};
    std::vector<CpuTimes> cores {{2500, 100, 800, 20000, 250, 50, 80, 20}, {2500, 150, 700, 20000, 250, 50, 70, 30},
        {2500, 100, 800, 20000, 250, 50, 80, 20}, {2500, 150, 700, 20000, 250, 50, 70, 30}};
};

} // namespace

TEST_F(SystemMonitorTest, StartsWithFlatHistoriesAndTheMachinesFacts)
{
    make();
    EXPECT_EQ(monitor->cpuHistory().size(), 36);
    EXPECT_EQ(monitor->userCPUHistory().size(), 36);
    EXPECT_EQ(monitor->systemCPUHistory().size(), 36);
    EXPECT_EQ(monitor->loadOneHistory().size(), 60);
    EXPECT_EQ(monitor->chipName(), QStringLiteral("Intel(R) Core(TM) i7-8650U CPU @ 1.90GHz"));
    EXPECT_EQ(monitor->totalMemory(), 16000000 * KiB);
    EXPECT_EQ(monitor->uptime(), 1000);
    EXPECT_EQ(monitor->thermalStateLabel(), QStringLiteral("Nominal"));
    // Nothing read yet for the later sections: absent, not zero.
    EXPECT_FALSE(monitor->cpuWatts());
    EXPECT_FALSE(monitor->systemWatts());
    EXPECT_FALSE(monitor->fastestFanRPM());
    EXPECT_FALSE(monitor->hottestCelsius());
    EXPECT_EQ(monitor->storageUsage(), 0.0);
    EXPECT_EQ(monitor->volumeName(), QStringLiteral("File System"));
    EXPECT_TRUE(monitor->topCPUProcesses().isEmpty());
}

TEST_F(SystemMonitorTest, WithoutProcessorNameOrThermalZonesFallsBack)
{
    proc.remove(QStringLiteral("cpuinfo"));
    sys.remove(QStringLiteral("class/thermal/thermal_zone0/trip_point_0_type"));
    make();
    EXPECT_EQ(monitor->chipName(), QStringLiteral("Processor"));
    EXPECT_EQ(monitor->thermalState(), ThermalState::unknown);
    EXPECT_EQ(monitor->thermalStateLabel(), QStringLiteral("Unknown"));
}

TEST_F(SystemMonitorTest, ProcessorSharesNeedABaselineThenCountLikeTop)
{
    make();
    // First cycle: a baseline only.
    EXPECT_EQ(monitor->cpuUsage(), 0.0);
    EXPECT_EQ(monitor->coreUsages(), QList<double>(4, 0.0));

    CpuTimes next = whole;
    next.user += 100;
    next.nice += 50; // user
    next.system += 30;
    next.irq += 10;
    next.softirq += 5;
    next.steal += 5; // system
    next.idle += 700;
    next.iowait += 100; // idle
    std::vector<CpuTimes> nextCores = cores;
    nextCores[0].user += 75;
    nextCores[0].idle += 25; // 75 % busy
    nextCores[1].user -= 50;
    nextCores[1].idle += 60; // idle grew faster than the total
    nextCores[3].system += 100; // fully busy; core 2 did not move at all
    setCPU(next, nextCores);
    cycle();
    EXPECT_DOUBLE_EQ(monitor->userCPUUsage(), 0.15);
    EXPECT_DOUBLE_EQ(monitor->systemCPUUsage(), 0.05);
    EXPECT_DOUBLE_EQ(monitor->cpuUsage(), 0.2);
    EXPECT_EQ(monitor->coreUsages(), (QList<double> {0.75, 0.0, 0.0, 1.0}));
    EXPECT_DOUBLE_EQ(monitor->cpuHistory().last(), 0.2);
    EXPECT_EQ(monitor->cpuHistory().size(), 36);

    // No tick at all: the shares stay.
    cycle();
    EXPECT_DOUBLE_EQ(monitor->cpuUsage(), 0.2);

    // A counter that went backwards (iowait can) adds nothing instead of wrapping.
    CpuTimes back = next;
    back.iowait -= 50;
    back.user += 10;
    back.idle += 30;
    setCPU(back, nextCores);
    cycle();
    EXPECT_DOUBLE_EQ(monitor->userCPUUsage(), 0.25);
    EXPECT_DOUBLE_EQ(monitor->cpuUsage(), 0.25);
}

TEST_F(SystemMonitorTest, AChangeInProcessorCountResetsTheCoresForOneCycle)
{
    make();
    std::vector<CpuTimes> three(cores.begin(), cores.begin() + 3);
    for (auto& core : three)
        core.user += 50;
    setCPU(whole, three);
    cycle();
    EXPECT_EQ(monitor->coreUsages(), QList<double>(3, 0.0));
    for (auto& core : three) {
        core.user += 50;
        core.idle += 50;
    }
    setCPU(whole, three);
    cycle();
    EXPECT_EQ(monitor->coreUsages(), QList<double>(3, 0.5));

    // An unreadable file keeps everything as it was.
    proc.write(QStringLiteral("stat"), "garbage\n");
    cycle();
    EXPECT_EQ(monitor->coreUsages(), QList<double>(3, 0.5));
}

TEST_F(SystemMonitorTest, PerformanceCoresComeLastWhereTheMetersDrawThem)
{
    // A hybrid processor whose fast cores are cpu0 and cpu1; cpu2 is offline.
    sys.write(QStringLiteral("devices/cpu_core/cpus"), "0-1\n");
    sys.write(QStringLiteral("devices/cpu_atom/cpus"), "2-3\n");
    proc.write(QStringLiteral("stat"), "cpu  0 0 0 0\ncpu0 100 0 0 100\ncpu1 100 0 0 100\ncpu3 100 0 0 100\nintr 0\n");
    make();
    proc.write(QStringLiteral("stat"), "cpu  0 0 0 0\ncpu0 200 0 0 100\ncpu1 150 0 0 150\ncpu3 100 0 0 200\nintr 0\n");
    cycle();
    // The efficiency core cpu3 first, then the performance cores in order.
    EXPECT_EQ(monitor->coreUsages(), (QList<double> {0.0, 1.0, 0.5}));
}

TEST_F(SystemMonitorTest, WholeSharesAlwaysAddUpToAHundred)
{
    using W = SystemMonitor::WholeShares;
    EXPECT_EQ(SystemMonitor::wholeShares(0.333, 0.333), (W {33, 33, 34}));
    EXPECT_EQ(SystemMonitor::wholeShares(0.996, 0.5), (W {100, 0, 0}));
    EXPECT_EQ(SystemMonitor::wholeShares(-0.2, 0.125), (W {0, 13, 87}));
    EXPECT_EQ(SystemMonitor::wholeShares(1.7, 0), (W {100, 0, 0}));
    EXPECT_EQ(SystemMonitor::wholeShares(0.6, 0.6), (W {60, 40, 0}));
    EXPECT_EQ(SystemMonitor::wholeShares(std::nan(""), 0.2), (W {0, 20, 80}));
}

TEST_F(SystemMonitorTest, LoadHistoriesFillOnTheFirstSuccessfulRead)
{
    load.reset();
    make();
    cycle();
    EXPECT_EQ(monitor->loadOneHistory(), QList<double>(60, 0.0));

    load = std::array<double, 3> {2.0, 1.0, 0.5};
    cycle();
    EXPECT_EQ(monitor->loadOneHistory(), QList<double>(60, 2.0));
    EXPECT_EQ(monitor->loadFiveHistory(), QList<double>(60, 1.0));
    EXPECT_EQ(monitor->loadFifteenHistory(), QList<double>(60, 0.5));

    // A failed read later appends the previous value again; lengths never change.
    load.reset();
    for (int i = 0; i < 100; ++i)
        cycle();
    EXPECT_EQ(monitor->loadOneHistory(), QList<double>(60, 2.0));
    EXPECT_EQ(monitor->cpuHistory().size(), 36);
    EXPECT_EQ(monitor->systemCPUHistory().size(), 36);
    EXPECT_EQ(monitor->loadFifteenHistory().size(), 60);
}

TEST_F(SystemMonitorTest, MemoryComposition)
{
    make();
    EXPECT_EQ(monitor->wiredMemory(), (200000 + 20000 + 60000 + 0 + 10000) * KiB);
    EXPECT_EQ(monitor->compressedMemory(), 50000 * KiB + 2048000 + 1024000);
    // Used is what the kernel cannot hand to a program; active is the part of it that is
    // neither the kernel's own nor compressed.
    EXPECT_EQ(monitor->usedMemory(), (16000000 - 9000000) * KiB);
    EXPECT_EQ(
        monitor->activeMemory(), (16000000 - 9000000) * KiB - monitor->wiredMemory() - monitor->compressedMemory());
    EXPECT_EQ(monitor->cacheMemory(), (3000000 + 100000 + 300000 - 200000) * KiB);
    EXPECT_EQ(monitor->usedMemory(), monitor->wiredMemory() + monitor->compressedMemory() + monitor->activeMemory());
    EXPECT_EQ(monitor->swapTotal(), 2000000 * KiB);
    EXPECT_EQ(monitor->swapUsed(), 500000 * KiB);
    EXPECT_NEAR(monitor->memoryPressure(),
        double(monitor->wiredMemory() + monitor->compressedMemory()) / double(16000000 * KiB), 1e-12);

    // A total larger than the machine's (memory added while running): capped at the machine's.
    // Shared memory larger than the caches: cache is 0, not a wrapped number. The kernel's own
    // memory above what is in use leaves nothing for programs, not a wrapped number either.
    proc.write(
        QStringLiteral("meminfo"), "MemTotal: 17000000 kB\nMemAvailable: 0 kB\nShmem: 500000 kB\nCached: 100000 kB\n");
    cycle();
    EXPECT_EQ(monitor->usedMemory(), monitor->totalMemory());
    proc.write(QStringLiteral("meminfo"), "MemTotal: 16000000 kB\nMemAvailable: 15999000 kB\nSUnreclaim: 5000 kB\n");
    cycle();
    EXPECT_EQ(monitor->usedMemory(), 1000 * KiB);
    EXPECT_EQ(monitor->activeMemory(), 0u);
    proc.write(
        QStringLiteral("meminfo"), "MemTotal: 17000000 kB\nMemAvailable: 0 kB\nShmem: 500000 kB\nCached: 100000 kB\n");
    cycle();
    EXPECT_EQ(monitor->memoryUsage(), 1.0);
    EXPECT_EQ(monitor->cacheMemory(), 0u);
    EXPECT_EQ(monitor->swapTotal(), 0u);

    // An unreadable file keeps the last figures.
    proc.write(QStringLiteral("meminfo"), "nonsense\n");
    cycle();
    EXPECT_EQ(monitor->usedMemory(), monitor->totalMemory());
}

TEST_F(SystemMonitorTest, PagingRatesFromSwapCounters)
{
    proc.write(QStringLiteral("vmstat"), vmstatText(100, 200));
    make();
    EXPECT_EQ(monitor->pageInsPerSecond(), 0u); // no previous counters yet

    proc.write(QStringLiteral("vmstat"), vmstatText(110, 202));
    cycle(2);
    EXPECT_EQ(monitor->pageInsPerSecond(), 10u * 4096 / 2);
    EXPECT_EQ(monitor->pageOutsPerSecond(), 2u * 4096 / 2);

    // A counter reset gives 0 for that cycle, not a huge number.
    proc.write(QStringLiteral("vmstat"), vmstatText(5, 203));
    cycle();
    EXPECT_EQ(monitor->pageInsPerSecond(), 0u);
    EXPECT_EQ(monitor->pageOutsPerSecond(), 4096u);

    // Cycles closer than a millisecond count as one millisecond.
    proc.write(QStringLiteral("vmstat"), vmstatText(6, 203));
    cycle(0.0001);
    EXPECT_EQ(monitor->pageInsPerSecond(), 4096000u);

    // After a long pause the rate is spread over a minute, not over the real gap.
    proc.write(QStringLiteral("vmstat"), vmstatText(6 + 600, 203));
    cycle(3600);
    EXPECT_EQ(monitor->pageInsPerSecond(), 600u * 4096 / 60);
}

TEST_F(SystemMonitorTest, PressureLevelFromStallTimes)
{
    make();
    EXPECT_EQ(monitor->memoryPressureLevel(), MemoryPressureLevel::normal);
    setPressure("10.00", "0.00");
    cycle();
    EXPECT_EQ(monitor->memoryPressureLevel(), MemoryPressureLevel::warning);
    setPressure("40.00", "10.00");
    cycle();
    EXPECT_EQ(monitor->memoryPressureLevel(), MemoryPressureLevel::critical);
    setPressure("9.99", "9.99");
    cycle();
    EXPECT_EQ(monitor->memoryPressureLevel(), MemoryPressureLevel::normal);
    setPressure("50.00", "50.00");
    cycle();
    proc.write(QStringLiteral("pressure/memory"), "unreadable\n");
    cycle();
    EXPECT_EQ(monitor->memoryPressureLevel(), MemoryPressureLevel::normal);
    EXPECT_EQ(title(MemoryPressureLevel::critical), QStringLiteral("Critical"));
}

TEST_F(SystemMonitorTest, NotifiesOnlyWhatChangedOncePerCycle)
{
    make();
    int memory = 0, changed = 0, refreshed = 0;
    QObject::connect(monitor.get(), &SystemMonitor::memoryChanged, [&] { ++memory; });
    QObject::connect(monitor.get(), &SystemMonitor::changed, [&] { ++changed; });
    monitor->setOnRefresh([&] { ++refreshed; });

    cycle();
    EXPECT_EQ(memory, 0);
    EXPECT_EQ(refreshed, 1);

    proc.write(QStringLiteral("meminfo"), "MemTotal: 16000000 kB\nAnonPages: 1000 kB\nSUnreclaim: 1000 kB\n");
    setPressure("20.00", "0.00");
    cycle();
    EXPECT_EQ(memory, 1);
    EXPECT_EQ(changed, 2); // the uptime moves every cycle
    EXPECT_EQ(refreshed, 2);
}

TEST_F(SystemMonitorTest, IntervalSettingFallsBackToOneSecond)
{
    PreferencesDomain& store = SharedSettings::store();
    SharedSettings::registerDefaults();
    EXPECT_EQ(SystemMonitor::configuredInterval(), 1.0);
    store.setDouble(SharedSettings::Key::refreshInterval, 0);
    EXPECT_EQ(SystemMonitor::configuredInterval(), 1.0);
    store.setDouble(SharedSettings::Key::refreshInterval, -3);
    EXPECT_EQ(SystemMonitor::configuredInterval(), 1.0);
    store.setString(SharedSettings::Key::refreshInterval, QStringLiteral("fast"));
    EXPECT_EQ(SystemMonitor::configuredInterval(), 1.0);
    store.setDouble(SharedSettings::Key::refreshInterval, 2.5);
    EXPECT_EQ(SystemMonitor::configuredInterval(), 2.5);
    EXPECT_EQ(SystemMonitor::timerTolerance(2.5), 0.5);
}

TEST_F(SystemMonitorTest, PausesWhileAsleepAndPicksUpANewIntervalOnWake)
{
    SharedSettings::registerDefaults();
    make(true);
    ASSERT_TRUE(monitor->isRunning());
    EXPECT_EQ(monitor->timerInterval(), 1.0);
    EXPECT_EQ(monitor->refreshCount(), 1);

    emit settings.workspace.screensDidSleep();
    EXPECT_FALSE(monitor->isRunning());
    SharedSettings::store().setDouble(SharedSettings::Key::refreshInterval, 2.5);
    monitor->applyInterval();
    EXPECT_FALSE(monitor->isRunning()); // never started while paused

    now += 7200;
    emit settings.workspace.screensDidWake();
    EXPECT_TRUE(monitor->isRunning());
    EXPECT_EQ(monitor->timerInterval(), 2.5);
    EXPECT_EQ(monitor->refreshCount(), 2); // one cycle at once
    EXPECT_EQ(monitor->uptime(), 8200);

    emit settings.workspace.sessionDidBecomeActive(); // already running: nothing
    EXPECT_EQ(monitor->refreshCount(), 2);
    emit settings.workspace.sessionDidResignActive();
    EXPECT_FALSE(monitor->isRunning());
    emit settings.workspace.sessionDidBecomeActive();
    EXPECT_TRUE(monitor->isRunning());

    SharedSettings::store().setDouble(SharedSettings::Key::refreshInterval, 0.1);
    monitor->applyInterval();
    EXPECT_EQ(monitor->timerInterval(), 0.1);
    // The timer itself drives cycles.
    const int before = monitor->refreshCount();
    QElapsedTimer clock;
    clock.start();
    while (monitor->refreshCount() < before + 2 && clock.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    EXPECT_GE(monitor->refreshCount(), before + 2);
}

TEST_F(SystemMonitorTest, PreparingAPopoverCompletesLaterOnTheMainThread)
{
    make();
    int opened = 0;
    QObject::connect(monitor.get(), &SystemMonitor::openPopoversChanged, [&] { ++opened; });
    bool storageReady = false, cpuReady = false;
    monitor->prepareDetailedSampling(MonitorSection::storage, [&] { storageReady = true; });
    monitor->prepareDetailedSampling(MonitorSection::cpu, [&] { cpuReady = true; });
    EXPECT_FALSE(storageReady);
    EXPECT_EQ(monitor->openPopovers(), (QSet<MonitorSection> {MonitorSection::storage, MonitorSection::cpu}));
    EXPECT_EQ(opened, 2);
    EXPECT_EQ(monitor->plan().storageEvery, 3);
    BackgroundJob::drainForTesting();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
    EXPECT_TRUE(storageReady);
    EXPECT_TRUE(cpuReady);

    monitor->endDetailedSampling(MonitorSection::storage);
    monitor->endDetailedSampling(MonitorSection::storage);
    EXPECT_EQ(opened, 3);

    // A monitor that is gone completes nothing.
    bool late = false;
    monitor->prepareDetailedSampling(MonitorSection::memory, [&] { late = true; });
    monitor.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
    EXPECT_FALSE(late);
}

TEST_F(SystemMonitorTest, ThePlanFollowsTheMetersShown)
{
    make();
    EXPECT_TRUE(monitor->plan().samplesProcesses);
    // The plan keeps what it read until the settings change; every change must still reach it.
    PreferencesDomain& store = SharedSettings::store();
    for (const QString& key :
        {SharedSettings::Key::showCPUItem, SharedSettings::Key::showMemoryItem, SharedSettings::Key::showStorageItem})
        store.setBool(key, false);
    EXPECT_FALSE(monitor->plan().samplesProcesses);
    store.setBool(SharedSettings::Key::showStorageItem, true);
    EXPECT_TRUE(monitor->plan().samplesProcesses);
}
