#pragma once

#include "VantorAgent/Sampling/MemoryPressureLevel.h"
#include "VantorAgent/Sampling/ProcessMetric.h"
#include "VantorAgent/Sensors/BatteryInfo.h"
#include "VantorAgent/Sensors/FanReading.h"
#include "VantorAgent/Sensors/PowerReading.h"
#include "VantorAgent/Sensors/TemperatureReading.h"
#include "VantorShared/System/CoreTopology.h"
#include "VantorShared/System/MonitorSection.h"

#include <QList>
#include <QObject>
#include <QString>

#include <array>
#include <functional>
#include <optional>

// What the section panels read and what opening and closing them asks of the sampling engine.
// The agent's SystemMonitor stands behind it (SystemMonitorDetails); tests and benchmarks give
// readings of their own and decide when a preparation completes.
class DetailReadings : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Processor
    virtual double userCPUUsage() const = 0;
    virtual double systemCPUUsage() const = 0;
    virtual const QList<double>& coreUsages() const = 0;
    virtual const QList<double>& userCPUHistory() const = 0;
    virtual const QList<double>& systemCPUHistory() const = 0;
    virtual const std::array<double, 3>& loadAverages() const = 0;
    virtual const QList<double>& loadOneHistory() const = 0;
    virtual const QList<double>& loadFiveHistory() const = 0;
    virtual const QList<double>& loadFifteenHistory() const = 0;
    virtual const QList<CoreTier>& coreTiers() const = 0;
    virtual int totalCores() const = 0;
    virtual std::optional<double> cpuTemperature() const = 0;
    virtual std::optional<double> cpuWatts() const = 0;

    // GPU
    virtual std::optional<double> gpuUsage() const = 0;
    virtual std::optional<double> gpuRendererUsage() const = 0;
    virtual std::optional<double> gpuTilerUsage() const = 0;
    virtual std::optional<quint64> gpuInUseMemory() const = 0;
    virtual std::optional<quint64> gpuAllocatedMemory() const = 0;
    virtual std::optional<double> gpuTemperature() const = 0;

    // Memory
    virtual double memoryUsage() const = 0;
    virtual double memoryPressure() const = 0;
    virtual MemoryPressureLevel memoryPressureLevel() const = 0;
    virtual quint64 totalMemory() const = 0;
    virtual quint64 usedMemory() const = 0;
    virtual quint64 wiredMemory() const = 0;
    virtual quint64 activeMemory() const = 0;
    virtual quint64 compressedMemory() const = 0;
    virtual quint64 cacheMemory() const = 0;
    virtual quint64 swapUsed() const = 0;
    virtual quint64 swapTotal() const = 0;
    virtual quint64 pageInsPerSecond() const = 0;
    virtual quint64 pageOutsPerSecond() const = 0;

    // Storage
    virtual QString volumeName() const = 0;
    virtual qint64 totalStorage() const = 0;
    virtual qint64 availableStorage() const = 0;
    virtual double storageUsage() const = 0;
    virtual quint64 diskReadPerSecond() const = 0;
    virtual quint64 diskWritePerSecond() const = 0;

    // Processes
    virtual const QList<ProcessMetric>& topCPUProcesses() const = 0;
    virtual const QList<ProcessMetric>& topMemoryProcesses() const = 0;
    virtual const QList<ProcessMetric>& topDiskProcesses() const = 0;

    // Sensors and machine
    virtual const QList<SensorGroup>& sensorGroups() const = 0;
    virtual const QList<FanReading>& fans() const = 0;
    virtual const QList<PowerReading>& power() const = 0;
    virtual const std::optional<BatteryInfo>& battery() const = 0;
    virtual QString thermalStateLabel() const = 0;
    virtual double uptime() const = 0;

    // Detailed sampling of a section whose popover opens or closes. The completion of a
    // preparation runs later on the main thread, and not at all once the source is gone.
    virtual void prepareDetailedSampling(MonitorSection section, std::function<void()> completion) = 0;
    virtual void beginDetailedSampling(MonitorSection section) = 0;
    virtual void endDetailedSampling(MonitorSection section) = 0;

signals:
    // Any published value changed.
    void changed();
};
