#include "SystemMonitor.h"

#include "AppLanguage.h"
#include "CoreTopology.h"
#include "MeterSettings.h"
#include "PreferencesDomain.h"
#include "SharedSettings.h"
#include "Workspace.h"

#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <limits>

#include <unistd.h>

namespace {

// a − b for a counter that must only grow; a counter that went backwards gives 0 for the interval.
quint64 growth(quint64 now, quint64 before)
{
    return now >= before ? now - before : 0;
}

quint64 saturatingAdd(quint64 a, quint64 b)
{
    return a > std::numeric_limits<quint64>::max() - b ? std::numeric_limits<quint64>::max() : a + b;
}

quint64 saturatingMultiply(quint64 a, quint64 b)
{
    if (a != 0 && b > std::numeric_limits<quint64>::max() / a)
        return std::numeric_limits<quint64>::max();
    return a * b;
}

// Bytes per second, truncated; a rate that does not fit is the largest one.
quint64 perSecond(quint64 bytes, double seconds)
{
    const double rate = double(bytes) / seconds;
    if (!(rate < 18446744073709549568.0))
        return std::numeric_limits<quint64>::max();
    return quint64(rate);
}

} // namespace

SystemMonitor::SystemMonitor(Sources sources, QObject* parent)
    : MenuBarReadings(parent)
    , m_sources(std::move(sources))
    , m_procStat(m_sources.procRoot)
    , m_memInfo(m_sources.procRoot, m_sources.sysRoot)
    , m_pressure(m_sources.procRoot)
    , m_thermalZones(m_sources.sysRoot)
    , m_cpuHistory(cpuHistoryLength, 0.0)
    , m_userCPUHistory(cpuHistoryLength, 0.0)
    , m_systemCPUHistory(cpuHistoryLength, 0.0)
    , m_loadOneHistory(loadHistoryLength, 0.0)
    , m_loadFiveHistory(loadHistoryLength, 0.0)
    , m_loadFifteenHistory(loadHistoryLength, 0.0)
    , m_chipName(QStringLiteral("Apple Silicon"))
    , m_volumeName(QStringLiteral("Macintosh HD"))
{
    if (!m_sources.loadAverages)
        m_sources.loadAverages = LoadAverage::read;
    if (!m_sources.clock)
        m_sources.clock = MachineInfo::uptime;
    m_pageSize = m_sources.pageSize;
    if (m_pageSize == 0) {
        const long size = ::sysconf(_SC_PAGESIZE);
        m_pageSize = size > 0 ? quint64(size) : 4096;
    }

    m_totalMemory = MachineInfo::physicalMemory(m_sources.procRoot);
    m_uptime = m_sources.clock();
    m_thermalState = m_thermalZones.read();
    if (const auto name = MachineInfo::processorName(m_sources.procRoot))
        m_chipName = *name;
    const QList<CoreTier>& tiers = CoreTopology::tiers();
    m_performanceCoreCount = tiers.isEmpty() ? 0 : tiers.first().count;
    const QList<int> fast = PerformanceCores::cpus(m_sources.sysRoot);
    m_performanceCpus.assign(fast.cbegin(), fast.cend());

    refresh();
    if (m_sources.startTimer)
        startTimer();
    observeDisplayState();
}

SystemMonitor::~SystemMonitor() = default;

// MARK: Derived values

std::optional<double> SystemMonitor::cpuWatts() const
{
    for (const PowerReading& reading : m_power)
        if (reading.channel == PowerChannel::cpu)
            return reading.watts;
    return std::nullopt;
}

std::optional<double> SystemMonitor::systemWatts() const
{
    for (const PowerReading& reading : m_power)
        if (reading.channel == PowerChannel::system)
            return reading.watts;
    return std::nullopt;
}

std::optional<double> SystemMonitor::hottestCelsius() const
{
    std::optional<double> hottest;
    for (const SensorGroup& group : m_sensorGroups)
        if (!hottest || group.celsius > *hottest)
            hottest = group.celsius;
    return hottest;
}

std::optional<double> SystemMonitor::fastestFanRPM() const
{
    std::optional<double> fastest;
    for (const FanReading& fan : m_fans)
        if (!fastest || fan.rpm > *fastest)
            fastest = fan.rpm;
    return fastest;
}

