#include "VantorAgent/Sampling/SystemMonitor.h"

#include "VantorAgent/Sampling/CounterMath.h"

#include "Platform/Graphics/GraphicsAccelerators.h"
#include "Platform/Kernel/LoadAverage.h"
#include "Platform/Kernel/MachineInfo.h"
#include "Platform/Kernel/ProcessUsageReader.h"
#include "Platform/Settings/PreferencesDomain.h"
#include "Platform/Workspace/Workspace.h"
#include "VantorShared/Language/AppLanguage.h"
#include "VantorShared/Meters/MeterSettings.h"
#include "VantorShared/Settings/RefreshInterval.h"
#include "VantorShared/Settings/SharedSettings.h"
#include "VantorShared/System/CoreTopology.h"

#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <cmath>

#include <unistd.h>

using namespace CounterMath;

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
    , m_chipName(genericChipName())
    , m_volumeName(genericVolumeName())
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
    openSensors();

    refresh();
    if (m_sources.startTimer)
        startTimer();
    observeDisplayState();
}

SystemMonitor::~SystemMonitor() = default;

QString SystemMonitor::genericChipName()
{
    return AppLanguage::string(QStringLiteral("Processor"));
}

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

// MARK: The cycle

SamplingPlan SystemMonitor::plan() const
{
    // The settings are looked up again only when the store says they may have changed, so a
    // steady cycle neither searches nor allocates for them.
    const quint64 generation = SharedSettings::store().generation();
    if (generation != m_settingsGeneration) {
        m_visibleItems.clear();
        for (MonitorSection section : allMonitorSections)
            if (MeterSettings::showsItem(section))
                m_visibleItems.insert(section);
        m_cpuReadout = MeterSettings::cpuReadout();
        m_sensorsReadout = MeterSettings::sensorsReadout();
        m_settingsGeneration = generation;
    }
    SamplingPlan wanted(m_openPopovers, m_visibleItems, m_cpuReadout, m_sensorsReadout);
    if (m_samplesAllSensors) {
        wanted.smcScope = SamplingPlan::SMCScope::full;
        wanted.samplesBattery = true;
    }
    return wanted;
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
    return RefreshInterval::effectiveSeconds();
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
        if (current.samplesProcesses)
            refreshProcessesForDiskFigures();
        // A query already under way is joined rather than doubled.
        if (!m_storageRefreshTask.isRunning())
            refreshStorage();
        m_storageRefreshTask.whenFinished(std::move(settle));
    } else {
        settle();
    }
}
