// The processes domain of the sampling engine: the busiest processes and the disk rates.
#include "VantorAgent/Sampling/SystemMonitor.h"

#include "Platform/Kernel/ProcessUsageReader.h"
#include "VantorAgent/Sampling/CounterMath.h"

#include <QPointer>

#include <algorithm>
#include <numeric>

#include <unistd.h>

using namespace CounterMath;

double SystemMonitor::tickNanoseconds()
{
    static const double nanoseconds = [] {
        const long ticksPerSecond = ::sysconf(_SC_CLK_TCK);
        return ticksPerSecond > 0 ? 1e9 / double(ticksPerSecond) : 1.0;
    }();
    return nanoseconds;
}

double SystemMonitor::cpuPercent(quint64 ticks, double elapsed, double tickNanoseconds)
{
    if (!(elapsed > 0))
        return 0;
    return double(ticks) * tickNanoseconds / (elapsed * 1e9) * 100;
}

namespace {

// The reader counts in its own clock ticks; the samples in ticks of tickNanoseconds().
double sampleTickScale(const ProcessUsageReader& reader)
{
    return 1e9 / double(reader.clockTicksPerSecond()) / SystemMonitor::tickNanoseconds();
}

quint64 scaled(quint64 ticks, double scale)
{
    return scale == 1.0 ? ticks : quint64(double(ticks) * scale);
}

} // namespace

std::vector<ProcessSample> SystemMonitor::sampleProcesses(ProcessUsageReader& reader, bool diskCounters)
{
    std::vector<ProcessSample> samples;
    sampleProcesses(reader, diskCounters, samples);
    return samples;
}

void SystemMonitor::sampleProcesses(ProcessUsageReader& reader, bool diskCounters, std::vector<ProcessSample>& samples)
{
    // Kept per thread: one scan at a time runs on a worker, and the usage list keeps its capacity.
    thread_local std::vector<ProcessUsage> usages;
    reader.scan(usages, diskCounters);
    const double scale = sampleTickScale(reader);
    // Resized rather than rebuilt, so that the samples of the last scan lend their room; the names
    // are shared with the reader's, not copied.
    samples.resize(usages.size());
    for (size_t i = 0; i < usages.size(); ++i) {
        ProcessUsage& usage = usages[i];
        ProcessSample& sample = samples[i];
        sample.pid = usage.pid;
        if (usage.name.isEmpty())
            sample.name = QStringLiteral("PID %1").arg(usage.pid);
        else
            sample.name = std::move(usage.name);
        sample.cpuTicks = scaled(usage.cpuTicks, scale);
        sample.startTicks.reset();
        if (usage.startTicks)
            sample.startTicks = scaled(*usage.startTicks, scale);
        sample.footprintBytes = usage.residentBytes;
        sample.diskRead = usage.readBytes;
        sample.diskWrite = usage.writeBytes;
    }
    usages.clear();
}

std::optional<quint64> SystemMonitor::scanUptimeTicks(const ProcessUsageReader& reader)
{
    const auto ticks = reader.lastScanUptimeTicks();
    if (!ticks)
        return std::nullopt;
    return scaled(*ticks, sampleTickScale(reader));
}

void SystemMonitor::refreshProcesses()
{
    if (m_processRefreshTask.isRunning())
        return;
    if (!m_processReader)
        m_processReader = std::make_shared<ProcessUsageReader>(m_sources.procRoot);
    // The storage counters cost a second file per process and are shown only in the storage
    // popover.
    const bool diskCounters = m_openPopovers.contains(MonitorSection::storage);
    if (!m_processSamples)
        m_processSamples = std::make_shared<std::vector<ProcessSample>>();
    QPointer<SystemMonitor> self(this);
    m_processRefreshTask.start(
        [reader = m_processReader, samples = m_processSamples, diskCounters, self]() -> BackgroundJob::Apply {
            sampleProcesses(*reader, diskCounters, *samples);
            const auto uptime = scanUptimeTicks(*reader);
            return [samples, uptime, diskCounters, self]() {
                if (!self)
                    return;
                self->applyProcesses(*samples, uptime, diskCounters);
                self->flushChanges();
            };
        });
}

void SystemMonitor::refreshProcessesForDiskFigures()
{
    // Without a scan that read the storage counters the disk rates have no baseline; one taken
    // now lets the next scheduled scan give rates.
    if (!m_previousProcessScanReadDisk)
        refreshProcesses();
}

