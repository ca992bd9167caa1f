// GPU, storage, the process scan and the memory mapping of the sampling engine.
#include "Platform/Kernel/MemInfoReader.h"
#include "Platform/Kernel/ProcessUsageReader.h"
#include "VantorAgent/Sampling/SystemMonitor.h"
#include "tests/support/FixtureTree.h"
#include "tests/support/IsolatedSettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

class SystemMonitorDetailTest : public ::testing::Test {
protected:
    void make()
    {
        SystemMonitor::Sources sources;
        sources.procRoot = proc.root();
        sources.sysRoot = sys.root();
        sources.clock = [this] { return now; };
        sources.loadAverages = [](std::array<double, 3>&) { return false; };
        sources.pageSize = 4096;
        sources.startTimer = false;
        sources.acceleratorStatistics = [this] { return accelerators; };
        sources.storageQuery = [this] {
            ++queries;
            return volume;
        };
        monitor = std::make_unique<SystemMonitor>(sources);
        BackgroundJob::drainForTesting();
    }
    ProcessSample sample(qint32 pid, quint64 ticks, quint64 memory = 0, quint64 read = 0, quint64 write = 0)
    {
        return ProcessSample {pid, QStringLiteral("p%1").arg(pid), ticks, memory, read, write, std::nullopt};
    }
    static QList<qint64> pids(const QList<ProcessMetric>& metrics)
    {
        QList<qint64> result;
        for (const ProcessMetric& metric : metrics)
            result.append(metric.pid);
        return result;
    }
    // Ticks of `seconds` of processor time.
    static quint64 ticks(double seconds) { return quint64(seconds * 1e9 / SystemMonitor::tickNanoseconds()); }

    IsolatedSettings settings;
    FixtureTree proc {QStringLiteral("proc-sample")};
    FixtureTree sys {QStringLiteral("sys-sample")};
    double now = 1000;
    QList<QVariantMap> accelerators;
    std::atomic<int> queries = 0;
    std::optional<VolumeInfo> volume;
    std::unique_ptr<SystemMonitor> monitor;
};

} // namespace

TEST_F(SystemMonitorDetailTest, ProcessRatesNeedABaselineAndNeverWrap)
{
    make();
    const int scans = monitor->processScanCount();
    monitor->applyProcesses({sample(10, ticks(5), 100, 1000, 1000), sample(20, ticks(1), 300, 5000, 0)});
    // The first scan: only memory, which is a level.
    for (const ProcessMetric& metric : monitor->topCPUProcesses()) {
        EXPECT_EQ(metric.cpu, 0.0);
        EXPECT_EQ(metric.diskRead + metric.diskWrite, 0u);
    }
    EXPECT_EQ(pids(monitor->topCPUProcesses()), (QList<qint64> {10, 20}));
    EXPECT_EQ(pids(monitor->topMemoryProcesses()), (QList<qint64> {20, 10}));

    now += 2;
    monitor->applyProcesses({
        sample(10, ticks(5 + 5), 100, 1000 + 4000, 1000 + 2000), // 2.5 cores busy
        sample(20, ticks(0.5), 300, 100, 0), // a new process under an old id: counters went down
        sample(30, ticks(99), 50, 1 << 20, 1 << 20), // new: no rates for one scan
    });
    const QList<ProcessMetric>& cpu = monitor->topCPUProcesses();
    ASSERT_EQ(cpu.size(), 3);
    EXPECT_EQ(cpu[0].pid, 10);
    EXPECT_NEAR(cpu[0].cpu, 250.0, 1e-6);
    EXPECT_EQ(cpu[0].diskRead, 2000u);
    EXPECT_EQ(cpu[0].diskWrite, 1000u);
    EXPECT_EQ(cpu[1].pid, 20);
    EXPECT_EQ(cpu[1].cpu, 0.0);
    EXPECT_EQ(cpu[1].diskRead, 0u);
    EXPECT_EQ(cpu[2].cpu, 0.0);
    EXPECT_EQ(monitor->diskReadPerSecond(), 2000u);
    EXPECT_EQ(monitor->diskWritePerSecond(), 1000u);
    EXPECT_EQ(monitor->processScanCount(), scans + 2);
}

