#pragma once

#include "Platform/Kernel/ThermalZones.h"
#include "VantorAgent/Sampling/MemoryPressureLevel.h"
#include "VantorAgent/Sensors/BatteryInfo.h"
#include "VantorAgent/Sensors/FanReading.h"
#include "VantorAgent/Sensors/PowerReading.h"
#include "VantorAgent/Sensors/TemperatureReading.h"

#include <QList>

#include <array>
#include <optional>

class SystemMonitor;

// The readings the metrics export hands out, copied from the sampling engine as it published
// them (the lists are shared, not copied). A plain value, so the text can be made and tested
// without an engine.
struct ExportReadings {
    // Processor: fractions 0…1; the cores in the meters' order (on a processor with two kinds
    // of core, the fastest kind last).
    double cpuUsage = 0;
    double userCPUUsage = 0;
    double systemCPUUsage = 0;
    QList<double> coreUsages;
    std::array<double, 3> loadAverages {0, 0, 0};

    // Memory in bytes; paging in bytes per second.
    quint64 totalMemory = 0;
    quint64 usedMemory = 0;
    quint64 wiredMemory = 0;
    quint64 activeMemory = 0;
    quint64 compressedMemory = 0;
    quint64 cacheMemory = 0;
    quint64 pageInsPerSecond = 0;
    quint64 pageOutsPerSecond = 0;
    quint64 swapTotal = 0;
    quint64 swapUsed = 0;
    double memoryUsage = 0;
    double memoryPressure = 0;
    MemoryPressureLevel memoryPressureLevel = MemoryPressureLevel::normal;

    // The start-up volume in bytes; a total of 0 means it has not been measured yet.
    qint64 totalStorage = 0;
    qint64 availableStorage = 0;
    double storageUsage = 0;

    // Sensors as the last sensor read found them.
    QList<TemperatureReading> temperatures;
    QList<SensorGroup> sensorGroups;
    QList<FanReading> fans;
    QList<PowerReading> power;
    std::optional<BatteryInfo> battery;

    // Machine.
    double uptime = 0;
    ThermalState thermalState = ThermalState::unknown;

    static ExportReadings from(const SystemMonitor& monitor);
};