void SystemMonitor::applyProcesses(
    const std::vector<ProcessSample>& samples, std::optional<quint64> scanUptimeTicks, bool diskCounters)
{
    const double now = m_sources.clock();
    const bool hasBaseline = m_previousProcessSampleDate.has_value();
    const double elapsed = std::max(hasBaseline ? now - *m_previousProcessSampleDate : 0.0, 0.001);
    const double nanoseconds = tickNanoseconds();
    const bool diskBaseline = m_previousProcessScanReadDisk;
    // Start times and the scan's time come from the same boot clock; a process that started at
    // or after the previous scan began was not there to be seen.
    const auto startedSincePreviousScan = [&](const ProcessSample& sample) {
        return hasBaseline && m_previousProcessScanUptime && scanUptimeTicks && sample.startTicks
            && *sample.startTicks >= *m_previousProcessScanUptime;
    };

    std::vector<ProcessMetric> metrics;
    metrics.reserve(samples.size());
    quint64 readSum = 0, writeSum = 0;
    for (const ProcessSample& sample : samples) {
        ProcessMetric metric;
        metric.pid = sample.pid;
        metric.name = sample.name;
        metric.memory = sample.footprintBytes;
        auto previous = m_previousProcessSamples.constFind(sample.pid);
        // Another start time under the same id is another process.
        if (previous != m_previousProcessSamples.cend() && sample.startTicks && previous->startTicks
            && *sample.startTicks != *previous->startTicks)
            previous = m_previousProcessSamples.cend();
        if (previous != m_previousProcessSamples.cend()) {
            // A counter that went down belongs to a new process under a reused id: 0, not a
            // wrapped difference.
            if (hasBaseline && sample.cpuTicks >= previous->cpuTicks)
                metric.cpu = cpuPercent(sample.cpuTicks - previous->cpuTicks, elapsed, nanoseconds);
            if (diskCounters && diskBaseline) {
                metric.diskRead = perSecond(growth(sample.diskRead, previous->diskRead), elapsed);
                metric.diskWrite = perSecond(growth(sample.diskWrite, previous->diskWrite), elapsed);
            }
        } else if (startedSincePreviousScan(sample)) {
            // A process that came (and may go again) between two scans did all its work in this
            // interval; leaving it at 0 would hide a busy build's short-lived compilers.
            metric.cpu = cpuPercent(sample.cpuTicks, elapsed, nanoseconds);
            if (diskCounters) {
                metric.diskRead = perSecond(sample.diskRead, elapsed);
                metric.diskWrite = perSecond(sample.diskWrite, elapsed);
            }
        }
        readSum = saturatingAdd(readSum, metric.diskRead);
        writeSum = saturatingAdd(writeSum, metric.diskWrite);
        metrics.push_back(std::move(metric));
    }

    // Three stable rankings over one index list each: equal figures keep the scan order.
    std::vector<size_t> order(metrics.size());
    const auto top = [&](auto key) {
        std::iota(order.begin(), order.end(), size_t(0));
        const size_t count = std::min(order.size(), size_t(topProcessCount));
        std::stable_sort(
            order.begin(), order.end(), [&](size_t a, size_t b) { return key(metrics[a]) > key(metrics[b]); });
        QList<ProcessMetric> list;
        list.reserve(qsizetype(count));
        for (size_t i = 0; i < count; ++i)
            list.append(metrics[order[i]]);
        return list;
    };
    assign(m_topCPUProcesses, top([](const ProcessMetric& m) { return m.cpu; }), processesChange);
    assign(m_topMemoryProcesses, top([](const ProcessMetric& m) { return m.memory; }), processesChange);
    // A scan that did not read the storage counters knows nothing about them: the disk figures
    // stay as they were.
    if (diskCounters) {
        assign(m_topDiskProcesses, top([](const ProcessMetric& m) { return saturatingAdd(m.diskRead, m.diskWrite); }),
            processesChange);
        assign(m_diskReadPerSecond, readSum, processesChange);
        assign(m_diskWritePerSecond, writeSum, processesChange);
    }

    m_previousProcessSamples.clear();
    m_previousProcessSamples.reserve(qsizetype(samples.size()));
    for (const ProcessSample& sample : samples)
        m_previousProcessSamples.insert(sample.pid, sample);
    m_previousProcessSampleDate = now;
    m_previousProcessScanUptime = scanUptimeTicks;
    m_previousProcessScanReadDisk = diskCounters;
    ++m_processScanCount;
}