double SystemMonitor::memoryUsage() const
{
    if (m_totalMemory == 0)
        return 0;
    return std::min(1.0, double(m_usedMemory) / double(m_totalMemory));
}

double SystemMonitor::memoryPressure() const
{
    if (m_totalMemory == 0)
        return 0;
    return std::min(1.0, double(saturatingAdd(m_wiredMemory, m_compressedMemory)) / double(m_totalMemory));
}

double SystemMonitor::storageUsage() const
{
    if (m_totalStorage < 1)
        return 0;
    return 1.0 - double(m_availableStorage) / double(m_totalStorage);
}

QString SystemMonitor::thermalStateLabel() const
{
    switch (m_thermalState) {
    case ThermalState::nominal:
        return AppLanguage::string(QStringLiteral("Nominal"));
    case ThermalState::fair:
        return AppLanguage::string(QStringLiteral("Elevated"));
    case ThermalState::serious:
        return AppLanguage::string(QStringLiteral("High"));
    case ThermalState::critical:
        return AppLanguage::string(QStringLiteral("Critical"));
    case ThermalState::unknown:
        break;
    }
    return AppLanguage::string(QStringLiteral("Unknown"));
}

SystemMonitor::WholeShares SystemMonitor::wholeShares(double user, double system)
{
    const auto percent = [](double share) { return share > 0 ? int(std::round(std::min(share, 1.0) * 100)) : 0; };
    const int u = percent(user);
    const int s = percent(system);
    const int rest = 100 - u;
    const int systemShare = std::min(rest, s);
    return {u, systemShare, rest - systemShare};
}

// MARK: Change notification

void SystemMonitor::flushChanges()
{
    const unsigned pending = std::exchange(m_pending, 0u);
    if (pending == 0)
        return;
    if (pending & cpuChange)
        emit cpuChanged();
    if (pending & memoryChange)
        emit memoryChanged();
    if (pending & storageChange)
        emit storageChanged();
    if (pending & processesChange)
        emit processesChanged();
    if (pending & gpuChange)
        emit gpuChanged();
    if (pending & sensorsChange)
        emit sensorsChanged();
    if (pending & machineChange)
        emit machineChanged();
    emit changed();
}

