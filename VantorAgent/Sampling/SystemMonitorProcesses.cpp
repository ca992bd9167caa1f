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

std::vector<ProcessSample> SystemMonitor::sampleProcesses(ProcessUsageReader& reader)
{
    // Kept per thread: one scan at a time runs on a worker, and the usage list keeps its capacity.
    thread_local std::vector<ProcessUsage> usages;
    reader.scan(usages);
    // The reader counts in its own clock ticks; the samples in ticks of tickNanoseconds().
    const double scale = 1e9 / double(reader.clockTicksPerSecond()) / tickNanoseconds();
    std::vector<ProcessSample> samples;
    samples.reserve(usages.size());
    for (ProcessUsage& usage : usages) {
        ProcessSample sample;
        sample.pid = usage.pid;
        sample.name = usage.name.isEmpty() ? QStringLiteral("PID %1").arg(usage.pid) : std::move(usage.name);
        sample.cpuTicks = scale == 1.0 ? usage.cpuTicks : quint64(double(usage.cpuTicks) * scale);
        sample.footprintBytes = usage.residentBytes;
        sample.diskRead = usage.readBytes;
        sample.diskWrite = usage.writeBytes;
        samples.push_back(std::move(sample));
    }
    usages.clear();
    return samples;
}

void SystemMonitor::refreshProcesses()
{
    if (m_processRefreshTask.isRunning())
        return;
    if (!m_processReader)
        m_processReader = std::make_shared<ProcessUsageReader>(m_sources.procRoot);
    QPointer<SystemMonitor> self(this);
    m_processRefreshTask.start([reader = m_processReader, self]() -> BackgroundJob::Apply {
        auto samples = std::make_shared<std::vector<ProcessSample>>(sampleProcesses(*reader));
        return [samples, self]() {
            if (!self)
                return;
            self->applyProcesses(*samples);
            self->flushChanges();
        };
    });
}

void SystemMonitor::applyProcesses(const std::vector<ProcessSample>& samples)
{
    const double now = m_sources.clock();
    const bool hasBaseline = m_previousProcessSampleDate.has_value();
    const double elapsed = std::max(hasBaseline ? now - *m_previousProcessSampleDate : 0.0, 0.001);
    const double nanoseconds = tickNanoseconds();

    std::vector<ProcessMetric> metrics;
    metrics.reserve(samples.size());
    quint64 readSum = 0, writeSum = 0;
    for (const ProcessSample& sample : samples) {
        ProcessMetric metric;
        metric.pid = sample.pid;
        metric.name = sample.name;
        metric.memory = sample.footprintBytes;
        const auto previous = m_previousProcessSamples.constFind(sample.pid);
        if (previous != m_previousProcessSamples.cend()) {
            // A counter that went down belongs to a new process under a reused id: 0, not a
            // wrapped difference.
            if (hasBaseline && sample.cpuTicks >= previous->cpuTicks)
                metric.cpu = cpuPercent(sample.cpuTicks - previous->cpuTicks, elapsed, nanoseconds);
            metric.diskRead = perSecond(growth(sample.diskRead, previous->diskRead), elapsed);
            metric.diskWrite = perSecond(growth(sample.diskWrite, previous->diskWrite), elapsed);
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
    assign(m_topDiskProcesses, top([](const ProcessMetric& m) { return saturatingAdd(m.diskRead, m.diskWrite); }),
        processesChange);
    assign(m_diskReadPerSecond, readSum, processesChange);
    assign(m_diskWritePerSecond, writeSum, processesChange);

    m_previousProcessSamples.clear();
    m_previousProcessSamples.reserve(qsizetype(samples.size()));
    for (const ProcessSample& sample : samples)
        m_previousProcessSamples.insert(sample.pid, sample);
    m_previousProcessSampleDate = now;
    ++m_processScanCount;
}
