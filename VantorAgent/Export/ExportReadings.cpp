#include "VantorAgent/Export/ExportReadings.h"

#include "VantorAgent/Sampling/SystemMonitor.h"

ExportReadings ExportReadings::from(const SystemMonitor& m)
{
    ExportReadings r;
    r.cpuUsage = m.cpuUsage();
    r.userCPUUsage = m.userCPUUsage();
    r.systemCPUUsage = m.systemCPUUsage();
    r.coreUsages = m.coreUsages();
    r.loadAverages = m.loadAverages();
    r.totalMemory = m.totalMemory();
    r.usedMemory = m.usedMemory();
    r.wiredMemory = m.wiredMemory();
    r.activeMemory = m.activeMemory();
    r.compressedMemory = m.compressedMemory();
    r.cacheMemory = m.cacheMemory();
    r.pageInsPerSecond = m.pageInsPerSecond();
    r.pageOutsPerSecond = m.pageOutsPerSecond();
    r.swapTotal = m.swapTotal();
    r.swapUsed = m.swapUsed();
    r.memoryUsage = m.memoryUsage();
    r.memoryPressure = m.memoryPressure();
    r.memoryPressureLevel = m.memoryPressureLevel();
    r.totalStorage = m.totalStorage();
    r.availableStorage = m.availableStorage();
    r.storageUsage = m.storageUsage();
    r.temperatures = m.temperatures();
    r.sensorGroups = m.sensorGroups();
    r.fans = m.fans();
    r.power = m.power();
    r.battery = m.battery();
    r.uptime = m.uptime();
    r.thermalState = m.thermalState();
    return r;
}
