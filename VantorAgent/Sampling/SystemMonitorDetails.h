#pragma once

#include "VantorAgent/Sampling/DetailReadings.h"

class SystemMonitor;

// The sampling engine as the panels see it; it forwards every question and change.
class SystemMonitorDetails : public DetailReadings {
    Q_OBJECT
public:
    explicit SystemMonitorDetails(SystemMonitor& monitor, QObject* parent = nullptr);

    double userCPUUsage() const override;
    double systemCPUUsage() const override;
    const QList<double>& coreUsages() const override;
    const QList<double>& userCPUHistory() const override;
    const QList<double>& systemCPUHistory() const override;
    const std::array<double, 3>& loadAverages() const override;
    const QList<double>& loadOneHistory() const override;
    const QList<double>& loadFiveHistory() const override;
    const QList<double>& loadFifteenHistory() const override;
    const QList<CoreTier>& coreTiers() const override;
    int totalCores() const override;
    std::optional<double> cpuTemperature() const override;
    std::optional<double> cpuWatts() const override;
    std::optional<double> gpuUsage() const override;
    std::optional<double> gpuRendererUsage() const override;
    std::optional<double> gpuTilerUsage() const override;
    std::optional<quint64> gpuInUseMemory() const override;
    std::optional<quint64> gpuAllocatedMemory() const override;
    std::optional<double> gpuTemperature() const override;
    double memoryUsage() const override;
    double memoryPressure() const override;
    MemoryPressureLevel memoryPressureLevel() const override;
    quint64 totalMemory() const override;
    quint64 usedMemory() const override;
    quint64 wiredMemory() const override;
    quint64 activeMemory() const override;
    quint64 compressedMemory() const override;
    quint64 cacheMemory() const override;
    quint64 swapUsed() const override;
    quint64 swapTotal() const override;
    quint64 pageInsPerSecond() const override;
    quint64 pageOutsPerSecond() const override;
    QString volumeName() const override;
    qint64 totalStorage() const override;
    qint64 availableStorage() const override;
    double storageUsage() const override;
    quint64 diskReadPerSecond() const override;
    quint64 diskWritePerSecond() const override;
    const QList<ProcessMetric>& topCPUProcesses() const override;
    const QList<ProcessMetric>& topMemoryProcesses() const override;
    const QList<ProcessMetric>& topDiskProcesses() const override;
    const QList<SensorGroup>& sensorGroups() const override;
    const QList<FanReading>& fans() const override;
    const QList<PowerReading>& power() const override;
    const std::optional<BatteryInfo>& battery() const override;
    QString thermalStateLabel() const override;
    double uptime() const override;
    void prepareDetailedSampling(MonitorSection section, std::function<void()> completion) override;
    void beginDetailedSampling(MonitorSection section) override;
    void endDetailedSampling(MonitorSection section) override;

private:
    SystemMonitor& m_monitor;
};