TEST_F(SystemMonitorDetailTest, RankingsAreStableTopFiveAndDiskSumsCountEveryone)
{
    make();
    std::vector<ProcessSample> first, second;
    for (qint32 pid = 1; pid <= 8; ++pid) {
        first.push_back(sample(pid, 0, 1000, 0, 0));
        // Every process reads 10 bytes a second; 3, 5 and 7 use the same processor time.
        const quint64 busy = pid % 2 == 1 && pid > 1 ? ticks(0.5) : 0;
        second.push_back(sample(pid, busy, pid == 8 ? 5000 : 1000, 10, 0));
    }
    monitor->applyProcesses(first);
    now += 1;
    monitor->applyProcesses(second);
    EXPECT_EQ(pids(monitor->topCPUProcesses()), (QList<qint64> {3, 5, 7, 1, 2}));
    EXPECT_EQ(pids(monitor->topMemoryProcesses()), (QList<qint64> {8, 1, 2, 3, 4}));
    EXPECT_EQ(pids(monitor->topDiskProcesses()), (QList<qint64> {1, 2, 3, 4, 5}));
    EXPECT_EQ(monitor->diskReadPerSecond(), 80u);

    // A process that vanished is forgotten: coming back it is new again.
    now += 1;
    monitor->applyProcesses({sample(3, ticks(1))});
    now += 1;
    monitor->applyProcesses({sample(4, ticks(9))});
    EXPECT_EQ(monitor->topCPUProcesses().first().cpu, 0.0);
}

TEST_F(SystemMonitorDetailTest, ProcessesStartedSinceThePreviousScanCountAllTheirTime)
{
    make();
    const auto started = [&](qint32 pid, double seconds, std::optional<quint64> start, quint64 read = 0) {
        ProcessSample s = sample(pid, ticks(seconds), 0, read);
        s.startTicks = start;
        return s;
    };
    const auto cpuOf = [&](qint64 pid) {
        for (const ProcessMetric& metric : monitor->topCPUProcesses())
            if (metric.pid == pid)
                return metric.cpu;
        return -1.0;
    };
    // Scans at 100 s, 103 s and 106 s after boot.
    const quint64 first = ticks(100);
    monitor->applyProcesses({started(1, 50, ticks(1)), started(9, 5, first - ticks(1))}, first);
    // The first scan has nothing to compare with, even for a process that just started.
    EXPECT_EQ(cpuOf(9), 0.0);

    now += 3;
    monitor->applyProcesses(
        {
            started(1, 50 + 1.5, ticks(1)), // seen before: the difference
            started(2, 1.5, first + ticks(1), 3000), // a compiler started a second after the scan
            started(3, 2, first - ticks(10)), // older than the previous scan, yet not seen then
            started(4, 0.75, first), // started in the very tick the previous scan began
            started(5, 3, std::nullopt), // start unknown
        },
        first + ticks(3));
    EXPECT_NEAR(cpuOf(1), 50.0, 1e-6);
    EXPECT_NEAR(cpuOf(2), 50.0, 1e-6);
    EXPECT_EQ(cpuOf(3), 0.0);
    EXPECT_NEAR(cpuOf(4), 25.0, 1e-6);
    EXPECT_EQ(cpuOf(5), 0.0);
    EXPECT_EQ(monitor->diskReadPerSecond(), 1000u);

    // An id handed to a new process: its start time tells, and all its time counts rather than
    // none because the counter went down.
    now += 3;
    monitor->applyProcesses({started(1, 0.75, first + ticks(4)), started(2, 3, first + ticks(1))}, first + ticks(6));
    EXPECT_NEAR(cpuOf(1), 25.0, 1e-6);
    EXPECT_NEAR(cpuOf(2), 50.0, 1e-6);

    // Without the scan's own time nothing can be told: a new process gets 0, as before.
    now += 3;
    monitor->applyProcesses({started(7, 1, first + ticks(8))});
    EXPECT_EQ(cpuOf(7), 0.0);
}

TEST_F(SystemMonitorDetailTest, DiskRatesNeedTwoScansThatReadTheStorageCounters)
{
    make();
    monitor->applyProcesses({sample(1, 0, 0, 1000)}, std::nullopt, true);
    now += 1;
    monitor->applyProcesses({sample(1, 0, 0, 3000)}, std::nullopt, true);
    EXPECT_EQ(monitor->diskReadPerSecond(), 2000u);

    // A scan without them leaves the disk figures as they were, and is no baseline.
    now += 1;
    monitor->applyProcesses({sample(1, ticks(1), 50)}, std::nullopt, false);
    EXPECT_EQ(monitor->diskReadPerSecond(), 2000u);
    EXPECT_EQ(monitor->topDiskProcesses().first().diskRead, 2000u);
    EXPECT_EQ(monitor->topMemoryProcesses().first().memory, 50u);
    now += 1;
    monitor->applyProcesses({sample(1, ticks(1), 50, 9000)}, std::nullopt, true);
    EXPECT_EQ(monitor->diskReadPerSecond(), 0u);
    now += 1;
    monitor->applyProcesses({sample(1, ticks(1), 50, 10000)}, std::nullopt, true);
    EXPECT_EQ(monitor->diskReadPerSecond(), 1000u);
}

