#pragma once

#include "VantorShared/Meters/MenuBarReadings.h"

// Readings a test sets field by field.
class FakeReadings : public MenuBarReadings {
public:
    double cpuUsage() const override { return cpu; }
    const QList<double>& coreUsages() const override { return cores; }
    int performanceCoreCount() const override { return performanceCores; }
    const QList<double>& cpuHistory() const override { return history; }
    std::optional<double> cpuTemperature() const override { return cpuCelsius; }
    std::optional<double> cpuWatts() const override { return cpuPower; }
    std::optional<double> gpuTemperature() const override { return gpuCelsius; }
    std::optional<double> hottestCelsius() const override { return hottest; }
    std::optional<double> fastestFanRPM() const override { return fanRPM; }
    std::optional<double> systemWatts() const override { return systemPower; }
    double memoryUsage() const override { return memory; }
    double memoryPressure() const override { return pressure; }
    quint64 swapUsed() const override { return swap; }
    double storageUsage() const override { return storage; }
    qint64 availableStorage() const override { return available; }

    double cpu = 0.42;
    QList<double> cores {0.2, 0.4, 0.6, 0.8};
    int performanceCores = 2;
    QList<double> history {0.1, 0.5, 0.3};
    std::optional<double> cpuCelsius = 52.4;
    std::optional<double> cpuPower = 7.6;
    std::optional<double> gpuCelsius = 47.0;
    std::optional<double> hottest = 61.2;
    std::optional<double> fanRPM = 2180.4;
    std::optional<double> systemPower = 14.2;
    double memory = 0.64;
    double pressure = 0.31;
    quint64 swap = 0;
    double storage = 0.58;
    qint64 available = 0;
};