bool SystemMonitor::append(double value, QList<double>& history)
{
    // Shifting by one leaves the contents as they were only when every value equals the new one.
    const bool changed = std::any_of(history.cbegin(), history.cend(), [value](double v) { return v != value; });
    if (history.isEmpty())
        return false;
    history.removeFirst();
    history.append(value);
    return changed;
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

// MARK: Memory

void SystemMonitor::readMemory(double elapsed)
{
    m_memInfoRead = m_memInfo.readMemInfo(m_memInfoSnapshot);
    if (!m_memInfoRead)
        return;
    const MemInfo& info = m_memInfoSnapshot;

    // How the kernel's figures map onto the memory composition:
    //   wired      = SUnreclaim + KernelStack + PageTables + SecPageTables + Percpu
    //                (memory the kernel holds and cannot reclaim)
    //   active     = AnonPages + Shmem ("App Memory": process memory not backed by files)
    //   compressed = Zswap + the compressed data of every zram device
    //   cache      = Cached + Buffers + SReclaimable − Shmem, never below 0 (file cache and
    //                reclaimable kernel caches; shared memory is counted in Cached but is not
    //                cache, it is in active)
    //   used       = wired + compressed + active, at most the physical memory
    const quint64 wired = saturatingAdd(saturatingAdd(info.sUnreclaim, info.kernelStack),
        saturatingAdd(saturatingAdd(info.pageTables, info.secPageTables), info.percpu));
    const quint64 active = saturatingAdd(info.anonPages, info.shmem);
    const quint64 compressed = saturatingAdd(info.zswap, m_memInfo.zramCompressedBytes());
    const quint64 cacheAndShmem = saturatingAdd(saturatingAdd(info.cached, info.buffers), info.sReclaimable);
    const quint64 cache = growth(cacheAndShmem, info.shmem);
    assign(m_wiredMemory, wired, memoryChange);
    assign(m_compressedMemory, compressed, memoryChange);
    assign(m_activeMemory, active, memoryChange);
    assign(m_cacheMemory, cache, memoryChange);

    SwapPaging paging;
    if (m_memInfo.readPaging(paging)) {
        const quint64 ins = saturatingMultiply(paging.pagesIn, m_pageSize);
        const quint64 outs = saturatingMultiply(paging.pagesOut, m_pageSize);
        if (m_previousPageIns && m_previousPageOuts) {
            assign(m_pageInsPerSecond, perSecond(growth(ins, *m_previousPageIns), elapsed), memoryChange);
            assign(m_pageOutsPerSecond, perSecond(growth(outs, *m_previousPageOuts), elapsed), memoryChange);
        }
        m_previousPageIns = ins;
        m_previousPageOuts = outs;
    } else {
        // Without this cycle's counters the next difference would span two cycles; start over.
        m_previousPageIns.reset();
        m_previousPageOuts.reset();
    }

    assign(m_memoryPressureLevel, ::memoryPressureLevel(m_pressure.read()), memoryChange);
    assign(
        m_usedMemory, std::min(m_totalMemory, saturatingAdd(saturatingAdd(wired, compressed), active)), memoryChange);
}

void SystemMonitor::readSwap()
{
    // The swap figures come from the same read of the memory counters.
    if (!m_memInfoRead)
        return;
    assign(m_swapTotal, m_memInfoSnapshot.swapTotal, memoryChange);
    assign(m_swapUsed, growth(m_memInfoSnapshot.swapTotal, m_memInfoSnapshot.swapFree), memoryChange);
}

// MARK: Readers that attach later

void SystemMonitor::readGPU()
{
}

void SystemMonitor::refreshProcesses()
{
}

void SystemMonitor::readTemperatures(SamplingPlan::SMCScope)
{
}

void SystemMonitor::refreshStorage()
{
}

void SystemMonitor::settleTemperatures(const SamplingPlan&, std::function<void()> resume)
{
    m_temperatureRefreshTask.whenFinished(std::move(resume));
}

// MARK: The cycle

SamplingPlan SystemMonitor::plan() const
{
    // The set is rebuilt only when the visible items changed, so a steady cycle allocates none.
    unsigned mask = 0;
    for (MonitorSection section : allMonitorSections)
        if (MeterSettings::showsItem(section))
            mask |= 1u << unsigned(section);
    if (mask != m_visibleItemsMask || !m_visibleItemsKnown) {
        m_visibleItems.clear();
        for (MonitorSection section : allMonitorSections)
            if (mask & (1u << unsigned(section)))
                m_visibleItems.insert(section);
        m_visibleItemsMask = mask;
        m_visibleItemsKnown = true;
    }
    return SamplingPlan(m_openPopovers, m_visibleItems, MeterSettings::cpuReadout(), MeterSettings::sensorsReadout());
}

void SystemMonitor::refresh()
{
    const double now = m_sources.clock();
    // Rates are computed over the real cycle time, but never over more than a minute (the first
    // cycle, a long sleep) nor over less than a millisecond.
    const double elapsed = m_lastRefresh ? std::clamp(now - *m_lastRefresh, 0.001, 60.0) : 60.0;
    m_lastRefresh = now;

    readCPUUsage();
    readCoreUsage();
    readMemory(elapsed);
    readLoadAverages();
    readSwap();

    const SamplingPlan current = plan();
    if (current.samplesGPU)
        readGPU();
    if (m_refreshCount % 3 == 0) {
        if (current.samplesProcesses)
            refreshProcesses();
        if (current.smcScope != SamplingPlan::SMCScope::none)
            readTemperatures(current.smcScope);
    }
    if (m_refreshCount % current.storageEvery == 0)
        refreshStorage();
    ++m_refreshCount;

    assign(m_uptime, now, machineChange);
    assign(m_thermalState, m_thermalZones.read(), machineChange);

    bool historyChanged = append(m_cpuUsage, m_cpuHistory);
    historyChanged |= append(m_userCPUUsage, m_userCPUHistory);
    historyChanged |= append(m_systemCPUUsage, m_systemCPUHistory);
    historyChanged |= append(m_loadAverages[0], m_loadOneHistory);
    historyChanged |= append(m_loadAverages[1], m_loadFiveHistory);
    historyChanged |= append(m_loadAverages[2], m_loadFifteenHistory);
    if (historyChanged)
        m_pending |= cpuChange;

    flushChanges();
    if (m_onRefresh)
        m_onRefresh();
}

void SystemMonitor::setOnRefresh(std::function<void()> callback)
{
    m_onRefresh = std::move(callback);
}

double SystemMonitor::configuredInterval()
{
    const double interval = SharedSettings::store().doubleForKey(SharedSettings::Key::refreshInterval);
    return interval > 0 && std::isfinite(interval) ? interval : 1.0;
}

double SystemMonitor::timerTolerance(double interval)
{
    return interval * 0.2;
}

std::optional<double> SystemMonitor::timerInterval() const
{
    if (!m_timer)
        return std::nullopt;
    return m_timerInterval;
}

void SystemMonitor::startTimer()
{
    delete m_timer;
    m_timer = nullptr;
    m_timerInterval = configuredInterval();
    // A hand-edited interval of a few microseconds would keep a core busy, and one of years does
    // not fit the timer: the period itself stays between a tenth of a second and a day.
    const double period = std::clamp(m_timerInterval, 0.1, 86400.0);
    m_timer = new QTimer(this);
    // A coarse timer may fire a little early or late so that the system can batch wake-ups.
    m_timer->setTimerType(Qt::CoarseTimer);
    m_timer->setInterval(int(std::lround(period * 1000)));
    connect(m_timer, &QTimer::timeout, this, &SystemMonitor::refresh);
    m_timer->start();
}

void SystemMonitor::applyInterval()
{
    if (m_timer && m_timerInterval != configuredInterval())
        startTimer();
}

void SystemMonitor::pause()
{
    delete m_timer;
    m_timer = nullptr;
}

void SystemMonitor::resume()
{
    if (m_timer)
        return;
    refresh();
    startTimer();
}

void SystemMonitor::observeDisplayState()
{
    Workspace& workspace = Workspace::shared();
    connect(&workspace, &Workspace::screensDidSleep, this, &SystemMonitor::pause);
    connect(&workspace, &Workspace::sessionDidResignActive, this, &SystemMonitor::pause);
    connect(&workspace, &Workspace::screensDidWake, this, &SystemMonitor::resume);
    connect(&workspace, &Workspace::sessionDidBecomeActive, this, &SystemMonitor::resume);
}

// MARK: Popovers

void SystemMonitor::beginDetailedSampling(MonitorSection section)
{
    if (m_openPopovers.contains(section))
        return;
    m_openPopovers.insert(section);
    emit openPopoversChanged();
}

void SystemMonitor::endDetailedSampling(MonitorSection section)
{
    if (m_openPopovers.remove(section))
        emit openPopoversChanged();
}

void SystemMonitor::prepareDetailedSampling(MonitorSection section, std::function<void()> completion)
{
    beginDetailedSampling(section);
    const SamplingPlan current = plan();
    if (current.samplesGPU) {
        readGPU();
        flushChanges();
    }

    // The steps below may wait for background jobs; each resumes the next on the main thread.
    QPointer<SystemMonitor> self(this);
    auto finish = [self, completion = std::move(completion)]() {
        if (!self || !completion)
            return;
        // Always after the caller has returned, so that the caller sees one behaviour whether or
        // not anything had to be waited for.
        QMetaObject::invokeMethod(
            self.data(),
            [self, completion]() {
                if (self)
                    completion();
            },
            Qt::QueuedConnection);
    };
    auto settle = [self, section, current, finish = std::move(finish)]() mutable {
        if (!self)
            return;
        const bool needsSensors = section == MonitorSection::cpu || section == MonitorSection::sensors;
        if (current.smcScope != SamplingPlan::SMCScope::none && needsSensors)
            self->settleTemperatures(current, std::move(finish));
        else
            finish();
    };
    if (section == MonitorSection::storage) {
        // A query already under way is joined rather than doubled.
        if (!m_storageRefreshTask.isRunning())
            refreshStorage();
        m_storageRefreshTask.whenFinished(std::move(settle));
    } else {
        settle();
    }
}