TEST_F(SystemMonitorDetailTest, ScansAProcTreeOnTheWorker)
{
    FixtureTree tree(QStringLiteral("proc-processes"));
    tree.write(QStringLiteral("123/stat"), "123 () S 1 1 1 0 -1 0 0 0 0 0 4 5 0 0 20 0 1 0 9\n");
    ProcessUsageReader reader(tree.root());
    const std::vector<ProcessSample> samples = SystemMonitor::sampleProcesses(reader);
    QStringList seen;
    for (const ProcessSample& s : samples)
        seen.append(QString::number(s.pid));
    ASSERT_EQ(samples.size(), 6u) << seen.join(u' ').toStdString();
    const auto unnamed = std::find_if(samples.begin(), samples.end(), [](const auto& s) { return s.pid == 123; });
    ASSERT_NE(unnamed, samples.end());
    EXPECT_EQ(unnamed->name, QStringLiteral("PID 123"));

    // The whole job: scanned on the worker, ranked on the main thread. The process without an io
    // file is still ranked by memory.
    SystemMonitor::Sources sources;
    sources.procRoot = tree.root();
    sources.sysRoot = sys.root();
    sources.clock = [this] { return now; };
    sources.startTimer = false;
    sources.storageQuery = [] { return std::optional<VolumeInfo>(); };
    sources.acceleratorStatistics = [] { return QList<QVariantMap>(); };
    monitor = std::make_unique<SystemMonitor>(sources);
    monitor->beginDetailedSampling(MonitorSection::memory);
    monitor->sampleProcessesNow();
    EXPECT_TRUE(monitor->isScanningProcesses());
    int changes = 0;
    QObject::connect(monitor.get(), &SystemMonitor::processesChanged, [&] { ++changes; });
    BackgroundJob::drainForTesting();
    EXPECT_FALSE(monitor->isScanningProcesses());
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(pids(monitor->topMemoryProcesses()), (QList<qint64> {1, 4000, 57, 300, 2}));
    // Only the storage popover shows disk figures; opening it scans at once for their baseline.
    EXPECT_TRUE(monitor->topDiskProcesses().isEmpty());
    monitor->prepareDetailedSampling(MonitorSection::storage, {});
    EXPECT_TRUE(monitor->isScanningProcesses());
    BackgroundJob::drainForTesting();
    EXPECT_EQ(monitor->topDiskProcesses().size(), 5);
}

TEST_F(SystemMonitorDetailTest, CpuPercentOfOneCore)
{
    EXPECT_DOUBLE_EQ(SystemMonitor::cpuPercent(100, 1.0, 1e7), 100.0);
    EXPECT_DOUBLE_EQ(SystemMonitor::cpuPercent(350, 1.0, 1e7), 350.0);
    EXPECT_EQ(SystemMonitor::cpuPercent(100, 0.0, 1e7), 0.0);
    EXPECT_EQ(SystemMonitor::cpuPercent(100, -1.0, 1e7), 0.0);
}

TEST_F(SystemMonitorDetailTest, GpuFiguresOnlyChangeWhenAnAcceleratorAnswers)
{
    make();
    EXPECT_FALSE(monitor->gpuUsage());
    int changes = 0;
    QObject::connect(monitor.get(), &SystemMonitor::gpuChanged, [&] { ++changes; });

    accelerators = {
        {{u"Device Utilization %"_s, 0.25}, {u"In use system memory"_s, 4096.0}}, {{u"Device Utilization %"_s, 0.5}}};
    monitor->prepareDetailedSampling(MonitorSection::cpu, {});
    EXPECT_EQ(monitor->gpuUsage(), 0.5);
    EXPECT_EQ(monitor->gpuInUseMemory(), 4096u);
    EXPECT_FALSE(monitor->gpuRendererUsage());
    EXPECT_FALSE(monitor->gpuAllocatedMemory());
    EXPECT_EQ(changes, 1);

    // While the popover is open every cycle reads; the same figures notify nobody.
    monitor->refresh();
    EXPECT_EQ(changes, 1);

    // Every card asleep (nothing answers): the figures stay.
    accelerators.clear();
    monitor->refresh();
    EXPECT_EQ(monitor->gpuUsage(), 0.5);

    // A card without figures: none.
    accelerators = {QVariantMap()};
    monitor->refresh();
    EXPECT_FALSE(monitor->gpuUsage());
    EXPECT_FALSE(monitor->gpuInUseMemory());
    EXPECT_EQ(changes, 2);

    // Without a popover that needs it, nothing is read.
    monitor->endDetailedSampling(MonitorSection::cpu);
    accelerators = {{{u"Device Utilization %"_s, 0.9}}};
    monitor->refresh();
    EXPECT_FALSE(monitor->gpuUsage());
}

