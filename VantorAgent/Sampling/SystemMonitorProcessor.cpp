// The processor domain of the sampling engine: total and per-core load, load averages.
#include "VantorAgent/Sampling/SystemMonitor.h"

#include "VantorAgent/Sampling/CounterMath.h"

#include <algorithm>
#include <cmath>

using namespace CounterMath;

SystemMonitor::WholeShares SystemMonitor::wholeShares(double user, double system)
{
    const auto percent = [](double share) { return share > 0 ? int(std::round(std::min(share, 1.0) * 100)) : 0; };
    const int u = percent(user);
    const int s = percent(system);
    const int rest = 100 - u;
    const int systemShare = std::min(rest, s);
    return {u, systemShare, rest - systemShare};
}

// MARK: Processor

void SystemMonitor::readCPUUsage()
{
    m_cpuReadSucceeded = m_procStat.read(m_currentCPUInfo, m_currentCoreTimes, &m_currentCoreNumbers);
    if (!m_cpuReadSucceeded)
        return;
    if (!m_cpuBaselineTaken) {
        // The first cycle only takes the baseline, so it reports no load.
        m_previousCPUInfo = m_currentCPUInfo;
        m_cpuBaselineTaken = true;
        return;
    }
    const CpuTimes& now = m_currentCPUInfo;
    const CpuTimes& before = m_previousCPUInfo;
    // Busy time is counted the way top and the common libraries count it: nice is user time,
    // interrupts and time stolen by the hypervisor are system time, waiting for I/O is idle. Guest
    // time is already part of user and nice.
    const quint64 user = growth(now.user, before.user) + growth(now.nice, before.nice);
    const quint64 system = growth(now.system, before.system) + growth(now.irq, before.irq)
        + growth(now.softirq, before.softirq) + growth(now.steal, before.steal);
    const quint64 idle = growth(now.idle, before.idle) + growth(now.iowait, before.iowait);
    m_previousCPUInfo = now;
    const quint64 total = user + system + idle;
    if (total == 0)
        return;
    const double userShare = double(user) / double(total);
    const double systemShare = double(system) / double(total);
    assign(m_userCPUUsage, userShare, cpuChange);
    assign(m_systemCPUUsage, systemShare, cpuChange);
    assign(m_cpuUsage, userShare + systemShare, cpuChange);
}

void SystemMonitor::readCoreUsage()
{
    if (!m_cpuReadSucceeded || m_currentCoreTimes.empty())
        return;
    m_currentCoreTicks.resize(m_currentCoreTimes.size());
    for (size_t i = 0; i < m_currentCoreTimes.size(); ++i)
        m_currentCoreTicks[i] = {m_currentCoreTimes[i].total(), m_currentCoreTimes[i].idleTotal()};

    if (m_currentCoreNumbers != m_coreSlotNumbers)
        placeCores();

    const qsizetype count = qsizetype(m_currentCoreTicks.size());
    if (m_currentCoreTicks.size() != m_previousCoreTicks.size()) {
        // A new set of processors: no baseline for any of them yet.
        if (m_coreUsages.size() != count
            || std::any_of(m_coreUsages.cbegin(), m_coreUsages.cend(), [](double v) { return v != 0; })) {
            m_coreUsages.fill(0.0, count);
            m_pending |= cpuChange;
        }
    } else {
        for (qsizetype i = 0; i < count; ++i) {
            const auto [total, idle] = m_currentCoreTicks[size_t(i)];
            const auto [previousTotal, previousIdle] = m_previousCoreTicks[size_t(i)];
            const quint64 deltaTotal = total - previousTotal;
            const quint64 deltaIdle = idle - previousIdle;
            // Wrapping subtraction: a counter that went backwards shows up as an absurdly large
            // delta and counts as no load, as does idle time growing faster than the total.
            double load = 0;
            if (deltaTotal != 0 && deltaTotal <= 4294967294ull && deltaTotal >= deltaIdle)
                load = std::clamp(1.0 - double(deltaIdle) / double(deltaTotal), 0.0, 1.0);
            const qsizetype slot = m_coreSlot[size_t(i)];
            if (m_coreUsages[slot] != load) {
                m_coreUsages[slot] = load;
                m_pending |= cpuChange;
            }
        }
    }
    std::swap(m_previousCoreTicks, m_currentCoreTicks);
}

void SystemMonitor::placeCores()
{
    const auto isFast
        = [this](int cpu) { return std::binary_search(m_performanceCpus.cbegin(), m_performanceCpus.cend(), cpu); };
    m_coreSlot.resize(m_currentCoreNumbers.size());
    qsizetype next = 0;
    for (size_t i = 0; i < m_currentCoreNumbers.size(); ++i)
        if (!isFast(m_currentCoreNumbers[i]))
            m_coreSlot[i] = next++;
    for (size_t i = 0; i < m_currentCoreNumbers.size(); ++i)
        if (isFast(m_currentCoreNumbers[i]))
            m_coreSlot[i] = next++;
    m_coreSlotNumbers = m_currentCoreNumbers;
}

void SystemMonitor::readLoadAverages()
{
    std::array<double, 3> values {};
    if (!m_sources.loadAverages(values))
        return;
    assign(m_loadAverages, values, cpuChange);
    if (!m_loadHistoryInitialized) {
        // The load graphs start flat at the current value instead of rising from zero.
        m_loadOneHistory.fill(values[0]);
        m_loadFiveHistory.fill(values[1]);
        m_loadFifteenHistory.fill(values[2]);
        m_loadHistoryInitialized = true;
        m_pending |= cpuChange;
    }
}
