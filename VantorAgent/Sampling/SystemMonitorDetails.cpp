#include "VantorAgent/Sampling/SystemMonitorDetails.h"

#include "VantorAgent/Sampling/SystemMonitor.h"

SystemMonitorDetails::SystemMonitorDetails(SystemMonitor& monitor, QObject* parent)
    : DetailReadings(parent)
    , m_monitor(monitor)
{
    connect(&m_monitor, &SystemMonitor::changed, this, &DetailReadings::changed);
}

double SystemMonitorDetails::userCPUUsage() const
{
    return m_monitor.userCPUUsage();
}

double SystemMonitorDetails::systemCPUUsage() const
{
    return m_monitor.systemCPUUsage();
}

const QList<double>& SystemMonitorDetails::coreUsages() const
{
    return m_monitor.coreUsages();
}

const QList<double>& SystemMonitorDetails::userCPUHistory() const
{
    return m_monitor.userCPUHistory();
}

const QList<double>& SystemMonitorDetails::systemCPUHistory() const
{
    return m_monitor.systemCPUHistory();
}

const std::array<double, 3>& SystemMonitorDetails::loadAverages() const
{
    return m_monitor.loadAverages();
}

const QList<double>& SystemMonitorDetails::loadOneHistory() const
{
    return m_monitor.loadOneHistory();
}

const QList<double>& SystemMonitorDetails::loadFiveHistory() const
{
    return m_monitor.loadFiveHistory();
}

const QList<double>& SystemMonitorDetails::loadFifteenHistory() const
{
    return m_monitor.loadFifteenHistory();
}

const QList<CoreTier>& SystemMonitorDetails::coreTiers() const
{
    return CoreTopology::tiers();
}

int SystemMonitorDetails::totalCores() const
{
    return CoreTopology::totalCores();
}

std::optional<double> SystemMonitorDetails::cpuTemperature() const
{
    return m_monitor.cpuTemperature();
}

std::optional<double> SystemMonitorDetails::cpuWatts() const
{
    return m_monitor.cpuWatts();
}

std::optional<double> SystemMonitorDetails::gpuUsage() const
{
    return m_monitor.gpuUsage();
}

std::optional<double> SystemMonitorDetails::gpuRendererUsage() const
{
    return m_monitor.gpuRendererUsage();
}

std::optional<double> SystemMonitorDetails::gpuTilerUsage() const
{
    return m_monitor.gpuTilerUsage();
}

std::optional<quint64> SystemMonitorDetails::gpuInUseMemory() const
{
    return m_monitor.gpuInUseMemory();
}

std::optional<quint64> SystemMonitorDetails::gpuAllocatedMemory() const
{
    return m_monitor.gpuAllocatedMemory();
}

std::optional<double> SystemMonitorDetails::gpuTemperature() const
{
    return m_monitor.gpuTemperature();
}

double SystemMonitorDetails::memoryUsage() const
{
    return m_monitor.memoryUsage();
}

double SystemMonitorDetails::memoryPressure() const
{
    return m_monitor.memoryPressure();
}

MemoryPressureLevel SystemMonitorDetails::memoryPressureLevel() const
{
    return m_monitor.memoryPressureLevel();
}

quint64 SystemMonitorDetails::totalMemory() const
{
    return m_monitor.totalMemory();
}

quint64 SystemMonitorDetails::usedMemory() const
{
    return m_monitor.usedMemory();
}

quint64 SystemMonitorDetails::wiredMemory() const
{
    return m_monitor.wiredMemory();
}

quint64 SystemMonitorDetails::activeMemory() const
{
    return m_monitor.activeMemory();
}

quint64 SystemMonitorDetails::compressedMemory() const
{
    return m_monitor.compressedMemory();
}

quint64 SystemMonitorDetails::cacheMemory() const
{
    return m_monitor.cacheMemory();
}

quint64 SystemMonitorDetails::swapUsed() const
{
    return m_monitor.swapUsed();
}

quint64 SystemMonitorDetails::swapTotal() const
{
    return m_monitor.swapTotal();
}

quint64 SystemMonitorDetails::pageInsPerSecond() const
{
    return m_monitor.pageInsPerSecond();
}

quint64 SystemMonitorDetails::pageOutsPerSecond() const
{
    return m_monitor.pageOutsPerSecond();
}

QString SystemMonitorDetails::volumeName() const
{
    return m_monitor.volumeName();
}

qint64 SystemMonitorDetails::totalStorage() const
{
    return m_monitor.totalStorage();
}

qint64 SystemMonitorDetails::availableStorage() const
{
    return m_monitor.availableStorage();
}

double SystemMonitorDetails::storageUsage() const
{
    return m_monitor.storageUsage();
}

quint64 SystemMonitorDetails::diskReadPerSecond() const
{
    return m_monitor.diskReadPerSecond();
}

quint64 SystemMonitorDetails::diskWritePerSecond() const
{
    return m_monitor.diskWritePerSecond();
}

const QList<ProcessMetric>& SystemMonitorDetails::topCPUProcesses() const
{
    return m_monitor.topCPUProcesses();
}

const QList<ProcessMetric>& SystemMonitorDetails::topMemoryProcesses() const
{
    return m_monitor.topMemoryProcesses();
}

const QList<ProcessMetric>& SystemMonitorDetails::topDiskProcesses() const
{
    return m_monitor.topDiskProcesses();
}

const QList<SensorGroup>& SystemMonitorDetails::sensorGroups() const
{
    return m_monitor.sensorGroups();
}

const QList<FanReading>& SystemMonitorDetails::fans() const
{
    return m_monitor.fans();
}

const QList<PowerReading>& SystemMonitorDetails::power() const
{
    return m_monitor.power();
}

const std::optional<BatteryInfo>& SystemMonitorDetails::battery() const
{
    return m_monitor.battery();
}

QString SystemMonitorDetails::thermalStateLabel() const
{
    return m_monitor.thermalStateLabel();
}

double SystemMonitorDetails::uptime() const
{
    return m_monitor.uptime();
}

void SystemMonitorDetails::prepareDetailedSampling(MonitorSection section, std::function<void()> completion)
{
    m_monitor.prepareDetailedSampling(section, std::move(completion));
}

void SystemMonitorDetails::beginDetailedSampling(MonitorSection section)
{
    m_monitor.beginDetailedSampling(section);
}

void SystemMonitorDetails::endDetailedSampling(MonitorSection section)
{
    m_monitor.endDetailedSampling(section);
}
