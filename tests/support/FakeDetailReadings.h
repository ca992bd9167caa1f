#pragma once

#include "VantorAgent/Sampling/DetailReadings.h"

#include <cmath>
#include <map>
#include <set>
#include <vector>

// Readings a test sets field by field, and a sampling engine whose preparations complete only
// when the test says so (or at once, when `completesAtOnce` is set).
class FakeDetailReadings : public DetailReadings {
public:
    double userCPUUsage() const override { return user; }
    double systemCPUUsage() const override { return system; }
    const QList<double>& coreUsages() const override { return cores; }
    const QList<double>& userCPUHistory() const override { return userHistory; }
    const QList<double>& systemCPUHistory() const override { return systemHistory; }
    const std::array<double, 3>& loadAverages() const override { return loads; }
    const QList<double>& loadOneHistory() const override { return loadOne; }
    const QList<double>& loadFiveHistory() const override { return loadFive; }
    const QList<double>& loadFifteenHistory() const override { return loadFifteen; }
    const QList<CoreTier>& coreTiers() const override { return tiers; }
    int totalCores() const override { return coreCount; }
    std::optional<double> cpuTemperature() const override { return cpuCelsius; }
    std::optional<double> cpuWatts() const override { return cpuPower; }
    std::optional<double> gpuUsage() const override { return gpu; }
    std::optional<double> gpuRendererUsage() const override { return gpuRenderer; }
    std::optional<double> gpuTilerUsage() const override { return gpuTiler; }
    std::optional<quint64> gpuInUseMemory() const override { return gpuInUse; }
    std::optional<quint64> gpuAllocatedMemory() const override { return gpuAllocated; }
    std::optional<double> gpuTemperature() const override { return gpuCelsius; }
    double memoryUsage() const override { return memory; }
    double memoryPressure() const override { return pressure; }
    MemoryPressureLevel memoryPressureLevel() const override { return pressureLevel; }
    quint64 totalMemory() const override { return memoryTotal; }
    quint64 usedMemory() const override { return memoryUsed; }
    quint64 wiredMemory() const override { return wired; }
    quint64 activeMemory() const override { return active; }
    quint64 compressedMemory() const override { return compressed; }
    quint64 cacheMemory() const override { return cache; }
    quint64 swapUsed() const override { return swap; }
    quint64 swapTotal() const override { return swapSize; }
    quint64 pageInsPerSecond() const override { return pageIns; }
    quint64 pageOutsPerSecond() const override { return pageOuts; }
    QString volumeName() const override { return volume; }
    qint64 totalStorage() const override { return storageTotal; }
    qint64 availableStorage() const override { return storageFree; }
    double storageUsage() const override
    {
        return storageTotal > 0 ? 1 - double(storageFree) / double(storageTotal) : 0;
    }
    quint64 diskReadPerSecond() const override { return diskRead; }
    quint64 diskWritePerSecond() const override { return diskWrite; }
    const QList<ProcessMetric>& topCPUProcesses() const override { return cpuProcesses; }
    const QList<ProcessMetric>& topMemoryProcesses() const override { return memoryProcesses; }
    const QList<ProcessMetric>& topDiskProcesses() const override { return diskProcesses; }
    const QList<SensorGroup>& sensorGroups() const override { return groups; }
    const QList<FanReading>& fans() const override { return fanList; }
    const QList<PowerReading>& power() const override { return powerList; }
    const std::optional<BatteryInfo>& battery() const override { return batteryInfo; }
    QString thermalStateLabel() const override { return thermalState; }
    double uptime() const override { return uptimeSeconds; }

    void prepareDetailedSampling(MonitorSection section, std::function<void()> completion) override
    {
        beginDetailedSampling(section);
        ++preparations;
        if (completesAtOnce)
            completion();
        else
            pending.push_back(std::move(completion));
    }
    void beginDetailedSampling(MonitorSection section) override { open.insert(section); }
    void endDetailedSampling(MonitorSection section) override { open.erase(section); }

    // Completes every preparation asked for so far, oldest first.
    void completePreparations()
    {
        std::vector<std::function<void()>> due;
        due.swap(pending);
        for (auto& completion : due)
            completion();
    }
    // Announces new values to the panels.
    void publish() { emit changed(); }