TEST_F(SystemMonitorDetailTest, StorageKeepsItsFiguresThroughAFailedQuery)
{
    make();
    // Before the first answer.
    EXPECT_EQ(monitor->totalStorage(), 0);
    EXPECT_EQ(monitor->availableStorage(), 0);
    EXPECT_EQ(monitor->storageUsage(), 0.0);
    EXPECT_EQ(monitor->volumeName(), u"File System"_s);

    volume = VolumeInfo {1000, 250, u"Debian"_s};
    bool ready = false;
    monitor->prepareDetailedSampling(MonitorSection::storage, [&] { ready = true; });
    BackgroundJob::drainForTesting();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
    EXPECT_TRUE(ready);
    EXPECT_EQ(monitor->totalStorage(), 1000);
    EXPECT_EQ(monitor->availableStorage(), 250);
    EXPECT_DOUBLE_EQ(monitor->storageUsage(), 0.75);
    EXPECT_EQ(monitor->volumeName(), u"Debian"_s);

    volume.reset();
    for (int i = 0; i < 3; ++i)
        monitor->refresh();
    BackgroundJob::drainForTesting();
    EXPECT_EQ(monitor->totalStorage(), 1000);
    EXPECT_EQ(monitor->volumeName(), u"Debian"_s);

    // A volume without a label gets the generic name.
    volume = VolumeInfo {1000, 500, std::nullopt};
    for (int i = 0; i < 3; ++i)
        monitor->refresh();
    BackgroundJob::drainForTesting();
    EXPECT_EQ(monitor->volumeName(), u"File System"_s);
}

TEST_F(SystemMonitorDetailTest, OpeningStorageJoinsARunningQuery)
{
    make();
    const int before = queries;
    // The cycle starts a query (every 15th); opening the popover right after must not start a
    // second one, and completes only when the first has answered.
    for (int i = monitor->refreshCount(); i % 15 != 0; ++i)
        monitor->refresh();
    monitor->refresh();
    bool ready = false;
    monitor->prepareDetailedSampling(MonitorSection::storage, [&] { ready = true; });
    EXPECT_FALSE(ready);
    BackgroundJob::drainForTesting();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
    EXPECT_TRUE(ready);
    EXPECT_EQ(queries, before + 1);
}

TEST_F(SystemMonitorDetailTest, MemoryUsedIsWhatTheKernelCannotGiveAway)
{
    // Captured and made-up meminfo files: used is exactly MemTotal − MemAvailable, and the parts
    // add up to it.
    const QDir fixtures(QStringLiteral(VANTOR_TEST_DATA "/meminfo"));
    const QStringList names = fixtures.entryList(QDir::Files);
    ASSERT_GE(names.size(), 2);
    for (const QString& name : names) {
        QFile file(fixtures.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        proc.write(QStringLiteral("meminfo"), text);
        MemInfo info;
        ASSERT_TRUE(MemInfoReader::parseMemInfo(std::string_view(text.constData(), size_t(text.size())), info));
        ASSERT_TRUE(info.hasMemAvailable);
        // No zram in these: only the meminfo figures count.
        sys.remove(QStringLiteral("block/zram0/mm_stat"));
        sys.remove(QStringLiteral("block/zram1/mm_stat"));
        make();
        SCOPED_TRACE(name.toStdString());
        EXPECT_EQ(monitor->usedMemory(), info.memTotal - info.memAvailable);
        EXPECT_EQ(
            monitor->wiredMemory() + monitor->compressedMemory() + monitor->activeMemory(), monitor->usedMemory());
        EXPECT_NEAR(monitor->memoryUsage(), double(info.memTotal - info.memAvailable) / double(info.memTotal), 1e-12);
    }

    // An old kernel without the estimate: free memory and droppable cache count as available.
    proc.write(QStringLiteral("meminfo"),
        "MemTotal: 1000 kB\nMemFree: 300 kB\nCached: 200 kB\nShmem: 50 kB\nAnonPages: 400 kB\n");
    make();
    EXPECT_EQ(monitor->usedMemory(), (1000 - 300 - 150) * 1024u);
    EXPECT_EQ(monitor->activeMemory(), monitor->usedMemory());
}