    // A busy, plausible machine, for pictures and benchmarks.
    void fillWithSamples()
    {
        user = 0.27;
        system = 0.11;
        cores = {0.42, 0.35, 0.22, 0.61, 0.18, 0.09, 0.86, 0.93, 0.48, 0.74};
        userHistory.clear();
        systemHistory.clear();
        for (int i = 0; i < 36; ++i) {
            userHistory.append(0.22 + 0.12 * std::sin(i / 3.0) + 0.05 * std::sin(i / 1.3));
            systemHistory.append(0.08 + 0.04 * std::sin(i / 2.0 + 1));
        }
        loadOne.clear();
        loadFive.clear();
        loadFifteen.clear();
        for (int i = 0; i < 60; ++i) {
            loadOne.append(2.4 + 1.4 * std::sin(i / 6.0));
            loadFive.append(2.6 + 0.6 * std::sin(i / 14.0));
            loadFifteen.append(2.5 + 0.2 * std::sin(i / 30.0));
        }
        loads = {loadOne.back(), loadFive.back(), loadFifteen.back()};
        tiers = {{QStringLiteral("Performance"), 4}, {QStringLiteral("Efficiency"), 6}};
        coreCount = 10;
        cpuCelsius = 58.3;
        cpuPower = 6.4;
        gpu = 0.18;
        gpuRenderer = 0.15;
        gpuTiler = 0.12;
        gpuInUse = quint64(1.2 * 1073741824.0);
        gpuAllocated = quint64(2.5 * 1073741824.0);
        gpuCelsius = 49.1;
        memory = 0.64;
        pressure = 0.31;
        memoryTotal = quint64(16) * 1073741824;
        memoryUsed = quint64(10.2 * 1073741824.0);
        wired = quint64(2.6 * 1073741824.0);
        active = quint64(6.1 * 1073741824.0);
        compressed = quint64(1.5 * 1073741824.0);
        cache = quint64(4.3 * 1073741824.0);
        swap = quint64(0.8 * 1073741824.0);
        swapSize = quint64(4) * 1073741824;
        pageIns = 184320;
        pageOuts = 40960;
        volume = QStringLiteral("debian");
        storageTotal = qint64(494) * 1000000000;
        storageFree = qint64(212) * 1000000000;
        diskRead = 3200000;
        diskWrite = 860000;
        const QStringList names {QStringLiteral("firefox-esr"), QStringLiteral("Xorg"), QStringLiteral("code"),
            QStringLiteral("pipewire"), QStringLiteral("gnome-shell")};
        cpuProcesses.clear();
        memoryProcesses.clear();
        diskProcesses.clear();
        for (int i = 0; i < names.size(); ++i) {
            ProcessMetric p;
            p.pid = 0;
            p.name = names[i];
            p.cpu = 38.5 / (i + 1);
            p.memory = quint64(1.9 * 1073741824.0 / (i + 1));
            p.diskRead = quint64(2400000 / (i + 1));
            p.diskWrite = quint64(520000 / (i + 1));
            cpuProcesses.append(p);
            memoryProcesses.append(p);
            diskProcesses.append(p);
        }
        groups = {{SensorCategory::cpu, 58.3}, {SensorCategory::gpu, 49.1}, {SensorCategory::storage, 41.0},
            {SensorCategory::battery, 31.2}, {SensorCategory::ambient, 88.0}};
        fanList = {FanReading {QStringLiteral("F0Ac"), 0, 2180, 1200, 5800}};
        powerList = {{PowerChannel::system, 14.2}, {PowerChannel::gpu, 1.1}, {PowerChannel::cpu, 6.4}};
        batteryInfo = BatteryInfo {82, 94, 213, 12.6, -0.9, false, false, false, 268};
        thermalState = QStringLiteral("Nominal");
        uptimeSeconds = 3 * 86400 + 4 * 3600 + 12 * 60;
    }

    double user = 0;
    double system = 0;
    QList<double> cores;
    QList<double> userHistory;
    QList<double> systemHistory;
    std::array<double, 3> loads {0, 0, 0};
    QList<double> loadOne;
    QList<double> loadFive;
    QList<double> loadFifteen;
    QList<CoreTier> tiers;
    int coreCount = 4;
    std::optional<double> cpuCelsius;
    std::optional<double> cpuPower;
    std::optional<double> gpu;
    std::optional<double> gpuRenderer;
    std::optional<double> gpuTiler;
    std::optional<quint64> gpuInUse;
    std::optional<quint64> gpuAllocated;
    std::optional<double> gpuCelsius;
    double memory = 0;
    double pressure = 0;
    MemoryPressureLevel pressureLevel = MemoryPressureLevel::normal;
    quint64 memoryTotal = 0;
    quint64 memoryUsed = 0;
    quint64 wired = 0;
    quint64 active = 0;
    quint64 compressed = 0;
    quint64 cache = 0;
    quint64 swap = 0;
    quint64 swapSize = 0;
    quint64 pageIns = 0;
    quint64 pageOuts = 0;
    QString volume;
    qint64 storageTotal = 0;
    qint64 storageFree = 0;
    quint64 diskRead = 0;
    quint64 diskWrite = 0;
    QList<ProcessMetric> cpuProcesses;
    QList<ProcessMetric> memoryProcesses;
    QList<ProcessMetric> diskProcesses;
    QList<SensorGroup> groups;
    QList<FanReading> fanList;
    QList<PowerReading> powerList;
    std::optional<BatteryInfo> batteryInfo;
    QString thermalState = QStringLiteral("Nominal");
    double uptimeSeconds = 0;

    bool completesAtOnce = false;
    int preparations = 0;
    std::set<MonitorSection> open;
    std::vector<std::function<void()>> pending;
};
